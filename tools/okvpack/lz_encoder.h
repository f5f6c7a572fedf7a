// The LZ encoder whose output the engine's archive decoder reads: a 9-byte head (unpacked
// size, packed size with the head, escape byte) and codes. The escape byte is the one the
// data uses least; a match is the escape, a code byte and its extra length and distance
// bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace okvpack {

std::vector<uint8_t> LzEncode(const uint8_t* data, size_t size);

}  // namespace okvpack
