// Pre-transformed triangle lists, as the engine's vertex batch sends its sprites: each
// triangle's corners are read as it is drawn, and two triangles in the batch's quad order
// (corners 0, 1, 2, then 3, 2, 1) are read as the quad's four corners, so the shared
// ones are one vertex each and pairing them compares addresses.
#include <cstring>

#include "host/d3d9/raster/raster.h"
#include "host/d3d9/vertex/vertex_pipeline.h"

namespace host {
namespace {

// The bytes of two vertices that the layout reads are the same. Fields are 4 bytes: they
// are compared eight bytes at a time and the rest four at a time, the differences
// gathered rather than tested one by one (the corners of a quad are mostly the same).
bool SameBytes(const uint8_t* a, const uint8_t* b, int bytes) {
    uint64_t differ = 0;
    int i = 0;
    for (; i + 8 <= bytes; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        differ |= x ^ y;
    }
    for (; i < bytes; i += 4) {
        uint32_t x, y;
        std::memcpy(&x, a + i, 4);
        std::memcpy(&y, b + i, 4);
        differ |= x ^ y;
    }
    return differ == 0;
}

// Triangle `at` and the next one are the quad order's: the second's first corner is new
// and its other two repeat the first's last two, backwards.
bool QuadOrder(const FvfLayout& layout, const uint8_t* at, size_t stride) {
    return SameBytes(at + 4 * stride, at + 2 * stride, layout.stride) &&
           SameBytes(at + 5 * stride, at + stride, layout.stride);
}

}  // namespace

void RasterPretransformedList(const DrawState& st, const FvfLayout& layout, const uint8_t* vertices, size_t stride,
                              uint32_t triangles) {
    // v[0..2] hold triangle p's corners, v[3..5] the next one's (in quad order only v[3],
    // as its other corners are v[2] and v[1]). Only read with this layout, so each read
    // writes only the parts the layout holds.
    ScreenVertex v[6];
    auto fetch = [&](const uint8_t* at, int first, int count) {
        for (int i = 0; i < count; ++i) FetchPretransformedParts(layout, at + size_t(i) * stride, &v[first + i]);
    };
    bool fetched = false;
    const UprightLayout upright = UprightLayoutOf(st, layout);
    for (uint32_t p = 0; p < triangles; ++p) {
        const uint8_t* at = vertices + size_t(p) * 3 * stride;
        const bool quad = p + 1 < triangles && QuadOrder(layout, at, stride);
        // The engine's upright sprites are read straight from their bytes.
        if (!fetched && quad && upright.usable && RasterUprightQuad(st, upright, at, stride)) {
            ++p;
            continue;
        }
        if (!fetched) fetch(at, 0, 3);
        fetched = false;
        if (p + 1 == triangles) {
            RasterTriangle(st, v[0], v[1], v[2], v[0]);
            break;
        }
        fetch(at + 3 * stride, 3, quad ? 1 : 3);
        const ScreenVertex* first[3] = {&v[0], &v[1], &v[2]};
        const ScreenVertex* second[3] = {&v[3], quad ? &v[2] : &v[4], quad ? &v[1] : &v[5]};
        const ScreenVertex* flat[2] = {&v[0], &v[3]};
        if (quad ? RasterQuadOrderPair(st, first, second, flat) : RasterRectanglePair(st, first, second, flat)) {
            ++p;
            continue;
        }
        RasterTriangle(st, v[0], v[1], v[2], v[0]);
        // The next triangle, already read, is paired with the one after it in turn.
        if (quad) v[4] = v[2], v[5] = v[1];
        v[0] = v[3], v[1] = v[4], v[2] = v[5];
        fetched = true;
    }
}

}  // namespace host
