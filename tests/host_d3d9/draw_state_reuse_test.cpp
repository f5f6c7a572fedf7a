// The device keeps its per-call draw state from one draw to the next and fills parts of
// it again only when their states changed. Each case draws something with one set of
// states, then changes a state and draws again; the second draw's pixels must equal
// those of the same draw made with a state never used before (on a thread of its own,
// which starts with a fresh one).
#include <thread>
#include <vector>

#include "device_fixture.h"
#include "host/d3d9/raster/compare_func.h"
#include "host/d3d9/raster/fast_span.h"

namespace host::test {
namespace {

constexpr uint32_t kReuseBlack = 0xFF000000u;

// Alpha rising along x and colour along y, so that alpha tests and blends cut the quad
// at places that show which table or span was used.
std::vector<uint32_t> AlphaRamp() {
    std::vector<uint32_t> t(16 * 16);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x) t[y * 16 + x] = (x * 17) << 24 | (y * 16) << 16 | 0x6080u;
    return t;
}

class DrawStateReuseTest : public DeviceTest {
protected:
    std::vector<uint32_t> Pixels() {
        std::vector<uint32_t> out;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) out.push_back(Pixel(x, y));
        return out;
    }
    void Clear(uint32_t color = kReuseBlack) {
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0), D3D_OK);
    }
    // Draws `draw` after whatever came before on this thread, and again on a new thread
    // over the same background; the two must match, and the draw must have drawn.
    template <class Draw>
    void ExpectAsFromAFreshState(Draw draw, uint32_t background = kReuseBlack) {
        Clear(background);
        draw();
        const std::vector<uint32_t> reused = Pixels();
        Clear(background);
        std::thread([&] { draw(); }).join();
        EXPECT_EQ(reused, Pixels());
        EXPECT_NE(reused, std::vector<uint32_t>(reused.size(), background)) << "the draw left the target as it was";
    }
    void TexturedQuad(float x0, float y0, float x1, float y1, uint32_t color = 0xFFFFFFFFu) {
        TLVertex q[6];
        Quad(q, x0, y0, x1, y1, color);
        ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    }
    void AlphaTest(bool on, DWORD func, DWORD ref) {
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, on);
        dev->SetRenderState(D3DRS_ALPHAFUNC, func);
        dev->SetRenderState(D3DRS_ALPHAREF, ref);
    }
    void Blend(bool on, DWORD dest) {
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, on);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, dest);
    }
};

TEST_F(DrawStateReuseTest, SamplePositionsOfAMultisampledTargetStayWithIt) {
    // The last plane of a four-sample target is drawn a quarter and more of a pixel down;
    // the plain target's bottom edge at 9.2 then loses row 9 if that offset stayed.
    UseDiffuseOnly();
    Surface* target = nullptr;
    ASSERT_EQ(dev->CreateRenderTarget(16, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, 0, &target, nullptr),
              D3D_OK);
    ASSERT_EQ(dev->SetRenderTarget(0, target), D3D_OK);
    TexturedQuad(1, 1, 12, 12);
    ASSERT_EQ(dev->SetRenderTarget(0, back), D3D_OK);
    target->Release();
    ExpectAsFromAFreshState([&] { TexturedQuad(2.2f, 2.2f, 9.2f, 9.2f); });
    EXPECT_EQ(Pixel(5, 9), 0xFFFFFFFFu);
}

TEST_F(DrawStateReuseTest, TheAlphaTestIsTakenAnewWhenItChanges) {
    Texture* tex = MakeTexture(16, 16, AlphaRamp());
    dev->SetTexture(0, tex);
    UseTextureOnly();
    // Each step changes one part of the test: the reference, the function, the switch,
    // and back to a reference used before.
    const struct {
        bool on;
        DWORD func, ref;
    } steps[] = {{true, D3DCMP_GREATER, 0x80}, {true, D3DCMP_GREATER, 0x40}, {true, D3DCMP_LESS, 0x40},
                 {false, D3DCMP_LESS, 0x40},   {true, D3DCMP_EQUAL, 0x88},   {true, D3DCMP_GREATER, 0x80}};
    for (const auto& s : steps) {
        AlphaTest(s.on, s.func, s.ref);
        ExpectAsFromAFreshState([&] { TexturedQuad(0, 0, 16, 16); });
    }
    // The last step passes columns 8 on (alpha 136 and up) and no others.
    EXPECT_EQ(Pixel(7, 4), kReuseBlack);
    EXPECT_NE(Pixel(8, 4), kReuseBlack);
    tex->Release();
}

TEST_F(DrawStateReuseTest, TheSpansAreChosenAnewWhenBlendOrStagesChange) {
    Texture* tex = MakeTexture(16, 16, AlphaRamp());
    dev->SetTexture(0, tex);
    UseTextureOnly();
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    const uint32_t grey = 0xFF404040u, tint = 0xFF80C0FFu;
    const auto quad = [&](uint32_t color) { return [&, color] { TexturedQuad(0, 0, 16, 16, color); }; };
    Blend(true, D3DBLEND_INVSRCALPHA);
    ExpectAsFromAFreshState(quad(tint), grey);
    Blend(true, D3DBLEND_ONE);
    ExpectAsFromAFreshState(quad(tint), grey);
    // A white diffuse colour turns the product into the texel itself: another span.
    ExpectAsFromAFreshState(quad(0xFFFFFFFFu), grey);
    // The texel alone whatever the diffuse colour.
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    ExpectAsFromAFreshState(quad(tint), grey);
    // The alpha from the diffuse colour rather than the texel.
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    ExpectAsFromAFreshState(quad(0x8080C0FFu), grey);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    Blend(false, D3DBLEND_ZERO);
    AlphaTest(true, D3DCMP_NOTEQUAL, 0x44);  // not a threshold: the baseline spans
    ExpectAsFromAFreshState(quad(tint), grey);
    AlphaTest(true, D3DCMP_GREATEREQUAL, 0x44);
    ExpectAsFromAFreshState(quad(tint), grey);
    tex->Release();
}

TEST_F(DrawStateReuseTest, RectanglesAreSetUpAnewWhateverCameBefore) {
    // A two-stage rectangle as the mask screen's composite draws it, then one stage read
    // with wrapping (the general spans), a smaller texture, none bound, and none read.
    std::vector<uint32_t> maskTexels(16 * 16);
    for (size_t i = 0; i < maskTexels.size(); ++i) maskTexels[i] = (i / 3) % 2 ? 0xFF000000u : 0;
    Texture* picture = MakeTexture(16, 16, AlphaRamp());
    Texture* mask = MakeTexture(16, 16, maskTexels);
    std::vector<uint32_t> small(4 * 4);
    for (size_t i = 0; i < small.size(); ++i) small[i] = 0xFF000000u | uint32_t(i) * 0x0F0D0Bu;
    Texture* smallTexture = MakeTexture(4, 4, small);
    UseTextureOnly();
    dev->SetTexture(0, picture);
    dev->SetTexture(1, mask);
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT);
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    dev->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    AlphaTest(true, D3DCMP_GREATEREQUAL, 128);
    ExpectAsFromAFreshState([&] { TexturedQuad(1, 2, 15, 14); });
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    AlphaTest(false, D3DCMP_ALWAYS, 0);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    ExpectAsFromAFreshState([&] {
        TLVertex q[6];
        Quad(q, 2, 1, 14, 15, 0xFFFFFFFFu, 0.25f, 0, 1.75f, 1);
        ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    });
    dev->SetTexture(0, smallTexture);
    ExpectAsFromAFreshState([&] { TexturedQuad(3, 3, 13, 11); });
    // A stage that reads a texture where none is bound reads white, stepping nowhere.
    dev->SetTexture(0, nullptr);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    ExpectAsFromAFreshState([&] { TexturedQuad(3, 3, 13, 11); });
    UseDiffuseOnly();
    ExpectAsFromAFreshState([&] { TexturedQuad(4, 4, 12, 12, 0xFF30A050u); });
    for (Texture* t : {picture, mask, smallTexture}) t->Release();
}

TEST_F(DrawStateReuseTest, AChoiceOfSpansKeptFromTwoDrawsBackIsTakenBackWhole) {
    // A keyed sprite and the mask screen's two-stage composite alternate, as every draw
    // through the mask screen makes them do; an additive draw then pushes one choice out
    // and each of the three must come back as it was chosen for.
    std::vector<uint32_t> maskTexels(16 * 16);
    for (size_t i = 0; i < maskTexels.size(); ++i) maskTexels[i] = (i / 5) % 2 ? 0xFF000000u : 0x40000000u;
    Texture* picture = MakeTexture(16, 16, AlphaRamp());
    Texture* mask = MakeTexture(16, 16, maskTexels);
    UseTextureOnly();
    dev->SetTexture(0, picture);
    dev->SetTexture(1, mask);
    dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    dev->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    enum Kind { kSprite, kComposite, kReversed, kAdditive };
    const auto use = [&](Kind kind) {
        const bool composite = kind == kComposite || kind == kReversed;
        dev->SetTextureStageState(1, D3DTSS_COLOROP, composite ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE);
        dev->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE | (kind == kReversed ? 0 : D3DTA_COMPLEMENT));
        AlphaTest(kind != kAdditive, composite ? D3DCMP_GREATEREQUAL : D3DCMP_GREATER, composite ? 128 : 0x30);
        Blend(kind == kAdditive, D3DBLEND_ONE);
    };
    const Kind order[] = {kSprite,   kComposite, kSprite,   kComposite, kAdditive, kSprite,
                          kAdditive, kComposite, kReversed, kSprite,    kReversed, kComposite};
    for (Kind kind : order) {
        SCOPED_TRACE(int(kind));
        use(kind);
        ExpectAsFromAFreshState([&] { TexturedQuad(1, 2, 15, 14); }, 0xFF204060u);
    }
    for (Texture* t : {picture, mask}) t->Release();
}

// The threshold the wide spans test alphas against, worked out from the comparison, must
// be what a search of the pass table finds: the first passing alpha when every alpha from
// there up passes and no other (0 when all pass, 256 when none), else -1.
TEST(AlphaThresholdTest, EveryComparisonAndReferenceGivesWhatTheTableShows) {
    // Values outside the comparisons pass everything, as the device's tests do.
    const auto passes = [](DWORD func, int a, int ref) { return ComparePasses(func, a, ref); };
    for (DWORD func = 0; func <= D3DCMP_ALWAYS + 1; ++func)
        for (int ref = 0; ref < 256; ++ref) {
            int first = 256;
            while (first > 0 && passes(func, first - 1, ref)) --first;
            bool run = true;
            for (int a = 0; a < 256; ++a) run = run && passes(func, a, ref) == (a >= first);
            const int expected = run ? first : -1;
            // The reference's high bits are dropped, as the device's are.
            ASSERT_EQ(AlphaPassFrom(true, func, uint32_t(ref) | 0x100u), expected) << func << " " << ref;
        }
    EXPECT_EQ(AlphaPassFrom(false, D3DCMP_NEVER, 0), 0);
}

}  // namespace
}  // namespace host::test
