// Shader model 3.0 drawn by the device: vertex outputs reaching pixel inputs by usage and
// index whatever their registers, vPos and vFace, texldl at the level asked in pixel code
// and through the vertex texture samplers, aL indexing inputs and constants, the 224
// pixel constants, extra colour outputs dropped, the code and runs it refuses, and the
// watchdog that ends a draw whose loops run past its time without cutting honest ones.
#include <functional>

#include "shader_code.h"

namespace host::test {
namespace {

constexpr uint32_t kM3R = kFileTemp, kM3C = kFileConst, kM3V = kFileInput, kM3O = kFileOutput;
const uint32_t kM3Color = Dst(kFileColorOut, 0);
constexpr uint32_t kCentroid = 4u << 20, kPartial = 2u << 20;

class Model3Test : public ShaderDrawTest {
protected:
    static constexpr int kLongQuads = 20;
    static constexpr uint32_t kLastQuadColor = 0xFF000000u | kLongQuads * 0x010203u;
    // Twenty quads over the whole target, each its own colour, of pixel code whose nested
    // loops only spend instructions: 61442 a pixel, near the 65535 one invocation may run,
    // and 1.17 * 2^28 in the one draw.
    HRESULT DrawLongQuads() {
        dev->SetFVF(kTLFvf);
        dev->SetPixelShader(MakePs(ShaderCode(kPs30)
                                       .DclUsage(kM3V, D3DDECLUSAGE_COLOR, 0, 0)
                                       .Def(0, 0, 0, 0, 0)
                                       .DefI(0, 120, 0, 0, 0)
                                       .DefI(1, 255, 0, 0, 0)
                                       .Op(kOpRep, {Src(kFileConstInt, 0)})
                                       .Op(kOpRep, {Src(kFileConstInt, 1)})
                                       .Op(kOpAdd, {Dst(kM3R, 0, 1), Src(kM3R, 0), Src(kM3C, 0)})
                                       .Op(kOpEndRep, {})
                                       .Op(kOpEndRep, {})
                                       .Op(kOpAdd, {kM3Color, Src(kM3V, 0), Src(kM3R, 0)})
                                       .End()));
        TLVertex quads[kLongQuads][6];
        for (uint32_t n = 0; n < kLongQuads; ++n) Quad(quads[n], 0, 0, 16, 16, 0xFF000000u | (n + 1) * 0x010203u);
        log.clear();
        return Draw(D3DPT_TRIANGLELIST, 2 * kLongQuads, quads[0]);
    }
    // vs_3_0: position through, then `body`; its outputs as `outputs` declares them.
    VertexShader* Vertex(const std::function<void(ShaderCode&)>& declare, const std::function<void(ShaderCode&)>& body) {
        ShaderCode code(kVs30);
        code.DclInput(D3DDECLUSAGE_POSITION, 0, 0).DclUsage(kM3O, D3DDECLUSAGE_POSITION, 0, 0);
        declare(code);
        code.Op(kOpMov, {Dst(kM3O, 0), Src(kM3V, 0)});
        body(code);
        return MakeVs(code.End());
    }
    // The level-coloured texture, released with the test.
    Texture* Levels() {
        Texture* tex = LevelColoredTexture(dev);
        if (tex) made.push_back(tex);
        return tex;
    }
    // The pixel shader over a pre-transformed 16 x 16 quad, its corners clockwise or not.
    void DrawScreenQuad(PixelShader* ps, bool clockwise = true) {
        dev->SetFVF(kTLFvf);
        dev->SetPixelShader(ps);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00123456u, 1.0f, 0);
        TLVertex q[6];
        Quad(q, 0, 0, 16, 16, 0xFFFFFFFFu);
        if (!clockwise) std::swap(q[1], q[2]), std::swap(q[4], q[5]);
        EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK) << log;
    }
};

TEST_F(Model3Test, OutputsReachInputsByUsageNotRegister) {
    // Colour 0 in o3, texture 5 in o1, texture sets 0 and 1 packed into o2; the pixel code
    // declares them in other registers (colour 0 with centroid), and texture 7, which the
    // vertex code does not write, reads 0.
    dev->SetVertexShader(Vertex(
        [](ShaderCode& c) {
            c.DclUsage(kM3O, D3DDECLUSAGE_COLOR, 0, 3)
                .DclUsage(kM3O, D3DDECLUSAGE_TEXCOORD, 5, 1)
                .DclUsage(kM3O, D3DDECLUSAGE_TEXCOORD, 0, 2, 3)
                .DclUsage(kM3O, D3DDECLUSAGE_TEXCOORD, 1, 2, 12);
        },
        [](ShaderCode& c) {
            c.Def(0, 0.2f, 0.4f, 0.6f, 0.8f)
                .Op(kOpMov, {Dst(kM3O, 3), Src(kM3C, 0, Rep(0))})
                .Op(kOpMov, {Dst(kM3O, 1), Src(kM3C, 0, Rep(1))})
                .Op(kOpMov, {Dst(kM3O, 2), Src(kM3C, 0, Swz(2, 2, 3, 3))});
        }));
    dev->SetPixelShader(MakePs(ShaderCode(kPs30)
                                   .DclUsage(kM3V, D3DDECLUSAGE_TEXCOORD, 5, 0)
                                   .Op(kOpDcl, {0x80000000u | D3DDECLUSAGE_COLOR, Dst(kM3V, 1) | kCentroid})
                                   .DclUsage(kM3V, D3DDECLUSAGE_TEXCOORD, 0, 2, 3)
                                   .DclUsage(kM3V, D3DDECLUSAGE_TEXCOORD, 1, 3, 12)
                                   .DclUsage(kM3V, D3DDECLUSAGE_TEXCOORD, 7, 4)
                                   .Def(0, 1, 1, 1, 1)
                                   .Op(kOpMov, {Dst(kM3R, 0, 1), Src(kM3V, 1)})
                                   .Op(kOpMov, {Dst(kM3R, 0, 2), Src(kM3V, 0, Rep(0))})
                                   .Op(kOpMul, {Dst(kM3R, 0, 4) | kPartial, Src(kM3V, 2, Rep(1)), Src(kM3V, 3, Rep(3))})
                                   .Op(kOpAdd, {Dst(kM3R, 0, 4), Src(kM3R, 0), Src(kM3V, 4, Rep(0))})
                                   .Op(kOpMov, {Dst(kM3R, 0, 8), Src(kM3C, 0)})
                                   .Op(kOpMov, {kM3Color, Src(kM3R, 0)})
                                   .End()));
    ASSERT_EQ(DrawClipQuad(), D3D_OK) << log;
    EXPECT_EQ(Pixel(7, 7) & 0xFFFFFF, 0x33667Au);  // 0.2, 0.4 and 0.6 * 0.8
}

TEST_F(Model3Test, PositionAndFaceOfThePixel) {
    // red = vPos.x / 16, green = vPos.y / 16: whole pixel numbers, no half added; blue 1 on
    // a front (clockwise) face by vFace, 0 on a back one. oC1 is written and dropped.
    PixelShader* ps = MakePs(ShaderCode(kPs30)
                                 .Op(kOpDcl, {0x80000000u, Dst(kFileMisc, kMiscPosition, 3)})
                                 .Op(kOpDcl, {0x80000000u, Dst(kFileMisc, kMiscFace, 1)})
                                 .Def(0, 1.0f / 16, 1.0f / 16, 1, 0)
                                 .Op(kOpMul, {Dst(kM3R, 0, 3), Src(kFileMisc, kMiscPosition), Src(kM3C, 0)})
                                 .Op(kOpCmp, {Dst(kM3R, 0, 4), Src(kFileMisc, kMiscFace, Rep(0)), Src(kM3C, 0, Rep(2)),
                                              Src(kM3C, 0, Rep(3))})
                                 .Op(kOpMov, {Dst(kM3R, 0, 8), Src(kM3C, 0, Rep(2))})
                                 .Op(kOpMov, {Dst(kFileColorOut, 1), Src(kM3C, 0, Rep(3))})
                                 .Op(kOpMov, {kM3Color, Src(kM3R, 0)})
                                 .End());
    DrawScreenQuad(ps);
    EXPECT_EQ(Pixel(5, 9) & 0xFFFFFF, 0x508FFFu);  // 5 / 16 and 9 / 16 of 255: 80 and 143
    EXPECT_EQ(Pixel(0, 0) & 0xFFFFFF, 0x0000FFu);
    DrawScreenQuad(ps, false);
    EXPECT_EQ(Pixel(5, 9) & 0xFFFFFF, 0x508F00u);
}

TEST_F(Model3Test, TexldlReadsTheLevelItNames) {
    dev->SetTexture(0, Levels());
    dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    const std::pair<float, uint32_t> cases[] = {
        {0, 0xFF0000u}, {1, 0x00FF00u}, {2, 0x0000FFu}, {2.6f, 0xFFFFFFu}, {-3, 0xFF0000u}, {9, 0x000000u}};
    for (const auto& [level, color] : cases) {
        DrawScreenQuad(MakePs(ShaderCode(kPs30)
                                  .DclUsage(kM3V, D3DDECLUSAGE_TEXCOORD, 0, 0, 3)
                                  .DclSampler(0)
                                  .Def(0, 0, 0, 0, level)
                                  .Op(kOpMov, {Dst(kM3R, 0, 3), Src(kM3V, 0)})
                                  .Op(kOpMov, {Dst(kM3R, 0, 12), Src(kM3C, 0)})
                                  .Op(kOpTexLdl, {Dst(kM3R, 1), Src(kM3R, 0), Src(kFileSampler, 0)})
                                  .Op(kOpMov, {kM3Color, Src(kM3R, 1)})
                                  .End()));
        EXPECT_EQ(Pixel(6, 6) & 0xFFFFFF, color) << level;
    }
}

TEST_F(Model3Test, VertexCodeFetchesFromTheVertexSamplers) {
    // The levels on the first vertex sampler; a plain magenta texture on pixel sampler 0,
    // which vertex code must not read.
    Texture* magenta = nullptr;
    ASSERT_EQ(dev->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &magenta), D3D_OK);
    made.push_back(magenta);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(magenta->LockRect(0, &lr, nullptr, 0), D3D_OK);
    *static_cast<uint32_t*>(lr.pBits) = 0xFFFF00FFu;
    magenta->UnlockRect(0);
    dev->SetTexture(0, magenta);
    ASSERT_EQ(dev->SetTexture(D3DVERTEXTEXTURESAMPLER0, Levels()), D3D_OK);
    ASSERT_EQ(dev->SetSamplerState(D3DVERTEXTEXTURESAMPLER0, D3DSAMP_MIPFILTER, D3DTEXF_POINT), D3D_OK);
    EXPECT_EQ(dev->SetTexture(D3DVERTEXTEXTURESAMPLER3 + 1, magenta), D3DERR_INVALIDCALL);
    PixelShader* ps = MakePs(ShaderCode(kPs30).DclUsage(kM3V, D3DDECLUSAGE_COLOR, 0, 0).Op(kOpMov, {kM3Color, Src(kM3V, 0)}).End());
    for (const auto& [level, color] : {std::pair{2.0f, 0x0000FFu}, std::pair{1.0f, 0x00FF00u}}) {
        dev->SetVertexShader(Vertex([](ShaderCode& c) { c.DclSampler(0).DclUsage(kM3O, D3DDECLUSAGE_COLOR, 0, 1); },
                                    [&](ShaderCode& c) {
                                        c.Def(0, 0.5f, 0.5f, 0, level)
                                            .Op(kOpTexLdl, {Dst(kM3O, 1), Src(kM3C, 0), Src(kFileSampler, 0)});
                                    }));
        dev->SetPixelShader(ps);
        ASSERT_EQ(DrawClipQuad(), D3D_OK) << log;
        EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, color) << level;
    }
}

TEST_F(Model3Test, LoopCounterIndexesInputsAndConstants) {
    // Texture sets 0 to 2 carry 0.1, 0.2 and 0.3; a loop over aL = 0, 1, 2 sums v[aL] and
    // c[10 + aL] (0.1, 0.1, 0.2 from the device); c223, the last register, gives blue.
    dev->SetVertexShader(Vertex(
        [](ShaderCode& c) {
            for (uint32_t n = 0; n < 3; ++n) c.DclUsage(kM3O, D3DDECLUSAGE_TEXCOORD, n, 4 + n);
        },
        [](ShaderCode& c) {
            c.Def(0, 0.1f, 0.2f, 0.3f, 0);
            for (uint32_t n = 0; n < 3; ++n) c.Op(kOpMov, {Dst(kM3O, 4 + n), Src(kM3C, 0, Rep(n))});
        }));
    const float consts[12] = {0.1f, 0, 0, 0, 0.1f, 0, 0, 0, 0.2f, 0, 0, 0};
    const float last[4] = {0.8f, 0, 0, 0};
    ASSERT_EQ(dev->SetPixelShaderConstantF(10, consts, 3), D3D_OK);
    ASSERT_EQ(dev->SetPixelShaderConstantF(223, last, 1), D3D_OK);
    const uint32_t byLoop = RegToken(kFileLoop, 0);
    ShaderCode ps(kPs30);
    for (uint32_t n = 0; n < 3; ++n) ps.DclUsage(kM3V, D3DDECLUSAGE_TEXCOORD, n, n);
    ps.DefI(0, 3, 0, 1, 0)
        .Def(0, 0, 0, 0, 1)
        .Op(kOpMov, {Dst(kM3R, 0), Src(kM3C, 0)})
        .Op(kOpLoop, {Src(kFileLoop, 0), Src(kFileConstInt, 0)})
        .Op(kOpAdd, {Dst(kM3R, 0, 1), Src(kM3R, 0), Src(kM3V, 0) | 1u << 13, byLoop})
        .Op(kOpAdd, {Dst(kM3R, 0, 2), Src(kM3R, 0), Src(kM3C, 10, Rep(0)) | 1u << 13, byLoop})
        .Op(kOpEndLoop, {})
        .Op(kOpMov, {Dst(kM3R, 0, 4), Src(kM3C, 223, Rep(0))})
        .Op(kOpMov, {kM3Color, Src(kM3R, 0)});
    dev->SetPixelShader(MakePs(ps.End()));
    ASSERT_EQ(DrawClipQuad(), D3D_OK) << log;
    EXPECT_EQ(Pixel(3, 12) & 0xFFFFFF, 0x9966CCu);
}

TEST_F(Model3Test, RefusedCodeAndRunawayRunsAreLogged) {
    const std::vector<std::vector<uint32_t>> pixel = {
        ShaderCode(kPs30).Op(kOpMov, {kM3Color, Src(kFileTexture, 0)}).End(),                   // no t# in 3.0
        ShaderCode(kPs30).Op(kOpMov, {kM3Color, Src(kM3V, 10)}).End(),                         // v0..v9
        ShaderCode(kPs30).Op(kOpMov, {kM3Color, Src(kM3C, 224)}).End(),                         // c0..c223
        ShaderCode(0xFFFF0201u).Op(kOpMov, {kM3Color, Src(kFileMisc, 0)}).End(),                // vPos is 3.0's
        ShaderCode(0xFFFF0201u).Op(kOpMov, {kM3Color, Src(kM3C, 0) | 1u << 13, RegToken(kFileLoop, 0)}).End(),
        ShaderCode(kPs30).Op(kOpTexKill, {Dst(kFileTexture, 0)}).End(),
    };
    for (size_t n = 0; n < pixel.size(); ++n) EXPECT_TRUE(PixelRefused(pixel[n])) << n;
    const uint32_t a0 = RegToken(kFileAddr, 0);
    const std::vector<std::vector<uint32_t>> vertex = {
        ShaderCode(kVs30).Op(kOpMov, {Dst(kFileRastOut, 0), Src(kM3C, 0)}).End(),  // no oPos in 3.0
        ShaderCode(kVs30).Op(kOpMov, {Dst(kM3O, 12), Src(kM3C, 0)}).End(),        // o0..o11
        ShaderCode(kVs30).DclSampler(4).End(),                                      // s0..s3
        ShaderCode(kVs30).Op(kOpMov, {Dst(kM3O, 0), Src(kM3V, 0) | 1u << 13, a0}).End(),
        ShaderCode(kVs30).Op(kOpTex, {Dst(kM3O, 0), Src(kM3C, 0), Src(kFileSampler, 0)}).End(),
    };
    for (size_t n = 0; n < vertex.size(); ++n) EXPECT_TRUE(VertexRefused(vertex[n])) << n;
    EXPECT_NE(log.find("Direct3D9: shader refused: "), std::string::npos);
    // o[aL] is model 3.0 vertex code's.
    EXPECT_NE(MakeVs(ShaderCode(kVs30).Op(kOpMov, {Dst(kM3O, 0) | 1u << 13, RegToken(kFileLoop, 0), Src(kM3C, 0)}).End()),
              nullptr);
    // Four loops of 255 from the device nested run past the instructions a vertex may
    // execute: the draw is refused and says why.
    const int count[4] = {255, 0, 0, 0};
    ASSERT_EQ(dev->SetVertexShaderConstantI(0, count, 1), D3D_OK);
    dev->SetVertexShader(Vertex([](ShaderCode&) {},
                                [](ShaderCode& c) {
                                    for (int n = 0; n < 4; ++n) c.Op(kOpRep, {Src(kFileConstInt, 0)});
                                    c.Op(kOpAdd, {Dst(kM3R, 0), Src(kM3R, 0), Src(kM3C, 0)});
                                    for (int n = 0; n < 4; ++n) c.Op(kOpEndRep, {});
                                }));
    dev->SetPixelShader(MakePs(ShaderCode(kPs30).Op(kOpMov, {kM3Color, Src(kM3C, 0)}).End()));
    log.clear();
    EXPECT_EQ(DrawClipQuad(), D3DERR_INVALIDCALL);
    EXPECT_NE(log.find("ran past its instruction"), std::string::npos) << log;
}

TEST_F(Model3Test, ADrawRunsWholeHoweverManyInstructionsItsInvocationsExecute) {
    // The watchdog's clock held still: a draw is bounded by the time its shaders work, not
    // by what they execute, and 1.17 * 2^28 instructions draw whole.
    D3D9Settings().drawClock = [] { return int64_t(0); };
    ASSERT_EQ(DrawLongQuads(), D3D_OK) << log;
    EXPECT_EQ(Mask(kLastQuadColor, 16, 16), std::vector<std::string>(16, std::string(16, '#')));
    EXPECT_EQ(log, "");
}

// As a display driver's watchdog resets a GPU stuck on one draw: on a clock that moves a
// second at each of the watchdog's looks, the draw ends at the third, long before the last
// quad, and the device is lost until it is reset.
TEST_F(Model3Test, ADrawPastTheWatchdogsTimeIsAbandonedAndLosesTheDevice) {
    D3D9Settings().drawClock = [t = int64_t(0)]() mutable { return t += 1'000'000; };
    ASSERT_EQ(DrawLongQuads(), D3D_OK) << log;
    EXPECT_EQ(Mask(kLastQuadColor, 16, 16), std::vector<std::string>(16, std::string(16, '.')));
    EXPECT_NE(log.find("Direct3D9: device lost: a draw's shaders worked past the watchdog's 1800 ms"),
              std::string::npos)
        << log;
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    // The reset is over at once, as after a GPU's: the device can be reset and presents again.
    SwapChain* chain = nullptr;
    ASSERT_EQ(dev->GetSwapChain(0, &chain), D3D_OK);
    D3DPRESENT_PARAMETERS pp;
    chain->GetPresentParameters(&pp);
    chain->Release();
    back->Release();
    back = nullptr;
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

// Lookups count as they go: a row of pixels whose loops look a texture up stops within
// itself once the draw's time is up, and not one pixel is drawn.
TEST_F(Model3Test, ARowOfLookupsStopsWithinItselfAtTheWatchdogsTime) {
    D3D9Settings().drawClock = [t = int64_t(0)]() mutable { return t += 1'000'000; };
    dev->SetTexture(0, Levels());
    DrawScreenQuad(MakePs(ShaderCode(kPs30)
                              .DclUsage(kM3V, D3DDECLUSAGE_TEXCOORD, 0, 0)
                              .DclSampler(0)
                              .DefI(0, 120, 0, 0, 0)
                              .DefI(1, 255, 0, 0, 0)
                              .Op(kOpRep, {Src(kFileConstInt, 0)})
                              .Op(kOpRep, {Src(kFileConstInt, 1)})
                              .Op(kOpTex, {Dst(kM3R, 0), Src(kM3V, 0), Src(kFileSampler, 0)})
                              .Op(kOpEndRep, {})
                              .Op(kOpEndRep, {})
                              .Op(kOpMov, {kM3Color, Src(kM3R, 0)})
                              .End()));
    EXPECT_EQ(Mask(0xFF123456u, 16, 16), std::vector<std::string>(16, std::string(16, '#')));
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
}

// Short code over a large multisampled target draws whole, however slow the device: on a
// clock that moves a microsecond an instruction (a release build takes 5 ns), the draw of
// 2^22 one-instruction invocations works 4 s, past the watchdog's 1.8 s, and the
// microsecond each invocation adds keeps it going to the last sample's last pixel.
TEST_F(Model3Test, ShortCodeOverALargeMultisampledTargetDrawsWhole) {
    D3D9Settings().drawClock = [t = int64_t(0)]() mutable { return t += DrawWatchdog::kInstructionsPerLook; };
    Surface *target = nullptr, *resolved = nullptr;
    ASSERT_EQ(dev->CreateRenderTarget(1024, 1024, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, 0, &target), D3D_OK);
    made.push_back(target);
    ASSERT_EQ(dev->CreateRenderTarget(1024, 1024, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, 1, &resolved), D3D_OK);
    made.push_back(resolved);
    ASSERT_EQ(dev->SetRenderTarget(0, target), D3D_OK);
    dev->SetPixelShader(MakePs(
        ShaderCode(kPs30).DclUsage(kM3V, D3DDECLUSAGE_COLOR, 0, 0).Op(kOpMov, {kM3Color, Src(kM3V, 0)}).End()));
    TLVertex q[6];
    Quad(q, 0, 0, 1024, 1024, 0xFF336699u);
    log.clear();
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(log, "");
    ASSERT_EQ(dev->StretchRect(target, nullptr, resolved, nullptr, D3DTEXF_NONE), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(resolved->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    uint32_t last = 0;
    std::memcpy(&last, static_cast<uint8_t*>(lr.pBits) + 1023 * lr.Pitch + 1023 * 4, 4);
    resolved->UnlockRect();
    EXPECT_EQ(last & 0xFFFFFF, 0x336699u);
    dev->SetRenderTarget(0, back);
}

}  // namespace
}  // namespace host::test
