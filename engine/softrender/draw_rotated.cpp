#include "engine/softrender/draw_rotated.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "engine/platform/log.h"
#include "engine/platform/number.h"
#include "engine/softrender/quad.h"
#include "engine/softrender/source_draw.h"
#include "engine/softrender/texel_walker.h"

namespace orvik {
namespace {

constexpr int64_t kOne = int64_t{1} << soft::kTexelShift;
constexpr int32_t kMaxSourceSide = 8192;  // so that side << 18 stays a positive i32

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

// The four turned corners, fixed point, in the order top-left, bottom-left, bottom-right,
// top-right. False when an offset does not fit the 32-bit form.
bool TurnedCorners(const MEMIMG& src, int32_t x, int32_t y, float scale, const Turn& t,
                   int64_t cx[4], int64_t cy[4]) {
    const float hw = static_cast<float>(static_cast<uint32_t>(src.width)) * scale * 0.5f;
    const float hh = static_cast<float>(static_cast<uint32_t>(src.height)) * scale * 0.5f;
    const float cP = static_cast<float>(t.cosP), sP = static_cast<float>(t.sinP);
    const float a = hw * cP, b = hw * sP, d = hh * cP, e = hh * sP;
    const float offsets[4][2] = {{e - a, -d - b}, {-a - e, d - b}, {a - e, d + b}, {a + e, b - d}};
    for (int i = 0; i < 4; ++i) {
        const int32_t ox = FloatToInt(offsets[i][0]), oy = FloatToInt(offsets[i][1]);
        if (ox == INT32_MIN || oy == INT32_MIN) return false;
        cx[i] = ox + int64_t{x} * kOne;
        cy[i] = oy + int64_t{y} * kOne;
    }
    return true;
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

// Source texel of destination offset (offX, offY) from the centre, before the centre's
// own texel is added. Only the quotient is rounded to single precision: the product far
// from the centre has more bits than a float holds, and rounding it first moves start
// values across texel edges.
int32_t Mapped(int64_t along, float scale) {
    return FloatToInt(static_cast<float>(static_cast<double>(along) / static_cast<double>(scale)));
}

void DrawSpans(MEMIMG* dst, const MEMIMG& src, int32_t x, int32_t y, float scale, const Turn& t,
               const int64_t cx[4], const int64_t cy[4], int32_t transFlag, const MEMIMG* blend) {
    const MemImgDrawState ds = CurrentMemImgDrawState();
    const int32_t du = FloatToInt(static_cast<float>(t.cosP) / scale);
    const int32_t dv = FloatToInt(static_cast<float>(t.sinN) / scale);
    if (du == INT32_MIN || dv == INT32_MIN) {
        AddLogFormat("DrawMemImgRotated: scale %g is too small", static_cast<double>(scale));
        return;
    }
    const int64_t minX = *std::min_element(cx, cx + 4), maxX = *std::max_element(cx, cx + 4);
    const int64_t minY = *std::min_element(cy, cy + 4), maxY = *std::max_element(cy, cy + 4);
    Rect box = soft::RectFrom64(minX / kOne - 2, minY / kOne - 2, maxX / kOne + 4, maxY / kOne + 4);
    const Rect area = soft::TargetArea(*dst, ds);
    ClipRect(&box, &area);
    if (box.right == box.left || box.bottom == box.top) return;

    soft::SourceVariant v;
    if (!soft::ChooseSourceVariant(ds, src, transFlag != 0, blend, soft::Flavour::Textured, &v)) return;

    const int64_t halfU = int64_t{src.width / 2} * kOne, halfV = int64_t{src.height / 2} * kOne;
    auto map = [&](int32_t px, int32_t py, int64_t* u, int64_t* vv) {
        const int64_t offX = int64_t{px} - x, offY = int64_t{py} - y;
        *u = Mapped(offX * t.cosN - offY * t.sinN, scale) + halfU;
        *vv = Mapped(offY * t.cosN + offX * t.sinN, scale) + halfV;
    };
    int64_t uTop, vTop, uBottom, vBottom;
    map(box.left, box.top, &uTop, &vTop);
    map(box.left, box.bottom, &uBottom, &vBottom);
    const int64_t rows = box.bottom - box.top;
    const uint32_t duRow = static_cast<uint32_t>((uBottom - uTop) / rows);
    const uint32_t dvRow = static_cast<uint32_t>((vBottom - vTop) / rows);

    soft::TexelJob job = soft::MakeTexelJob(v.cx, src, blend);
    job.du = static_cast<uint32_t>(du);
    job.dv = static_cast<uint32_t>(dv);
    const soft::TexelSpanFn fn = soft::FindTexelLoop(v.key);
    const int bytes = soft::DepthOf(*dst) / 8;
    uint8_t* row = dst->pixels + ptrdiff_t{box.top} * dst->store->pitch + ptrdiff_t{box.left} * bytes;
    uint32_t u = static_cast<uint32_t>(uTop), vv = static_cast<uint32_t>(vTop);
    for (int32_t r = box.top; r < box.bottom; ++r, row += dst->store->pitch, u += duRow, vv += dvRow)
        fn(job, row, box.right - box.left, u, vv);
}

}  // namespace

void DrawMemImgRotated(MEMIMG* dst, const MEMIMG* src, int32_t x, int32_t y, float angle,
                       float scale, int32_t transFlag, int32_t turnFlag, const MEMIMG* blendImage) {
    if (!soft::SourceFitsTarget(dst, src, "DrawMemImgRotated")) return;
    if (scale == 0.0f || !std::isfinite(scale) || !std::isfinite(angle) ||
        src->width >= kMaxSourceSide || src->height >= kMaxSourceSide) {
        AddLogFormat("DrawMemImgRotated: cannot draw a %d x %d image at angle %g, scale %g",
                     src->width, src->height, static_cast<double>(angle), static_cast<double>(scale));
        return;
    }
    const Turn t = MakeTurn(angle);
    int64_t cx[4], cy[4];
    if (!TurnedCorners(*src, x, y, scale, t, cx, cy)) {
        AddLogFormat("DrawMemImgRotated: scale %g is too large", static_cast<double>(scale));
        return;
    }
    if (turnFlag != 0) DrawTurned(dst, src, cx, cy, transFlag, blendImage);
    else DrawSpans(dst, *src, x, y, scale, t, cx, cy, transFlag, blendImage);
}

}  // namespace orvik
