// Pixel code run on rows of lanes gives the pixels the one-pixel interpreter gives: each
// draw is made again on the general path (which runs pixel by pixel) and with the
// baseline build of the lanes' vector kernels, over arithmetic of every kind with
// swizzles and modifiers, perspective-correct inputs, texture lookups, texkill,
// predicated writes and branches whose lanes part or agree, written over the target,
// blended into it or added to it, or through a write mask or a stencil test. Code that
// takes derivatives runs in 2x2 quads on both paths, its pixels written as the lanes
// write theirs off the general path.
#include "shader_code.h"

namespace host::test {
namespace {

constexpr uint32_t kLC = kFileConst, kLR = kFileTemp, kLV = kFileInput, kNeg = 1, kAbs = 11;
const uint32_t kLaneColor = Dst(kFileColorOut, 0);

class LaneDraw : public ShaderDrawTest {
protected:
    void SetUp() override {
        ShaderDrawTest::SetUp();
        std::vector<uint32_t> texels(16);
        for (uint32_t i = 0; i < 16; ++i) texels[i] = (i * 0x11u) << 24 | (i * 0x2F1Du) << 4 | (255 - i * 9);
        Texture* tex = MakeTexture(4, 4, texels);
        made.push_back(tex);
        dev->SetTexture(0, tex);
    }
    // The target after a quad whose corners differ in colour, texture coordinates and rhw,
    // drawn with `ps` in lanes (by the kernels the processor takes, or the baseline's) or
    // pixel by pixel.
    static constexpr TLVertex kQuad[6] = {
        {0, 0, 0, 1.0f, 0xFF2040FFu, -0.3f, -0.2f}, {16, 0, 0, 0.5f, 0x80FF8000u, 1.4f, 0},
        {0, 16, 0, 0.25f, 0x40008010u, 0, 1.3f},    {16, 16, 0, 0.8f, 0xC0C0C0C0u, 1, 1},
        {0, 16, 0, 0.25f, 0x40008010u, 0, 1.3f},    {16, 0, 0, 0.5f, 0x80FF8000u, 1.4f, 0}};
    enum class Path { Lanes, BaselineLanes, OnePixel };
    std::vector<uint32_t> Frame(PixelShader* ps, Path path, const TLVertex (&q)[6]) {
        D3D9Settings().forceGenericPath = path == Path::OnePixel;
        D3D9Settings().forceBaselineSpans = path == Path::BaselineLanes;
        dev->SetFVF(kTLFvf);
        dev->SetPixelShader(ps);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00123456u, 1.0f, 0);
        EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK) << log;
        std::vector<uint32_t> out;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) out.push_back(Pixel(x, y));
        return out;
    }
    std::vector<uint32_t> ExpectLanesMatch(PixelShader* ps, const TLVertex (&q)[6] = kQuad) {
        const std::vector<uint32_t> onePixel = Frame(ps, Path::OnePixel, q);
        EXPECT_EQ(Frame(ps, Path::Lanes, q), onePixel);
        EXPECT_EQ(Frame(ps, Path::BaselineLanes, q), onePixel);
        return onePixel;
    }
    // Point sampling with clamping and linear with wrapping; written over the target, and
    // blended by the colour's alpha over it or added to it where an alpha test passes.
    void ExpectSameFrames(const std::vector<uint32_t>& code) {
        PixelShader* ps = MakePs(code);
        ASSERT_NE(ps, nullptr);
        for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
            dev->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
            dev->SetSamplerState(0, D3DSAMP_ADDRESSU, filter == D3DTEXF_POINT ? D3DTADDRESS_CLAMP : D3DTADDRESS_WRAP);
            for (DWORD dest : {0u, DWORD(D3DBLEND_INVSRCALPHA), DWORD(D3DBLEND_ONE)}) {  // 0: not blended
                SCOPED_TRACE(testing::Message() << "filter " << filter << " blend " << dest);
                dev->SetRenderState(D3DRS_ALPHABLENDENABLE, dest != 0);
                dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
                if (dest) dev->SetRenderState(D3DRS_DESTBLEND, dest);
                dev->SetRenderState(D3DRS_ALPHATESTENABLE, dest != 0);
                dev->SetRenderState(D3DRS_ALPHAREF, 0x30);
                dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
                ExpectLanesMatch(ps);
            }
        }
    }
    static ShaderCode Model3() {
        ShaderCode c(kPs30);
        c.DclUsage(kLV, D3DDECLUSAGE_COLOR, 0, 0).DclUsage(kLV, D3DDECLUSAGE_TEXCOORD, 0, 1).DclSampler(0);
        return c;
    }
};

TEST_F(LaneDraw, ArithmeticGivesThePixelsOfTheOnePixelRuns) {
    ExpectSameFrames(Model3()
                         .Def(0, 0.5f, -1.5f, 2, 0.25f)
                         .Def(1, 0.1f, 0.7f, -0.3f, 3)
                         .Op(kOpMul, {Dst(kLR, 0), Src(kLV, 0), Src(kLC, 0, Swz(1, 0, 2, 3))})
                         .Op(kOpMad, {Dst(kLR, 1), Src(kLR, 0, kNoSwizzle, kNeg), Src(kLC, 1), Src(kLV, 1)})
                         .Op(kOpDp3, {Dst(kLR, 2, 1), Src(kLR, 0), Src(kLR, 1)})
                         .Op(kOpRcp, {Dst(kLR, 2, 2), Src(kLR, 1, Rep(3))})
                         .Op(kOpRsq, {Dst(kLR, 2, 4), Src(kLR, 0, Rep(0), kAbs)})
                         .Op(kOpExp, {Dst(kLR, 2, 8), Src(kLR, 0, Rep(2))})
                         .Op(kOpLog, {Dst(kLR, 3, 1), Src(kLR, 1, Rep(1))})
                         .Op(kOpPow, {Dst(kLR, 3, 2), Src(kLR, 0, Rep(0), kAbs), Src(kLC, 1, Rep(3))})
                         .Op(kOpFrc, {Dst(kLR, 3, 12), Src(kLR, 1)})
                         .Op(kOpNrm, {Dst(kLR, 4), Src(kLR, 1)})
                         .Op(kOpLrp, {Dst(kLR, 5), Src(kLV, 0, Rep(3)), Src(kLR, 0), Src(kLR, 1)})
                         .Op(kOpCmp, {Dst(kLR, 6), Src(kLR, 1), Src(kLR, 0), Src(kLR, 2)})
                         .Op(kOpMin, {Dst(kLR, 7), Src(kLR, 5), Src(kLR, 6)})
                         .Op(kOpMax, {Dst(kLR, 7), Src(kLR, 7), Src(kLR, 4)})
                         .Op(kOpAdd, {Dst(kLR, 7, 0xF, true), Src(kLR, 7), Src(kLR, 3)})
                         .Op(kOpMov, {kLaneColor, Src(kLR, 7, Swz(3, 2, 1, 0))})
                         .End());
}

// Code without branches clears only what it reads before writing: that reads zero in
// every row of lanes, as in every one-pixel run, not what the row before left; and a
// register read turned about while it is written reads as it was.
TEST_F(LaneDraw, TemporariesReadBeforeTheyAreWrittenReadZero) {
    ExpectSameFrames(Model3()
                         .Def(0, 0.25f, 0.125f, 0.5f, 1)
                         .Op(kOpMov, {Dst(kLR, 0), Src(kLV, 0)})
                         .Op(kOpAdd, {Dst(kLR, 1), Src(kLR, 1, Swz(3, 0, 1, 2)), Src(kLC, 0)})
                         .Op(kOpMad, {kLaneColor, Src(kLR, 0), Src(kLR, 1), Src(kLR, 1)})
                         .End());
}

// Texel-times-factor code runs as one step: in three instructions with the factor
// first, in two writing the colour itself, saturated, by a swizzled negated constant, and
// as the texel alone.
TEST_F(LaneDraw, TexelProductsGiveThePixelsOfTheOnePixelRuns) {
    ExpectSameFrames(Model3()
                         .Op(kOpTex, {Dst(kLR, 3), Src(kLV, 1), Src(kFileSampler, 0)})
                         .Op(kOpMov, {kLaneColor, Src(kLR, 3)})
                         .End());
    ExpectSameFrames(Model3()
                         .Op(kOpTex, {Dst(kLR, 0), Src(kLV, 1), Src(kFileSampler, 0)})
                         .Op(kOpMul, {Dst(kLR, 1), Src(kLV, 0), Src(kLR, 0)})
                         .Op(kOpMov, {kLaneColor, Src(kLR, 1)})
                         .End());
    ExpectSameFrames(Model3()
                         .Def(0, -0.5f, -1.5f, 2, -0.75f)
                         .Op(kOpTex, {Dst(kLR, 2), Src(kLV, 1), Src(kFileSampler, 0)})
                         .Op(kOpMul, {Dst(kFileColorOut, 0, 0xF, true), Src(kLR, 2), Src(kLC, 0, Swz(3, 2, 1, 0), kNeg)})
                         .End());
}

// A texel position just below a whole texel, within the half step of 2^-32 the lookup
// rounds by: u * 623 for this u lies 2^-33 under 1, which reads texel 1.
TEST_F(LaneDraw, LookupsRoundTexelPositionsAsTheOnePixelRuns) {
    std::vector<uint32_t> texels(623, 0xFF000000u);
    texels[1] = 0xFFFFFFFFu;
    Texture* tex = MakeTexture(623, 1, texels);
    made.push_back(tex);
    dev->SetTexture(0, tex);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    const float u = 0x1.a4c6e2p-10f;
    const TLVertex q[6] = {{0, 0, 0, 1, 0, u, 0.5f},  {16, 0, 0, 1, 0, u, 0.5f}, {0, 16, 0, 1, 0, u, 0.5f},
                           {16, 16, 0, 1, 0, u, 0.5f}, {0, 16, 0, 1, 0, u, 0.5f}, {16, 0, 0, 1, 0, u, 0.5f}};
    PixelShader* ps = MakePs(Model3()
                                 .Op(kOpTex, {Dst(kLR, 0), Src(kLV, 1), Src(kFileSampler, 0)})
                                 .Op(kOpMov, {kLaneColor, Src(kLR, 0)})
                                 .End());
    ASSERT_NE(ps, nullptr);
    EXPECT_EQ(ExpectLanesMatch(ps, q)[0], 0xFFFFFFFFu);
}

TEST_F(LaneDraw, LookupsKillsPredicatesAndBranchesGiveThePixelsOfTheOnePixelRuns) {
    const DWORD texldp = kOpTex | 1u << 16, ifcGt = kOpIfC | kCmpGt << 16;
    // `compared` decides the first branch: a constant (every lane agrees) or a texel
    // (lanes part, and the row runs pixel by pixel).
    auto code = [&](uint32_t compared) {
        return Model3()
            .Def(0, 0.5f, 0.3f, 0.1f, 1)
            .Def(1, 1, 0, 0.5f, 1)
            .DefB(0, true)
            .Op(kOpTex, {Dst(kLR, 0), Src(kLV, 1), Src(kFileSampler, 0)})
            .Op(texldp, {Dst(kLR, 1), Src(kLV, 1, Swz(0, 1, 2, 1)), Src(kFileSampler, 0)})
            .Op(ifcGt, {compared, Src(kLC, 0, Rep(0))})
            .Op(kOpMul, {Dst(kLR, 0), Src(kLR, 0), Src(kLV, 0)})
            .Op(kOpElse, {})
            .Op(kOpAdd, {Dst(kLR, 0), Src(kLR, 1), Src(kLC, 0, Rep(1))})
            .Op(kOpEndIf, {})
            .Op(kOpIf, {Src(kFileConstBool, 0)})
            .Op(kOpMad, {Dst(kLR, 0, 3), Src(kLR, 1), Src(kLC, 0), Src(kLR, 0)})
            .Op(kOpEndIf, {})
            .Op(kOpAdd, {Dst(kLR, 2), Src(kLR, 0), Src(kLC, 0, Rep(2), kNeg)})
            .Op(kOpTexKill, {Dst(kLR, 2, 1)})
            .Op(kOpSetP | kCmpLt << 16, {Dst(kFilePredicate, 0), Src(kLR, 0), Src(kLC, 0)})
            .Op(kOpMov | 1u << 28, {Dst(kLR, 0, 3), Src(kFilePredicate, 0, Swz(0, 0, 1, 1)), Src(kLC, 1)})
            .Op(kOpMov, {kLaneColor, Src(kLR, 0)})
            .End();
    };
    ExpectSameFrames(code(Src(kLC, 1, Rep(0))));
    ExpectSameFrames(code(Src(kLR, 0, Rep(0))));
}

// The fast write knows no write mask and no stencil: with either, pixels are written as
// the general path writes them.
TEST_F(LaneDraw, MaskedOrStencilledPixelsAreWrittenAsTheGeneralPathWritesThem) {
    PixelShader* ps = MakePs(Model3().Op(kOpMov, {kLaneColor, Src(kLV, 0)}).End());
    ASSERT_NE(ps, nullptr);
    dev->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED);
    ExpectLanesMatch(ps);
    dev->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    Surface* ds = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(16, 16, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, 0, &ds, nullptr), D3D_OK);
    made.push_back(ds);
    dev->SetDepthStencilSurface(ds);
    dev->SetRenderState(D3DRS_ZENABLE, 0);
    dev->SetRenderState(D3DRS_STENCILENABLE, 1);
    dev->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NEVER);
    ExpectLanesMatch(ps);
}

TEST_F(LaneDraw, QuadsWriteThePixelsOfTheGeneralPath) {
    ExpectSameFrames(Model3()
                         .Def(0, 4, 4, 4, 2)
                         .Op(kOpTex, {Dst(kLR, 0), Src(kLV, 1), Src(kFileSampler, 0)})
                         .Op(kOpDsx, {Dst(kLR, 1), Src(kLV, 0)})
                         .Op(kOpMad, {Dst(kLR, 0), Src(kLR, 1), Src(kLC, 0), Src(kLR, 0)})
                         .Op(kOpMul, {kLaneColor, Src(kLR, 0), Src(kLV, 0)})
                         .End());
}

}  // namespace
}  // namespace host::test
