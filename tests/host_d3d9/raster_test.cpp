// Coverage of triangles, strips, fans, lines and points under Direct3D 9's rules, checked
// pixel by pixel against hand-worked results.
#include <cmath>
#include <random>

#include "device_fixture.h"

namespace host::test {
namespace {

using Rows = std::vector<std::string>;
constexpr uint32_t kRed = 0xFFFF0000u;

class RasterTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        UseDiffuseOnly();
    }
    // Source and target added, so a pixel drawn twice shows twice the value.
    void BlendAdditively() {
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    }
    // The two triangles of `q` as one call (drawn as a rectangle) or as two calls.
    HRESULT DrawQuad(const TLVertex* q, bool separate) {
        if (!separate) return Draw(D3DPT_TRIANGLELIST, 2, q);
        const HRESULT first = Draw(D3DPT_TRIANGLELIST, 1, q);
        return first != D3D_OK ? first : Draw(D3DPT_TRIANGLELIST, 1, q + 3);
    }
};

TEST_F(RasterTest, TriangleFollowsTopLeftRule) {
    // Top edge (0,0)-(4,0) is drawn, the hypotenuse is a right edge and is not, the
    // vertical edge is a left edge and is drawn.
    const TLVertex tri[3] = {V(0, 0, kRed), V(4, 0, kRed), V(0, 4, kRed)};
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, tri), D3D_OK);
    EXPECT_EQ(Mask(kRed, 6, 5), (Rows{"####..", "###...", "##....", "#.....", "......"}));
}

TEST_F(RasterTest, SharedEdgeDrawsEveryPixelOnce) {
    // A quad of two triangles drawn additively with a small colour, as one call (drawn as
    // a rectangle) and as two calls (two triangles): a pixel drawn twice on the shared
    // diagonal would show twice the value.
    BlendAdditively();
    for (bool separate : {false, true}) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        TLVertex q[6];
        Quad(q, 1.3f, 0.7f, 9.6f, 7.2f, 0xFF010101u);
        ASSERT_EQ(DrawQuad(q, separate), D3D_OK);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool inside = x >= 2 && x <= 9 && y >= 1 && y <= 7;
                ASSERT_EQ(Pixel(x, y), inside ? 0xFF010101u : 0xFF000000u) << x << "," << y << " " << separate;
            }
    }
}

TEST_F(RasterTest, RectanglePairsCoverWhatTheirTrianglesCover) {
    // Random rectangles with fractional, swapped and mirrored corners, as a list, as a list
    // whose second triangle starts at another corner, as a strip and as a fan: one call
    // (drawn as a rectangle) and one call per triangle give the same pixels.
    std::mt19937 rng(7);
    BlendAdditively();
    D3DVIEWPORT9 vp{1, 2, 13, 11, 0, 1};
    dev->SetViewport(&vp);
    auto coord = [&] { return float(int(rng() % 160) - 16) / 8.0f; };
    for (int i = 0; i < 200; ++i) {
        TLVertex q[6];
        Quad(q, coord(), coord(), coord(), coord(), 0xFF010101u);
        struct Form {
            D3DPRIMITIVETYPE type;
            std::vector<TLVertex> call, triangles;
        };
        const Form forms[] = {
            {D3DPT_TRIANGLELIST, {q, q + 6}, {q, q + 6}},
            {D3DPT_TRIANGLELIST, {q[0], q[1], q[2], q[4], q[5], q[3]}, {q[0], q[1], q[2], q[4], q[5], q[3]}},
            {D3DPT_TRIANGLESTRIP, {q[0], q[1], q[2], q[3]}, {q[0], q[1], q[2], q[1], q[3], q[2]}},
            {D3DPT_TRIANGLEFAN, {q[0], q[1], q[3], q[2]}, {q[0], q[1], q[3], q[0], q[3], q[2]}},
        };
        for (const Form& form : forms) {
            std::vector<uint32_t> pixels[2];
            for (int separate = 0; separate < 2; ++separate) {
                dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
                if (separate) ASSERT_EQ(DrawQuad(form.triangles.data(), true), D3D_OK);
                else ASSERT_EQ(Draw(form.type, 2, form.call.data()), D3D_OK);
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x) pixels[separate].push_back(Pixel(x, y));
            }
            ASSERT_EQ(pixels[0], pixels[1]) << "rectangle " << i << " drawn as " << form.type;
        }
    }
}

TEST_F(RasterTest, ConvexPairsGiveThePixelsOfTheirTriangles) {
    // Textured quads turned and scaled about a centre as sprites are, sometimes with one
    // corner moved (no longer a parallelogram, or not convex at all) or mapped elsewhere
    // (the two triangles' texture planes apart), in the states the
    // fast spans serve (also with a second texture's alpha, as the mask screen's
    // composite), under both cull modes, with the AVX2 spans and with SSE2 alone: one call
    // (drawn as one shape, one span per row even where the two triangles' texture steps
    // differ) and one call per triangle give the same pixels.
    std::mt19937 rng(11);
    std::vector<uint32_t> texels(16 * 16), maskTexels(16 * 16);
    for (uint32_t& t : texels) t = rng() % 3 == 0 ? rng() & 0xFFFFFFu : rng();
    // Runs of clear and opaque alphas, so whole vectors fail the second texture's test.
    for (size_t i = 0; i < maskTexels.size(); ++i) maskTexels[i] = (i / 5 % 2 ? 0xFF000000u : 0u) | (rng() & 0xFFFFFFu);
    Texture* tex = MakeTexture(16, 16, texels);
    Texture* mask = MakeTexture(16, 16, maskTexels);
    dev->SetTexture(0, tex);
    dev->SetTexture(1, mask);
    UseTextureOnly();
    dev->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    const DWORD blends[][2] = {{0, 0}, {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, {D3DBLEND_SRCALPHA, D3DBLEND_ONE}};
    auto eighths = [&](int range) { return float(int(rng() % uint32_t(range * 8))) / 8.0f; };
    for (int i = 0; i < 300; ++i) {
        const auto& blend = blends[rng() % 3];
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, blend[0] != 0);
        dev->SetRenderState(D3DRS_SRCBLEND, blend[0]);
        dev->SetRenderState(D3DRS_DESTBLEND, blend[1]);
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, rng() % 2);
        dev->SetRenderState(D3DRS_ALPHAREF, rng() % 256);
        dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
        dev->SetRenderState(D3DRS_CULLMODE, rng() % 2 ? D3DCULL_NONE : D3DCULL_CW);
        dev->SetTextureStageState(1, D3DTSS_COLOROP, rng() % 3 ? D3DTOP_DISABLE : D3DTOP_SELECTARG1);
        dev->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE | (rng() % 2 ? D3DTA_COMPLEMENT : 0));
        const float cx = eighths(16), cy = eighths(16), w = 1 + eighths(8), h = 1 + eighths(8);
        const float angle = float(rng() % 628) / 100.0f, c = std::cos(angle), s = std::sin(angle);
        const float u0 = float(rng() % 8) / 16, v0 = float(rng() % 8) / 16, u1 = u0 + float(1 + rng() % 8) / 16,
                    v1 = v0 + float(1 + rng() % 8) / 16;
        auto corner = [&](float dx, float dy, float u, float v) {
            return V(cx + dx * c - dy * s - 0.5f, cy + dx * s + dy * c - 0.5f, 0xFFFFFFFFu, u, v);
        };
        TLVertex q[6] = {corner(-w, -h, u0, v0), corner(w, -h, u1, v0), corner(-w, h, u0, v1), corner(w, h, u1, v1)};
        if (rng() % 4 == 0) {
            q[3].x += eighths(4) - 2;
            q[3].y += eighths(4) - 2;
        }
        if (rng() % 3 == 0) {
            // The second triangle mapped far from the first's plane: a texel taken with
            // the wrong triangle's stepping shows.
            q[3].u = eighths(4) - 2;
            q[3].v = eighths(4) - 2;
        }
        q[4] = q[2];
        q[5] = q[1];
        for (bool baseline : {false, true}) {
            D3D9Settings().forceBaselineSpans = baseline;
            std::vector<uint32_t> pixels[2];
            for (int separate = 0; separate < 2; ++separate) {
                dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060u, 1.0f, 0);
                ASSERT_EQ(DrawQuad(q, separate != 0), D3D_OK);
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x) pixels[separate].push_back(Pixel(x, y));
            }
            ASSERT_EQ(pixels[0], pixels[1]) << "quad " << i << (baseline ? " with SSE2 alone" : "");
        }
    }
    D3D9Settings().forceBaselineSpans = false;
    tex->Release();
    mask->Release();
}

TEST_F(RasterTest, FlatShadedFanPairsTakeEachTrianglesSecondCorner) {
    // A turned quad as a fan of two triangles under flat shading: the first triangle
    // (0, 1, 2) takes corner 1's colour and the second (0, 2, 3) corner 2's, drawn as one
    // call as when drawn one triangle a call.
    dev->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    const TLVertex fan[4] = {V(8, 1, 0xFF0000FFu), V(14, 7, 0xFF00FF00u), V(8, 13, 0xFFFF0000u),
                             V(2, 7, 0xFFFFFFFFu)};
    std::vector<uint32_t> pixels[2];
    for (int separate = 0; separate < 2; ++separate) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        if (separate) {
            const TLVertex second[3] = {fan[0], fan[2], fan[3]};
            ASSERT_EQ(Draw(D3DPT_TRIANGLEFAN, 1, fan), D3D_OK);
            ASSERT_EQ(Draw(D3DPT_TRIANGLEFAN, 1, second), D3D_OK);
        } else {
            ASSERT_EQ(Draw(D3DPT_TRIANGLEFAN, 2, fan), D3D_OK);
        }
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) pixels[separate].push_back(Pixel(x, y));
    }
    EXPECT_EQ(pixels[0], pixels[1]);
    EXPECT_EQ(Pixel(11, 7), 0xFF00FF00u);
    EXPECT_EQ(Pixel(5, 7), 0xFFFF0000u);
}

TEST_F(RasterTest, ARectangleIsOneOnlyInTheCoordinateSetItsStageReads) {
    // Two coordinate sets: set 0 follows one plane over the rectangle, set 1 (the one the
    // stage reads) has its fourth corner moved. Drawn in one call the pair must still give
    // its two triangles' pixels, and with the stage reading set 0 as well.
    struct TwoSetVertex {
        float x, y, z, rhw;
        uint32_t color;
        float u0, v0, u1, v1;
    };
    std::vector<uint32_t> texels(16 * 16);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | uint32_t(i * 0x010305u);
    Texture* tex = MakeTexture(16, 16, texels);
    dev->SetTexture(0, tex);
    UseTextureOnly();
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2);
    auto corner = [](float x, float y, float u, float v, float u1) {
        return TwoSetVertex{x - 0.5f, y - 0.5f, 0, 1, 0xFFFFFFFFu, u, v, u1, v};
    };
    const TwoSetVertex a = corner(0, 0, 0, 0, 0), b = corner(12, 0, 0.75f, 0, 0.75f), c = corner(0, 12, 0, 0.75f, 0),
                       d = corner(12, 12, 0.75f, 0.75f, 0.25f);
    const TwoSetVertex q[6] = {a, b, c, d, c, b};
    for (DWORD set : {1u, 0u}) {
        dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, set);
        std::vector<uint32_t> pixels[2];
        for (int separate = 0; separate < 2; ++separate) {
            dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
            dev->BeginScene();
            if (separate) {
                ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, q, sizeof(TwoSetVertex)), D3D_OK);
                ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, q + 3, sizeof(TwoSetVertex)), D3D_OK);
            } else {
                ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, q, sizeof(TwoSetVertex)), D3D_OK);
            }
            dev->EndScene();
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) pixels[separate].push_back(Pixel(x, y));
        }
        EXPECT_EQ(pixels[0], pixels[1]) << "stage reading set " << set;
    }
    tex->Release();
}

TEST_F(RasterTest, PixelCentresAreIntegers) {
    // A quad from (1.5, 1.5) to (3.5, 3.5) covers centres 2 and 3; one from (1, 1) to
    // (3, 3) covers 1 and 2 (left/top edges in, right/bottom out).
    TLVertex q[6];
    Quad(q, 1.5f, 1.5f, 3.5f, 3.5f, kRed);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    Quad(q, 6, 1, 8, 3, 0xFF00FF00u);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Mask(kRed, 9, 5), (Rows{".........", ".........", "..##.....", "..##.....", "........."}));
    EXPECT_EQ(Mask(0xFF00FF00u, 9, 5), (Rows{".........", "......##.", "......##.", ".........", "........."}));
}

TEST_F(RasterTest, StripAndFanCoverTheSameQuad) {
    const TLVertex strip[4] = {V(0, 0, kRed), V(4, 0, kRed), V(0, 3, kRed), V(4, 3, kRed)};
    ASSERT_EQ(Draw(D3DPT_TRIANGLESTRIP, 2, strip), D3D_OK);
    const TLVertex fan[4] = {V(6, 0, kRed), V(10, 0, kRed), V(10, 3, kRed), V(6, 3, kRed)};
    ASSERT_EQ(Draw(D3DPT_TRIANGLEFAN, 2, fan), D3D_OK);
    EXPECT_EQ(Mask(kRed, 11, 4), (Rows{"####..####.", "####..####.", "####..####.", "..........."}));
}

TEST_F(RasterTest, CullModeDropsOneWinding) {
    // Clockwise on screen (y down) survives counter-clockwise culling; the mirrored
    // triangle does not.
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    const TLVertex cw[3] = {V(0, 0, kRed), V(4, 0, kRed), V(0, 4, kRed)};
    const TLVertex ccw[3] = {V(8, 0, kRed), V(8, 4, kRed), V(12, 0, kRed)};
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, cw), D3D_OK);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, ccw), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), kRed);
    EXPECT_EQ(Pixel(8, 0), 0xFF000000u);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, ccw), D3D_OK);
    EXPECT_EQ(Pixel(8, 0), kRed);
}

TEST_F(RasterTest, DegenerateAndNonFiniteTrianglesDrawNothing) {
    const TLVertex flat[3] = {V(0, 0, kRed), V(5, 5, kRed), V(10, 10, kRed)};
    const TLVertex nan[3] = {V(0, 0, kRed), V(std::numeric_limits<float>::quiet_NaN(), 5, kRed), V(0, 10, kRed)};
    const TLVertex huge[3] = {V(-1e30f, -1e30f, kRed), V(1e30f, 0, kRed), V(0, 1e30f, kRed)};
    EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 1, flat), D3D_OK);
    EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 1, nan), D3D_OK);
    EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 1, huge), D3D_OK);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(Pixel(x, y), 0xFF000000u);
}

TEST_F(RasterTest, LinesLeaveOutTheEndPixel) {
    // Horizontal (0,0)-(10,0) covers 0..9; the engine's pulled end (9.9) covers the same.
    const TLVertex h[2] = {V(0, 0, kRed), V(10, 0, kRed)};
    ASSERT_EQ(Draw(D3DPT_LINELIST, 1, h), D3D_OK);
    const TLVertex pulled[2] = {V(0, 2, kRed), V(9.9f, 2, kRed)};
    ASSERT_EQ(Draw(D3DPT_LINELIST, 1, pulled), D3D_OK);
    // Diagonal (0,4)-(4,8): (0,4) to (3,7), not (4,8). Vertical upwards (12,9)-(12,4):
    // 9 down to 5.
    const TLVertex d[4] = {V(0, 4, kRed), V(4, 8, kRed), V(12, 9, kRed), V(12, 4, kRed)};
    ASSERT_EQ(Draw(D3DPT_LINELIST, 2, d), D3D_OK);
    EXPECT_EQ(Mask(kRed, 13, 10), (Rows{"##########...", ".............", "##########...", ".............",
                                        "#............", ".#..........#", "..#.........#", "...#........#",
                                        "............#", "............#"}));
}

TEST_F(RasterTest, LongLinesAreClippedToTheTarget) {
    const TLVertex lines[6] = {V(-100000, 3, kRed), V(100000, 3, kRed), V(100000, 5, kRed),
                               V(-100000, 5, kRed), V(7, 200000, kRed), V(7, -200000, kRed)};
    ASSERT_EQ(Draw(D3DPT_LINELIST, 3, lines), D3D_OK);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Pixel(i, 3), kRed) << i;
        EXPECT_EQ(Pixel(i, 5), kRed) << i;
        EXPECT_EQ(Pixel(7, i), kRed) << i;
    }
    EXPECT_EQ(Pixel(6, 4), 0xFF000000u);
}

TEST_F(RasterTest, LineStripSharesItsCorners) {
    const TLVertex s[3] = {V(1, 1, kRed), V(5, 1, kRed), V(5, 5, kRed)};
    ASSERT_EQ(Draw(D3DPT_LINESTRIP, 2, s), D3D_OK);
    EXPECT_EQ(Mask(kRed, 7, 6), (Rows{".......", ".#####.", ".....#.", ".....#.", ".....#.", "......."}));
}

TEST_F(RasterTest, PointsCoverThePixelAroundThem) {
    const TLVertex p[3] = {V(2, 2, kRed), V(4.4f, 2.6f, kRed), V(6.5f, 0.5f, kRed)};
    ASSERT_EQ(Draw(D3DPT_POINTLIST, 3, p), D3D_OK);
    EXPECT_EQ(Mask(kRed, 8, 4), (Rows{"......#.", "........", "..#.....", "....#..."}));
}

TEST_F(RasterTest, ViewportAndScissorClip) {
    D3DVIEWPORT9 vp{2, 2, 6, 6, 0, 1};
    ASSERT_EQ(dev->SetViewport(&vp), D3D_OK);
    RECT sc{0, 0, 16, 5};
    dev->SetScissorRect(&sc);
    dev->SetRenderState(D3DRS_SCISSORTESTENABLE, 1);
    TLVertex q[6];
    Quad(q, 0, 0, 16, 16, kRed);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Mask(kRed, 10, 9), (Rows{"..........", "..........", "..######..", "..######..", "..######..",
                                       "..........", "..........", "..........", ".........."}));
    // A viewport outside the render target is refused and the old one kept.
    D3DVIEWPORT9 bad{10, 10, 8, 8, 0, 1};
    EXPECT_EQ(dev->SetViewport(&bad), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 now;
    dev->GetViewport(&now);
    EXPECT_EQ(now.X, 2u);
}

TEST_F(RasterTest, GouraudAndFlatShading) {
    // Colour ramps along x from 0 at x=-0.5 to 255 at x=3.5: centres 0..3 see 32, 96,
    // 159 (159.375), 223 (223.125).
    const TLVertex strip[4] = {V(-0.5f, -0.5f, 0xFF000000u), V(3.5f, -0.5f, 0xFFFF0000u),
                               V(-0.5f, 0.5f, 0xFF000000u), V(3.5f, 0.5f, 0xFFFF0000u)};
    ASSERT_EQ(Draw(D3DPT_TRIANGLESTRIP, 2, strip), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFF200000u);
    EXPECT_EQ(Pixel(1, 0), 0xFF600000u);
    EXPECT_EQ(Pixel(2, 0), 0xFF9F0000u);
    EXPECT_EQ(Pixel(3, 0), 0xFFDF0000u);
    // Flat: each triangle takes its first vertex's colour (strip triangle n: vertex n).
    dev->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    const TLVertex flat[4] = {V(0, 2, 0xFF0000FFu), V(4, 2, 0xFF00FF00u), V(0, 6, 0xFFFF0000u),
                              V(4, 6, 0xFFFFFFFFu)};
    ASSERT_EQ(Draw(D3DPT_TRIANGLESTRIP, 2, flat), D3D_OK);
    EXPECT_EQ(Pixel(0, 2), 0xFF0000FFu);
    EXPECT_EQ(Pixel(3, 5), 0xFF00FF00u);
}

TEST_F(RasterTest, TransformedQuadFillsTheViewportExactly) {
    // With identity matrices, clip space -1..1 spans the viewport; pixel centres sit on
    // integers, so the left/top edges (0) are in and the right/bottom edges (16) out.
    struct Lit {
        float x, y, z;
        uint32_t color;
    };
    const Lit quad[4] = {{-1, 1, 0.5f, kRed}, {1, 1, 0.5f, kRed}, {-1, -1, 0.5f, kRed}, {1, -1, 0.5f, kRed}};
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Lit)), D3D_OK);
    // A triangle reaching behind the eye is clipped at the near plane, not wrapped.
    const Lit behind[3] = {{-0.5f, -0.5f, -1.0f, 0xFF00FF00u}, {0.5f, -0.5f, 0.5f, 0xFF00FF00u},
                           {-0.5f, 0.5f, 0.5f, 0xFF00FF00u}};
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, behind, sizeof(Lit)), D3D_OK);
    dev->EndScene();
    int red = 0, green = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            red += Pixel(x, y) == kRed;
            green += Pixel(x, y) == 0xFF00FF00u;
        }
    EXPECT_EQ(red + green, 256);
    EXPECT_GT(green, 0);
    EXPECT_EQ(Pixel(0, 15), kRed);  // the far corner of the clipped triangle is gone
}

TEST_F(RasterTest, DepthTestKeepsTheNearerSurface) {
    Surface* depth = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, 1, &depth, nullptr), D3D_OK);
    dev->SetDepthStencilSurface(depth);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    TLVertex nearQ[6], farQ[6];
    Quad(nearQ, 0, 0, 8, 8, kRed);
    Quad(farQ, 4, 4, 12, 12, 0xFF0000FFu);
    for (auto& v : nearQ) v.z = 0.25f;
    for (auto& v : farQ) v.z = 0.75f;
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, nearQ), D3D_OK);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, farQ), D3D_OK);
    EXPECT_EQ(Pixel(5, 5), kRed);
    EXPECT_EQ(Pixel(10, 10), 0xFF0000FFu);
    depth->Release();
}

TEST_F(RasterTest, DepthClearsOfRectanglesHoldUntilADrawTestsThem) {
    // Clears wait until a draw reads the depth buffer; one that does not cover the waiting
    // one must not lose it, one that covers it replaces it.
    Surface* depth = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, 1, &depth, nullptr), D3D_OK);
    dev->SetDepthStencilSurface(depth);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    auto clearDepth = [&](int32_t x1, int32_t x2, float z) {
        const D3DRECT r{x1, 0, x2, 16};
        ASSERT_EQ(dev->Clear(1, &r, D3DCLEAR_ZBUFFER, 0, z, 0), D3D_OK);
    };
    // '#' where a quad at depth z is nearer than what the buffer holds.
    auto drawnRow = [&](float z) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        TLVertex q[6];
        Quad(q, 0, 0, 16, 16, kRed);
        for (auto& v : q) v.z = z;
        EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
        std::string row;
        for (int x = 0; x < 16; ++x) row += Pixel(x, 3) == kRed ? '#' : '.';
        return row;
    };
    clearDepth(0, 16, 0.31f);
    clearDepth(0, 8, 0.5f);
    clearDepth(4, 12, 0.2f);
    EXPECT_EQ(drawnRow(0.32f), "####............");
    clearDepth(2, 6, 0.1f);
    clearDepth(0, 16, 0.9f);
    EXPECT_EQ(drawnRow(0.4f), "################");
    depth->Release();
}

}  // namespace
}  // namespace host::test
