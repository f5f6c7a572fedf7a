#include "engine/softrender/draws/triangle_cut.h"

#include <algorithm>
#include <cmath>

namespace orvik::soft {
namespace {

struct CutPoint {
    double x, y, u, v;
};

constexpr double kLow = -double(kTriangleReach), kHigh = double(kTriangleReach);

// The polygon's part on the inner side of one edge of the box (Sutherland-Hodgman).
std::vector<CutPoint> CutBy(const std::vector<CutPoint>& in, bool vertical, double limit, bool keepBelow) {
    std::vector<CutPoint> out;
    auto coord = [&](const CutPoint& p) { return vertical ? p.x : p.y; };
    auto inside = [&](const CutPoint& p) { return keepBelow ? coord(p) <= limit : coord(p) >= limit; };
    for (size_t i = 0; i < in.size(); ++i) {
        const CutPoint& a = in[i];
        const CutPoint& b = in[(i + 1) % in.size()];
        if (inside(a)) out.push_back(a);
        if (inside(a) == inside(b)) continue;
        const double t = (limit - coord(a)) / (coord(b) - coord(a));
        out.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.u + (b.u - a.u) * t, a.v + (b.v - a.v) * t});
    }
    return out;
}

// Texels of a cut corner far outside any source are held to the 32-bit range: such a
// corner's pixels read nothing either way.
int32_t Whole(double value) { return int32_t(std::lround(std::clamp(value, double(INT32_MIN), double(INT32_MAX)))); }

}  // namespace

bool CornersWithinReach(const MemImgVertex* vertices) {
    for (int i = 0; i < 3; ++i)
        for (int32_t c : {vertices[i].x, vertices[i].y})
            if (c < -kTriangleReach || c > kTriangleReach) return false;
    return true;
}

std::vector<std::array<MemImgVertex, 3>> CutToReach(const MemImgVertex* vertices) {
    std::vector<CutPoint> polygon;
    for (int i = 0; i < 3; ++i) {
        const MemImgVertex& c = vertices[i];
        polygon.push_back({double(c.x), double(c.y), double(c.u), double(c.v)});
    }
    polygon = CutBy(polygon, true, kLow, false);
    polygon = CutBy(polygon, true, kHigh, true);
    polygon = CutBy(polygon, false, kLow, false);
    polygon = CutBy(polygon, false, kHigh, true);
    auto rounded = [](const CutPoint& p) {
        return MemImgVertex{int32_t(std::lround(p.x)), int32_t(std::lround(p.y)), Whole(p.u), Whole(p.v)};
    };
    std::vector<std::array<MemImgVertex, 3>> fan;
    for (size_t i = 1; i + 1 < polygon.size(); ++i)
        fan.push_back({rounded(polygon[0]), rounded(polygon[i]), rounded(polygon[i + 1])});
    return fan;
}

}  // namespace orvik::soft
