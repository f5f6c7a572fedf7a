#include "engine/softrender/draws/line.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "engine/platform/base/log.h"
#include "engine/platform/base/number.h"
#include "engine/softrender/draws/flat_colour.h"
#include "engine/softrender/walkers/line_walker.h"
#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/draws/source_draw.h"

namespace orvik {
namespace {

// The line through the unclipped end points, for recomputing a clipped coordinate.
struct LineEquation {
    double xPerY, yPerX, xAt0, yAt0;
};

LineEquation EquationOf(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    LineEquation q;
    q.xPerY = y1 == y2 ? 0.0 : (double(x2) - x1) / (double(y2) - y1);
    q.yPerX = x1 == x2 ? 0.0 : (double(y2) - y1) / (double(x2) - x1);
    q.xAt0 = x1 - q.xPerY * y1;
    q.yAt0 = y1 - q.yPerX * x1;
    return q;
}

// Moves one coordinate of an end point that lies outside lo..hi (hi exclusive) to below
// or above, and recomputes the other coordinate on the line. The first end point moves
// onto the area's edge, the second just outside it, since it is never drawn.
void ClipEnd(int32_t& c, int32_t& other, int32_t lo, int32_t hi, int32_t below, int32_t above,
             double at0, double per) {
    if (c < lo) c = below;
    else if (c >= hi) c = above;
    else return;
    other = DoubleToInt(at0 + per * c);
}

struct ClippedLine {
    int32_t x1, y1, x2, y2;
};

// False when the line's box misses the area.
bool ClipLine(ClippedLine& l, const Rect& a) {
    const int64_t minX = std::min(l.x1, l.x2), maxX = std::max(l.x1, l.x2);
    const int64_t minY = std::min(l.y1, l.y2), maxY = std::max(l.y1, l.y2);
    if (maxY < a.top || minY > int64_t{a.bottom} - 1 || minX > int64_t{a.right} - 1 ||
        maxX < a.left)
        return false;
    const LineEquation q = EquationOf(l.x1, l.y1, l.x2, l.y2);
    ClipEnd(l.x1, l.y1, a.left, a.right, a.left, a.right - 1, q.yAt0, q.yPerX);
    ClipEnd(l.x2, l.y2, a.left, a.right, a.left - 1, a.right, q.yAt0, q.yPerX);
    ClipEnd(l.y1, l.x1, a.top, a.bottom, a.top, a.bottom - 1, q.xAt0, q.xPerY);
    ClipEnd(l.y2, l.x2, a.top, a.bottom, a.top - 1, a.bottom, q.xAt0, q.xPerY);
    l.x1 = std::clamp(l.x1, a.left, a.right - 1);
    l.x2 = std::clamp(l.x2, a.left - 1, a.right);
    l.y1 = std::clamp(l.y1, a.top, a.bottom - 1);
    l.y2 = std::clamp(l.y2, a.top - 1, a.bottom);
    return true;
}

}  // namespace

void DrawMemImgLine(MEMIMG* dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
    // A palette image's one-byte pixels cannot take the line's 2- and 4-byte stores.
    if (!soft::TargetFits(dst, "DrawMemImgLine")) return;
    const MemImgDrawState ds = CurrentMemImgDrawState();
    const Rect area = soft::TargetArea(*dst, ds);
    if (area.right == area.left || area.bottom == area.top) return;
    ClippedLine l{x1, y1, x2, y2};
    if (!ClipLine(l, area)) return;
    int32_t spanX = l.x2 - l.x1, spanY = l.y2 - l.y1;
    if (spanX == 0 && spanY == 0) return;

    const int depth = soft::DepthOf(*dst);
    const soft::KernelChoice choice =
        soft::SelectKernel(ds.blendMode, ds.blendParam, soft::Flavour::Textured, true, depth);
    if (!choice.draw) return;
    colour = soft::FlatColourForDepth(depth, colour);
    if (soft::IsTinted(ds)) colour = soft::ShiftTintFlatColour(depth, colour, ds.bright);

    const ptrdiff_t pitch = dst->store->pitch, bytes = depth / 8;
    const ptrdiff_t stepX = spanX < 0 ? -bytes : bytes, stepY = spanY < 0 ? -pitch : pitch;
    spanX = std::abs(spanX);
    spanY = std::abs(spanY);
    const bool alongX = spanX >= spanY;
    soft::LineJob job;
    job.cx = soft::MakePixelContext(ds, nullptr);
    job.start = dst->pixels + l.y1 * pitch + l.x1 * bytes;
    job.majorStep = alongX ? stepX : stepY;
    job.minorStep = alongX ? stepY : stepX;
    job.major = alongX ? spanX : spanY;
    job.minor = alongX ? spanY : spanX;
    job.colour = colour;
    soft::FindLineLoop(depth, choice.kernel)(job);
}

void DrawMemImgLines(MEMIMG* dst, const int32_t* records, int32_t count) {
    if (count <= 0) return;
    if (records == nullptr) {
        AddLogText("DrawMemImgLines: no line records");
        return;
    }
    for (int32_t i = 0; i < count; ++i, records += 6)
        DrawMemImgLine(dst, records[0], records[1], records[2], records[3],
                       static_cast<uint32_t>(records[4]));
}

}  // namespace orvik
