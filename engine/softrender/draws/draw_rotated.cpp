#include "engine/softrender/draws/draw_rotated.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "engine/platform/base/log.h"
#include "engine/platform/base/number.h"
#include "engine/softrender/draws/keyed_bounds.h"
#include "engine/softrender/draws/quad.h"
#include "engine/softrender/draws/source_draw.h"
#include "engine/softrender/walkers/texel_walker.h"
#include "engine/softrender/simd/wide_span.h"

namespace orvik {
namespace {

constexpr int64_t kOne = int64_t{1} << soft::kTexelShift;
// The span loops compare texels against side << 18 as 32-bit values; from this side on
// that limit no longer stays below 2^31, so a wrapped negative texel would pass.
constexpr int32_t kNarrowSide = 8192;

struct Turn {
    int32_t cosP, sinP, cosN, sinN;
};

Turn MakeTurn(float angle) {
    float s, c;
    Turn t;
    SinCosFloat(-angle, &s, &c);
    t.cosN = FloatToInt(c * 262144.0f);
    t.sinN = FloatToInt(s * 262144.0f);
    SinCosFloat(angle, &s, &c);
    t.cosP = FloatToInt(c * 262144.0f);
    t.sinP = FloatToInt(s * 262144.0f);
    return t;
}

// Corner offsets from the centre in the order top-left, bottom-left, bottom-right,
// top-right, x then y, each sum rounded to T.
template <class T>
std::array<T, 8> CornerOffsets(T hw, T hh, T cP, T sP) {
    const T a = hw * cP, b = hw * sP, d = hh * cP, e = hh * sP;
    return {e - a, -d - b, -a - e, d - b, a - e, d + b, a + e, b - d};
}

// The four turned corners, fixed point, in the order top-left, bottom-left, bottom-right,
// top-right, from single-precision sums. When one lies beyond the wide reach (or
// overflows the float, at a scale near its largest) they are all taken in double and held
// at the reach: such a corner lies farther out than any target, which is all the box and
// the quadrangle need of it.
void TurnedCorners(const MEMIMG& src, int32_t x, int32_t y, float scale, const Turn& t, int64_t cx[4],
                   int64_t cy[4]) {
    const double w = static_cast<uint32_t>(src.width), h = static_cast<uint32_t>(src.height);
    const float cP = static_cast<float>(t.cosP), sP = static_cast<float>(t.sinP);
    const std::array<float, 8> single = CornerOffsets<float>(static_cast<float>(w) * scale * 0.5f,
                                                             static_cast<float>(h) * scale * 0.5f, cP, sP);
    int64_t offsets[8];
    bool fits = true;
    for (int k = 0; k < 8 && fits; ++k) fits = soft::WideFromDouble(single[k], &offsets[k]);
    if (!fits) {
        const std::array<double, 8> far = CornerOffsets<double>(w * scale * 0.5, h * scale * 0.5, cP, sP);
        for (int k = 0; k < 8; ++k) offsets[k] = soft::WideHeld(far[k]);
    }
    for (int i = 0; i < 4; ++i) {
        cx[i] = offsets[2 * i] + int64_t{x} * kOne;
        cy[i] = offsets[2 * i + 1] + int64_t{y} * kOne;
    }
}

void DrawTurned(MEMIMG* dst, const MEMIMG* src, const int64_t cx[4], const int64_t cy[4],
                int32_t transFlag, const MEMIMG* blend) {
    int32_t w[8];
    for (int i = 0; i < 4; ++i) {
        const Rect p = soft::RectFrom64(cx[i] / kOne, cy[i] / kOne, 0, 0);
        w[2 * i] = p.left;
        w[2 * i + 1] = p.top;
    }
    // Top-right, top-left, bottom-right, bottom-left: the source's left edge lands on the
    // turned right edge.
    const int32_t corners[8] = {w[6], w[7], w[0], w[1], w[4], w[5], w[2], w[3]};
    RasterMemImgQuad(dst, src, corners, transFlag, blend);
}

// Source texel of destination offset (offX, offY) from the centre, plus the centre's own
// texel half. Only the quotient is rounded to single precision: the product far from the
// centre has more bits than a float holds, and rounding it first moves start values
// across texel edges.
bool Mapped(int64_t along, float scale, int64_t half, int64_t* out) {
    int64_t q;
    if (!soft::WideFromDouble(static_cast<float>(static_cast<double>(along) / static_cast<double>(scale)), &q))
        return false;
    *out = q + half;
    return true;
}

// The inverse mapping of a destination pixel (px, py): its source texel, fixed point.
// False when a coordinate lies beyond the wide reach, and so outside every source.
struct InverseMap {
    int32_t x, y;
    float scale;
    Turn t;
    int64_t halfU, halfV;

    bool operator()(int32_t px, int32_t py, int64_t* u, int64_t* v) const {
        const int64_t offX = int64_t{px} - x, offY = int64_t{py} - y;
        return Mapped(offX * t.cosN - offY * t.sinN, scale, halfU, u) &&
               Mapped(offY * t.cosN + offX * t.sinN, scale, halfV, v);
    }
};

// The inverse mapping over the clipped box: texel at its top-left pixel, step per row
// down its left edge and step per pixel along a row.
struct BoxMapping {
    int64_t uTop = 0, vTop = 0, duRow = 0, dvRow = 0, du = 0, dv = 0;
};

// False when a step or a start value outgrows the wide form: only a scale below about
// 10^-12 does that.
bool MapBox(const InverseMap& map, const Rect& box, BoxMapping* m) {
    int64_t uBottom, vBottom;
    if (!soft::WideFromDouble(static_cast<float>(map.t.cosP) / map.scale, &m->du) ||
        !soft::WideFromDouble(static_cast<float>(map.t.sinN) / map.scale, &m->dv) ||
        !map(box.left, box.top, &m->uTop, &m->vTop) || !map(box.left, box.bottom, &uBottom, &vBottom))
        return false;
    const int64_t rows = box.bottom - box.top;
    m->duRow = (uBottom - m->uTop) / rows;
    m->dvRow = (vBottom - m->vTop) / rows;
    return true;
}

// A picture whose steps outgrow the wide form lies far inside one pixel, and its box is a
// few pixels: each takes the texel its own mapping gives. Only the centre's pixel can land
// in a source of less than millions of pixels a side.
[[gnu::cold]] void DrawPixelwise(MEMIMG& dst, const MEMIMG& src, const InverseMap& map, const Rect& box,
                                 const soft::SourceVariant& v, const MEMIMG* blend) {
    const soft::TexelJob job = soft::MakeTexelJob(v.cx, src, blend);
    const soft::TexelSpanFn fn = soft::FindTexelLoop(v.key);
    const int bytes = soft::DepthOf(dst) / 8, srcBytes = soft::SourceBytes(*src.store);
    for (int32_t py = box.top; py < box.bottom; ++py)
        for (int32_t px = box.left; px < box.right; ++px) {
            uint8_t* at = dst.pixels + ptrdiff_t{py} * dst.store->pitch + ptrdiff_t{px} * bytes;
            int64_t u, vv;
            if (map(px, py, &u, &vv)) soft::DrawWideTexelSpan(fn, job, srcBytes, bytes, at, 1, u, vv, 0, 0);
        }
}

// A keyed source without alpha leaves every pixel of a transparent texel untouched: the
// spans need only the part of the source where texels show. The job then reads that part
// as its source, and the mapping starts at its corner. False when nothing shows.
bool CutToShownTexels(const MEMIMG& src, const soft::SourceVariant& v, soft::TexelJob* job, BoxMapping* m) {
    const int bytes = soft::SourceBytes(*src.store);
    const Rect shown = soft::KeyedSourceBounds(src, bytes, v.cx.trans);
    if (shown.right == shown.left) return false;
    job->src += ptrdiff_t{shown.top} * job->srcPitch + ptrdiff_t{shown.left} * bytes;
    if (job->blend != nullptr) job->blend += ptrdiff_t{shown.top} * job->blendPitch + shown.left;
    job->uLimit = static_cast<uint64_t>(shown.right - shown.left) << soft::kTexelShift;
    job->vLimit = static_cast<uint64_t>(shown.bottom - shown.top) << soft::kTexelShift;
    m->uTop -= int64_t{shown.left} * kOne;
    m->vTop -= int64_t{shown.top} * kOne;
    return true;
}

// Where the walk over the box writes: its top-left pixel, the pitch and pixel size, and
// the box's size.
struct BoxRows {
    uint8_t* row;
    ptrdiff_t pitch;
    int bytes;
    int32_t rows, columns;
};

// Every texel value over the box fits 32 signed bits, so the pixels whose texel lies in
// the source are one run of each row, found without walking the box's corners.
void NarrowRows(soft::TexelSpanFn fn, soft::TexelJob job, const BoxMapping& m, BoxRows b) {
    job.du = static_cast<uint32_t>(m.du);
    job.dv = static_cast<uint32_t>(m.dv);
    const uint32_t duRow = static_cast<uint32_t>(m.duRow), dvRow = static_cast<uint32_t>(m.dvRow);
    uint32_t u = static_cast<uint32_t>(m.uTop), v = static_cast<uint32_t>(m.vTop);
    for (int32_t r = 0; r < b.rows; ++r, b.row += b.pitch, u += duRow, v += dvRow) {
        const soft::PixelRun ru = soft::InsideRun<int64_t>(static_cast<int32_t>(u), m.du, job.uLimit, b.columns);
        const soft::PixelRun rv = soft::InsideRun<int64_t>(static_cast<int32_t>(v), m.dv, job.vLimit, b.columns);
        const int64_t first = std::max(ru.first, rv.first), end = std::min(ru.end, rv.end);
        if (first < end)
            fn(job, b.row + first * b.bytes, static_cast<int32_t>(end - first),
               u + static_cast<uint32_t>(first) * job.du, v + static_cast<uint32_t>(first) * job.dv);
    }
}

void WideRows(soft::TexelSpanFn fn, const soft::TexelJob& job, int srcBytes, const BoxMapping& m, BoxRows b) {
    for (int64_t r = 0; r < b.rows; ++r, b.row += b.pitch)
        soft::DrawWideTexelSpan(fn, job, srcBytes, b.bytes, b.row, b.columns,
                                soft::WideFixed{m.uTop} + soft::WideFixed{r} * m.duRow,
                                soft::WideFixed{m.vTop} + soft::WideFixed{r} * m.dvRow, m.du, m.dv);
}

void DrawSpans(MEMIMG* dst, const MEMIMG& src, const InverseMap& map, const int64_t cx[4], const int64_t cy[4],
               int32_t transFlag, const MEMIMG* blend) {
    const MemImgDrawState ds = CurrentMemImgDrawState();
    const int64_t minX = *std::min_element(cx, cx + 4), maxX = *std::max_element(cx, cx + 4);
    const int64_t minY = *std::min_element(cy, cy + 4), maxY = *std::max_element(cy, cy + 4);
    Rect box = soft::RectFrom64(minX / kOne - 2, minY / kOne - 2, maxX / kOne + 4, maxY / kOne + 4);
    const Rect area = soft::TargetArea(*dst, ds);
    ClipRect(&box, &area);
    if (box.right == box.left || box.bottom == box.top) return;

    soft::SourceVariant v;
    if (!soft::ChooseSourceVariant(ds, src, transFlag != 0, blend, soft::Flavour::Textured, &v)) return;
    BoxMapping m;
    if (!MapBox(map, box, &m)) return DrawPixelwise(*dst, src, map, box, v, blend);

    const int32_t rows = box.bottom - box.top, columns = box.right - box.left;
    soft::TexelJob job = soft::MakeTexelJob(v.cx, src, blend);
    if (v.key.keyed && !v.key.alpha && !soft::GenericPathForced() && !CutToShownTexels(src, v, &job, &m)) return;
    const soft::TexelSpanFn fn = soft::FindTexelLoop(v.key);
    const int bytes = soft::DepthOf(*dst) / 8;
    const ptrdiff_t pitch = dst->store->pitch;
    const BoxRows out{dst->pixels + ptrdiff_t{box.top} * pitch + ptrdiff_t{box.left} * bytes, pitch, bytes, rows,
                      columns};
    const bool narrow = !soft::WideArithmeticForced() && src.width < kNarrowSide && src.height < kNarrowSide &&
                        soft::FitsNarrow(m.uTop, m.duRow, m.du, rows, columns) &&
                        soft::FitsNarrow(m.vTop, m.dvRow, m.dv, rows, columns);
    if (narrow) NarrowRows(fn, job, m, out);
    else WideRows(fn, job, soft::SourceBytes(*src.store), m, out);
}

}  // namespace

void DrawMemImgRotated(MEMIMG* dst, const MEMIMG* src, int32_t x, int32_t y, float angle,
                       float scale, int32_t transFlag, int32_t turnFlag, const MEMIMG* blendImage) {
    if (!soft::SourceFitsTarget(dst, src, "DrawMemImgRotated")) return;
    if (scale == 0.0f || !std::isfinite(scale) || !std::isfinite(angle)) {
        AddLogFormat("DrawMemImgRotated: cannot draw at angle %g, scale %g", static_cast<double>(angle),
                     static_cast<double>(scale));
        return;
    }
    const Turn t = MakeTurn(angle);
    int64_t cx[4], cy[4];
    TurnedCorners(*src, x, y, scale, t, cx, cy);
    if (turnFlag != 0) return DrawTurned(dst, src, cx, cy, transFlag, blendImage);
    const InverseMap map{x, y, scale, t, int64_t{src->width / 2} * kOne, int64_t{src->height / 2} * kOne};
    DrawSpans(dst, *src, map, cx, cy, transFlag, blendImage);
}

}  // namespace orvik
