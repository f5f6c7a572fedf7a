// Texture stages as the engine's blend mask and blend modes use them: the two-texture
// vertex layout with specular, the temporary register, the texture factor, replicated
// alpha and the blending operations, checked against hand-worked values.
#include "device_fixture.h"

namespace host::test {
namespace {

struct TwoTexVertex {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
    float u, v, u2, v2;
};
static_assert(sizeof(TwoTexVertex) == 40);
constexpr DWORD kTwoTexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;

struct ColorVertex {
    float x, y, z, rhw;
    uint32_t diffuse;
};

class StageOpsTest : public DeviceTest {
protected:
    void Stage(DWORD stage, DWORD colorOp, DWORD c1, DWORD c2, DWORD alphaOp, DWORD a1, DWORD a2,
               DWORD result = D3DTA_CURRENT) {
        dev->SetTextureStageState(stage, D3DTSS_COLOROP, colorOp);
        dev->SetTextureStageState(stage, D3DTSS_COLORARG1, c1);
        dev->SetTextureStageState(stage, D3DTSS_COLORARG2, c2);
        dev->SetTextureStageState(stage, D3DTSS_ALPHAOP, alphaOp);
        dev->SetTextureStageState(stage, D3DTSS_ALPHAARG1, a1);
        dev->SetTextureStageState(stage, D3DTSS_ALPHAARG2, a2);
        dev->SetTextureStageState(stage, D3DTSS_RESULTARG, result);
    }
    void EndStages(DWORD stage) {
        dev->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
        dev->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    // A flat 2 x 2 square at the origin without texture coordinates.
    void FlatSquare(uint32_t diffuse) {
        const ColorVertex v[4] = {{0, 0, 0, 1, diffuse}, {2, 0, 0, 1, diffuse}, {0, 2, 0, 1, diffuse}, {2, 2, 0, 1, diffuse}};
        dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        dev->BeginScene();
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ColorVertex)), D3D_OK);
        dev->EndScene();
    }
};

TEST_F(StageOpsTest, SecondCoordinatesAddressTheSecondStageInTheFortyByteLayout) {
    // Stage 0 shows red | green texels; stage 1 weights the alpha by a mask read through
    // the second coordinates, which run the other way: pixel 0 reads mask texel 1 (opaque),
    // pixel 1 reads mask texel 0 (clear).
    Texture* picture = MakeTexture(2, 1, {0xFFFF0000u, 0xFF00FF00u});
    Texture* mask = MakeTexture(2, 1, {0x00000000u, 0xFF000000u});
    dev->SetTexture(0, picture);
    dev->SetTexture(1, mask);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Stage(1, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEXTURE);
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    EndStages(2);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->SetRenderState(D3DRS_SPECULARENABLE, 0);
    const uint32_t white = 0xFFFFFFFFu;
    const TwoTexVertex v[4] = {{-0.5f, -0.5f, 0, 1, white, white, 0, 0, 1, 0},
                               {1.5f, -0.5f, 0, 1, white, white, 1, 0, 0, 0},
                               {-0.5f, 0.5f, 0, 1, white, white, 0, 1, 1, 1},
                               {1.5f, 0.5f, 0, 1, white, white, 1, 1, 0, 1}};
    dev->SetFVF(kTwoTexFvf);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TwoTexVertex)), D3D_OK);
    EXPECT_EQ(Pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Pixel(1, 0) & 0xFFFFFF, 0x000000u);
    // With specular switched on the white specular is added to the colour.
    dev->SetRenderState(D3DRS_SPECULARENABLE, 1);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TwoTexVertex)), D3D_OK);
    dev->EndScene();
    EXPECT_EQ(Pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    picture->Release();
    mask->Release();
}

TEST_F(StageOpsTest, TemporaryRegisterHoldsAWeightWhileCurrentKeepsTheColour) {
    // Current = diffuse (FF, 80, 40, alpha 80). Temp alpha = texture 60 - factor 30 = 30,
    // then four times 30 against specular = C0. Last: alpha 80 x C0 / 255 = 60, colour
    // times C0 replicated: (C0, 60, 30). Drawn at its alpha over black: (48, 24, 12).
    Texture* mask = MakeTexture(1, 1, {0x60000000u});
    dev->SetTexture(1, mask);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0x30FFFFFFu);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE);
    Stage(1, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_CURRENT, D3DTOP_SUBTRACT, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTA_TEMP);
    Stage(2, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_CURRENT, D3DTOP_MODULATE4X, D3DTA_TEMP, D3DTA_SPECULAR,
          D3DTA_TEMP);
    Stage(3, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEMP | D3DTA_ALPHAREPLICATE, D3DTOP_MODULATE, D3DTA_CURRENT,
          D3DTA_TEMP);
    EndStages(4);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    const uint32_t diffuse = 0x80FF8040u, white = 0xFFFFFFFFu;
    const TwoTexVertex v[4] = {{0, 0, 0, 1, diffuse, white, 0, 0, 0, 0},
                               {2, 0, 0, 1, diffuse, white, 0, 0, 0, 0},
                               {0, 2, 0, 1, diffuse, white, 0, 0, 0, 0},
                               {2, 2, 0, 1, diffuse, white, 0, 0, 0, 0}};
    dev->SetFVF(kTwoTexFvf);
    dev->SetRenderState(D3DRS_SPECULARENABLE, 0);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TwoTexVertex)), D3D_OK);
    dev->EndScene();
    EXPECT_EQ(Pixel(1, 1) & 0xFFFFFF, 0x482412u);
    mask->Release();
}

TEST_F(StageOpsTest, BlendOperationsTowardTheTextureFactorAndFourTimesModulation) {
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu);
    // Diffuse red at alpha 40 mixed toward white: green and blue 255 x 191/255 = BF.
    Stage(0, D3DTOP_BLENDDIFFUSEALPHA, D3DTA_DIFFUSE, D3DTA_TFACTOR, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE);
    EndStages(1);
    FlatSquare(0x40FF0000u);
    EXPECT_EQ(Pixel(0, 0) & 0xFFFFFF, 0xFFBFBFu);
    // The same through the current alpha on a second stage, with an inverted diffuse.
    Stage(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE,
          D3DTA_DIFFUSE);
    Stage(1, D3DTOP_BLENDCURRENTALPHA, D3DTA_CURRENT, D3DTA_TFACTOR, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_CURRENT);
    EndStages(2);
    FlatSquare(0x8000FFFFu);  // inverted: FF, 00, 00 at alpha 80 -> FF, 7F, 7F
    EXPECT_EQ(Pixel(0, 0) & 0xFFFFFF, 0xFF7F7Fu);
    // Four times a quarter-grey texel, read at (0, 0) by vertices without coordinates:
    // 100 x 64 x 4 / 255 = 100.4, 50 -> 50.2, 200 -> 200.8 (rounded to nearest).
    Texture* grey = MakeTexture(2, 2, {0x40404040u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu});
    dev->SetTexture(0, grey);
    Stage(0, D3DTOP_MODULATE4X, D3DTA_DIFFUSE, D3DTA_TEXTURE, D3DTOP_SELECTARG2, D3DTA_DIFFUSE, D3DTA_DIFFUSE);
    EndStages(1);
    FlatSquare(0xFF6432C8u);
    EXPECT_EQ(Pixel(1, 1) & 0xFFFFFF, 0x6432C9u);
    grey->Release();
}

}  // namespace
}  // namespace host::test
