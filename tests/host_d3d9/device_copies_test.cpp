// The device's surfaces and textures: lock rules, shared counts, clears, colour fills and
// the copies between them (StretchRect, UpdateSurface, UpdateTexture, GetRenderTargetData).
#include <string>
#include <vector>

#include "device_fixture.h"

namespace host::test {
namespace {

TEST_F(ObjectsTest, LockRules) {
    Surface* rt = nullptr;
    ASSERT_EQ(dev->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, &rt, nullptr), D3D_OK);
    D3DLOCKED_RECT lr;
    EXPECT_EQ(rt->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);  // not lockable
    rt->Release();
    Texture* def = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &def), D3D_OK);
    EXPECT_EQ(def->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // default pool, not dynamic
    def->Release();
    EXPECT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &def),
              D3DERR_INVALIDCALL);
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(16, 16, 0, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &tex), D3D_OK);
    EXPECT_EQ(tex->GetLevelCount(), 5u);
    RECT odd{1, 0, 4, 4}, block{4, 4, 8, 8};
    EXPECT_EQ(tex->LockRect(0, &lr, &odd, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(tex->LockRect(0, &lr, &block, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 32);  // four 8-byte blocks per row
    EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    EXPECT_EQ(tex->UnlockRect(0), D3D_OK);
    EXPECT_EQ(tex->UnlockRect(0), D3DERR_INVALIDCALL);
    RECT outside{0, 0, 20, 4};
    EXPECT_EQ(tex->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex->LockRect(9, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    tex->Release();
}

TEST_F(ObjectsTest, SurfacesShareTheirTexturesCount) {
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    Surface* level = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(tex->Release(), 1u);  // the surface keeps the texture alive
    D3DSURFACE_DESC desc;
    ASSERT_EQ(level->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(level->Release(), 0u);
}

TEST_F(ObjectsTest, ClearColorFillAndCopies) {
    const D3DRECT r{2, 2, 4, 3};
    ASSERT_EQ(dev->Clear(1, &r, D3DCLEAR_TARGET, 0xFF112233u, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Pixel(2, 2), 0xFF112233u);
    EXPECT_EQ(Pixel(3, 2), 0xFF112233u);
    EXPECT_EQ(Pixel(4, 2), 0xFF000000u);
    EXPECT_EQ(Pixel(2, 3), 0xFF000000u);
    EXPECT_EQ(dev->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);  // no depth buffer

    // A 2 x 2 render target filled in two colours, stretched onto the back buffer 2x.
    Surface* rt = nullptr;
    ASSERT_EQ(dev->CreateRenderTarget(2, 2, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, &rt, nullptr), D3D_OK);
    ASSERT_EQ(dev->ColorFill(rt, nullptr, 0xFF0000FFu), D3D_OK);
    const RECT right{1, 0, 2, 2};
    ASSERT_EQ(dev->ColorFill(rt, &right, 0xFFFF0000u), D3D_OK);
    const RECT dest{8, 8, 12, 12};
    ASSERT_EQ(dev->StretchRect(rt, nullptr, back, &dest, D3DTEXF_POINT), D3D_OK);
    EXPECT_EQ(Mask(0xFFFF0000u, 13, 13)[8], "..........##.");
    EXPECT_EQ(Mask(0xFF0000FFu, 13, 13)[11], "........##...");
    // Overlapping copies inside one surface and system-memory sources are refused.
    const RECT a{0, 0, 4, 4}, b{2, 2, 6, 6};
    EXPECT_EQ(dev->StretchRect(back, &a, back, &b, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    Surface* sys = nullptr;
    ASSERT_EQ(dev->CreateOffscreenPlainSurface(2, 2, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
    EXPECT_EQ(dev->StretchRect(sys, nullptr, rt, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->ColorFill(sys, nullptr, 0), D3DERR_INVALIDCALL);
    // Read back the render target, then upload it into a texture level through UpdateSurface.
    ASSERT_EQ(dev->GetRenderTargetData(rt, sys), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint32_t*>(lr.pBits)[1], 0xFFFF0000u);
    sys->UnlockRect();
    Texture* target = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target), D3D_OK);
    Surface* level = nullptr;
    target->GetSurfaceLevel(0, &level);
    const POINT at{2, 2};
    ASSERT_EQ(dev->UpdateSurface(sys, nullptr, level, &at), D3D_OK);
    const POINT off{3, 3};
    EXPECT_EQ(dev->UpdateSurface(sys, nullptr, level, &off), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->UpdateSurface(rt, nullptr, level, &at), D3DERR_INVALIDCALL);  // source not system memory
    Surface* sys4 = nullptr;
    dev->CreateOffscreenPlainSurface(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys4, nullptr);
    ASSERT_EQ(dev->GetRenderTargetData(level, sys4), D3D_OK);
    sys4->LockRect(&lr, nullptr, D3DLOCK_READONLY);
    EXPECT_EQ(reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + 2 * lr.Pitch)[3], 0xFFFF0000u);
    EXPECT_EQ(reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + 2 * lr.Pitch)[2], 0xFF0000FFu);
    sys4->UnlockRect();
    sys4->Release();
    level->Release();
    target->Release();
    sys->Release();
    rt->Release();
}

TEST_F(ObjectsTest, UpdateTextureCopiesEveryLevel) {
    Texture* staging = nullptr;
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 0, D3DUSAGE_DYNAMIC, D3DFMT_A4R4G4B4, D3DPOOL_SYSTEMMEM, &staging), D3D_OK);
    ASSERT_EQ(dev->CreateTexture(4, 4, 0, 0, D3DFMT_A4R4G4B4, D3DPOOL_DEFAULT, &tex), D3D_OK);
    for (UINT l = 0; l < staging->GetLevelCount(); ++l) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(staging->LockRect(l, &lr, nullptr, 0), D3D_OK);
        static_cast<uint16_t*>(lr.pBits)[0] = uint16_t(0xF00F + l * 0x10);
        staging->UnlockRect(l);
    }
    ASSERT_EQ(dev->UpdateTexture(staging, tex), D3D_OK);
    Texture* wrong = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &wrong), D3D_OK);
    EXPECT_EQ(dev->UpdateTexture(wrong, tex), D3DERR_INVALIDCALL);  // formats differ
    wrong->Release();
    // Draw level 0 to check its texel reached the device texture: A4R4G4B4 0xF00F is
    // opaque red 0 green 0 blue 255.
    dev->SetTexture(0, tex);
    UseTextureOnly();
    TLVertex q[6];
    Quad(q, -0.5f, -0.5f, 0.5f, 0.5f, 0xFFFFFFFFu, 0, 0, 0.25f, 0.25f);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFF0000FFu);
    dev->SetTexture(0, nullptr);
    tex->Release();
    staging->Release();
}

// The uploaded texture shares its pixels with the system-memory texture: a later write
// into that one must not reach the texture before the next upload.
TEST_F(ObjectsTest, AWriteAfterUpdateTextureWaitsForTheNextUpload) {
    Texture* staging = nullptr;
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &staging), D3D_OK);
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex), D3D_OK);
    auto writeTexel = [&](uint32_t texel) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(staging->LockRect(0, &lr, nullptr, 0), D3D_OK);
        static_cast<uint32_t*>(lr.pBits)[0] = texel;
        staging->UnlockRect(0);
    };
    auto drawnTexel = [&] {
        TLVertex q[6];
        Quad(q, -0.5f, -0.5f, 0.5f, 0.5f, 0xFFFFFFFFu, 0, 0, 0.25f, 0.25f);
        EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
        return Pixel(0, 0);
    };
    dev->SetTexture(0, tex);
    UseTextureOnly();
    writeTexel(0xFF0000FFu);
    ASSERT_EQ(dev->UpdateTexture(staging, tex), D3D_OK);
    writeTexel(0xFF00FF00u);
    EXPECT_EQ(drawnTexel(), 0xFF0000FFu);
    ASSERT_EQ(dev->UpdateTexture(staging, tex), D3D_OK);
    EXPECT_EQ(drawnTexel(), 0xFF00FF00u);
    dev->SetTexture(0, nullptr);
    tex->Release();
    staging->Release();
}

// The 32-bit copy of a surface in another format is converted again where locks changed
// it, and whole once anything else changed it since the copy was made.
TEST_F(ObjectsTest, AConvertedCopyFollowsEveryChange) {
    Surface* s = nullptr;
    ASSERT_EQ(dev->CreateOffscreenPlainSurface(4, 4, D3DFMT_A4R4G4B4, D3DPOOL_DEFAULT, &s, nullptr), D3D_OK);
    const RECT cell{0, 0, 1, 1}, elsewhere{2, 2, 4, 4};
    auto writeCell = [&](uint16_t texel) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(s->LockRect(&lr, &cell, 0), D3D_OK);
        *static_cast<uint16_t*>(lr.pBits) = texel;
        s->UnlockRect();
    };
    uint32_t alphaOr = 0;
    size_t pitch = 0;
    writeCell(0xF00F);
    s->ArgbView(&alphaOr, &pitch);
    writeCell(0xF0F0);
    ASSERT_EQ(dev->ColorFill(s, &elsewhere, 0xFFFF0000u), D3D_OK);
    const uint32_t* argb = s->ArgbView(&alphaOr, &pitch);
    EXPECT_EQ(argb[0], 0xFF00FF00u);
    EXPECT_EQ(argb[3 * pitch + 3], 0xFFFF0000u);
    s->Release();
}

TEST_F(ObjectsTest, WholeClearsReachEveryReader) {
    // A whole clear is written when first read: locks, copies, textures and later partial
    // clears all see it, and a clear of a locked surface reaches the locked pixels at once.
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF445566u, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Mask(0xFF445566u, 16, 16), std::vector<std::string>(16, std::string(16, '#')));
    D3DLOCKED_RECT lr;
    ASSERT_EQ(back->LockRect(&lr, nullptr, 0), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF778899u, 1.0f, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint32_t*>(lr.pBits)[17], 0xFF778899u);
    back->UnlockRect();
    // Rows of 4 pixels, and rows of 1024 that are padded past their pixels.
    for (UINT width : {4u, 1024u}) {
        Texture* target = nullptr;
        ASSERT_EQ(dev->CreateTexture(width, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
                  D3D_OK);
        Surface* level = nullptr;
        target->GetSurfaceLevel(0, &level);
        ASSERT_EQ(dev->ColorFill(level, nullptr, 0xFFABCDEFu), D3D_OK);
        const RECT corner{0, 0, 1, 1}, source{0, 0, 4, 4}, dest{4, 4, 8, 8};
        ASSERT_EQ(dev->ColorFill(level, &corner, 0xFF000001u), D3D_OK);
        ASSERT_EQ(dev->StretchRect(level, &source, back, &dest, D3DTEXF_POINT), D3D_OK);
        EXPECT_EQ(Pixel(4, 4), 0xFF000001u);
        EXPECT_EQ(Pixel(7, 7), 0xFFABCDEFu);
        EXPECT_EQ(Pixel(8, 8), 0xFF778899u);
        // A whole fill reaches the last column of every row.
        ASSERT_EQ(dev->ColorFill(level, nullptr, 0xFF123456u), D3D_OK);
        const RECT lastColumn{int32_t(width) - 1, 0, int32_t(width), 4}, shown{10, 0, 11, 4};
        ASSERT_EQ(dev->StretchRect(level, &lastColumn, back, &shown, D3DTEXF_POINT), D3D_OK);
        for (int y = 0; y < 4; ++y) EXPECT_EQ(Pixel(10, y), 0xFF123456u) << width << " wide, row " << y;
        level->Release();
        target->Release();
    }
}

}  // namespace
}  // namespace host::test
