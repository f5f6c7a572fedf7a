// Pixel code of model 2.x drawn by the device: derivatives taken across 2x2 quads (helper
// pixels included), texture levels chosen from gradients by texldd and by texld inside a
// quad, and vertex code of model 2.x with predication drawing through the same device.
#include "shader_code.h"

namespace host::test {
namespace {

constexpr uint32_t kQuadVs2x = 0xFFFE0201u, kQuadPs2x = 0xFFFF0201u;
constexpr uint32_t kQR = kFileTemp, kQC = kFileConst;
const uint32_t kQuadColor = Dst(kFileColorOut, 0);

class QuadShaderTest : public ShaderDrawTest {
protected:
    // The pixel shader over a pre-transformed 16 x 16 quad with texture coordinates 0 to
    // (u1, v1) at its corners, so u at pixel x is u1 x / 16; the colours of the pixels.
    void Run(PixelShader* ps, float u1 = 1, float v1 = 1) {
        dev->SetFVF(kTLFvf);
        dev->SetPixelShader(ps);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00123456u, 1.0f, 0);
        TLVertex quad[6];
        Quad(quad, 0, 0, 16, 16, 0xFFFFFFFFu, 0, 0, u1, v1);
        EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, quad), D3D_OK) << log;
    }
    // The level-coloured texture on sampler 0, point sampled between levels.
    void BindLevels() {
        Texture* tex = LevelColoredTexture(dev);
        dev->SetTexture(0, tex);
        if (tex) tex->Release();
        dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    }
};

TEST_F(QuadShaderTest, DerivativesAreDifferencesAcrossTheQuad) {
    // red = dsx(u) * 8, green = dsy(v) * 4, blue = dsx(u * u) * 8: u = x / 16 steps by 1/16
    // a pixel, and u * u by ((x0 + 1)^2 - x0^2) / 256 across the quad's column pair x0, x0 + 1.
    Run(MakePs(ShaderCode(kQuadPs2x)
                   .DclPixel(kFileTexture, 0)
                   .Def(0, 8, 4, 8, 0)
                   .Def(1, 0, 0, 0, 1)
                   .Op(kOpMul, {Dst(kQR, 0), Src(kFileTexture, 0), Src(kFileTexture, 0)})
                   .Op(kOpDsx, {Dst(kQR, 1, 1), Src(kFileTexture, 0)})
                   .Op(kOpDsy, {Dst(kQR, 1, 2), Src(kFileTexture, 0)})
                   .Op(kOpDsx, {Dst(kQR, 1, 4), Src(kQR, 0, Rep(0))})
                   .Op(kOpMul, {Dst(kQR, 1, 7), Src(kQR, 1), Src(kQC, 0)})
                   .Op(kOpMov, {Dst(kQR, 1, 8), Src(kQC, 1)})
                   .Op(kOpMov, {kQuadColor, Src(kQR, 1)})
                   .End()));
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0x804087u) << log;  // 17 / 256 * 8 of 255 is 135
    EXPECT_EQ(Pixel(9, 8) & 0xFFFFFF, 0x804087u);  // the same quad, across the triangles' shared edge
    EXPECT_EQ(Pixel(10, 3) & 0xFFFFFF, 0x8040A7u);  // 21 / 256 * 8 of 255 is 167
    EXPECT_EQ(Pixel(0, 15) & 0xFFFFFF, 0x804008u);  // 1 / 256 * 8 of 255 is 8
}

TEST_F(QuadShaderTest, TexturesPickTheLevelOfTheirGradients) {
    BindLevels();
    // texldd with gradients of 4 texels a pixel each way reads level 2 (blue), whatever
    // the quad's own coordinates; 1.5 texels rounds to level 1.
    auto explicitGradients = [&](float texels) {
        return MakePs(ShaderCode(kQuadPs2x)
                          .DclPixel(kFileTexture, 0)
                          .DclSampler(0)
                          .Def(0, texels / 16, 0, 0, 0)
                          .Def(1, 0, texels / 16, 0, 0)
                          .Op(kOpTexLdd, {Dst(kQR, 0), Src(kFileTexture, 0), Src(kFileSampler, 0), Src(kQC, 0),
                                          Src(kQC, 1)})
                          .Op(kOpMov, {kQuadColor, Src(kQR, 0)})
                          .End());
    };
    Run(explicitGradients(4));
    EXPECT_EQ(Pixel(5, 5) & 0xFFFFFF, 0x0000FFu) << log;
    Run(explicitGradients(1.5f));
    EXPECT_EQ(Pixel(5, 5) & 0xFFFFFF, 0x00FF00u);
    // texld in code that takes derivatives runs in quads and follows its coordinates'
    // own differences: 8 texels a pixel is level 3 (white), even where the coordinates
    // were computed (t0 * 2 over a quad of u and v to 4).
    Run(MakePs(ShaderCode(kQuadPs2x)
                   .DclPixel(kFileTexture, 0)
                   .DclSampler(0)
                   .Def(0, 2, 2, 2, 2)
                   .Op(kOpMul, {Dst(kQR, 1), Src(kFileTexture, 0), Src(kQC, 0)})
                   .Op(kOpDsx, {Dst(kQR, 2), Src(kQR, 1)})
                   .Op(kOpTex, {Dst(kQR, 0), Src(kQR, 1), Src(kFileSampler, 0)})
                   .Op(kOpMov, {kQuadColor, Src(kQR, 0)})
                   .End()),
        4, 4);
    EXPECT_EQ(Pixel(6, 9) & 0xFFFFFF, 0xFFFFFFu) << log;
}

TEST_F(QuadShaderTest, AnisotropicTapsFollowTheGradientsAxisNotItsMirror) {
    // Stripes along the anti-diagonal: a texel is white where (x + y) % 4 == 0. Three taps
    // a texel apart along (1, -1), from the pixel's texel centre (t0 moved by half a
    // texel), stay on one stripe, so each pixel reads its own texel's colour; along the
    // mirrored axis (1, 1) they would cross stripes into greys.
    std::vector<uint32_t> texels(16 * 16);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = (i % 16 + i / 16) % 4 == 0 ? 0xFFFFFFFFu : 0xFF000000u;
    Texture* tex = MakeTexture(16, 16, texels);
    dev->SetTexture(0, tex);
    tex->Release();
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
    dev->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, 3);
    for (const float sign : {1.0f, -1.0f}) {
        Run(MakePs(ShaderCode(kQuadPs2x)
                       .DclPixel(kFileTexture, 0)
                       .DclSampler(0)
                       .Def(0, sign * 3 / 16, -sign * 3 / 16, 0, 0)
                       .Def(1, 0, 0, 0, 0)
                       .Def(2, 0.5f / 16, 0.5f / 16, 0, 0)
                       .Op(kOpAdd, {Dst(kQR, 1), Src(kFileTexture, 0), Src(kQC, 2)})
                       .Op(kOpTexLdd, {Dst(kQR, 0), Src(kQR, 1), Src(kFileSampler, 0), Src(kQC, 0), Src(kQC, 1)})
                       .Op(kOpMov, {kQuadColor, Src(kQR, 0)})
                       .End()));
        for (int x = 4; x < 8; ++x) EXPECT_EQ(Pixel(x, 8), texels[8 * 16 + size_t(x)]) << "x " << x << " sign " << sign;
    }
}

TEST_F(QuadShaderTest, ExtendedVertexCodeDrawsWithPredication) {
    // oD0 = c0 where c1 > 0 component by component (predicated), else the c2 written first.
    std::vector<uint32_t> code = ShaderCode(kQuadVs2x)
                                     .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                     .Def(0, 1, 1, 1, 1)
                                     .Def(1, 1, -1, 1, 0)
                                     .Def(2, 0.2f, 0.2f, 0.2f, 1)
                                     .Op(kOpMov, {Dst(kFileRastOut, 0), Src(kFileInput, 0)})
                                     .Op(kOpMov, {Dst(kFileAttrOut, 0), Src(kQC, 2)})
                                     .Op(kOpSetP | kCmpGt << 16, {Dst(kFilePredicate, 0), Src(kQC, 1), Src(kQC, 3)})
                                     .Op(kOpMov | 1u << 28, {Dst(kFileAttrOut, 0, 7), Src(kFilePredicate, 0), Src(kQC, 0)})
                                     .End();
    dev->SetVertexShader(MakeVs(code));
    UseDiffuseOnly();
    ASSERT_EQ(DrawClipQuad(), D3D_OK) << log;
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0xFF33FFu);
}

}  // namespace
}  // namespace host::test
