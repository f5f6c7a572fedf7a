// The device keeps its per-call draw state from one draw to the next and fills parts of
// it again only when their states changed. Each case draws something with one set of
// states, then changes a state and draws again; the second draw's pixels must equal
// those of the same draw made with a state never used before (on a thread of its own,
// which starts with a fresh one).
#include <thread>
#include <vector>

#include "device_fixture.h"

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

}  // namespace
}  // namespace host::test
