// The layout of a shader fuzz input, shared by the target and its seed writer: the vertex
// program's token count (16 bits) and tokens, the pixel program's the same way, then
// constant registers as raw bytes (vertex floats, pixel floats, integers, booleans).
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace shaderfuzz {

constexpr size_t kVertexFloats = 64 * 4, kPixelFloats = 32 * 4, kInts = 16 * 4, kBools = 16;

struct ShaderInput {
    std::vector<uint32_t> vertex, pixel;
    std::vector<uint8_t> constants;  // as many bytes as were left
};

// Splits an input; programs cut short keep what there is.
inline ShaderInput ReadInput(const uint8_t* data, size_t size) {
    ShaderInput in;
    size_t at = 0;
    for (std::vector<uint32_t>* program : {&in.vertex, &in.pixel}) {
        if (at + 2 > size) return in;
        size_t count = size_t(data[at]) | size_t(data[at + 1]) << 8;
        at += 2;
        count = std::min(count, (size - at) / 4);
        program->resize(count);
        if (count) std::memcpy(program->data(), data + at, count * 4);
        at += count * 4;
    }
    in.constants.assign(data + at, data + size);
    return in;
}

inline std::vector<uint8_t> WriteInput(const std::vector<uint32_t>& vertex, const std::vector<uint32_t>& pixel,
                                       const std::vector<uint8_t>& constants) {
    std::vector<uint8_t> out;
    for (const std::vector<uint32_t>* program : {&vertex, &pixel}) {
        out.push_back(uint8_t(program->size()));
        out.push_back(uint8_t(program->size() >> 8));
        const auto* bytes = reinterpret_cast<const uint8_t*>(program->data());
        out.insert(out.end(), bytes, bytes + program->size() * 4);
    }
    out.insert(out.end(), constants.begin(), constants.end());
    return out;
}

}  // namespace shaderfuzz
