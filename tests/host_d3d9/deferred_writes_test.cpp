// Clears of part of a target, and a back buffer drawn as one copy of a texture, are left
// pending: opaque draws take the cleared pixels they cover, and the copied back buffer is
// shown from the texture's pixels, which the window may hold by reference while the
// texture is drawn on again. Random scenes of clears, tiles, sprites, copies, presents,
// locks and fills must leave every pixel and every presented frame as the general path,
// which writes everything at once, leaves them, and a frame held must not change.
#include <random>

#include "device_fixture.h"
#include "tests/support/allocation_watch.h"

namespace host::test {
namespace {

class DeferredWritesTest : public DeviceTest {
protected:
    static constexpr UINT kScreenW = 150, kScreenH = 24, kTexW = 256, kTexH = 32;

    void TearDown() override {
        SetD3D9PresentHook(nullptr);
        D3D9Settings().forceGenericPath = false;
        DeviceTest::TearDown();
    }
    // Every pixel of a surface as a program reads it (a texture's through a copy).
    void Record(Surface* s, std::vector<uint32_t>* out) {
        Surface* copy = nullptr;
        if (s != back) {
            ASSERT_EQ(dev->CreateOffscreenPlainSurface(s->Width(), s->Height(), s->Format(), D3DPOOL_SYSTEMMEM, &copy),
                      D3D_OK);
            ASSERT_EQ(dev->GetRenderTargetData(s, copy), D3D_OK);
        }
        Surface* read = copy ? copy : s;
        D3DLOCKED_RECT lr;
        ASSERT_EQ(read->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (UINT y = 0; y < s->Height(); ++y)
            for (UINT x = 0; x < s->Width(); ++x)
                out->push_back(reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x]);
        read->UnlockRect();
        if (copy) copy->Release();
    }
    // A pixel written by a program: locked on the back buffer, uploaded into a texture.
    void WritePixel(Surface* s, uint32_t value) {
        if (s == back) {
            D3DLOCKED_RECT lr;
            ASSERT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
            static_cast<uint32_t*>(lr.pBits)[3] = value;
            s->UnlockRect();
            return;
        }
        Surface* one = nullptr;
        ASSERT_EQ(dev->CreateOffscreenPlainSurface(1, 1, s->Format(), D3DPOOL_SYSTEMMEM, &one), D3D_OK);
        D3DLOCKED_RECT lr;
        ASSERT_EQ(one->LockRect(&lr, nullptr, 0), D3D_OK);
        *static_cast<uint32_t*>(lr.pBits) = value;
        one->UnlockRect();
        const POINT at{3, 0};
        EXPECT_EQ(dev->UpdateSurface(one, nullptr, s, &at), D3D_OK);
        one->Release();
    }
    // A quad whose texels land one per pixel at (x, y), or drawn scaled or turned.
    void Sprite(std::mt19937& rng, float x, float y, float w, float h, float u0, float v0, float texW, float texH) {
        TLVertex q[6];
        const uint32_t color = rng() % 3 ? 0xFFFFFFFFu : uint32_t(rng());
        const float scaleX = rng() % 4 == 0 ? 1.5f : 1.0f, scaleY = rng() % 4 == 0 ? 1.5f : 1.0f;
        Quad(q, x - 0.5f, y - 0.5f, x - 0.5f + w * scaleX, y - 0.5f + h * scaleY, color, u0 / texW, v0 / texH,
             (u0 + w) / texW, (v0 + h) / texH);
        if (rng() % 5 == 0) q[3].x += 2.0f, q[1].y -= 1.0f, q[5] = q[1];  // not a rectangle
        EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    }
    void RandomStates(std::mt19937& rng) {
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, rng() % 2);
        dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
        dev->SetRenderState(D3DRS_ALPHAREF, rng() % 2 ? 0 : rng() % 256);
        const int blend = int(rng() % 4);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, blend >= 2);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, blend == 2 ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
        // The alpha the texel's own, the diffuse alpha, or their product.
        const DWORD alphaOps[3] = {D3DTOP_SELECTARG1, D3DTOP_SELECTARG2, D3DTOP_MODULATE};
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOps[rng() % 3]);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    }
    // One scene; what it leaves and every frame it presents, in order.
    std::vector<uint32_t> Scene(int scene, D3DFORMAT screenFormat, D3DFORMAT texFormat, bool general) {
        Close();
        Open(kScreenW, kScreenH, screenFormat);
        D3D9Settings().forceGenericPath = general;
        D3D9Settings().presentIgnoresInterval = true;
        std::vector<uint32_t> seen;
        // The window's part: each frame as shown, the last one kept by reference where it
        // may be, as a backend keeps it; it must still be as it was shown.
        PresentedFrame held;
        std::vector<uint32_t> heldPixels;
        auto checkHeld = [&] {
            std::vector<uint32_t> now;
            if (held.keep) PresentedFrameToXrgb(held, &now);
            EXPECT_EQ(now, heldPixels) << "a frame held by reference changed";
        };
        SetD3D9PresentHook([&](const PresentedFrame& f) {
            checkHeld();
            std::vector<uint32_t> picture;
            PresentedFrameToXrgb(f, &picture);
            seen.insert(seen.end(), picture.begin(), picture.end());
            held = f.keep ? f : PresentedFrame{};
            heldPixels = f.keep ? picture : std::vector<uint32_t>{};
            return D3D_OK;
        });
        std::mt19937 rng{uint32_t(scene)};
        Texture* screen = nullptr;
        EXPECT_EQ(dev->CreateTexture(kTexW, kTexH, 1, D3DUSAGE_RENDERTARGET, texFormat, D3DPOOL_DEFAULT, &screen),
                  D3D_OK);
        Surface* screenLevel = nullptr;
        screen->GetSurfaceLevel(0, &screenLevel);
        // Tiles opaque throughout, keyed sprites and texels of any alpha.
        std::vector<uint32_t> texels(64 * 64);
        for (size_t i = 0; i < texels.size(); ++i) {
            const uint32_t kind = uint32_t(i / 64 / 16);
            const uint32_t alpha = kind == 0 ? 255u : kind == 1 ? (rng() % 2 ? 255u : 0u) : rng() % 256;
            texels[i] = alpha << 24 | (rng() & 0xFFFFFFu);
        }
        Texture* tiles = MakeTexture(64, 64, texels);
        UseTextureOnly();
        auto clear = [&](Surface* target) {  // a part of the target, or the screen's used part
            const int32_t x0 = int32_t(rng() % target->Width()), y0 = int32_t(rng() % target->Height());
            const D3DRECT r = rng() % 2 ? D3DRECT{x0, y0, x0 + 1 + int32_t(rng() % 90), y0 + 1 + int32_t(rng() % 20)}
                                        : D3DRECT{0, 0, int32_t(kScreenW), int32_t(kScreenH)};
            dev->SetRenderTarget(0, target);
            EXPECT_EQ(dev->Clear(1, &r, D3DCLEAR_TARGET, rng() % 2 ? 0xFF000000u : uint32_t(rng()), 1.0f, 0), D3D_OK);
        };
        auto tilesOn = [&](Surface* target) {  // tiles and sprites from the sheet
            dev->SetRenderTarget(0, target);
            dev->SetTexture(0, tiles);
            RandomStates(rng);
            const int tw = int(target->Width()), th = int(target->Height());
            for (int n = 1 + int(rng() % 8); n > 0; --n)
                Sprite(rng, float(int(rng() % uint32_t(tw + 8)) - 8), float(int(rng() % uint32_t(th + 8)) - 8),
                       float(1 + rng() % 16), float(1 + rng() % 16), float(rng() % 48), float(16 * (rng() % 3)), 64, 64);
        };
        auto copyScreen = [&] {  // the screen onto the back buffer, as the game copies it
            dev->SetRenderTarget(0, back);
            dev->SetTexture(0, screen);
            RandomStates(rng);
            // Mostly unblended and untested, now and then short of the whole or from
            // another corner of the texture.
            if (rng() % 4 != 0) {
                dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
                dev->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
            }
            const float u0 = rng() % 3 == 0 ? float(rng() % 8) : 0.0f;
            const float w = float(kScreenW - (rng() % 4 == 0 ? 1 + rng() % 9 : 0));
            const float h = float(kScreenH - (rng() % 4 == 0 ? 1 + rng() % 9 : 0));
            Sprite(rng, 0, 0, w, h, u0, u0, float(kTexW), float(kTexH));
        };
        auto anything = [&] {  // reads, writes, copies and fills of either
            Surface* s = rng() % 2 ? back : screenLevel;
            const RECT part{0, 0, 1 + int32_t(rng() % kScreenW), 1 + int32_t(rng() % kScreenH)};
            switch (rng() % 6) {
                case 0: clear(s); break;
                case 1: tilesOn(s); break;
                case 2: Record(s, &seen); break;
                case 3: WritePixel(s, uint32_t(rng())); break;
                case 4: EXPECT_EQ(dev->ColorFill(screenLevel, nullptr, uint32_t(rng())), D3D_OK); break;
                default:
                    EXPECT_EQ(rng() % 2 ? dev->StretchRect(screenLevel, &part, back, &part, D3DTEXF_NONE)
                                        : dev->StretchRect(back, &part, screenLevel, &part, D3DTEXF_NONE),
                              D3D_OK);
                    break;
            }
        };
        // Frames as the game draws them, each with something else now and then.
        for (int frame = 0; frame < 10; ++frame) {
            if (rng() % 4 != 0) clear(screenLevel);
            tilesOn(screenLevel);
            if (rng() % 3 == 0) anything();
            if (rng() % 4 != 0) copyScreen();
            if (rng() % 3 == 0) anything();
            dev->SetTexture(0, nullptr);
            if (rng() % 4 != 0) {
                EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
            }
            if (rng() % 2 == 0) anything();
        }
        dev->SetRenderTarget(0, back);
        Record(back, &seen);
        Record(screenLevel, &seen);
        checkHeld();
        held = PresentedFrame{};
        screenLevel->Release();
        screen->Release();
        tiles->Release();
        return seen;
    }
};

TEST_F(DeferredWritesTest, RandomScenesGiveTheGeneralPathsPixelsAndFrames) {
    for (D3DFORMAT screenFormat : {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8})
        for (D3DFORMAT texFormat : {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8})
            for (int scene = 0; scene < 20; ++scene)
                ASSERT_EQ(Scene(scene, screenFormat, texFormat, false), Scene(scene, screenFormat, texFormat, true))
                    << "scene " << scene << " formats " << screenFormat << ", " << texFormat;
}

// A texture far larger than the back buffer it is copied onto whole (a movie's frame on a
// small screen) is not held by the back buffer or the frame the window keeps: the write
// of its next frame copies none of its pixels to a store of their own.
TEST_F(DeferredWritesTest, AFarLargerTextureShownWholeIsNotCopiedWhenWrittenAgain) {
    if (!orvik_test::AllocationWatch::Available()) GTEST_SKIP() << "no sanitizer allocation hook";
    constexpr UINT kSide = 1024;
    PresentedFrame held;
    SetD3D9PresentHook([&](const PresentedFrame& f) {
        held = f;
        return D3D_OK;
    });
    Texture* frame = nullptr;
    ASSERT_EQ(dev->CreateTexture(kSide, kSide, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &frame),
              D3D_OK);
    Surface* level = nullptr;
    frame->GetSurfaceLevel(0, &level);
    UseTextureOnly();
    dev->SetTexture(0, frame);
    TLVertex q[6];
    Quad(q, -0.5f, -0.5f, 15.5f, 15.5f, 0xFFFFFFFFu, 0, 0, 16.0f / kSide, 16.0f / kSide);
    EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    dev->SetTexture(0, nullptr);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const RECT next{0, 0, int32_t(kSide), int32_t(kSide / 2)};
    orvik_test::AllocationWatch watch;
    EXPECT_EQ(dev->ColorFill(level, &next, 0xFF336699u), D3D_OK);
    EXPECT_LT(watch.Largest(), size_t(kSide) * kSide);
    held = PresentedFrame{};
    level->Release();
    frame->Release();
}

}  // namespace
}  // namespace host::test
