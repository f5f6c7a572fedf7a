// Pixel shaders run by the device: constants and arithmetic, cmp, dp2add, sincos, texld
// through the sampler states, texkill, the back end applied to oC0, the engine's shader
// pack against the fixed-function draw it stands for, and what a bound shader cannot do.
#include <cmath>
#include <numbers>

#include "shader_code.h"
#include "tools/shader_pack/shader_pack.h"

namespace host::test {
namespace {

constexpr uint32_t kPC = kFileConst, kPR = kFileTemp;
const uint32_t kColor0 = Dst(kFileColorOut, 0);

// The pixel shader over a pre-transformed 16 x 16 quad with texture u from u0 to u1; the
// pixel at (x, y).
class PixelDraw : public ShaderDrawTest {
protected:
    // oC0 = texld(t0, s#sampler).
    PixelShader* SampleShader(uint32_t sampler) {
        return MakePs(ShaderCode(kPs20)
                          .DclPixel(kFileTexture, 0)
                          .DclSampler(sampler)
                          .Op(kOpTex, {Dst(kPR, 0), Src(kFileTexture, 0), Src(kFileSampler, sampler)})
                          .Op(kOpMov, {kColor0, Src(kPR, 0)})
                          .End());
    }
    uint32_t Run(PixelShader* ps, uint32_t clear = 0x00123456u, float u0 = 0, float u1 = 1, int x = 8, int y = 8) {
        dev->SetFVF(kTLFvf);
        dev->SetPixelShader(ps);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
        TLVertex quad[6];
        Quad(quad, 0, 0, 16, 16, 0xFF336699u, u0, 0, u1, 1);
        EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, quad), D3D_OK) << log;
        return Pixel(x, y) & 0xFFFFFF;
    }
};

TEST_F(PixelDraw, ArithmeticWithDefinedAndDeviceConstants) {
    const float half[4] = {0.5f, 0.5f, 1.0f, 1.0f};
    ASSERT_EQ(dev->SetPixelShaderConstantF(1, half, 1), D3D_OK);
    // c0 * c1 from the device, less c2.
    EXPECT_EQ(Run(MakePs(ShaderCode(kPs20)
                             .Def(0, 0.4f, 0.8f, 0.6f, 1)
                             .Def(2, 0, 0.2f, 0.2f, 0)
                             .Op(kOpMul, {Dst(kPR, 0), Src(kPC, 0), Src(kPC, 1)})
                             .Op(kOpSub, {kColor0, Src(kPR, 0), Src(kPC, 2)})
                             .End())),
              0x333366u);
    // cmp picks per component by the sign of the first source.
    EXPECT_EQ(Run(MakePs(ShaderCode(kPs20)
                             .Def(0, -1, 0, 1, 1)
                             .Def(1, 0.8f, 0.8f, 0.8f, 1)
                             .Def(2, 0.2f, 0.2f, 0.2f, 1)
                             .Op(kOpCmp, {kColor0, Src(kPC, 0), Src(kPC, 1), Src(kPC, 2)})
                             .End())),
              0x33CCCCu);
    // dp2add: 0.2 * 1 + 0.4 * 0.5 + 0.4, in every component.
    EXPECT_EQ(Run(MakePs(ShaderCode(kPs20)
                             .Def(0, 0.2f, 0.4f, 0, 0)
                             .Def(1, 1, 0.5f, 0, 0)
                             .Def(2, 0.4f, 0, 0, 0)
                             .Op(kOpDp2Add, {kColor0, Src(kPC, 0), Src(kPC, 1), Src(kPC, 2, Rep(0))})
                             .End())),
              0xCCCCCCu);
    // sincos of 60 degrees into x and y.
    const uint32_t sc = Run(MakePs(ShaderCode(kPs20)
                                       .Def(0, float(std::numbers::pi / 3), 0, 0, 1)
                                       .Op(kOpMov, {Dst(kPR, 0), Src(kPC, 0, Rep(1))})
                                       .Op(kOpSinCos, {Dst(kPR, 0, 3), Src(kPC, 0, Rep(0)), Src(kPC, 1), Src(kPC, 2)})
                                       .Op(kOpMov, {kColor0, Src(kPR, 0)})
                                       .End()));
    EXPECT_NEAR(int(sc >> 16), 128, 1);
    EXPECT_NEAR(int(sc >> 8 & 255), 221, 1);
    // The interpolated colour v0, saturated, with abs and negate modifiers.
    EXPECT_EQ(Run(MakePs(ShaderCode(kPs20)
                             .DclPixel(kFileInput, 0)
                             .Def(0, -1, -1, -1, -1)
                             .Op(kOpMad, {kColor0, Src(kFileInput, 0), Src(kPC, 0), Src(kPC, 0, kNoSwizzle, 11)})
                             .End())),
              0xCC9966u);
}

TEST_F(PixelDraw, TexldSamplesThroughTheSamplerStates) {
    Texture* tex = MakeTexture(2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80FFFFFFu});
    made.push_back(tex);
    dev->SetTexture(0, tex);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    PixelShader* ps = SampleShader(0);
    EXPECT_EQ(Run(ps, 0, 0, 1, 3, 3), 0xFF0000u);
    EXPECT_EQ(Pixel(12, 3) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(Pixel(3, 12) & 0xFFFFFF, 0x0000FFu);
    // u from 0 to 2 with clamping: the right half reads the last column.
    EXPECT_EQ(Run(ps, 0, 0, 2, 14, 3), 0x00FF00u);
    EXPECT_EQ(Pixel(5, 3) & 0xFFFFFF, 0x00FF00u);
    // Wrapping repeats the texture instead.
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    EXPECT_EQ(Run(ps, 0, 0, 2, 9, 3), 0xFF0000u);
    // Blending takes oC0's alpha as it takes a stage result's: texel alpha 0x80 over black.
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(Run(ps, 0, 0, 1, 12, 12), 0x808080u);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    // The alpha test sees it too.
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    dev->SetRenderState(D3DRS_ALPHAREF, 0x90);
    EXPECT_EQ(Run(ps, 0x000001u, 0, 1, 12, 12), 0x000001u);
    EXPECT_EQ(Pixel(3, 3) & 0xFFFFFF, 0xFF0000u);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    // Without a texture the sampler reads opaque black.
    dev->SetTexture(0, nullptr);
    EXPECT_EQ(Run(ps, 0x00FFFFFFu), 0u);
    // Samplers past the eight texture stages: s12 with its own texture and states.
    ASSERT_EQ(dev->SetTexture(12, tex), D3D_OK);
    ASSERT_EQ(dev->SetSamplerState(12, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), D3D_OK);
    EXPECT_EQ(Run(SampleShader(12), 0, 0, 2, 14, 3), 0x00FF00u);
    EXPECT_EQ(dev->SetTexture(16, tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetSamplerState(16, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), D3DERR_INVALIDCALL);
    dev->SetTexture(12, nullptr);
}

TEST_F(PixelDraw, TexkillDropsPixelsWithANegativeCoordinate) {
    // u runs from -1 to 1: the left half is killed and keeps the clear colour.
    PixelShader* ps = MakePs(ShaderCode(kPs20)
                                 .DclPixel(kFileTexture, 0)
                                 .Def(0, 0, 1, 0, 1)
                                 .Op(kOpTexKill, {Dst(kFileTexture, 0)})
                                 .Op(kOpMov, {kColor0, Src(kPC, 0)})
                                 .End());
    EXPECT_EQ(Run(ps, 0x00000080u, -1, 1, 3, 8), 0x000080u);
    EXPECT_EQ(Pixel(12, 8) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(PixelDraw, ShaderPackProgramsDrawWhatTheFixedFunctionDrawDoes) {
    std::vector<uint32_t> vsCode, psCode;
    for (const shaderpack::PackBlob& b : shaderpack::ShaderPackBlobs()) (b.vertex ? vsCode : psCode) = b.tokens;
    ASSERT_FALSE(vsCode.empty());
    ASSERT_FALSE(psCode.empty());
    std::vector<uint32_t> texels;
    for (uint32_t i = 0; i < 16; ++i) texels.push_back(0xFF000000u | (i * 16) << 16 | (255 - i * 16) << 8 | i * 5);
    Texture* tex = MakeTexture(4, 4, texels);
    made.push_back(tex);
    dev->SetTexture(0, tex);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    auto image = [&] {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        EXPECT_EQ(DrawClipQuad(0xC080FF40u), D3D_OK) << log;
        std::vector<uint32_t> out;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) out.push_back(Pixel(x, y) & 0xFFFFFF);
        return out;
    };
    // Fixed function: clip-space positions with identity matrices, texture times diffuse.
    const std::vector<uint32_t> fixed = image();
    EXPECT_EQ(fixed[0], ((0x00 * 0x80 + 127) / 255) << 16 | ((0xFF * 0xFF + 127) / 255) << 8 | 0);
    dev->SetVertexShader(MakeVs(vsCode));
    dev->SetPixelShader(MakePs(psCode));
    EXPECT_EQ(image(), fixed);
}

TEST_F(PixelDraw, WhatABoundShaderCannotDrawIsRefusedAndLogged) {
    PixelShader* ps = MakePs(ShaderCode(kPs20).DclPixel(kFileInput, 0).Op(kOpMov, {kColor0, Src(kFileInput, 0)}).End());
    const D3DVERTEXELEMENT9 elements[] = {{0, 16, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0}, D3DDECL_END()};
    VertexDeclaration* decl = nullptr;
    ASSERT_EQ(dev->CreateVertexDeclaration(elements, &decl), D3D_OK);
    made.push_back(decl);
    // A declaration the fixed-function vertex stage cannot draw (no position), with no
    // vertex shader to read it, is refused at the draw.
    dev->SetPixelShader(ps);
    dev->SetVertexDeclaration(decl);
    TLVertex quad[6];
    Quad(quad, 0, 0, 16, 16, 0xFFFFFFFFu);
    EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, quad), D3DERR_INVALIDCALL);
    EXPECT_NE(log.find("draw refused"), std::string::npos);
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0u);
    // Code the device cannot run is refused when made: a sampler of no texture type (1 and
    // 5), s16, texld from an undeclared sampler, a vertex-only instruction, c32, a version
    // above 3.0, and ps_3_0 on a device that reports model 2.
    EXPECT_TRUE(PixelRefused(ShaderCode(kPs20).DclSampler(0, 1).End()));
    EXPECT_TRUE(PixelRefused(ShaderCode(kPs20).DclSampler(0, 5).End()));
    EXPECT_TRUE(PixelRefused(ShaderCode(kPs20).DclSampler(16).End()));
    EXPECT_TRUE(PixelRefused(
        ShaderCode(kPs20).Op(kOpTex, {Dst(kPR, 0), Src(kFileTexture, 0), Src(kFileSampler, 1)}).End()));
    EXPECT_TRUE(PixelRefused(ShaderCode(kPs20).Op(kOpSlt, {kColor0, Src(kPC, 0), Src(kPC, 0)}).End()));
    EXPECT_TRUE(PixelRefused(ShaderCode(kPs20).Op(kOpMov, {kColor0, Src(kPC, 32)}).End()));
    EXPECT_TRUE(PixelRefused(ShaderCode(0xFFFF0301u).End()));
    EXPECT_NE(MakePs(ShaderCode(0xFFFF0300u).End()), nullptr);
    D3D9Settings().shaderModel = 2;
    EXPECT_TRUE(PixelRefused(ShaderCode(0xFFFF0300u).End()));
}

}  // namespace
}  // namespace host::test
