// The set-up of triangles that take the fast spans makes only what those spans read; it
// must give exactly the fixed-point texture starts and steps the general set-up gives for
// the same triangle, or sprites would shift by a texel at some positions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "host/d3d9/raster/raster_common.h"

namespace host::test {
namespace {

// Two textured stages reading different coordinate sets, clipped to a huge area so that
// far and huge triangles are still set up.
DrawState TwoStageState(const uint32_t* texels, int width0, int height0, int width1, int height1) {
    DrawState st;
    st.clipX0 = st.clipY0 = -600000;
    st.clipX1 = st.clipY1 = 600000;
    st.cullMode = D3DCULL_NONE;
    st.stageCount = 2;
    const int sizes[2][2] = {{width0, height0}, {width1, height1}};
    for (int s = 0; s < 2; ++s) {
        st.stageUsesTexture[s] = true;
        st.ops[s].texSet = 1 - s;
        StageSampler& smp = st.samplers[s];
        smp.levelCount = 1;
        smp.levels[0] = TexelLevel{texels, size_t(sizes[s][0]), sizes[s][0], sizes[s][1], 0, 1};
        smp.addressU = smp.addressV = D3DTADDRESS_CLAMP;
    }
    return st;
}

struct SetupPair {
    PreparedTriangle lean, general;
    bool leanDrawn = false, generalDrawn = false;
};

SetupPair BothSetups(DrawState st, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    const ScreenVertex* corners[3] = {&a, &b, &c};
    SetupPair p;
    st.fast = true;
    p.leanDrawn = PrepareTriangle(st, corners, a, &p.lean);
    st.fast = false;
    p.generalDrawn = PrepareTriangle(st, corners, a, &p.general);
    return p;
}

// The fields the fast spans read, equal between the two set-ups.
void ExpectSameFastFields(const SetupPair& p, const std::string& what) {
    ASSERT_EQ(p.leanDrawn, p.generalDrawn) << what;
    if (!p.leanDrawn) return;
    const TriangleSetup &l = p.lean.t, &g = p.general.t;
    ASSERT_TRUE(l.fast) << what;
    ASSERT_FALSE(g.fast) << what;
    EXPECT_EQ(l.diffuse, g.diffuse) << what;
    EXPECT_EQ(l.rowRef, g.rowRef) << what;
    for (int s = 0; s < 2; ++s) {
        ASSERT_EQ(l.usesTexture[s], g.usesTexture[s]) << what;
        for (int axis = 0; axis < 2; ++axis) {
            EXPECT_EQ(l.texBase[s][axis], g.texBase[s][axis]) << what << " stage " << s << " axis " << axis;
            EXPECT_EQ(l.texStep[s][axis], g.texStep[s][axis]) << what << " stage " << s << " axis " << axis;
            EXPECT_EQ(l.texStepY[s][axis], g.texStepY[s][axis]) << what << " stage " << s << " axis " << axis;
            // Spans start from these at any pixel of the triangle's rows.
            EXPECT_EQ(l.TexelStart(s, axis, p.lean.X[0] / 256, p.lean.y1), g.TexelStart(s, axis, p.lean.X[0] / 256, p.lean.y1))
                << what;
        }
    }
}

ScreenVertex Corner(float x, float y, uint32_t color, const float uv0[2], const float uv1[2]) {
    ScreenVertex v;
    v.x = x;
    v.y = y;
    v.diffuse = color;
    v.tc[0][0] = uv0[0], v.tc[0][1] = uv0[1];
    v.tc[1][0] = uv1[0], v.tc[1][1] = uv1[1];
    return v;
}

TEST(TriangleSetupTest, FastSetUpMatchesTheGeneralOneOnRandomTriangles) {
    // Sub-pixel positions, sprite-like rectangles' halves, slivers, tiny and huge
    // triangles, and coordinates from small fractions to far outside the texture.
    const uint32_t texel = 0xFFFFFFFFu;
    std::mt19937 rng(24);
    auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    auto scaleOf = [&] { return std::ldexp(1.0f, int(rng() % 40) - 20); };
    for (int i = 0; i < 4000; ++i) {
        const DrawState st = TwoStageState(&texel, 1 + int(rng() % 1024), 1 + int(rng() % 1024), 1 << (rng() % 11),
                                           1 + int(rng() % 300));
        const float reach = std::ldexp(1.0f, int(rng() % 20)), ox = uniform(-reach, reach), oy = uniform(-reach, reach);
        float x[3], y[3];
        if (i % 3 == 0) {
            // Half of an axis-aligned rectangle, at whole, half or any sub-pixel positions.
            const float w = uniform(0.01f, 300.0f), h = uniform(0.01f, 300.0f);
            const float snap = i % 2 ? 1.0f : 0.5f;
            const float x0 = i % 5 ? std::round(ox / snap) * snap : ox, y0 = i % 5 ? std::round(oy / snap) * snap : oy;
            x[0] = x0, y[0] = y0, x[1] = x0 + w, y[1] = y0, x[2] = x0, y[2] = y0 + h;
        } else {
            const float size = scaleOf();
            for (int k = 0; k < 3; ++k) x[k] = ox + uniform(-size, size), y[k] = oy + uniform(-size, size);
        }
        float uv0[3][2], uv1[3][2];
        const float texScale = scaleOf();
        for (int k = 0; k < 3; ++k)
            for (int axis = 0; axis < 2; ++axis) {
                uv0[k][axis] = uniform(-texScale, texScale);
                uv1[k][axis] = uniform(-1.0f, 2.0f);
            }
        const uint32_t color = rng() % 2 ? 0xFFFFFFFFu : uint32_t(rng());
        const SetupPair p = BothSetups(st, Corner(x[0], y[0], color, uv0[0], uv1[0]),
                                       Corner(x[1], y[1], color, uv0[1], uv1[1]),
                                       Corner(x[2], y[2], color, uv0[2], uv1[2]));
        ExpectSameFastFields(p, "triangle " + std::to_string(i));
        if (HasFailure()) return;
    }
}

TEST(TriangleSetupTest, FastSetUpMatchesTheGeneralOneAtItsLimits) {
    // Steps saturating at 256 texels a pixel, bases beyond 2^18 texels, coordinates that
    // are not numbers or infinite, and a texture of one texel.
    const uint32_t texel = 0xFFFFFFFFu;
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float coords[] = {0.0f, 1e-30f, -1e-30f, 0.5f, 1.0f, 1e6f, -1e6f, 3.4e38f, -3.4e38f, inf, -inf, nan};
    const DrawState st = TwoStageState(&texel, 1, 1, 1024, 1024);
    int cases = 0;
    for (float u : coords)
        for (float v : coords) {
            const float a[2] = {0, 0}, b[2] = {u, 0}, c[2] = {0, v};
            const SetupPair p = BothSetups(st, Corner(10.25f, 20.5f, ~0u, a, a), Corner(522.0f, 20.5f, ~0u, b, b),
                                           Corner(10.25f, 21.0f, ~0u, c, c));
            ExpectSameFastFields(p, "u " + std::to_string(u) + " v " + std::to_string(v));
            cases += p.leanDrawn;
        }
    EXPECT_EQ(cases, int(std::size(coords) * std::size(coords)));
}

}  // namespace
}  // namespace host::test
