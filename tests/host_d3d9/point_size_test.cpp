// Point sizes: points drawn as squares of the point-size state, of the vertex's own size
// or of the size a vertex shader gives, clamped to the states' bounds, scaled by distance
// under point scaling, and point sprites' texture coordinates across the square.
#include <cstring>

#include "declaration_fixture.h"
#include "shader_code.h"

namespace host::test {
namespace {

// The pixels of one colour: their bounding box (x0, y0 inclusive, x1, y1 exclusive) and
// how many there are; a filled square has count (x1 - x0) * (y1 - y0).
struct PointCover {
    int x0 = 99, y0 = 99, x1 = 0, y1 = 0, count = 0;
    bool operator==(const PointCover&) const = default;
};
PointCover SquareCover(int x0, int y0, int size) { return {x0, y0, x0 + size, y0 + size, size * size}; }

template <class Read>
PointCover CoverOf(uint32_t color, Read pixel) {
    PointCover c;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (pixel(x, y) != color) continue;
            c = {std::min(c.x0, x), std::min(c.y0, y), std::max(c.x1, x + 1), std::max(c.y1, y + 1), c.count + 1};
        }
    return c;
}

constexpr uint32_t kPointOn = 0xFFFF8000u;

class PointSizeTest : public DeclarationTest {
protected:
    PointCover Covered() {
        return CoverOf(kPointOn, [&](int x, int y) { return Pixel(x, y); });
    }
    template <class V>
    PointCover DrawPoint(const V& vertex, DWORD fvf) {
        dev->SetFVF(fvf);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        EXPECT_EQ(DrawUp(D3DPT_POINTLIST, 1, &vertex, sizeof(vertex)), D3D_OK) << log;
        return Covered();
    }
};

struct SizedVertex {
    float x, y, z, rhw, size;
    uint32_t color;
};
constexpr DWORD kSizedFvf = D3DFVF_XYZRHW | D3DFVF_PSIZE | D3DFVF_DIFFUSE;

TEST_F(PointSizeTest, PointsAreSquaresOfTheirSizeWithinTheBounds) {
    UseDiffuseOnly();
    const TLVertex at55 = {5, 5, 0, 1, kPointOn, 0, 0};
    EXPECT_EQ(DrawPoint(at55, kTLFvf), SquareCover(5, 5, 1));
    dev->SetRenderState(D3DRS_POINTSIZE, FloatState(4));
    EXPECT_EQ(DrawPoint(at55, kTLFvf), SquareCover(3, 3, 4));
    // Odd sizes cover the pixels whose centres lie in the square.
    dev->SetRenderState(D3DRS_POINTSIZE, FloatState(3));
    EXPECT_EQ(DrawPoint(TLVertex{5.5f, 5.5f, 0, 1, kPointOn, 0, 0}, kTLFvf), SquareCover(4, 4, 3));
    // The vertex's own size stands in place of the state's, within the bounds.
    EXPECT_EQ(DrawPoint(SizedVertex{8, 8, 0, 1, 6, kPointOn}, kSizedFvf), SquareCover(5, 5, 6));
    dev->SetRenderState(D3DRS_POINTSIZE_MAX, FloatState(2));
    EXPECT_EQ(DrawPoint(SizedVertex{8, 8, 0, 1, 6, kPointOn}, kSizedFvf), SquareCover(7, 7, 2));
    dev->SetRenderState(D3DRS_POINTSIZE_MAX, FloatState(64));
    dev->SetRenderState(D3DRS_POINTSIZE_MIN, FloatState(4));
    EXPECT_EQ(DrawPoint(SizedVertex{8, 8, 0, 1, 0.5f, kPointOn}, kSizedFvf), SquareCover(6, 6, 4));
    D3DCAPS9 caps;
    dev->GetDeviceCaps(&caps);
    EXPECT_EQ(caps.MaxPointSize, 256.0f);
    EXPECT_TRUE(caps.FVFCaps & D3DFVFCAPS_PSIZE);
}

TEST_F(PointSizeTest, ScalingShrinksUntransformedPointsWithDistance) {
    UseDiffuseOnly();
    struct Xyz {
        float x, y, z;
        uint32_t color;
    };
    dev->SetRenderState(D3DRS_LIGHTING, 0);
    dev->SetRenderState(D3DRS_POINTSCALEENABLE, 1);
    dev->SetRenderState(D3DRS_POINTSCALE_A, FloatState(0));
    dev->SetRenderState(D3DRS_POINTSCALE_C, FloatState(1));
    dev->SetRenderState(D3DRS_POINTSIZE, FloatState(0.25f));
    // 16 (the viewport's height) x 0.25 / distance: 8 pixels at 0.5, 4 at 1.
    EXPECT_EQ(DrawPoint(Xyz{0, 0, 0.5f, kPointOn}, D3DFVF_XYZ | D3DFVF_DIFFUSE), SquareCover(4, 4, 8));
    D3DMATRIX view = IdentityMatrix();
    view.m[3][2] = 0.5f;  // the eye half a unit further back
    dev->SetTransform(D3DTS_VIEW, &view);
    D3DMATRIX squash = IdentityMatrix();
    squash.m[2][2] = 0.5f;  // keeps z inside the clip volume
    dev->SetTransform(D3DTS_PROJECTION, &squash);
    EXPECT_EQ(DrawPoint(Xyz{0, 0, 0.5f, kPointOn}, D3DFVF_XYZ | D3DFVF_DIFFUSE), SquareCover(6, 6, 4));
}

TEST_F(PointSizeTest, SpritesRunTheTextureAcrossTheSquare) {
    BindPlaceTexture();
    UseTextureOnly();
    dev->SetRenderState(D3DRS_POINTSPRITEENABLE, 1);
    dev->SetRenderState(D3DRS_POINTSIZE, FloatState(4));
    dev->SetFVF(kTLFvf);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    const TLVertex v = {8, 8, 0, 1, kPointOn, 0.9f, 0.9f};
    ASSERT_EQ(DrawUp(D3DPT_POINTLIST, 1, &v, sizeof(v)), D3D_OK) << log;
    // Pixel centres 6 to 9 sample u (and v) 0, 0.25, 0.5 and 0.75: texels 0 to 3.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Pixel(6 + x, 6 + y), PlaceTexel(x, y)) << x << "," << y;
    EXPECT_EQ(Pixel(5, 8), 0xFF000000u);
    EXPECT_EQ(Pixel(10, 8), 0xFF000000u);
}

class ShaderPointSizeTest : public ShaderDrawTest {
protected:
    static constexpr uint32_t kSpriteBack = 0xFF203040u;
    // A clip-space point at the target's centre, drawn with what is bound.
    PointCover DrawCentre() {
        const ClipSpaceVertex v = {0, 0, 0.5f, kPointOn, 0, 0};
        dev->SetFVF(kClipFvf);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, kSpriteBack, 1.0f, 0);
        dev->BeginScene();
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &v, sizeof(v)), D3D_OK) << log;
        dev->EndScene();
        return CoverOf(kPointOn, [&](int x, int y) { return Pixel(x, y); });
    }
};

TEST_F(ShaderPointSizeTest, TheVertexShadersSizeIsTheSquares) {
    UseDiffuseOnly();
    // vs_2_0 writes oPts.
    dev->SetVertexShader(MakeVs(ShaderCode(kVs20)
                                    .Def(0, 4, 0, 0, 0)
                                    .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                    .DclInput(D3DDECLUSAGE_COLOR, 0, 1)
                                    .Op(kOpMov, {Dst(kFileRastOut, 0), Src(kFileInput, 0)})
                                    .Op(kOpMov, {Dst(kFileAttrOut, 0), Src(kFileInput, 1)})
                                    .Op(kOpMov, {Dst(kFileRastOut, 2, 1), Src(kFileConst, 0)})
                                    .End()));
    EXPECT_EQ(DrawCentre(), SquareCover(6, 6, 4));
    // vs_3_0 gives it in a point-size output, clamped to the bounds; ps_3_0 reads the
    // sprite's coordinates.
    dev->SetVertexShader(MakeVs(ShaderCode(kVs30)
                                    .Def(0, 0, 0, 9, 0)
                                    .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                    .DclUsage(kFileOutput, D3DDECLUSAGE_POSITION, 0, 0)
                                    .DclUsage(kFileOutput, D3DDECLUSAGE_PSIZE, 0, 1, 4)
                                    .Op(kOpMov, {Dst(kFileOutput, 0), Src(kFileInput, 0)})
                                    .Op(kOpMov, {Dst(kFileOutput, 1, 4), Src(kFileConst, 0)})
                                    .End()));
    dev->SetRenderState(D3DRS_POINTSIZE_MAX, FloatState(8));
    dev->SetRenderState(D3DRS_POINTSPRITEENABLE, 1);
    dev->SetPixelShader(MakePs(ShaderCode(kPs30)
                                   .DclUsage(kFileInput, D3DDECLUSAGE_TEXCOORD, 0, 0)
                                   .Op(kOpMov, {Dst(kFileColorOut, 0), Src(kFileInput, 0)})
                                   .End()));
    const PointCover c = DrawCentre();
    EXPECT_EQ(c, (PointCover{99, 99, 0, 0, 0}));  // no pixel is kPointOn: the sprite colours them
    // Pixel centres 4 to 11 sample 0 to 7/8.
    EXPECT_EQ(Pixel(4, 4), 0xFF000000u);
    EXPECT_EQ(Pixel(11, 4), 0xFFDF0000u);
    EXPECT_EQ(Pixel(4, 11), 0xFF00DF00u);
    EXPECT_EQ(Pixel(3, 4), kSpriteBack);
    EXPECT_EQ(Pixel(12, 12), kSpriteBack);
}

}  // namespace
}  // namespace host::test
