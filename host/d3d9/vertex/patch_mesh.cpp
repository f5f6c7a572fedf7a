#include "host/d3d9/vertex/patch_mesh.h"

#include <algorithm>
#include <map>
#include <utility>

namespace host {
namespace {

struct Point {
    float u, v;
};

// Points along a line, in order.
using Chain = std::vector<uint32_t>;
using Cuts = std::vector<float>;

int Segments(const Cuts& cuts) { return int(cuts.size()) - 1; }

class MeshBuilder {
public:
    uint32_t At(float u, float v) {
        const auto [slot, added] = index_.try_emplace({u, v}, uint32_t(mesh_.points.size()));
        if (added) mesh_.points.push_back({u, v});
        return slot->second;
    }
    // A triangle turned to wind as u and v do; one without area is left out.
    void Triangle(uint32_t a, uint32_t b, uint32_t c) {
        const auto& p = mesh_.points;
        const float area = (p[b][0] - p[a][0]) * (p[c][1] - p[a][1]) - (p[c][0] - p[a][0]) * (p[b][1] - p[a][1]);
        if (area == 0.0f) return;
        if (area < 0.0f) std::swap(b, c);
        mesh_.indices.insert(mesh_.indices.end(), {a, b, c});
    }
    // The band between two chains on parallel lines, both running towards `along`, zipped
    // from their starts to their ends, taking next whichever chain's next point comes first.
    void Stitch(const Chain& outer, const Chain& inner, Point along) {
        auto place = [&](uint32_t p) { return mesh_.points[p][0] * along.u + mesh_.points[p][1] * along.v; };
        size_t i = 0, j = 0;
        const size_t m = outer.size() - 1, n = inner.size() - 1;
        while (i < m || j < n) {
            if (j == n || (i < m && place(outer[i + 1]) <= place(inner[j + 1]))) {
                Triangle(outer[i], outer[i + 1], inner[j]);
                ++i;
            } else {
                Triangle(outer[i], inner[j + 1], inner[j]);
                ++j;
            }
        }
    }
    // A side of the patch: `from` + t (`to` - `from`) for each cut t.
    Chain Edge(Point from, Point to, const Cuts& cuts) {
        Chain chain;
        for (const float t : cuts) chain.push_back(At(from.u + t * (to.u - from.u), from.v + t * (to.v - from.v)));
        return chain;
    }
    // Grid points (cu[i], cv[j]) from (i, j), `count` of them a step (di, dj) apart.
    Chain Grid(const Cuts& cu, const Cuts& cv, int i, int j, int di, int dj, int count) {
        Chain chain;
        for (int k = 0; k < count; ++k) chain.push_back(At(cu[size_t(i + k * di)], cv[size_t(j + k * dj)]));
        return chain;
    }
    PatchMesh Take() { return std::move(mesh_); }

private:
    PatchMesh mesh_;
    std::map<std::pair<float, float>, uint32_t> index_;
};

constexpr Point kAcross{1, 0}, kUp{0, 1}, kBack{-1, 1};

}  // namespace

std::vector<float> EdgeCuts(float segments, EdgeStyle style) {
    int whole = int(segments);
    float end = 0;  // each end segment's length
    if (style == EdgeStyle::Continuous) {
        whole = (whole - 1) / 2 * 2 + 1;
        end = (segments - float(whole)) / (2 * segments);
    } else {
        segments = float(whole);
    }
    // Each cut measured from its nearer end, so that the edge reads alike either way.
    Cuts cuts;
    if (end > 0) cuts.push_back(0);
    for (int k = 0; k <= whole; ++k) {
        const int fromEnd = std::min(k, whole - k);
        const float d = end + float(fromEnd) / segments;
        cuts.push_back(k == fromEnd ? d : 1 - d);
    }
    if (end > 0) cuts.push_back(1);
    return cuts;
}

PatchMesh RectPatchMesh(const std::array<float, 4>& edges, EdgeStyle style) {
    const Cuts cu = EdgeCuts(std::max(edges[0], edges[2]), style), cv = EdgeCuts(std::max(edges[1], edges[3]), style);
    const int nu = Segments(cu), nv = Segments(cv);
    MeshBuilder b;
    const Chain bottom = b.Edge({0, 0}, {1, 0}, EdgeCuts(edges[0], style));
    const Chain right = b.Edge({1, 0}, {1, 1}, EdgeCuts(edges[1], style));
    const Chain top = b.Edge({0, 1}, {1, 1}, EdgeCuts(edges[2], style));
    const Chain left = b.Edge({0, 0}, {0, 1}, EdgeCuts(edges[3], style));
    if (nu < 2) {
        b.Stitch(left, right, kUp);  // no inside: the facing sides are stitched together
    } else if (nv < 2) {
        b.Stitch(bottom, top, kAcross);
    } else {
        // The inside: grid points (cu[i], cv[j]), 0 < i < nu and 0 < j < nv.
        for (int j = 1; j + 1 < nv; ++j)
            b.Stitch(b.Grid(cu, cv, 1, j, 1, 0, nu - 1), b.Grid(cu, cv, 1, j + 1, 1, 0, nu - 1), kAcross);
        // Each side stitched to the inside's side facing it.
        b.Stitch(bottom, b.Grid(cu, cv, 1, 1, 1, 0, nu - 1), kAcross);
        b.Stitch(top, b.Grid(cu, cv, 1, nv - 1, 1, 0, nu - 1), kAcross);
        b.Stitch(left, b.Grid(cu, cv, 1, 1, 0, 1, nv - 1), kUp);
        b.Stitch(right, b.Grid(cu, cv, nu - 1, 1, 0, 1, nv - 1), kUp);
    }
    return b.Take();
}

PatchMesh TriPatchMesh(const std::array<float, 3>& edges, EdgeStyle style) {
    const Cuts c = EdgeCuts(std::max({edges[0], edges[1], edges[2]}), style);
    const int n = Segments(c);
    MeshBuilder b;
    const Chain bottom = b.Edge({0, 0}, {1, 0}, EdgeCuts(edges[0], style));
    const Chain slant = b.Edge({1, 0}, {0, 1}, EdgeCuts(edges[1], style));
    const Chain left = b.Edge({0, 0}, {0, 1}, EdgeCuts(edges[2], style));
    if (n == 1) {
        b.Triangle(bottom[0], bottom[1], left[1]);
        return b.Take();
    }
    if (n == 2) {
        // No grid point inside: each side is stitched to the centre.
        const Chain centre = {b.At(1.0f / 3.0f, 1.0f / 3.0f)};
        for (const Chain* side : {&bottom, &slant, &left}) b.Stitch(*side, centre, kAcross);
        return b.Take();
    }
    // The inside: grid points (c[i], c[j]), i and j from 1, i + j < n; row j has n - 1 - j.
    for (int j = 1; j + 2 < n; ++j)
        b.Stitch(b.Grid(c, c, 1, j, 1, 0, n - 1 - j), b.Grid(c, c, 1, j + 1, 1, 0, n - 2 - j), kAcross);
    b.Stitch(bottom, b.Grid(c, c, 1, 1, 1, 0, n - 2), kAcross);
    b.Stitch(left, b.Grid(c, c, 1, 1, 0, 1, n - 2), kUp);
    b.Stitch(slant, b.Grid(c, c, n - 2, 1, -1, 1, n - 2), kBack);
    return b.Take();
}

}  // namespace host
