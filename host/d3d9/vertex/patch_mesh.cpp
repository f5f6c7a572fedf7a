#include "host/d3d9/vertex/patch_mesh.h"

#include <algorithm>

namespace host {
namespace {

struct Point {
    float u, v;
};

// A polyline of points along one direction, each with its place along it.
struct Chain {
    std::vector<uint32_t> point;
    std::vector<float> place;
};

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
    // The band between two chains that run the same way along parallel lines, zipped from
    // their starts to their ends, taking next whichever chain's next point comes first.
    void Stitch(const Chain& outer, const Chain& inner) {
        size_t i = 0, j = 0;
        const size_t m = outer.point.size() - 1, n = inner.point.size() - 1;
        while (i < m || j < n) {
            if (j == n || (i < m && outer.place[i + 1] <= inner.place[j + 1])) {
                Triangle(outer.point[i], outer.point[i + 1], inner.point[j]);
                ++i;
            } else {
                Triangle(outer.point[i], inner.point[j + 1], inner.point[j]);
                ++j;
            }
        }
    }
    // Points `from` + t (`to` - `from`) for t = k / count, k from `first` to `last`, placed
    // by u on a line across and by v on one up.
    Chain Line(Point from, Point to, int count, int first, int last) {
        Chain chain;
        for (int k = first; k <= last; ++k) {
            const float t = float(k) / float(count);
            const float u = from.u + t * (to.u - from.u), v = from.v + t * (to.v - from.v);
            chain.point.push_back(At(u, v));
            chain.place.push_back(to.u != from.u ? u : v);
        }
        return chain;
    }
    PatchMesh Take() { return std::move(mesh_); }

private:
    PatchMesh mesh_;
    std::map<std::pair<float, float>, uint32_t> index_;
};

}  // namespace

PatchMesh RectPatchMesh(const std::array<int, 4>& edges) {
    const int nu = std::max(edges[0], edges[2]), nv = std::max(edges[1], edges[3]);
    MeshBuilder b;
    if (nu < 2 || nv < 2) {
        // No inside: the two long edges face each other and are stitched together.
        if (nu < 2)
            b.Stitch(b.Line({0, 0}, {0, 1}, edges[3], 0, edges[3]), b.Line({1, 0}, {1, 1}, edges[1], 0, edges[1]));
        else
            b.Stitch(b.Line({0, 0}, {1, 0}, edges[0], 0, edges[0]), b.Line({0, 1}, {1, 1}, edges[2], 0, edges[2]));
        return b.Take();
    }
    // The inside: grid points (i / nu, j / nv), 0 < i < nu and 0 < j < nv.
    const float lo_u = 1.0f / float(nu), hi_u = float(nu - 1) / float(nu);
    const float lo_v = 1.0f / float(nv), hi_v = float(nv - 1) / float(nv);
    for (int j = 1; j + 1 < nv; ++j) {
        const Chain row = b.Line({0, float(j) / float(nv)}, {1, float(j) / float(nv)}, nu, 1, nu - 1);
        const Chain next = b.Line({0, float(j + 1) / float(nv)}, {1, float(j + 1) / float(nv)}, nu, 1, nu - 1);
        b.Stitch(row, next);
    }
    // Each edge stitched to the inside's side facing it.
    b.Stitch(b.Line({0, 0}, {1, 0}, edges[0], 0, edges[0]), b.Line({0, lo_v}, {1, lo_v}, nu, 1, nu - 1));
    b.Stitch(b.Line({0, 1}, {1, 1}, edges[2], 0, edges[2]), b.Line({0, hi_v}, {1, hi_v}, nu, 1, nu - 1));
    b.Stitch(b.Line({0, 0}, {0, 1}, edges[3], 0, edges[3]), b.Line({lo_u, 0}, {lo_u, 1}, nv, 1, nv - 1));
    b.Stitch(b.Line({1, 0}, {1, 1}, edges[1], 0, edges[1]), b.Line({hi_u, 0}, {hi_u, 1}, nv, 1, nv - 1));
    return b.Take();
}

}  // namespace host
