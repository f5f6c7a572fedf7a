// Mip filtering: the linear mip filter blends the two nearest levels by the level of
// detail's fraction, the point one takes the nearest; anisotropic minification averages
// bilinear taps along the footprint's long axis.
#include <cmath>

#include "device_fixture.h"

namespace host::test {
namespace {

class MipFilterTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        UseTextureOnly();
    }
    // A square texture of `size` texels with every level filled with one colour.
    Texture* SolidLevels(UINT size, const std::vector<uint32_t>& colors) {
        Texture* tex = nullptr;
        EXPECT_EQ(dev->CreateTexture(size, size, UINT(colors.size()), 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex),
                  D3D_OK);
        for (UINT level = 0; level < colors.size(); ++level) {
            D3DLOCKED_RECT lr;
            EXPECT_EQ(tex->LockRect(level, &lr, nullptr, 0), D3D_OK);
            const UINT side = size >> level;
            for (UINT y = 0; y < side; ++y)
                for (UINT x = 0; x < side; ++x)
                    std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &colors[level], 4);
            tex->UnlockRect(level);
        }
        return tex;
    }
    // The whole 16 x 16 target with texture coordinates 0 to (u1, v1) at its edges, so
    // pixel x samples at u1 (x + 0.5) / 16.
    uint32_t DrawCovering(float u1, float v1) {
        TLVertex q[6];
        Quad(q, -0.5f, -0.5f, 15.5f, 15.5f, 0xFFFFFFFFu, 0, 0, u1, v1);
        EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
        return Pixel(8, 8);
    }
};

TEST_F(MipFilterTest, LinearMipFilterBlendsTheTwoNearestLevels) {
    // Level 0 is 64 texels: 16 pixels over 0.7071 of it step 2.83 texels a pixel, a level
    // of detail of 1.5. Half of level 1 (0x204060) and half of level 2 (0x60A0E0).
    Texture* tex = SolidLevels(64, {0xFFFF0000u, 0xFF204060u, 0xFF60A0E0u, 0xFF00FF00u});
    dev->SetTexture(0, tex);
    dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    const float half = 0.70710678f;
    EXPECT_EQ(DrawCovering(half, half), 0xFF4070A0u);
    // A level of detail of 1.25 (2^1.25 / 4 = 0.5946): a quarter of level 2, so
    // 0x20 x 0.75 + 0x60 x 0.25 = 0x30, 0x40 and 0xA0 give 0x58, 0x60 and 0xE0 give 0x80.
    EXPECT_EQ(DrawCovering(0.59460356f, 0.59460356f), 0xFF305880u);
    // The point mip filter takes the nearest level: 1.75 (2^1.75 / 4 = 0.8409) is level 2,
    // 1.25 level 1.
    dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    EXPECT_EQ(DrawCovering(0.84089642f, 0.84089642f), 0xFF60A0E0u);
    EXPECT_EQ(DrawCovering(0.59460356f, 0.59460356f), 0xFF204060u);
    // Past the last level nothing is blended.
    dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    EXPECT_EQ(DrawCovering(64, 64), 0xFF00FF00u);
    tex->Release();
}

TEST_F(MipFilterTest, AnisotropicTapsAverageAlongTheLongAxis) {
    // Every fourth column white. Squeezed 4 to 1 across (as a plane seen at a steep
    // angle), a pixel's one bilinear sample falls between two black columns, while four
    // taps one texel apart cover one white and three black texels: 255 / 4 = 64.
    std::vector<uint32_t> texels(64 * 16);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = i % 4 == 0 ? 0xFFFFFFFFu : 0xFF000000u;
    Texture* tex = MakeTexture(64, 16, texels);
    dev->SetTexture(0, tex);
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    EXPECT_EQ(DrawCovering(1, 1), 0xFF000000u);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
    dev->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, 16);
    EXPECT_EQ(DrawCovering(1, 1), 0xFF404040u);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(Pixel(x, 3), 0xFF404040u) << x;
    // One tap is bilinear again.
    dev->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, 1);
    EXPECT_EQ(DrawCovering(1, 1), 0xFF000000u);
    // A footprint far beyond any level (coordinates up to 1e30) still takes whole taps of
    // the texture's own texels: a grey between black and white.
    const uint32_t far = DrawCovering(1e30f, 1);
    EXPECT_EQ(far & 0xFF, (far >> 8) & 0xFF);
    EXPECT_EQ(far & 0xFF, (far >> 16) & 0xFF);
    D3DCAPS9 caps;
    ASSERT_EQ(dev->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.MaxAnisotropy, 16u);
    EXPECT_TRUE(caps.TextureFilterCaps & D3DPTFILTERCAPS_MINFANISOTROPIC);
    tex->Release();
}

}  // namespace
}  // namespace host::test
