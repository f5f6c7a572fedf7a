// Rect and tri patches: the tessellator's vertices lie on the Bezier, B-spline or
// Catmull-Rom surface, or the Bezier triangle, of the control points the streams hold, every
// part of the declaration evaluated alike, with the derivatives, cross product and
// parameters the methods ask for; edges of differing counts, whole or continuous (the
// fraction split between two end segments), are stitched without cracks;
// patches kept under a handle are drawn again until deleted; bad patches are refused.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/d3d9/vertex/patch_mesh.h"
#include "shader_code.h"

namespace host::test::patch {
namespace {

struct ControlVertex {
    float x, y, z;
    uint32_t color;
};
// The vertex buffer holds a grid of kGridWidth x kGridHeight control points, row by row.
constexpr int kGridWidth = 9, kGridHeight = 6;

ControlVertex GridPoint(int i, int j) {
    return {-1.0f + 0.3f * float(i) + 0.07f * float(i * j % 3),
            -0.8f + 0.35f * float(j) - 0.06f * float((i + 2 * j) % 4), 0.1f * float((7 * i + 3 * j) % 5) - 0.2f,
            0xFF000000u | uint32_t(i * 28) << 16 | uint32_t(j * 45) << 8};
}

// The control points of a row of `points` (numbered along it) and their weights at t, the
// basis functions written out.
std::vector<std::pair<int, float>> RowWeights(D3DBASISTYPE basis, int degree, int points, float t) {
    const int spans = basis == D3DBASIS_BEZIER    ? (points - 1) / degree
                      : basis == D3DBASIS_BSPLINE ? points - degree
                                                  : points - 1;
    const int s = std::min(int(t * float(spans)), spans - 1);
    const float x = t * float(spans) - float(s), y = 1 - x;
    std::vector<float> w;  // the weights of the span's points in order
    if (basis == D3DBASIS_BEZIER && degree == 1) w = {y, x};
    if (basis == D3DBASIS_BEZIER && degree == 2) w = {y * y, 2 * x * y, x * x};
    if (basis == D3DBASIS_BEZIER && degree == 3) w = {y * y * y, 3 * x * y * y, 3 * x * x * y, x * x * x};
    if (basis == D3DBASIS_BEZIER && degree == 5)
        w = {y * y * y * y * y, 5 * x * y * y * y * y, 10 * x * x * y * y * y, 10 * x * x * x * y * y,
             5 * x * x * x * x * y, x * x * x * x * x};
    if (basis == D3DBASIS_BSPLINE && degree == 2) w = {y * y / 2, (-2 * x * x + 2 * x + 1) / 2, x * x / 2};
    if (basis == D3DBASIS_BSPLINE && degree == 3)
        w = {y * y * y / 6, (3 * x * x * x - 6 * x * x + 4) / 6, (-3 * x * x * x + 3 * x * x + 3 * x + 1) / 6,
             x * x * x / 6};
    std::vector<std::pair<int, float>> out;
    const int start = basis == D3DBASIS_BEZIER ? degree * s : s;
    for (size_t k = 0; k < w.size(); ++k) out.push_back({start + int(k), w[k]});
    if (basis != D3DBASIS_CATMULL_ROM) return out;
    // Catmull-Rom: the end points stand in for their missing neighbours.
    auto at = [&](int k) { return std::clamp(s + k, 0, points - 1); };
    return {{at(-1), 0.5f * (-x + 2 * x * x - x * x * x)}, {at(0), 0.5f * (2 - 5 * x * x + 3 * x * x * x)},
            {at(1), 0.5f * (x + 4 * x * x - 3 * x * x * x)}, {at(2), 0.5f * (x * x * x - x * x)}};
}

struct Value {
    float v[3];
};

// A patch's surface at (u, v): its position, or with `color` its colour's red, green, blue.
using Surface = std::function<Value(float u, float v, bool color)>;

Value Mix(Value sum, float weight, const ControlVertex& c, bool color) {
    const float p[3] = {c.x, c.y, c.z};
    for (int k = 0; k < 3; ++k) sum.v[k] += weight * (color ? float(c.color >> (16 - 8 * k) & 255) / 255.0f : p[k]);
    return sum;
}

Surface RectSurface(const D3DRECTPATCH_INFO& info) {
    return [info](float u, float v, bool color) {
        Value out{};
        for (const auto& [j, wv] : RowWeights(info.Basis, info.Degree, int(info.Height), v))
            for (const auto& [i, wu] : RowWeights(info.Basis, info.Degree, int(info.Width), u))
                out = Mix(out, wu * wv,
                          GridPoint(int(info.StartVertexOffsetWidth) + i, int(info.StartVertexOffsetHeight) + j), color);
        return out;
    };
}

// The quadratic or cubic Bezier triangle of the vertices from `first` on: row k of its
// points has k powers of v, and along the row j powers of u, the rest of w = 1 - u - v.
Surface TriSurface(int first, int degree) {
    return [first, degree](float u, float v, bool color) {
        const float w = 1 - u - v;
        const std::vector<float> terms =
            degree == 2 ? std::vector<float>{w * w, 2 * w * u, u * u, 2 * w * v, 2 * u * v, v * v}
                        : std::vector<float>{w * w * w, 3 * w * w * u, 3 * w * u * u, u * u * u, 3 * w * w * v,
                                             6 * w * u * v, 3 * u * u * v, 3 * w * v * v, 3 * u * v * v, v * v * v};
        Value out{};
        for (int p = 0; p < int(terms.size()); ++p)
            out = Mix(out, terms[size_t(p)], GridPoint((first + p) % kGridWidth, (first + p) / kGridWidth), color);
        return out;
    };
}

// An edge's cuts, 0 to 1: a discrete count f dropped to whole, n equal segments; a
// continuous one the largest odd whole n <= f, segments 1 / f long in the middle and the rest
// split between the two ends.
std::vector<float> Cuts(float f, bool continuous) {
    int n = int(f);
    if (continuous && n % 2 == 0) --n;
    const float step = continuous ? 1 / f : 1.0f / float(n), end = (1 - float(n) * step) / 2;
    std::vector<float> out{0};
    if (end > 0) out.push_back(end);
    for (int k = 1; k < n; ++k) out.push_back(end + float(k) * step);
    if (end > 0) out.push_back(1 - end);
    out.push_back(1);
    return out;
}

// Forward differences: where sub-patches meet the derivative is the next one's.
constexpr float kDelta = 1e-3f;
Value Partial(const Surface& surface, float u, float v, float du, float dv) {
    const Value a = surface(u + du, v + dv, false), b = surface(u, v, false);
    return {{(a.v[0] - b.v[0]) / kDelta, (a.v[1] - b.v[1]) / kDelta, (a.v[2] - b.v[2]) / kDelta}};
}

class PatchTest : public ShaderDrawTest {
protected:
    void SetUp() override {
        ShaderDrawTest::SetUp();
        std::vector<ControlVertex> grid;
        for (int j = 0; j < kGridHeight; ++j)
            for (int i = 0; i < kGridWidth; ++i) grid.push_back(GridPoint(i, j));
        VertexBuffer* vb = nullptr;
        const UINT bytes = UINT(grid.size() * sizeof(ControlVertex));
        ASSERT_EQ(dev->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
        made.push_back(vb);
        void* p = nullptr;
        ASSERT_EQ(vb->Lock(0, bytes, &p, 0), D3D_OK);
        std::memcpy(p, grid.data(), bytes);
        vb->Unlock();
        dev->SetStreamSource(0, vb, 0, sizeof(ControlVertex));
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
            {0, 0, D3DDECLTYPE_UNUSED, D3DDECLMETHOD_UV, D3DDECLUSAGE_TEXCOORD, 0},
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_PARTIALU, D3DDECLUSAGE_TANGENT, 0},
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_PARTIALV, D3DDECLUSAGE_BINORMAL, 0},
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_CROSSUV, D3DDECLUSAGE_NORMAL, 0},
            D3DDECL_END()};
        dev->SetVertexDeclaration(MakeDeclaration(elements));
    }
    // The patch drawn by `draw`, showing input `usage` as each vertex's colour.
    template <class Draw>
    HRESULT DrawShowing(BYTE usage, Draw draw) {
        // Each grid point lies on a pixel's centre (at whole coordinates), which shows its
        // colour alone.
        ShowInputAtParameters(usage, 0);
        dev->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        dev->BeginScene();
        const HRESULT hr = draw();
        dev->EndScene();
        return hr;
    }
    HRESULT DrawRect(BYTE usage, UINT handle, const D3DRECTPATCH_INFO* info, float n) {
        const float edges[4] = {n, n, n, n};
        return DrawShowing(usage, [&] { return dev->DrawRectPatch(handle, edges, info); });
    }
    HRESULT DrawTri(BYTE usage, UINT handle, const D3DTRIPATCH_INFO* info, float n) {
        const float edges[3] = {n, n, n};
        return DrawShowing(usage, [&] { return dev->DrawTriPatch(handle, edges, info); });
    }
    // Grid point (cuts[i], cuts[j]) (on a triangle, i + j < the segments) shows in its pixel.
    template <class F>
    void ExpectGrid(const std::vector<float>& cuts, bool tri, F expected, const char* what) {
        const int n = int(cuts.size()) - 1;
        for (int j = 0; j < n; ++j)
            for (int i = 0; i + (tri ? j : 0) < n; ++i) {
                const float u = cuts[size_t(i)], v = cuts[size_t(j)];
                const Value e = expected(u, v);
                const uint32_t got = Pixel(int(std::lround(16 * u)), int(std::lround(16 * v)));
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(int(got >> (16 - 8 * k) & 255), ShownByte(e.v[k]), 1)
                        << what << " at " << u << ", " << v << " component " << k;
            }
    }
    template <class F>
    void ExpectGrid(int n, bool tri, F expected, const char* what) {
        ExpectGrid(Cuts(float(n), false), tri, expected, what);
    }
    // `draw` (usage, segments) draws the patch whose surface is `surface`.
    void ExpectPatch(const Surface& surface, int n, bool tri, const std::function<HRESULT(BYTE, float)>& draw) {
        ASSERT_EQ(draw(D3DDECLUSAGE_POSITION, float(n) + 0.5f), D3D_OK) << log;  // fractions dropped
        ExpectGrid(n, tri, [&](float u, float v) { return surface(u, v, false); }, "position");
        ASSERT_EQ(draw(D3DDECLUSAGE_COLOR, float(n)), D3D_OK) << log;
        ExpectGrid(n, tri, [&](float u, float v) { return surface(u, v, true); }, "colour");
        ASSERT_EQ(draw(D3DDECLUSAGE_TANGENT, float(n)), D3D_OK) << log;
        ExpectGrid(n, tri, [&](float u, float v) { return Partial(surface, u, v, kDelta, 0); }, "partial u");
        ASSERT_EQ(draw(D3DDECLUSAGE_BINORMAL, float(n)), D3D_OK) << log;
        ExpectGrid(n, tri, [&](float u, float v) { return Partial(surface, u, v, 0, kDelta); }, "partial v");
        ASSERT_EQ(draw(D3DDECLUSAGE_NORMAL, float(n)), D3D_OK) << log;
        ExpectGrid(n, tri, [&](float u, float v) {
            const Value a = Partial(surface, u, v, kDelta, 0), b = Partial(surface, u, v, 0, kDelta);
            return Value{{a.v[1] * b.v[2] - a.v[2] * b.v[1], a.v[2] * b.v[0] - a.v[0] * b.v[2],
                          a.v[0] * b.v[1] - a.v[1] * b.v[0]}};
        }, "cross product");
        ASSERT_EQ(draw(D3DDECLUSAGE_TEXCOORD, float(n)), D3D_OK) << log;
        ExpectGrid(n, tri, [](float u, float v) { return Value{{u, v, 0}}; }, "parameters");
    }
    void ExpectRect(const D3DRECTPATCH_INFO& info, int n) {
        ExpectPatch(RectSurface(info), n, false, [&](BYTE usage, float s) { return DrawRect(usage, 0, &info, s); });
    }
};

TEST_F(PatchTest, TessellatedVerticesLieOnThePatchSurfaceOfEachBasis) {
    D3DCAPS9 caps;
    dev->GetDeviceCaps(&caps);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_RTPATCHES);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_RTPATCHHANDLEZERO);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_QUINTICRTPATCHES);
    // Two cubic Bezier sub-patches side by side, from (1, 1) in rows of the buffer's width.
    ExpectRect({1, 1, 7, 4, kGridWidth, D3DBASIS_BEZIER, D3DDEGREE_CUBIC}, 4);
    ExpectRect({0, 2, 3, 3, kGridWidth, D3DBASIS_BEZIER, D3DDEGREE_LINEAR}, 4);
    ExpectRect({2, 0, 5, 6, kGridWidth, D3DBASIS_BSPLINE, D3DDEGREE_CUBIC}, 4);
    ExpectRect({1, 1, 4, 4, kGridWidth, D3DBASIS_CATMULL_ROM, D3DDEGREE_CUBIC}, 8);
    ExpectRect({0, 0, 6, 6, kGridWidth, D3DBASIS_BEZIER, D3DDEGREE_QUINTIC}, 4);
    ExpectRect({3, 1, 5, 3, kGridWidth, D3DBASIS_BEZIER, D3DDEGREE_QUADRATIC}, 4);
    ExpectRect({1, 0, 4, 5, kGridWidth, D3DBASIS_BSPLINE, D3DDEGREE_QUADRATIC}, 4);
    for (const D3DTRIPATCH_INFO& tri : {D3DTRIPATCH_INFO{12, 10, D3DBASIS_BEZIER, D3DDEGREE_CUBIC},
                                        D3DTRIPATCH_INFO{20, 6, D3DBASIS_BEZIER, D3DDEGREE_QUADRATIC}})
        ExpectPatch(TriSurface(int(tri.StartVertexOffset), int(tri.Degree)), 4, true,
                    [&](BYTE usage, float s) { return DrawTri(usage, 0, &tri, s); });
}

TEST_F(PatchTest, HandlesKeepPatchesUntilDeletedAndBadPatchesAreRefused) {
    const D3DRECTPATCH_INFO info{1, 1, 4, 4, kGridWidth, D3DBASIS_BEZIER, D3DDEGREE_CUBIC};
    ASSERT_EQ(DrawRect(D3DDECLUSAGE_POSITION, 7, &info, 4), D3D_OK) << log;
    ASSERT_EQ(DrawRect(D3DDECLUSAGE_POSITION, 7, nullptr, 4), D3D_OK) << log;
    ExpectGrid(4, false, [&](float u, float v) { return RectSurface(info)(u, v, false); }, "kept patch");
    const D3DTRIPATCH_INFO tri{3, 10, D3DBASIS_BEZIER, D3DDEGREE_CUBIC};
    ASSERT_EQ(DrawTri(D3DDECLUSAGE_POSITION, 8, &tri, 4), D3D_OK) << log;
    ASSERT_EQ(DrawTri(D3DDECLUSAGE_POSITION, 8, nullptr, 4), D3D_OK) << log;
    ExpectGrid(4, true, [&](float u, float v) { return TriSurface(3, 3)(u, v, false); }, "kept tri patch");
    EXPECT_EQ(DrawRect(D3DDECLUSAGE_POSITION, 8, nullptr, 4), D3DERR_INVALIDCALL);  // the other kind
    EXPECT_EQ(dev->DeletePatch(7), D3D_OK);
    EXPECT_EQ(DrawRect(D3DDECLUSAGE_POSITION, 7, nullptr, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DeletePatch(7), D3DERR_INVALIDCALL);
    EXPECT_EQ(DrawRect(D3DDECLUSAGE_POSITION, 0, nullptr, 4), D3DERR_INVALIDCALL);
    struct Case {
        D3DRECTPATCH_INFO info;
        const char* refusal;
    };
    const Case cases[] = {
        {{0, 0, 5, 4, kGridWidth, D3DBASIS_BEZIER, D3DDEGREE_CUBIC}, "control points less one, each way, are not"},
        {{0, 0, 4, 4, kGridWidth, D3DBASISTYPE(3), D3DDEGREE_CUBIC}, "basis is not Bezier, B-spline or Catmull-Rom"},
        {{0, 0, 4, 4, kGridWidth, D3DBASIS_BEZIER, D3DDEGREETYPE(4)}, "degree is not linear, quadratic, cubic"},
        {{0, 0, 3, 3, kGridWidth, D3DBASIS_BSPLINE, D3DDEGREE_CUBIC}, "no more control points a way than its degree"},
        {{0, 0, 4, 4, kGridWidth, D3DBASIS_CATMULL_ROM, D3DDEGREE_QUADRATIC}, "a Catmull-Rom patch is not cubic"},
        {{6, 0, 4, 4, kGridWidth, D3DBASIS_BEZIER, D3DDEGREE_CUBIC}, "reaches past its stride"},
        {{0, 3, 4, 4, kGridWidth, D3DBASIS_BEZIER, D3DDEGREE_CUBIC}, "ends before the patch's control points do"},
    };
    auto expectRefused = [&](HRESULT hr, const char* refusal) {
        EXPECT_EQ(hr, D3DERR_INVALIDCALL) << refusal;
        EXPECT_NE(log.find("patch refused: "), std::string::npos) << log;
        EXPECT_NE(log.find(refusal), std::string::npos) << log;
        log.clear();
    };
    for (const Case& c : cases) expectRefused(DrawRect(D3DDECLUSAGE_POSITION, 9, &c.info, 4), c.refusal);
    const D3DTRIPATCH_INFO wrongCount{0, 6, D3DBASIS_BEZIER, D3DDEGREE_CUBIC};
    expectRefused(DrawTri(D3DDECLUSAGE_POSITION, 9, &wrongCount, 4), "control points are not (degree + 1)");
    const D3DTRIPATCH_INFO bspline{0, 10, D3DBASIS_BSPLINE, D3DDEGREE_CUBIC};
    expectRefused(DrawTri(D3DDECLUSAGE_POSITION, 9, &bspline, 4), "a tri patch's basis is not Bezier");
    const D3DVERTEXELEMENT9 lookup[] = {{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                        {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_LOOKUP, D3DDECLUSAGE_SAMPLE, 0},
                                        D3DDECL_END()};
    dev->SetVertexDeclaration(MakeDeclaration(lookup));
    expectRefused(DrawRect(D3DDECLUSAGE_POSITION, 9, &info, 4), "displacement maps are looked up by N-patches alone");
    EXPECT_EQ(dev->DeletePatch(9), D3DERR_INVALIDCALL);  // a refused patch is not kept
}

// Cut with differing edge counts, a patch's triangles cover it once (of `area`), all
// turning one way, without T-junctions: each inside edge is shared by two triangles running
// it opposite ways, and each side is cut as Cuts cuts it, as the next patch's side of the
// same count is. `side` names the side two points lie on (-1: none).
template <size_t kSides, class Side>
void ExpectStitched(const std::array<float, kSides>& edges, bool continuous, double area, Side side) {
    PatchMesh mesh;
    if constexpr (kSides == 4)
        mesh = RectPatchMesh(edges, continuous ? EdgeStyle::Continuous : EdgeStyle::Discrete);
    else
        mesh = TriPatchMesh(edges, continuous ? EdgeStyle::Continuous : EdgeStyle::Discrete);
    std::map<std::pair<uint32_t, uint32_t>, int> runs;  // each directed edge's triangles
    double sum = 0;
    for (size_t t = 0; t < mesh.indices.size(); t += 3) {
        const uint32_t* k = &mesh.indices[t];
        const auto &a = mesh.points[k[0]], &b = mesh.points[k[1]], &c = mesh.points[k[2]];
        const double twice = double(b[0] - a[0]) * (c[1] - a[1]) - double(c[0] - a[0]) * (b[1] - a[1]);
        EXPECT_GT(twice, 0);
        sum += twice / 2;
        for (int e = 0; e < 3; ++e) ++runs[{k[e], k[(e + 1) % 3]}];
    }
    EXPECT_NEAR(sum, area, 1e-5);
    std::array<std::vector<float>, kSides> lengths;  // each side's segments, run by one triangle alone
    for (const auto& [edge, count] : runs) {
        EXPECT_EQ(count, 1);
        if (runs.count({edge.second, edge.first})) continue;
        const auto &p = mesh.points[edge.first], &q = mesh.points[edge.second];
        const int s = side(p, q);
        ASSERT_GE(s, 0) << "an edge with one triangle inside the patch";
        lengths[size_t(s)].push_back(std::max(std::abs(q[0] - p[0]), std::abs(q[1] - p[1])));
    }
    for (size_t s = 0; s < kSides; ++s) {
        const std::vector<float> cuts = Cuts(edges[s], continuous);
        std::vector<float> expected;
        for (size_t k = 1; k < cuts.size(); ++k) expected.push_back(cuts[k] - cuts[k - 1]);
        std::sort(expected.begin(), expected.end());
        std::sort(lengths[s].begin(), lengths[s].end());
        ASSERT_EQ(lengths[s].size(), expected.size()) << "side " << s << " of " << edges[s];
        for (size_t k = 0; k < expected.size(); ++k) EXPECT_NEAR(lengths[s][k], expected[k], 1e-6);
    }
}

TEST(PatchMeshTest, EdgesKeepTheirOwnCountsAndTheInsideIsStitchedWithoutCracks) {
    using P = std::array<float, 2>;
    const std::array<float, 4> rects[] = {{4, 4, 4, 4},    {3, 7, 1, 2},          {1, 5, 1, 3},
                                          {6, 1, 2, 1},    {1, 1, 1, 1},          {2, 2, 5, 2},
                                          {64, 1, 64, 3},  {1.5f, 1, 1, 1},       {2.5f, 7.25f, 1, 3.9f},
                                          {64, 1.01f, 63.5f, 3}, {4.5f, 4.5f, 4.5f, 4.5f}};
    const std::array<float, 3> tris[] = {{4, 4, 4},  {1, 1, 1},    {2, 1, 1},         {1, 2, 2},
                                         {3, 1, 1},  {5, 2, 8},    {64, 1, 7},        {1.2f, 1, 1},
                                         {2.5f, 2.5f, 2.5f}, {5.5f, 2, 8.75f}, {64, 1, 6.3f}};
    for (const bool continuous : {false, true}) {
        for (const std::array<float, 4>& edges : rects)
            ExpectStitched(edges, continuous, 1.0, [](const P& p, const P& q) {
                return p[1] == 0 && q[1] == 0 ? 0 : p[0] == 1 && q[0] == 1 ? 1 : p[1] == 1 && q[1] == 1 ? 2
                                                  : p[0] == 0 && q[0] == 0 ? 3 : -1;
            });
        for (const std::array<float, 3>& edges : tris)
            ExpectStitched(edges, continuous, 0.5, [](const P& p, const P& q) {
                auto slant = [](const P& x) { return std::abs(x[0] + x[1] - 1) < 1e-6f; };
                return p[1] == 0 && q[1] == 0 ? 0 : slant(p) && slant(q) ? 1 : p[0] == 0 && q[0] == 0 ? 2 : -1;
            });
    }
}

TEST(PatchMeshTest, ContinuousCutsMoveSmoothlyAsTheCountChanges) {
    constexpr float kStep = 1.0f / 64;
    // Every cut of either count lies within a step of one of the other's.
    auto near = [](const std::vector<float>& from, const std::vector<float>& to) {
        for (const float x : from) {
            float best = 1;
            for (const float y : to) best = std::min(best, std::abs(x - y));
            if (best > kStep) return false;
        }
        return true;
    };
    for (float f = 1; f < 12; f += kStep) {
        const std::vector<float> a = EdgeCuts(f, EdgeStyle::Continuous), b = EdgeCuts(f + kStep, EdgeStyle::Continuous);
        EXPECT_TRUE(near(a, b) && near(b, a)) << f;
    }
}

TEST_F(PatchTest, ContinuousEdgesSplitTheirFractionBetweenTwoEndSegments) {
    dev->SetRenderState(D3DRS_PATCHEDGESTYLE, D3DPATCHEDGE_CONTINUOUS);
    const D3DRECTPATCH_INFO rect{1, 1, 4, 4, kGridWidth, D3DBASIS_BEZIER, D3DDEGREE_CUBIC};
    const D3DTRIPATCH_INFO tri{12, 10, D3DBASIS_BEZIER, D3DDEGREE_CUBIC};
    for (const float n : {2.0f, 4.0f}) {  // cuts on whole pixels: (0, 1/4, 3/4, 1) and (0, 1/8, 3/8, ...)
        ASSERT_EQ(DrawRect(D3DDECLUSAGE_POSITION, 0, &rect, n), D3D_OK) << log;
        ExpectGrid(Cuts(n, true), false, [&](float u, float v) { return RectSurface(rect)(u, v, false); }, "rect");
        ASSERT_EQ(DrawTri(D3DDECLUSAGE_POSITION, 0, &tri, n), D3D_OK) << log;
        ExpectGrid(Cuts(n, true), true, [&](float u, float v) { return TriSurface(12, 3)(u, v, false); }, "tri");
    }
}

}  // namespace
}  // namespace host::test::patch
