// The archive's LZ coding. A packed file is a 9-byte head (unpacked size, packed size with
// the head, escape byte) followed by codes: any byte but the escape is a literal; the
// escape twice is one literal escape; the escape and another byte c start a match (see
// archive_lz.cpp for the fields).
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/platform/archive/archive_format.h"

namespace orvik {

struct LzHead {
    uint32_t unpackedSize;
    uint32_t packedSize;
    uint8_t escape;
};

// -1 when the source is shorter than the head or the head's packed size does not fit it.
int ReadLzHead(const uint8_t* source, size_t sourceSize, LzHead* head);

// Unpacks into destination (destinationSize bytes). Returns the unpacked size; with a null
// destination only the size is read. -1 for a damaged stream: a match reaching before the
// output's start or past its end, a distance code the format does not define, codes that
// end early or unpack to another size than the head says, or an output larger than the
// destination.
int64_t DecompressArchiveData(const uint8_t* source, size_t sourceSize, uint8_t* destination,
                              size_t destinationSize);

// Unpacks the part of a stream that arrived (`arrived` bytes, head included, of a stream
// cut short): the bytes its whole codes make, or -1 when the head did not arrive or the
// codes are damaged.
int64_t DecompressArchivePrefix(const uint8_t* source, size_t arrived, uint8_t* destination,
                                size_t destinationSize);

// Match fields shared with the encoder.
constexpr uint32_t kLzMinMatch = 4;
constexpr uint32_t kLzMaxMatch = ((1u << 13) - 1) + kLzMinMatch;  // 5 bits + 8 bits
constexpr uint32_t kLzMaxDistance = 1u << 24;                     // 3 bytes, plus 1

// The most bytes codes can unpack to: the longest match takes four bytes of codes. A size
// beyond this is refused before anything is allocated for it.
inline uint64_t LzLargestUnpackedSize(uint32_t packedSize) {
    return packedSize <= kLzHeadSize ? 0 : (uint64_t{packedSize} - kLzHeadSize) * ((kLzMaxMatch + 3) / 4);
}

}  // namespace orvik
