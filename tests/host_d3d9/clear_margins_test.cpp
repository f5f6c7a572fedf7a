// Sprites whose texels are clear (alpha 0) round a box, frames of opaque texels round a
// clear window, and wholly opaque tiles, drawn under the alpha test or blended: the device
// cuts the clear parts off the rectangle and shades the opaque parts without the alpha
// test, which must leave exactly the pixels the general path leaves, on targets with and
// without alpha, also after the texture's texels change between draws (what the texels
// hold is remembered per texture).
#include <random>

#include "device_fixture.h"

namespace host::test {
namespace {

// Texels clear outside the box (x0, y0)-(x1, y1), inclusive, of a 16 x 16 texture;
// inside it any alpha, some rows of it clear too.
std::vector<uint32_t> BoxedTexels(std::mt19937& rng, int x0, int y0, int x1, int y1) {
    std::vector<uint32_t> texels(16 * 16);
    const int clearRow = int(rng() % 24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= x0 && x <= x1 && y >= y0 && y <= y1 && y != clearRow;
            const uint32_t alpha = !inside ? 0u : rng() % 3 == 0 ? rng() % 256 : 255u;
            texels[size_t(y * 16 + x)] = alpha << 24 | (rng() & 0xFFFFFFu);
        }
    return texels;
}

// Opaque texels of any colour round the window (x0, y0)-(x1, y1), inclusive, whose texels
// are clear, or (when `mixed`) of any alpha in one of its rows.
std::vector<uint32_t> FramedTexels(std::mt19937& rng, int x0, int y0, int x1, int y1, bool mixed) {
    std::vector<uint32_t> texels(16 * 16);
    const int mixedRow = mixed ? y0 + int(rng() % uint32_t(y1 - y0 + 1)) : -1;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool window = x >= x0 && x <= x1 && y >= y0 && y <= y1;
            const uint32_t alpha = !window ? 255u : y == mixedRow ? rng() % 256 : 0u;
            texels[size_t(y * 16 + x)] = alpha << 24 | (rng() & 0xFFFFFFu);
        }
    return texels;
}

class ClearMarginsTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        Close();
        Open(24, 24, D3DFMT_A8R8G8B8);
    }
    void TearDown() override {
        D3D9Settings().forceGenericPath = false;
        DeviceTest::TearDown();
    }
    void PassAlphasAbove(DWORD ref) {
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
        dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
        dev->SetRenderState(D3DRS_ALPHAREF, ref);
    }
    void NewTexels(std::mt19937& rng, Texture* tex) {
        const int x0 = int(rng() % 16), y0 = int(rng() % 16);
        const int x1 = x0 + int(rng() % uint32_t(16 - x0)), y1 = y0 + int(rng() % uint32_t(16 - y0));
        // A box of texels, a frame, or a tile (a frame whose window lies outside it).
        const uint32_t shape = rng() % 4;
        const std::vector<uint32_t> texels = shape == 0   ? FramedTexels(rng, 16, 16, 16, 16, false)
                                             : shape == 1 ? FramedTexels(rng, x0, y0, x1, y1, rng() % 2 != 0)
                                                          : BoxedTexels(rng, x0, y0, x1, y1);
        D3DLOCKED_RECT lr;
        ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
        for (int y = 0; y < 16; ++y)
            std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, &texels[size_t(y * 16)], 16 * 4);
        tex->UnlockRect(0);
    }
    // One scene of sprites, each reading its texels one per pixel along its rows; the
    // texels change now and then between sprites. The back buffer's bytes after it.
    std::vector<uint32_t> Scene(int scene, bool general) {
        D3D9Settings().forceGenericPath = general;
        std::mt19937 rng{uint32_t(scene)};
        Texture* tex = MakeTexture(16, 16, std::vector<uint32_t>(16 * 16));
        NewTexels(rng, tex);
        dev->SetTexture(0, tex);
        UseTextureOnly();
        // Any bits in the target, the unused byte of a pixel without alpha among them.
        D3DLOCKED_RECT target;
        EXPECT_EQ(back->LockRect(&target, nullptr, 0), D3D_OK);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(target.pBits) + y * target.Pitch)[x] = uint32_t(rng());
        back->UnlockRect();
        dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
        for (int i = 0; i < 16; ++i) {
            if (rng() % 4 == 0) NewTexels(rng, tex);
            // Without the test, blended clear texels keep the target too.
            dev->SetRenderState(D3DRS_ALPHATESTENABLE, rng() % 4 != 0);
            dev->SetRenderState(D3DRS_ALPHAREF, rng() % 2 ? 0 : rng() % 256);
            // The alpha the texel's own, or its product with the diffuse alpha.
            dev->SetTextureStageState(0, D3DTSS_ALPHAOP, rng() % 2 ? D3DTOP_SELECTARG1 : D3DTOP_MODULATE);
            dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
            const int blend = int(rng() % 3);
            dev->SetRenderState(D3DRS_ALPHABLENDENABLE, blend != 0);
            dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            dev->SetRenderState(D3DRS_DESTBLEND, blend == 1 ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
            const int w = 1 + int(rng() % 16), h = 1 + int(rng() % 16);
            const float u0 = float(rng() % uint32_t(17 - w)) / 16, v0 = float(rng() % uint32_t(17 - h)) / 16;
            const float x = float(int(rng() % 28) - 6) - 0.5f, y = float(int(rng() % 28) - 6) - 0.5f;
            TLVertex q[6];
            Quad(q, x, y, x + float(w), y + float(h), rng() % 2 ? 0xFFFFFFFFu : uint32_t(rng()), u0, v0,
                 u0 + float(w) / 16, v0 + float(h) / 16);
            EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
        }
        dev->SetTexture(0, nullptr);
        tex->Release();
        std::vector<uint32_t> pixels;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) pixels.push_back(Pixel(x, y));
        return pixels;
    }
};

TEST_F(ClearMarginsTest, SpritesWithClearMarginsGiveTheGeneralPathsPixels) {
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}) {
        Close();
        Open(24, 24, format);
        for (int scene = 0; scene < 40; ++scene)
            ASSERT_EQ(Scene(scene, false), Scene(scene, true)) << "scene " << scene << " format " << format;
    }
}

TEST_F(ClearMarginsTest, AWhollyClearSpriteLeavesTheTarget) {
    Texture* tex = MakeTexture(16, 16, std::vector<uint32_t>(16 * 16, 0x00FFFFFFu));
    dev->SetTexture(0, tex);
    UseTextureOnly();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80402010u, 1.0f, 0);
    PassAlphasAbove(0);
    TLVertex q[6];
    Quad(q, -0.5f, -0.5f, 15.5f, 15.5f, 0xFFFFFFFFu);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Mask(0x80402010u, 24, 24), std::vector<std::string>(24, std::string(24, '#')));
    // The same texture made opaque in one texel: that texel's pixel alone is drawn.
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + 9 * lr.Pitch)[5] = 0xFF00FF00u;
    tex->UnlockRect(0);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(5, 9), 0xFF00FF00u);
    EXPECT_EQ(Mask(0x80402010u, 24, 24)[9], std::string(5, '#') + "." + std::string(18, '#'));
    dev->SetTexture(0, nullptr);
    tex->Release();
}

}  // namespace
}  // namespace host::test
