// Texturing, texture stages, alpha test and blending, checked against hand-worked
// values, and the fast spans checked against the general pixel path.
#include <random>

#include "device_fixture.h"

namespace host::test {
namespace {

class ShadingTest : public DeviceTest {};

std::vector<uint32_t> Ramp(UINT w, UINT h) {
    std::vector<uint32_t> t(w * h);
    for (UINT i = 0; i < w * h; ++i) t[i] = 0xFF000000u | (i * 0x0B1D37u & 0xFFFFFFu);
    return t;
}

TEST_F(ShadingTest, SpriteTexelsLandOnTheirPixels) {
    // A 3 x 3 image in the corner of an 8 x 8 texture drawn at (10, 10) the engine's way:
    // corners at (x - 0.5, y - 0.5), texture coordinates 0 .. 3/8.
    std::vector<uint32_t> texels = Ramp(8, 8);
    Texture* tex = MakeTexture(8, 8, texels);
    dev->SetTexture(0, tex);
    UseTextureOnly();
    TLVertex q[6];
    Quad(q, 9.5f, 9.5f, 12.5f, 12.5f, 0xFFFFFFFFu, 0, 0, 3.0f / 8, 3.0f / 8);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    for (int y = 8; y < 15; ++y)
        for (int x = 8; x < 15; ++x) {
            const bool inside = x >= 10 && x <= 12 && y >= 10 && y <= 12;
            const uint32_t want = inside ? texels[(y - 10) * 8 + (x - 10)] : 0xFF000000u;
            EXPECT_EQ(Pixel(x, y), want) << x << "," << y;
        }
    tex->Release();
}

TEST_F(ShadingTest, PointSamplingMagnifiesByWholeTexels) {
    Texture* tex = MakeTexture(2, 2, {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu});
    dev->SetTexture(0, tex);
    UseTextureOnly();
    TLVertex q[6];
    Quad(q, -0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFFu);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    const uint32_t want[4][4] = {{0xFF0000FFu, 0xFF0000FFu, 0xFF00FF00u, 0xFF00FF00u},
                                 {0xFF0000FFu, 0xFF0000FFu, 0xFF00FF00u, 0xFF00FF00u},
                                 {0xFFFF0000u, 0xFFFF0000u, 0xFFFFFFFFu, 0xFFFFFFFFu},
                                 {0xFFFF0000u, 0xFFFF0000u, 0xFFFFFFFFu, 0xFFFFFFFFu}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Pixel(x, y), want[y][x]) << x << "," << y;
    tex->Release();
}

TEST_F(ShadingTest, LinearSamplingUsesTexelCentres) {
    // Black and white texels stretched over 4 pixels: sample points -0.25, 0.25, 0.75,
    // 1.25 texels from the first centre, clamped: 0, 64, 191, 255.
    Texture* tex = MakeTexture(2, 1, {0xFF000000u, 0xFFFFFFFFu});
    dev->SetTexture(0, tex);
    UseTextureOnly();
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    TLVertex q[6];
    Quad(q, -0.5f, -0.5f, 3.5f, 0.5f, 0xFFFFFFFFu);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(Pixel(1, 0), 0xFF404040u);
    EXPECT_EQ(Pixel(2, 0), 0xFFBFBFBFu);
    EXPECT_EQ(Pixel(3, 0), 0xFFFFFFFFu);
    tex->Release();
}

TEST_F(ShadingTest, WrapAndMirrorAddressing) {
    Texture* tex = MakeTexture(2, 1, {0xFF0000FFu, 0xFFFF0000u});
    dev->SetTexture(0, tex);
    UseTextureOnly();
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    TLVertex q[6];
    Quad(q, -0.5f, -0.5f, 5.5f, 0.5f, 0xFFFFFFFFu, 0, 0, 3, 1);  // six pixels over three widths
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
    Quad(q, -0.5f, 0.5f, 5.5f, 1.5f, 0xFFFFFFFFu, 0, 0, 3, 1);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    const uint32_t b = 0xFF0000FFu, r = 0xFFFF0000u;
    const uint32_t wrap[6] = {b, r, b, r, b, r}, mirror[6] = {b, r, r, b, b, r};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(Pixel(x, 0), wrap[x]) << x;
        EXPECT_EQ(Pixel(x, 1), mirror[x]) << x;
    }
    tex->Release();
}

TEST_F(ShadingTest, ModulateRoundsToNearest) {
    // (200, 100, 50) x (128, 255, 64) / 255 = (100.4, 100, 12.5) -> (100, 100, 13).
    Texture* tex = MakeTexture(1, 1, {0xFFC86432u});
    dev->SetTexture(0, tex);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    TLVertex q[6];
    Quad(q, 0, 0, 2, 2, 0xFF80FF40u);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(1, 1), 0xFF64640Du);
    tex->Release();
}

TEST_F(ShadingTest, TwoStagesAddSubtractAndTextureFactor) {
    // Stage 0: texture + diffuse (saturating); stage 1: current - texture factor.
    Texture* tex = MakeTexture(1, 1, {0xFFC0C040u});
    dev->SetTexture(0, tex);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SUBTRACT);
    dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    dev->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF102030u);
    TLVertex q[6];
    Quad(q, 0, 0, 2, 2, 0xFF808080u);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    // (0xC0 + 0x80 -> 0xFF) - 0x10 = 0xEF; 0xFF - 0x20 = 0xDF; (0x40 + 0x80) - 0x30 = 0x90.
    EXPECT_EQ(Pixel(0, 0), 0xFFEFDF90u);
    // Complemented diffuse alone: SELECTARG1 of (DIFFUSE | COMPLEMENT).
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE | D3DTA_COMPLEMENT);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFF7F7F7Fu);
    tex->Release();
}

TEST_F(ShadingTest, AlphaTestCutsOutTexels) {
    Texture* tex = MakeTexture(2, 1, {0x00FF0000u, 0xFF00FF00u});
    dev->SetTexture(0, tex);
    UseTextureOnly();
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    dev->SetRenderState(D3DRS_ALPHAREF, 0);
    TLVertex q[6];
    Quad(q, -0.5f, -0.5f, 1.5f, 0.5f, 0xFFFFFFFFu);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(Pixel(1, 0), 0xFF00FF00u);
    tex->Release();
}

TEST_F(ShadingTest, EveryAlphaComparisonAtTheEdgesOfItsReference) {
    // Texel alphas 0, ref - 1, ref, ref + 1 and 255 (ref 128), and the references at the
    // ends of the range; '#' where the texel is drawn.
    Texture* tex = MakeTexture(5, 1, {0x00FFFFFFu, 0x7FFFFFFFu, 0x80FFFFFFu, 0x81FFFFFFu, 0xFFFFFFFFu});
    dev->SetTexture(0, tex);
    UseTextureOnly();
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    struct Case {
        DWORD func, ref;
        const char* drawn;
    };
    const Case cases[] = {
        {D3DCMP_NEVER, 128, "....."},        {D3DCMP_LESS, 128, "##..."},      {D3DCMP_EQUAL, 128, "..#.."},
        {D3DCMP_LESSEQUAL, 128, "###.."},    {D3DCMP_GREATER, 128, "...##"},   {D3DCMP_NOTEQUAL, 128, "##.##"},
        {D3DCMP_GREATEREQUAL, 128, "..###"}, {D3DCMP_ALWAYS, 128, "#####"},    {D3DCMP_LESS, 0, "....."},
        {D3DCMP_LESSEQUAL, 255, "#####"},    {D3DCMP_GREATER, 255, "....."},   {D3DCMP_GREATEREQUAL, 0, "#####"},
        {D3DCMP_EQUAL, 255, "....#"},        {D3DCMP_NOTEQUAL, 0, ".####"},
    };
    for (const Case& c : cases) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        dev->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        dev->SetRenderState(D3DRS_ALPHAREF, c.ref);
        TLVertex q[6];
        Quad(q, -0.5f, -0.5f, 4.5f, 0.5f, 0xFFFFFFFFu);
        ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
        std::string drawn;
        for (int x = 0; x < 5; ++x) drawn += Pixel(x, 0) == 0xFFFFFFFFu ? '#' : '.';
        EXPECT_EQ(drawn, c.drawn) << "function " << c.func << " reference " << c.ref;
    }
    tex->Release();
}

struct BlendCase {
    DWORD src, dest, op;
    uint32_t source, dest_pixel, want;
};

TEST_F(ShadingTest, BlendFactorsAndOperations) {
    UseDiffuseOnly();
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    const BlendCase cases[] = {
        // Source alpha 128 of red over blue: 255 x 128/255 = 128, 255 x 127/255 = 127.
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0x80FF0000u, 0xFF0000FFu, 0xFF80007Fu},
        // Additive with source alpha, saturating.
        {D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD, 0x80FF4000u, 0xFFC01010u, 0xFFFF3010u},
        // Reverse subtraction: destination - source, clamped at 0.
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0xFF204080u, 0xFF808080u, 0xFF604000u},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_SUBTRACT, 0xFF204080u, 0xFF808080u, 0xFF000000u},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MIN, 0xFF204080u, 0xFF808080u, 0xFF204080u},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MAX, 0xFF204080u, 0xFF808080u, 0xFF808080u},
        // Inverse destination colour with zero: the engine's inverting box.
        {D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0xFFFFFFFFu, 0xFF3070B0u, 0xFFCF8F4Fu},
        // Multiply: destination x source colour.
        {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD, 0xFF8040FFu, 0xFF808080u, 0xFF402080u},
    };
    for (const BlendCase& c : cases) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, c.dest_pixel, 1.0f, 0);
        dev->SetRenderState(D3DRS_SRCBLEND, c.src);
        dev->SetRenderState(D3DRS_DESTBLEND, c.dest);
        dev->SetRenderState(D3DRS_BLENDOP, c.op);
        TLVertex q[6];
        Quad(q, 0, 0, 2, 2, c.source);
        ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
        EXPECT_EQ(Pixel(1, 1), c.want) << c.src << " " << c.dest << " " << c.op;
    }
}

TEST_F(ShadingTest, SixteenBitTargetRoundsChannels) {
    Close();
    Open(8, 8, D3DFMT_R5G6B5);
    UseDiffuseOnly();
    TLVertex q[6];
    Quad(q, 0, 0, 2, 2, 0xFF808080u);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    // 128 x 31 / 255 = 15.56 -> 16; 128 x 63 / 255 = 31.6 -> 32.
    EXPECT_EQ(Pixel(0, 0), uint32_t(16 << 11 | 32 << 5 | 16));
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0);
    EXPECT_EQ(Pixel(0, 0), 0xFFFFu);
}

// Texels whose alphas come in runs of 0, of 255 and of anything, as sprites have them, so
// the spans' shortcuts for wholly clear and wholly opaque pixels are taken too.
std::vector<uint32_t> SpriteTexels(std::mt19937& rng) {
    std::vector<uint32_t> texels(16 * 16);
    for (size_t i = 0; i < texels.size(); ++i) {
        const uint32_t kind = uint32_t(i / 8 + i / 48) % 3;
        const uint32_t alpha = kind == 0 ? 0u : kind == 1 ? 255u : rng() >> 24;
        texels[i] = alpha << 24 | (rng() & 0xFFFFFFu);
    }
    return texels;
}

enum class SpanPath { Fast, Baseline, General };

// The fast spans (AVX2 where the processor has it, and SSE2 alone) must give the bits of
// the general path for every state they serve, on every target format they serve.
TEST_F(ShadingTest, FastSpansMatchTheGeneralPath) {
    std::mt19937 rng(1234);
    Texture* tex = MakeTexture(16, 16, SpriteTexels(rng));
    Texture* mask = MakeTexture(16, 16, SpriteTexels(rng));
    std::vector<Surface*> targets{back};
    for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4}) {
        Surface* rt = nullptr;
        ASSERT_EQ(dev->CreateRenderTarget(16, 16, f, D3DMULTISAMPLE_NONE, 0, 1, &rt, nullptr), D3D_OK);
        targets.push_back(rt);
    }
    const DWORD colorOps[][3] = {{D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE},
                                 {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE},
                                 {D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE}};
    const DWORD blends[][2] = {{0, 0}, {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, {D3DBLEND_SRCALPHA, D3DBLEND_ONE}};
    auto render = [&](SpanPath path, int scene, std::vector<uint8_t>* out) {
        D3D9Settings().forceGenericPath = path == SpanPath::General;
        D3D9Settings().forceBaselineSpans = path == SpanPath::Baseline;
        std::mt19937 r{uint32_t(scene)};
        for (Surface* target : targets) {
            dev->SetRenderTarget(0, target);
            dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80402010u, 1.0f, 0);
            for (DWORD stage = 0; stage < 2; ++stage) {
                dev->SetTexture(stage, stage == 0 ? tex : mask);
                dev->SetSamplerState(stage, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
                dev->SetSamplerState(stage, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
            }
            dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
            dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
            dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            for (int i = 0; i < 12; ++i) {
                const auto& c = colorOps[r() % 3];
                const auto& a = colorOps[r() % 3];
                const auto& b = blends[r() % 3];
                dev->SetTextureStageState(0, D3DTSS_COLOROP, c[0]);
                dev->SetTextureStageState(0, D3DTSS_COLORARG1, c[1]);
                dev->SetTextureStageState(0, D3DTSS_COLORARG2, c[2]);
                dev->SetTextureStageState(0, D3DTSS_ALPHAOP, a[0]);
                dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, a[1]);
                dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, a[2]);
                dev->SetRenderState(D3DRS_ALPHABLENDENABLE, b[0] != 0);
                if (b[0]) {
                    dev->SetRenderState(D3DRS_SRCBLEND, b[0]);
                    dev->SetRenderState(D3DRS_DESTBLEND, b[1]);
                }
                dev->SetRenderState(D3DRS_ALPHATESTENABLE, r() % 2);
                dev->SetRenderState(D3DRS_ALPHAREF, r() % 256);
                dev->SetRenderState(D3DRS_ALPHAFUNC, r() % 4 ? D3DCMP_GREATER : D3DCMP_LESS);
                // Some draws take stage 1's texel alpha, as the mask screen's composite does.
                dev->SetTextureStageState(1, D3DTSS_COLOROP, r() % 3 ? D3DTOP_DISABLE : D3DTOP_SELECTARG1);
                dev->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE | (r() % 2 ? D3DTA_COMPLEMENT : 0));
                auto coord = [&](int range) { return float(int(r() % (range * 8)) - 16) / 8.0f; };
                const uint32_t color = r();
                TLVertex q[6];
                if (r() % 2) {
                    // An upright sprite of every width (so every tail a vector leaves is
                    // met), partly off the target, one texel per pixel along its rows or
                    // (one in four) stretched or shrunk along them, its rows stretched or
                    // shrunk down the texture.
                    const int w = 1 + int(r() % 16), h = 1 + int(r() % 16), texRows = 1 + int(r() % 16);
                    const int texColumns = r() % 4 ? w : 1 + int(r() % 16);
                    const float u0 = float(r() % uint32_t(17 - texColumns)) / 16,
                                v0 = float(r() % uint32_t(17 - texRows)) / 16;
                    const float x = float(int(r() % 24) - 6) - 0.5f, y = float(int(r() % 24) - 6) - 0.5f;
                    Quad(q, x, y, x + float(w), y + float(h), color, u0, v0, u0 + float(texColumns) / 16,
                         v0 + float(texRows) / 16);
                } else {
                    for (auto& v : q) v = V(coord(20), coord(20), color, coord(2), coord(2));
                }
                ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
            }
            Surface* sys = nullptr;
            ASSERT_EQ(dev->CreateOffscreenPlainSurface(16, 16, target->Format(), D3DPOOL_SYSTEMMEM, &sys, nullptr),
                      D3D_OK);
            ASSERT_EQ(dev->GetRenderTargetData(target, sys), D3D_OK);
            D3DLOCKED_RECT lr;
            ASSERT_EQ(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
            const auto* bytes = static_cast<const uint8_t*>(lr.pBits);
            out->insert(out->end(), bytes, bytes + 16 * lr.Pitch);
            sys->UnlockRect();
            sys->Release();
        }
        dev->SetRenderTarget(0, back);
    };
    for (int scene = 0; scene < 40; ++scene) {
        std::vector<uint8_t> fast, baseline, general;
        render(SpanPath::Fast, scene, &fast);
        render(SpanPath::Baseline, scene, &baseline);
        render(SpanPath::General, scene, &general);
        ASSERT_EQ(fast, general) << "scene " << scene;
        ASSERT_EQ(baseline, general) << "scene " << scene;
    }
    D3D9Settings().forceGenericPath = D3D9Settings().forceBaselineSpans = false;
    for (size_t i = 1; i < targets.size(); ++i) targets[i]->Release();
    tex->Release();
    mask->Release();
}

}  // namespace
}  // namespace host::test

namespace host::test {
namespace {

class TextureUseTest : public DeviceTest {};

TEST_F(TextureUseTest, MipLevelFollowsTheMinification) {
    // Level 0 red, level 1 blue: drawn at half size with point mip filtering, level 1 shows.
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 2, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    for (UINT l = 0; l < 2; ++l) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(tex->LockRect(l, &lr, nullptr, 0), D3D_OK);
        const UINT side = 4 >> l;
        for (UINT y = 0; y < side; ++y)
            for (UINT x = 0; x < side; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] =
                    l == 0 ? 0xFFFF0000u : 0xFF0000FFu;
        tex->UnlockRect(l);
    }
    dev->SetTexture(0, tex);
    UseTextureOnly();
    TLVertex q[6];
    Quad(q, -0.5f, -0.5f, 1.5f, 1.5f, 0xFFFFFFFFu);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFFFF0000u);  // no mip filter: level 0
    dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFF0000FFu);
    Quad(q, 3.5f, -0.5f, 7.5f, 3.5f, 0xFFFFFFFFu);  // unscaled: level 0 again
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(5, 1), 0xFFFF0000u);
    tex->Release();
}

TEST_F(TextureUseTest, CompressedAndSixteenBitTexturesFollowTheirLocks) {
    // One DXT1 block: c0 red > c1 blue, all indices 0 except texel 1 (index 1).
    Texture* dxt = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &dxt), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(dxt->LockRect(0, &lr, nullptr, 0), D3D_OK);
    const uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0x04, 0, 0, 0};
    std::memcpy(lr.pBits, block, 8);
    dxt->UnlockRect(0);
    dev->SetTexture(0, dxt);
    UseTextureOnly();
    TLVertex q[6];
    Quad(q, -0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFFu);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel(1, 0), 0xFF0000FFu);
    // A 4:4:4:4 texture drawn, changed through a lock, and drawn again shows the change.
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(1, 1, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &tex), D3D_OK);
    for (uint16_t value : {uint16_t(0xF0F0), uint16_t(0xF00F)}) {
        ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
        *static_cast<uint16_t*>(lr.pBits) = value;
        tex->UnlockRect(0);
        dev->SetTexture(0, tex);
        ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
        EXPECT_EQ(Pixel(2, 2), value == 0xF0F0 ? 0xFF00FF00u : 0xFF0000FFu);
    }
    dev->SetTexture(0, nullptr);
    tex->Release();
    dxt->Release();
}

TEST_F(TextureUseTest, IndexedStripsJoinedByDegenerateTriangles) {
    // A grid of 3 x 3 vertices 4 pixels apart drawn as two strips joined by repeating the
    // last index of one and the first of the next; additive drawing shows every pixel of
    // the 8 x 8 square exactly once.
    UseDiffuseOnly();
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    std::vector<TLVertex> grid;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) grid.push_back(V(float(4 * x), float(4 * y), 0xFF010101u));
    const uint16_t indices[] = {3, 0, 4, 1, 5, 2, 2, 6, 6, 3, 7, 4, 8, 5};
    dev->BeginScene();
    ASSERT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLESTRIP, 0, 9, 12, indices, D3DFMT_INDEX16, grid.data(),
                                          sizeof(TLVertex)),
              D3D_OK);
    dev->EndScene();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(Pixel(x, y), x < 8 && y < 8 ? 0xFF010101u : 0xFF000000u) << x << "," << y;
    // The same through device buffers.
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(UINT(grid.size() * sizeof(TLVertex)), 0, kTLFvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    ASSERT_EQ(dev->CreateIndexBuffer(sizeof(indices), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    void* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, grid.data(), grid.size() * sizeof(TLVertex));
    vb->Unlock();
    ib->Lock(0, 0, &data, 0);
    std::memcpy(data, indices, sizeof(indices));
    ib->Unlock();
    dev->SetStreamSource(0, vb, 0, sizeof(TLVertex));
    dev->SetIndices(ib);
    dev->BeginScene();
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 9, 0, 13), D3DERR_INVALIDCALL);  // past the end
    ASSERT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 9, 0, 12), D3D_OK);
    dev->EndScene();
    EXPECT_EQ(Pixel(3, 5), 0xFF020202u);
    EXPECT_EQ(Pixel(8, 8), 0xFF000000u);
    ib->Release();
    vb->Release();
}

}  // namespace
}  // namespace host::test
