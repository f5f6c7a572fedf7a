// Primitive assembly: a draw's primitives in drawing order, as vertex numbers, for the
// fixed-function and the shader paths alike.
#pragma once
#include <cstdint>
#include <cstring>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

// A draw's index list (or none: vertices in stream order), offset by the base vertex.
struct IndexList {
    const void* indices = nullptr;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    int32_t baseVertex = 0;

    static uint32_t At(const void* indices, D3DFORMAT format, UINT i) {
        if (format == D3DFMT_INDEX16) {
            uint16_t v;
            std::memcpy(&v, static_cast<const uint8_t*>(indices) + 2 * size_t(i), 2);
            return v;
        }
        uint32_t v;
        std::memcpy(&v, static_cast<const uint8_t*>(indices) + 4 * size_t(i), 4);
        return v;
    }
    UINT operator()(UINT i) const { return indices ? UINT(int64_t(At(indices, format, i)) + baseVertex) : i; }
};

// Triangle p's corners in drawing order (`index` maps a position in the stream or index
// list to a vertex number).
template <class Index>
void TriangleCorners(D3DPRIMITIVETYPE type, UINT p, Index index, UINT out[3]) {
    if (type == D3DPT_TRIANGLELIST) out[0] = index(3 * p), out[1] = index(3 * p + 1), out[2] = index(3 * p + 2);
    else if (type == D3DPT_TRIANGLEFAN) out[0] = index(0), out[1] = index(p + 1), out[2] = index(p + 2);
    else if (p % 2 == 0) out[0] = index(p), out[1] = index(p + 1), out[2] = index(p + 2);
    else out[0] = index(p), out[1] = index(p + 2), out[2] = index(p + 1);
}

// The corner whose colours a triangle takes under flat shading: the first of a list or
// strip triangle, the second of a fan's.
inline UINT FlatCorner(D3DPRIMITIVETYPE type, const UINT c[3]) { return type == D3DPT_TRIANGLEFAN ? c[1] : c[0]; }

// Calls triangle(a, b, c, flat), line(a, b) or point(a) for each primitive. `pair(p)`
// may draw triangles p and p + 1 together and return true; they are then not drawn again.
template <class Index, class Triangle, class Line, class Point, class Pair>
void AssemblePrimitives(D3DPRIMITIVETYPE type, UINT primitiveCount, Index index, Triangle triangle, Line line,
                        Point point, Pair pair) {
    for (UINT p = 0; p < primitiveCount; ++p) {
        switch (type) {
            case D3DPT_TRIANGLELIST:
            case D3DPT_TRIANGLESTRIP:
            case D3DPT_TRIANGLEFAN: {
                if (pair(p)) {
                    ++p;
                    break;
                }
                UINT c[3];
                TriangleCorners(type, p, index, c);
                triangle(c[0], c[1], c[2], FlatCorner(type, c));
                break;
            }
            case D3DPT_LINELIST: line(index(2 * p), index(2 * p + 1)); break;
            case D3DPT_LINESTRIP: line(index(p), index(p + 1)); break;
            default: point(index(p));
        }
    }
}

}  // namespace host
