#include "engine/platform/archive/archive_lz.h"

#include <algorithm>
#include <cstring>

#include "engine/platform/archive/archive_format.h"

namespace orvik {
namespace {

// A match whose length exceeds its distance repeats the pattern: the copy goes in chunks
// that never overlap, doubling the distance after each, which gives the same bytes as a
// forward byte-by-byte copy.
inline void CopyMatch(uint8_t* out, size_t distance, size_t length) {
    const uint8_t* from = out - distance;
    if (length <= distance) {
        std::memcpy(out, from, length);
        return;
    }
    while (length > distance) {
        std::memcpy(out, from, distance);
        out += distance;
        length -= distance;
        distance *= 2;
    }
    std::memcpy(out, from, length);
}

// Match code c (after the escape; lowered by 1 when above the escape byte): length =
// bits 3-7 of c, with bit 2 set the next byte ORed in above them, plus 4; then (c & 3) + 1
// distance bytes, little-endian, plus 1. Distance code 3 is not defined.
//
// Unpacks the codes in [in, end) into [destination, outEnd); the bytes made, or -1 for
// damage. With `partial` a code cut off by the end stops the unpacking with what it made
// so far; without it that is damage too.
int64_t UnpackCodes(const uint8_t* in, const uint8_t* const end, uint8_t escape,
                    uint8_t* const destination, uint8_t* const outEnd, bool partial) {
    uint8_t* out = destination;
    const auto cutOff = [&] { return partial ? static_cast<int64_t>(out - destination) : int64_t{-1}; };
    while (in < end) {
        const auto* mark = static_cast<const uint8_t*>(std::memchr(in, escape, end - in));
        const uint8_t* runEnd = mark ? mark : end;
        const size_t run = static_cast<size_t>(runEnd - in);
        if (run > static_cast<size_t>(outEnd - out)) return -1;
        std::memcpy(out, in, run);
        out += run;
        in = runEnd;
        if (mark == nullptr) break;

        if (end - in < 2) return cutOff();
        unsigned code = in[1];
        in += 2;
        if (code == escape) {
            if (out == outEnd) return -1;
            *out++ = escape;
            continue;
        }
        if (code > escape) --code;
        size_t length = code >> 3;
        if (code & 4) {
            if (in == end) return cutOff();
            length |= static_cast<size_t>(*in++) << 5;
        }
        length += kLzMinMatch;
        const unsigned distanceBytes = (code & 3) + 1;
        if (distanceBytes > 3) return -1;
        if (end - in < static_cast<ptrdiff_t>(distanceBytes)) return cutOff();
        size_t distance = 0;
        for (unsigned i = 0; i < distanceBytes; ++i) distance |= static_cast<size_t>(in[i]) << (8 * i);
        in += distanceBytes;
        distance += 1;
        if (distance > static_cast<size_t>(out - destination) ||
            length > static_cast<size_t>(outEnd - out))
            return -1;
        CopyMatch(out, distance, length);
        out += length;
    }
    return out - destination;
}

}  // namespace

int ReadLzHead(const uint8_t* source, size_t sourceSize, LzHead* head) {
    if (source == nullptr || sourceSize < kLzHeadSize) return -1;
    head->unpackedSize = LoadU32(source);
    head->packedSize = LoadU32(source + 4);
    head->escape = source[8];
    if (head->packedSize < kLzHeadSize || head->packedSize > sourceSize) return -1;
    return 0;
}

int64_t DecompressArchiveData(const uint8_t* source, size_t sourceSize, uint8_t* destination,
                              size_t destinationSize) {
    LzHead head{};
    if (ReadLzHead(source, sourceSize, &head) != 0) return -1;
    if (destination == nullptr) return head.unpackedSize;
    if (head.unpackedSize > destinationSize) return -1;
    const int64_t made = UnpackCodes(source + kLzHeadSize, source + head.packedSize, head.escape,
                                     destination, destination + head.unpackedSize, false);
    return made == static_cast<int64_t>(head.unpackedSize) ? made : -1;
}

int64_t DecompressArchivePrefix(const uint8_t* source, size_t arrived, uint8_t* destination,
                                size_t destinationSize) {
    if (source == nullptr || destination == nullptr || arrived < kLzHeadSize) return -1;
    const uint32_t unpackedSize = LoadU32(source);
    const uint32_t packedSize = LoadU32(source + 4);
    if (unpackedSize > destinationSize || packedSize < kLzHeadSize) return -1;
    const size_t codesEnd = std::min<size_t>(arrived, packedSize);
    return UnpackCodes(source + kLzHeadSize, source + codesEnd, source[8], destination,
                       destination + unpackedSize, true);
}

}  // namespace orvik
