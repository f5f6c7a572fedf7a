#include "host/d3d9/vertex/vertex_element.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace host {
namespace {

template <class T>
T ReadAt(const uint8_t* p, int i) {
    T v;
    std::memcpy(&v, p + i * int(sizeof(T)), sizeof(T));
    return v;
}

float HalfToFloat(uint16_t h) {
    const int exponent = (h >> 10) & 31, mantissa = h & 1023;
    const float sign = h & 0x8000 ? -1.0f : 1.0f;
    if (exponent == 0) return sign * std::ldexp(float(mantissa), -24);
    if (exponent == 31) return mantissa ? NAN : sign * INFINITY;
    return sign * std::ldexp(float(mantissa + 1024), exponent - 25);
}

struct TypeInfo {
    int size, components;
};

constexpr TypeInfo kTypes[D3DDECLTYPE_UNUSED] = {
    {4, 1}, {8, 2},  {12, 3}, {16, 4}, {4, 4}, {4, 4}, {4, 2}, {8, 4}, {4, 4},
    {4, 2}, {8, 4}, {4, 2},  {8, 4},  {4, 3}, {4, 3}, {4, 2}, {8, 4}};

}  // namespace

int DeclTypeSize(BYTE type) { return type < D3DDECLTYPE_UNUSED ? kTypes[type].size : 0; }

int DeclTypeComponents(BYTE type) { return type < D3DDECLTYPE_UNUSED ? kTypes[type].components : 0; }

Vec4 ReadDeclElement(BYTE type, const uint8_t* p) {
    Vec4 v{{0, 0, 0, 1}};
    const int n = DeclTypeComponents(type);
    auto fill = [&](auto read) {
        for (int c = 0; c < n; ++c) v[c] = read(c);
    };
    switch (type) {
        case D3DDECLTYPE_FLOAT1:
        case D3DDECLTYPE_FLOAT2:
        case D3DDECLTYPE_FLOAT3:
        case D3DDECLTYPE_FLOAT4: fill([&](int c) { return ReadAt<float>(p, c); }); break;
        case D3DDECLTYPE_D3DCOLOR: {
            static const int kOrder[4] = {2, 1, 0, 3};
            fill([&](int c) { return float(p[kOrder[c]]) / 255.0f; });
            break;
        }
        case D3DDECLTYPE_UBYTE4: fill([&](int c) { return float(p[c]); }); break;
        case D3DDECLTYPE_UBYTE4N: fill([&](int c) { return float(p[c]) / 255.0f; }); break;
        case D3DDECLTYPE_SHORT2:
        case D3DDECLTYPE_SHORT4: fill([&](int c) { return float(ReadAt<int16_t>(p, c)); }); break;
        // -32768 and -512 lie one step past -1 and read as -1.
        case D3DDECLTYPE_SHORT2N:
        case D3DDECLTYPE_SHORT4N:
            fill([&](int c) { return std::max(-1.0f, float(ReadAt<int16_t>(p, c)) / 32767.0f); });
            break;
        case D3DDECLTYPE_USHORT2N:
        case D3DDECLTYPE_USHORT4N: fill([&](int c) { return float(ReadAt<uint16_t>(p, c)) / 65535.0f; }); break;
        case D3DDECLTYPE_UDEC3:
        case D3DDECLTYPE_DEC3N: {
            const uint32_t bits = ReadAt<uint32_t>(p, 0);
            fill([&](int c) {
                const int field = int((bits >> (10 * c)) & 1023);
                if (type == D3DDECLTYPE_UDEC3) return float(field);
                return std::max(-1.0f, float(field >= 512 ? field - 1024 : field) / 511.0f);
            });
            break;
        }
        case D3DDECLTYPE_FLOAT16_2:
        case D3DDECLTYPE_FLOAT16_4: fill([&](int c) { return HalfToFloat(ReadAt<uint16_t>(p, c)); }); break;
        default: break;
    }
    return v;
}

}  // namespace host
