// Fog with shaders bound: a vertex shader's oFog is the vertex fog factor, under a pixel
// shader and under the texture stages alike; a pixel shader's colour is fogged after it
// by the vertex factor of the fixed-function vertices or by table fog from the depth.
#include <bit>

#include "shader_code.h"

namespace host::test {
namespace {

constexpr uint32_t kFogC = kFileConst;

struct SpecularVertex {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
};

class ShaderFogTest : public ShaderDrawTest {
protected:
    void SetUp() override {
        ShaderDrawTest::SetUp();
        dev->SetRenderState(D3DRS_FOGENABLE, 1);
        dev->SetRenderState(D3DRS_FOGCOLOR, 0);
        dev->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
        dev->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    }
    // Passes the position on, oD0 white; oFog from c1.x (`fog` 1), from the texture
    // coordinate u (`fog` 2) or not written (0).
    VertexShader* FogVs(int fog) {
        ShaderCode code(kVs20);
        code.Def(0, 1, 1, 1, 1)
            .Def(1, 0.25f, 0, 0, 0)
            .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
            .DclInput(D3DDECLUSAGE_TEXCOORD, 0, 1)
            .Op(kOpMov, {Dst(kFileRastOut, 0), Src(kFileInput, 0)})
            .Op(kOpMov, {Dst(kFileAttrOut, 0), Src(kFogC, 0)});
        if (fog == 1) code.Op(kOpMov, {Dst(kFileRastOut, 1, 1), Src(kFogC, 1, Rep(0))});
        if (fog == 2) code.Op(kOpMov, {Dst(kFileRastOut, 1, 1), Src(kFileInput, 1, Rep(0))});
        return MakeVs(code.End());
    }
    PixelShader* WhitePs() {
        return MakePs(ShaderCode(kPs20).Def(0, 1, 1, 1, 1).Op(kOpMov, {Dst(kFileColorOut, 0), Src(kFogC, 0)}).End());
    }
    uint32_t DrawWith(VertexShader* vs, PixelShader* ps, int x = 8) {
        dev->SetVertexShader(vs);
        dev->SetPixelShader(ps);
        UseDiffuseOnly();
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00123456u, 1.0f, 0);
        EXPECT_EQ(DrawClipQuad(), D3D_OK) << log;
        return Pixel(x, 8) & 0xFFFFFF;
    }
};

TEST_F(ShaderFogTest, OFogIsTheVertexFogFactorUnderEitherPixelStage) {
    // A quarter clear over black fog: 255 * 64 / 255.
    EXPECT_EQ(DrawWith(FogVs(1), WhitePs()), 0x404040u);
    EXPECT_EQ(DrawWith(FogVs(1), nullptr), 0x404040u);
    // Code that never writes oFog draws clear.
    EXPECT_EQ(DrawWith(FogVs(0), WhitePs()), 0xFFFFFFu);
    EXPECT_EQ(DrawWith(FogVs(0), nullptr), 0xFFFFFFu);
    // Fog off leaves the colour alone.
    dev->SetRenderState(D3DRS_FOGENABLE, 0);
    EXPECT_EQ(DrawWith(FogVs(1), WhitePs()), 0xFFFFFFu);
}

TEST_F(ShaderFogTest, TextureStagesReadOD1AlphaAsSpecularAlphaWithoutVertexFog) {
    // oD1 = (0, 0, 0, 0.4); the stage shows the specular alpha as grey.
    VertexShader* vs = MakeVs(ShaderCode(kVs20)
                                  .Def(0, 0, 0, 0, 0.4f)
                                  .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                  .Op(kOpMov, {Dst(kFileRastOut, 0), Src(kFileInput, 0)})
                                  .Op(kOpMov, {Dst(kFileAttrOut, 1), Src(kFogC, 0)})
                                  .End());
    dev->SetRenderState(D3DRS_FOGENABLE, 0);
    dev->SetVertexShader(vs);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_SPECULAR | D3DTA_ALPHAREPLICATE);
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    ASSERT_EQ(DrawClipQuad(), D3D_OK) << log;
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0x666666u);
}

TEST_F(ShaderFogTest, OFogIsInterpolatedAcrossThePrimitive) {
    // oFog = u runs from 0 at the left edge to 1 at the right: pixel 8, whose centre lies at
    // x 8 of 16, has u 0.5, a factor of 128 of 255.
    VertexShader* vs = FogVs(2);
    PixelShader* ps = WhitePs();
    const uint32_t left = DrawWith(vs, ps, 0), middle = DrawWith(vs, ps, 8), right = DrawWith(vs, ps, 15);
    EXPECT_NEAR(int(middle & 255), 128, 1);
    EXPECT_EQ(middle, (middle & 255) * 0x010101u);
    EXPECT_LT(left & 255, 20u);
    EXPECT_GT(right & 255, 235u);
}

TEST_F(ShaderFogTest, PixelShaderColoursAreFoggedWithoutAVertexShader) {
    // Pre-transformed vertices carry their fog factor in the specular alpha.
    dev->SetPixelShader(WhitePs());
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
    const uint32_t white = 0xFFFFFFFFu, second = 0x40000000u;
    const SpecularVertex quad[6] = {{0, 0, 0.5f, 1, white, second},  {16, 0, 0.5f, 1, white, second},
                                    {0, 16, 0.5f, 1, white, second}, {16, 16, 0.5f, 1, white, second},
                                    {0, 16, 0.5f, 1, white, second}, {16, 0, 0.5f, 1, white, second}};
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(SpecularVertex)), D3D_OK);
    dev->EndScene();
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0x404040u);

    // Table fog from the depth: linear from 0 to 1 at z 0.5 is half fog (128 of 255).
    dev->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    dev->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(0.0f));
    dev->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(1.0f));
    EXPECT_EQ(DrawWith(nullptr, WhitePs()), 0x808080u);
    EXPECT_EQ(DrawWith(FogVs(1), WhitePs()), 0x808080u);
}

}  // namespace
}  // namespace host::test
