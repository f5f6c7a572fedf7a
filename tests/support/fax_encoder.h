// A small group 3 fax (Modified Huffman, one-dimensional) encoder for the reader tests,
// its code tables written as strings of bits, and OS/2 BMPs holding its output.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/image_file_builders.h"

namespace imagetest {

// A 1-bit picture as runs: each row alternates white and black, starting with white (a
// leading 0 means the row starts black). Runs of a row add up to the width.
struct FaxPicture {
    int width = 0;
    std::vector<std::vector<int>> rows;  // the file's row order
};

struct FaxLayout {
    bool endOfLines = false;  // an end-of-line code before every row
    bool byteAligned = false; // 0 bits after each row up to a byte boundary
};

class FaxBitWriter {
public:
    void Put(const std::string& bits) {
        for (char c : bits) PutBit(c == '1');
    }
    void Align() {
        while (used_ % 8 != 0) PutBit(false);
    }
    Bytes Take() { return bytes_; }

private:
    void PutBit(bool one) {
        if (used_ % 8 == 0) bytes_.push_back(0);
        if (one) bytes_.back() |= uint8_t(0x80 >> (used_ % 8));
        ++used_;
    }
    Bytes bytes_;
    size_t used_ = 0;
};

inline const std::vector<std::string>& FaxTerminating(bool black) {
    static const std::vector<std::string> white = {
        "00110101", "000111", "0111", "1000", "1011", "1100", "1110", "1111", "10011", "10100",
        "00111", "01000", "001000", "000011", "110100", "110101", "101010", "101011", "0100111",
        "0001100", "0001000", "0010111", "0000011", "0000100", "0101000", "0101011", "0010011",
        "0100100", "0011000", "00000010", "00000011", "00011010", "00011011", "00010010",
        "00010011", "00010100", "00010101", "00010110", "00010111", "00101000", "00101001",
        "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
        "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101",
        "01011000", "01011001", "01011010", "01011011", "01001010", "01001011", "00110010",
        "00110011", "00110100"};
    static const std::vector<std::string> blackCodes = {
        "0000110111", "010", "11", "10", "011", "0011", "0010", "00011", "000101", "000100",
        "0000100", "0000101", "0000111", "00000100", "00000111", "000011000", "0000010111",
        "0000011000", "0000001000", "00001100111", "00001101000", "00001101100", "00000110111",
        "00000101000", "00000010111", "00000011000", "000011001010", "000011001011",
        "000011001100", "000011001101", "000001101000", "000001101001", "000001101010",
        "000001101011", "000011010010", "000011010011", "000011010100", "000011010101",
        "000011010110", "000011010111", "000001101100", "000001101101", "000011011010",
        "000011011011", "000001010100", "000001010101", "000001010110", "000001010111",
        "000001100100", "000001100101", "000001010010", "000001010011", "000000100100",
        "000000110111", "000000111000", "000000100111", "000000101000", "000001011000",
        "000001011001", "000000101011", "000000101100", "000001011010", "000001100110",
        "000001100111"};
    return black ? blackCodes : white;
}

// The make-up code of a multiple of 64, from 64 to 2560.
inline std::string FaxMakeUp(bool black, int run) {
    static const std::vector<std::string> white = {
        "11011", "10010", "010111", "0110111", "00110110", "00110111", "01100100", "01100101",
        "01101000", "01100111", "011001100", "011001101", "011010010", "011010011", "011010100",
        "011010101", "011010110", "011010111", "011011000", "011011001", "011011010",
        "011011011", "010011000", "010011001", "010011010", "011000", "010011011"};
    static const std::vector<std::string> blackCodes = {
        "0000001111", "000011001000", "000011001001", "000001011011", "000000110011",
        "000000110100", "000000110101", "0000001101100", "0000001101101", "0000001001010",
        "0000001001011", "0000001001100", "0000001001101", "0000001110010", "0000001110011",
        "0000001110100", "0000001110101", "0000001110110", "0000001110111", "0000001010010",
        "0000001010011", "0000001010100", "0000001010101", "0000001011010", "0000001011011",
        "0000001100100", "0000001100101"};
    static const std::vector<std::string> both = {
        "00000001000", "00000001100", "00000001101", "000000010010", "000000010011",
        "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
        "000000011101", "000000011110", "000000011111"};
    if (run >= 1792) return both[size_t(run - 1792) / 64];
    return (black ? blackCodes : white)[size_t(run) / 64 - 1];
}

inline const char* const kFaxEol = "000000000001";

// One run: 2560 make-ups while the run is longer, a make-up for the rest's multiple of
// 64, then the terminating code.
inline void PutFaxRun(FaxBitWriter& out, bool black, int run) {
    for (; run > 2560; run -= 2560) out.Put(FaxMakeUp(black, 2560));
    if (run >= 64) out.Put(FaxMakeUp(black, run / 64 * 64));
    out.Put(FaxTerminating(black)[size_t(run % 64)]);
}

inline Bytes EncodeFax(const FaxPicture& p, const FaxLayout& layout) {
    FaxBitWriter out;
    for (const std::vector<int>& row : p.rows) {
        if (layout.endOfLines) out.Put(kFaxEol);
        for (size_t i = 0; i < row.size(); ++i) PutFaxRun(out, i % 2 == 1, row[i]);
        if (layout.byteAligned) out.Align();
    }
    return out.Take();
}

// Pixel x of a row of runs: 1 for black.
inline int FaxPixel(const std::vector<int>& runs, int x) {
    int end = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        end += runs[i];
        if (x < end) return int(i % 2);
    }
    return 0;
}

// An OS/2 2.x BMP (64-byte header, 1 bit, compression 3) around fax-coded rows; the
// palette's entry 0 is what white runs show, entry 1 black.
inline Bytes MakeFaxBmp(int width, int height, const Bytes& coded,
                        std::vector<uint32_t> palette = {0x00F0E0D0, 0x00102030}) {
    BmpSpec s{.headerSize = 64, .width = width, .height = height, .bitCount = 1, .compression = 3,
              .palette = std::move(palette), .pixels = coded};
    return MakeBmp(s);
}

}  // namespace imagetest
