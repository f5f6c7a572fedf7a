#include "engine/graphics/readers/bmp_huffman.h"

#include <array>
#include <cstring>
#include <vector>

#include "engine/graphics/readers/fax_codes.h"

namespace orvik {

namespace {

// Every code is looked up by the next kFaxLongestCode bits: a code of n bits fills the
// 2^(13 - n) entries that start with it.
constexpr uint16_t kEndOfLineRun = 0xFFFF;

struct CodeEntry {
    uint16_t run;
    uint8_t bits;  // 0: no code of this colour starts so
};
using CodeTable = std::array<CodeEntry, 1u << kFaxLongestCode>;

void AddCode(CodeTable& table, const FaxCode& c, uint16_t run) {
    const int spare = kFaxLongestCode - c.bits;
    const uint32_t first = uint32_t{c.code} << spare;
    for (uint32_t i = 0; i < (1u << spare); ++i) table[first + i] = CodeEntry{run, c.bits};
}

CodeTable BuildTable(const FaxCode (&terminating)[64], const FaxCode (&makeUp)[27]) {
    CodeTable table{};
    for (uint16_t i = 0; i < 64; ++i) AddCode(table, terminating[i], i);
    for (uint16_t i = 0; i < 27; ++i) AddCode(table, makeUp[i], uint16_t(64 * (i + 1)));
    for (uint16_t i = 0; i < 13; ++i) AddCode(table, kFaxExtendedMakeUp[i], uint16_t(1792 + 64 * i));
    AddCode(table, kFaxEndOfLine, kEndOfLineRun);
    return table;
}

const CodeTable& TableFor(bool black) {
    static const CodeTable white = BuildTable(kFaxWhiteTerminating, kFaxWhiteMakeUp);
    static const CodeTable blackTable = BuildTable(kFaxBlackTerminating, kFaxBlackMakeUp);
    return black ? blackTable : white;
}

class BitReader {
public:
    explicit BitReader(std::span<const uint8_t> data) : data_(data) {}

    size_t Left() const { return data_.size() * 8 - pos_; }
    bool AtByteBoundary() const { return (pos_ & 7) == 0; }
    void Skip(size_t n) { pos_ += n; }

    // The next 13 bits, high bit first; bits past the end read as 0.
    uint32_t PeekCode() const {
        const size_t at = pos_ >> 3;
        uint32_t word = 0;
        for (size_t i = 0; i < 3; ++i) word = word << 8 | (at + i < data_.size() ? data_[at + i] : 0u);
        return (word >> (24 - kFaxLongestCode - (pos_ & 7))) & ((1u << kFaxLongestCode) - 1);
    }
    // 0 bits from here to the next 1 bit, or to the end.
    size_t Zeros() const {
        size_t at = pos_;
        while (at < data_.size() * 8 && !(data_[at >> 3] & (0x80 >> (at & 7)))) ++at;
        return at - pos_;
    }

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
};

// 1 bits for a black run; white runs are the cleared 0 bits already there.
void SetBlackRun(uint8_t* row, int64_t x, int64_t length) {
    for (int64_t i = x; i < x + length; ++i) row[i >> 3] |= uint8_t(0x80u >> (i & 7));
}

// One row of runs; false on a bad code, an end-of-line inside the row, a run past the
// row's end (the part inside is kept) or data ending inside a code.
bool DecodeRow(BitReader& in, uint8_t* row, int32_t width) {
    int64_t x = 0;
    bool black = false;
    while (x < width) {
        const CodeTable& table = TableFor(black);
        int64_t run = 0;
        for (;;) {
            const CodeEntry e = table[in.PeekCode()];
            if (e.bits == 0 || e.bits > in.Left() || e.run == kEndOfLineRun) return false;
            in.Skip(e.bits);
            run += e.run;
            if (x + run > width) {
                if (black) SetBlackRun(row, x, width - x);
                return false;
            }
            if (e.run < 64) break;  // a terminating code ends the run; make-ups add up before it
        }
        if (black) SetBlackRun(row, x, run);
        x += run;
        black = !black;
    }
    return true;
}

// Rows stored one after another, or each padded with 0 bits to a byte boundary (the
// padding must then be 0, which tells the two apart).
enum class RowStart { Packed, ByteAligned };

// Passes end-of-line codes and the 0 fill before them. A byte-aligned file's end of line
// ends on a byte boundary (its fill puts it there); other zeros before a boundary are the
// row padding. False when nothing but 0 bits is left, or padding holds a 1.
bool SkipToRow(BitReader& in, RowStart start) {
    for (;;) {
        const size_t zeros = in.Zeros();
        if (zeros >= in.Left()) return false;
        BitReader after = in;
        after.Skip(zeros + 1);
        if (zeros >= 11 && (start == RowStart::Packed || after.AtByteBoundary())) {
            in = after;
            continue;
        }
        if (start == RowStart::Packed || in.AtByteBoundary()) return true;
        BitReader aligned = in;
        while (!aligned.AtByteBoundary()) aligned.Skip(1);
        if (zeros < in.Left() - aligned.Left()) return false;
        in = aligned;
    }
}

int32_t DecodeAll(std::span<const uint8_t> data, const FaxRows& rows, RowStart start) {
    BitReader in(data);
    for (int32_t y = 0; y < rows.height; ++y) {
        uint8_t* row = rows.bits + static_cast<ptrdiff_t>(y) * rows.rowBytes;
        if (!SkipToRow(in, start) || !DecodeRow(in, row, rows.width)) return y;
    }
    return rows.height;
}

}  // namespace

int32_t DecodeFaxRows(std::span<const uint8_t> data, const FaxRows& rows) {
    // Byte-aligned first: its padding check makes a false fit unlikely, while packed
    // decoding of aligned rows can read padding as part of the next code.
    const int32_t aligned = DecodeAll(data, rows, RowStart::ByteAligned);
    if (aligned == rows.height) return aligned;
    const size_t bytes = static_cast<size_t>(rows.rowBytes) * static_cast<size_t>(rows.height);
    std::vector<uint8_t> packedBits(bytes, 0);
    const FaxRows packedRows{packedBits.data(), rows.rowBytes, rows.width, rows.height};
    const int32_t packed = DecodeAll(data, packedRows, RowStart::Packed);
    if (packed <= aligned) return aligned;
    std::memcpy(rows.bits, packedBits.data(), bytes);
    return packed;
}

}  // namespace orvik
