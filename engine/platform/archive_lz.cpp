#include "engine/platform/archive_lz.h"

#include <cstring>

#include "engine/platform/archive_format.h"

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

}  // namespace

int ReadLzHead(const uint8_t* source, size_t sourceSize, LzHead* head) {
    if (source == nullptr || sourceSize < kLzHeadSize) return -1;
    head->unpackedSize = LoadU32(source);
    head->packedSize = LoadU32(source + 4);
    head->escape = source[8];
    if (head->packedSize < kLzHeadSize || head->packedSize > sourceSize) return -1;
    return 0;
}

// Match code c (after the escape; lowered by 1 when above the escape byte): length =
// bits 3-7 of c, with bit 2 set the next byte ORed in above them, plus 4; then (c & 3) + 1
// distance bytes, little-endian, plus 1. Distance code 3 is not defined.
int64_t DecompressArchiveData(const uint8_t* source, size_t sourceSize, uint8_t* destination,
                              size_t destinationSize) {
    LzHead head{};
    if (ReadLzHead(source, sourceSize, &head) != 0) return -1;
    if (destination == nullptr) return head.unpackedSize;
    if (head.unpackedSize > destinationSize) return -1;

    const uint8_t* in = source + kLzHeadSize;
    const uint8_t* const end = source + head.packedSize;
    uint8_t* out = destination;
    uint8_t* const outEnd = destination + head.unpackedSize;
    const uint8_t escape = head.escape;

    while (in < end) {
        const auto* mark = static_cast<const uint8_t*>(std::memchr(in, escape, end - in));
        const uint8_t* runEnd = mark ? mark : end;
        const size_t run = static_cast<size_t>(runEnd - in);
        if (run > static_cast<size_t>(outEnd - out)) return -1;
        std::memcpy(out, in, run);
        out += run;
        in = runEnd;
        if (mark == nullptr) break;

        if (end - in < 2) return -1;
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
            if (in == end) return -1;
            length |= static_cast<size_t>(*in++) << 5;
        }
        length += kLzMinMatch;
        const unsigned distanceBytes = (code & 3) + 1;
        if (distanceBytes > 3 || end - in < static_cast<ptrdiff_t>(distanceBytes)) return -1;
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
    return out == outEnd ? static_cast<int64_t>(head.unpackedSize) : -1;
}

}  // namespace orvik
