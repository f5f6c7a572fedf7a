// The device's objects and rules: creation and its failures, formats and capabilities,
// locks, copies, presentation, loss and reset, states read back.
#include <algorithm>
#include <string>
#include <vector>

#include "device_fixture.h"
#include "host/clock.h"
#include "host/backends/backend.h"
#include "host/backends/headless/headless.h"
#include "host/d3d9/d3d9_module.h"
#include "host/win/desktop.h"
#include "host/win/modules.h"

namespace host::test {
namespace {

D3DPRESENT_PARAMETERS WindowParams() {
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferWidth = 32;
    pp.BackBufferHeight = 24;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.Windowed = 1;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    return pp;
}

class CreationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetD3D9Host();
        ResetDesktop();
    }
    void TearDown() override {
        ResetD3D9Host();
        ResetDesktop();
    }
};

TEST_F(CreationTest, MissingLibraryAndFailingEntries) {
    D3D9Settings().moduleMissing = true;
    EXPECT_FALSE(IsD3D9Available());
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    Direct3D9* ex = nullptr;
    EXPECT_EQ(Direct3DCreate9Ex(D3D_SDK_VERSION, &ex), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(ex, nullptr);
    ResetD3D9Host();
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    D3D9Settings().create9Fails = true;
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    D3D9Settings().create9ExMissing = true;
    EXPECT_FALSE(HasDirect3DCreate9Ex());
    EXPECT_EQ(Direct3DCreate9Ex(D3D_SDK_VERSION, &ex), D3DERR_NOTAVAILABLE);
    ResetD3D9Host();
    ASSERT_EQ(Direct3DCreate9Ex(D3D_SDK_VERSION, &ex), D3D_OK);
    EXPECT_TRUE(ex->IsEx());
    ex->Release();
}

TEST_F(CreationTest, TheLibraryLoadsByName) {
    RegisterD3D9Module();
    HMODULE module = LoadLibraryA("D3D9.DLL");
    ASSERT_NE(module, nullptr);
    auto create = reinterpret_cast<Direct3D9* (*)(UINT)>(GetProcAddress(module, "Direct3DCreate9"));
    auto createEx = reinterpret_cast<HRESULT (*)(UINT, Direct3D9**)>(GetProcAddress(module, "Direct3DCreate9Ex"));
    ASSERT_NE(create, nullptr);
    ASSERT_NE(createEx, nullptr);
    Direct3D9* d3d = create(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    d3d->Release();
    FreeLibrary(module);
    // Without the Ex entry (before Vista), and without the library at all.
    D3D9Settings().create9ExMissing = true;
    RegisterD3D9Module();
    module = LoadLibraryA("d3d9");
    EXPECT_EQ(GetProcAddress(module, "Direct3DCreate9Ex"), nullptr);
    EXPECT_NE(GetProcAddress(module, "Direct3DCreate9"), nullptr);
    FreeLibrary(module);
    D3D9Settings().moduleMissing = true;
    RegisterD3D9Module();
    EXPECT_EQ(LoadLibraryA("d3d9.dll"), nullptr);
    ResetModules();
}

TEST_F(CreationTest, EnvironmentRemovesTheLibrary) {
    setenv("ORVIK_NO_D3D9", "1", 1);
    ResetD3D9Host();
    EXPECT_FALSE(IsD3D9Available());
    setenv("ORVIK_NO_D3D9", "0", 1);
    ResetD3D9Host();
    EXPECT_TRUE(IsD3D9Available());
    unsetenv("ORVIK_NO_D3D9");
}

TEST_F(CreationTest, DeviceCreationRetriesAndFailures) {
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = WindowParams();
    Device* dev = nullptr;
    // Mixed processing refused, software accepted: the engine's single retry succeeds.
    D3D9Settings().refuseHardwareVertexProcessing = true;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_MIXED_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev, nullptr);
    // Two failures queued: both tries fail, the third succeeds.
    D3D9Settings().deviceCreateFailures = 2;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_NOTAVAILABLE);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev), D3D_OK);
    // No processing flag, or two of them, is refused outright.
    Device* other = nullptr;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &other), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &other),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CreateDeviceEx(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, nullptr,
                                  &other),
              D3DERR_INVALIDCALL);  // not an Ex object

    // The depth buffer can be made to fail once.
    D3D9Settings().depthCreateFailures = 1;
    Surface* depth = nullptr;
    EXPECT_EQ(dev->CreateDepthStencilSurface(32, 32, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, 1, &depth, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
    ASSERT_EQ(dev->CreateDepthStencilSurface(32, 32, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, 1, &depth, nullptr), D3D_OK);
    depth->Release();
    dev->Release();
    d3d->Release();
}

TEST_F(CreationTest, FullScreenNeedsAListedMode) {
    Direct3D9* d3d = nullptr;
    ASSERT_EQ(Direct3DCreate9Ex(D3D_SDK_VERSION, &d3d), D3D_OK);
    D3DPRESENT_PARAMETERS pp = WindowParams();
    pp.Windowed = 0;
    pp.BackBufferWidth = 640;
    pp.BackBufferHeight = 480;
    pp.BackBufferFormat = D3DFMT_R5G6B5;
    D3DDISPLAYMODEEX mode;
    mode.Width = 640;
    mode.Height = 480;
    mode.Format = D3DFMT_R5G6B5;
    Device* dev = nullptr;
    ASSERT_EQ(d3d->CreateDeviceEx(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &mode, &dev),
              D3D_OK);
    EXPECT_TRUE(dev->IsEx());
    EXPECT_EQ(dev->SetMaximumFrameLatency(1), D3D_OK);
    // The device switched the display and gives it back when released.
    EXPECT_EQ(CurrentDisplayMode().bits, 16);
    EXPECT_EQ(CurrentDisplayMode().width, 640);
    dev->Release();
    EXPECT_EQ(CurrentDisplayMode().bits, 32);
    EXPECT_EQ(CurrentDisplayMode().width, 1920);
    // Without 16-bit modes on the adapter the same request fails.
    SetDisplayModes({{640, 480, 32, 60}, {800, 600, 32, 60}});
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 0u);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 2u);
    EXPECT_EQ(d3d->CreateDeviceEx(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &mode, &dev),
              D3DERR_NOTAVAILABLE);
    d3d->Release();
}

TEST_F(CreationTest, TheDesktopDecidesTheWindowedFormat) {
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = WindowParams();
    Device* dev = nullptr;
    SetDesktop(1024, 768, 16);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(mode.Width, 1024u);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev), D3D_OK);
    Surface* back = nullptr;
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    EXPECT_EQ(back->Format(), D3DFMT_R5G6B5);
    back->Release();
    dev->Release();
    // No device runs on a 24-bit desktop.
    SetDesktop(1024, 768, 24);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_NOTAVAILABLE);
    d3d->Release();
}

TEST_F(CreationTest, FormatChecksAndCaps) {
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    auto check = [&](DWORD usage, D3DFORMAT f) {
        return d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, usage, D3DRTYPE_TEXTURE, f);
    };
    for (D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_X8R8G8B8,
                        D3DFMT_A8R8G8B8, D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5})
        EXPECT_EQ(check(0, f), D3D_OK) << f;
    EXPECT_EQ(check(D3DUSAGE_RENDERTARGET, D3DFMT_DXT1), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(0, D3DFMT_D16), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, mode.Format, mode.Format, D3DFMT_D24X8), D3D_OK);
    D3D9Settings().refusedFormats = {D3DFMT_DXT1, D3DFMT_D16};
    EXPECT_EQ(check(0, D3DFMT_DXT1), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, mode.Format, mode.Format, D3DFMT_D16),
              D3DERR_NOTAVAILABLE);
    D3DCAPS9 caps;
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_BLENDOP);
    D3D9Settings().blendOpCaps = false;
    D3D9Settings().maxTextureSize = 2048;
    d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
    EXPECT_FALSE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_BLENDOP);
    EXPECT_EQ(caps.MaxTextureWidth, 2048u);
    d3d->Release();
}

class ObjectsTest : public DeviceTest {};

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

TEST_F(ObjectsTest, PresentHandsTheBackBufferToTheHook) {
    std::vector<uint32_t> seen;
    RECT source{};
    SetD3D9PresentHook([&](const PresentedFrame& f) {
        source = f.source;
        for (uint32_t y = 0; y < f.height; ++y)
            for (uint32_t x = 0; x < f.width; ++x)
                seen.push_back(*reinterpret_cast<const uint32_t*>(f.pixels + y * f.pitch + x * 4));
        return D3D_OK;
    });
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699u, 1.0f, 0);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(seen.size(), 256u);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0xFF336699u), 256);
    // A cleared frame drawn on shows the drawing over the clear.
    const D3DRECT dot{3, 5, 4, 6};
    dev->Clear(1, &dot, D3DCLEAR_TARGET, 0xFF010203u, 1.0f, 0);
    seen.clear();
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(seen.size(), 256u);
    EXPECT_EQ(seen[5 * 16 + 3], 0xFF010203u);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0xFF336699u), 255);
    EXPECT_EQ(source.right, 16);
    const RECT part{0, 0, 8, 8};
    ASSERT_EQ(dev->Present(&part, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(source.right, 8);
    // Inside a scene, with a failure queued, or with the device lost, nothing is shown.
    seen.clear();
    dev->BeginScene();
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    dev->EndScene();
    D3D9Settings().presentFailures = 1;
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    SetD3D9PresentHook(nullptr);
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

TEST_F(ObjectsTest, SixteenBitFramesReachTheBackendAsXrgb) {
    Close();
    Open(4, 2, D3DFMT_R5G6B5);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0);
    const D3DRECT right{2, 0, 4, 2};
    dev->Clear(1, &right, D3DCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0);
    std::vector<uint32_t> shown;
    SetD3D9PresentHook([&](const PresentedFrame& f) {
        PresentedFrameToXrgb(f, &shown);
        return D3D_OK;
    });
    const RECT part{1, 1, 4, 2};
    ASSERT_EQ(dev->Present(&part, nullptr, nullptr, nullptr), D3D_OK);
    SetD3D9PresentHook(nullptr);
    EXPECT_EQ(shown, (std::vector<uint32_t>{0xFF0000u, 0x0000FFu, 0x0000FFu}));
}

TEST_F(ObjectsTest, FramesReachTheHeadlessBackend) {
    ASSERT_TRUE(UseBackend("headless"));
    headless::Reset();
    SetD3D9PresentHook(PresentFrameToBackend);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060u, 1.0f, 0);
    const D3DRECT corner{0, 0, 1, 1};
    dev->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const headless::Frame frame = headless::LastFrame();
    ASSERT_EQ(frame.width, 16);
    ASSERT_EQ(frame.height, 16);
    EXPECT_EQ(frame.pixels[0], 0xFFFFFFu);
    EXPECT_EQ(frame.pixels[17], 0x204060u);
    headless::SetPresentFails(true);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    headless::SetPresentFails(false);
    SetD3D9PresentHook(nullptr);
    StopBackend();
}

TEST_F(ObjectsTest, LossAndReset) {
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    dev->SimulateDeviceLost();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS pp = WindowParams();
    EXPECT_EQ(dev->Reset(&pp), D3DERR_DEVICELOST);
    dev->SimulateFocusRegained();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    // A default-pool texture still alive keeps Reset from succeeding.
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &tex), D3D_OK);
    back->Release();
    back = nullptr;
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    tex->Release();
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    EXPECT_EQ(back->Width(), 32u);
    DWORD value = 0;
    dev->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, DWORD(D3DCULL_CCW));  // states are back at their defaults
}

TEST_F(ObjectsTest, StatesReadBackAndRangesAreChecked) {
    DWORD v = 0;
    dev->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, DWORD(D3DBLEND_ONE));
    dev->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_MODULATE));
    dev->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_DISABLE));
    dev->GetSamplerState(3, D3DSAMP_ADDRESSU, &v);
    EXPECT_EQ(v, DWORD(D3DTADDRESS_WRAP));
    ASSERT_EQ(dev->SetSamplerState(7, D3DSAMP_MAXANISOTROPY, 4), D3D_OK);
    dev->GetSamplerState(7, D3DSAMP_MAXANISOTROPY, &v);
    EXPECT_EQ(v, 4u);
    // Sixteen samplers (pixel shaders read past the eight stages).
    EXPECT_EQ(dev->SetSamplerState(15, D3DSAMP_MAGFILTER, 1), D3D_OK);
    EXPECT_EQ(dev->SetSamplerState(16, D3DSAMP_MAGFILTER, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetRenderState(D3DRENDERSTATETYPE(500), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(40), 1), D3DERR_INVALIDCALL);
    D3DMATRIX m = IdentityMatrix();
    m.m[3][0] = 5;
    ASSERT_EQ(dev->SetTransform(D3DTS_WORLD, &m), D3D_OK);
    D3DMATRIX out;
    dev->GetTransform(D3DTS_WORLD, &out);
    EXPECT_EQ(out.m[3][0], 5.0f);
    EXPECT_EQ(dev->SetTransform(D3DTRANSFORMSTATETYPE(100), &m), D3DERR_INVALIDCALL);
    const float reg[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(dev->SetVertexShaderConstantF(254, reg, 2), D3D_OK);
    EXPECT_EQ(dev->SetVertexShaderConstantF(255, reg, 2), D3DERR_INVALIDCALL);
    float back4[4];
    dev->GetVertexShaderConstantF(255, back4, 1);
    EXPECT_EQ(back4[3], 8.0f);
    EXPECT_EQ(dev->SetPixelShader(nullptr), D3D_OK);
    DWORD fvf = 0;
    dev->GetFVF(&fvf);
    EXPECT_EQ(fvf, kTLFvf);
}

TEST_F(ObjectsTest, DrawArgumentsAreChecked) {
    TLVertex tri[3] = {V(0, 0), V(4, 0), V(0, 4)};
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(TLVertex)), D3DERR_INVALIDCALL);  // no scene
    dev->BeginScene();
    EXPECT_EQ(dev->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, 8), D3DERR_INVALIDCALL);  // stride too small
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPRIMITIVETYPE(9), 1, tri, sizeof(TLVertex)), D3DERR_INVALIDCALL);
    const uint16_t bad[3] = {0, 1, 7};
    EXPECT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, bad, D3DFMT_INDEX16, tri, sizeof(TLVertex)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // no stream
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(sizeof(tri), D3DUSAGE_WRITEONLY, kTLFvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, tri, sizeof(tri));
    vb->Unlock();
    dev->SetStreamSource(0, vb, 0, sizeof(TLVertex));
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);  // past the buffer's end
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    EXPECT_EQ(vb->Lock(sizeof(tri), 4, &data, 0), D3DERR_INVALIDCALL);
    dev->EndScene();
    EXPECT_EQ(Pixel(1, 1), 0xFFFFFFFFu);
    vb->Release();
}

TEST_F(ObjectsTest, CountersFollowDrawsAndPresents) {
    D3D9Counters() = D3D9Stats{};
    TLVertex q[6];
    Quad(q, 0, 0, 4, 4, 0xFFFFFFFFu);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, nullptr), D3DERR_INVALIDCALL);  // refused calls do not count
    ASSERT_EQ(Draw(D3DPT_TRIANGLESTRIP, 1, q), D3D_OK);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(D3D9Counters().drawCalls, 2u);
    EXPECT_EQ(D3D9Counters().primitives, 3u);
    EXPECT_EQ(D3D9Counters().presents, 1u);
}

TEST_F(ObjectsTest, RasterStatusMovesUnderTheManualClock) {
    UseManualClock(true);
    D3DRASTER_STATUS s;
    int blanks = 0;
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(dev->GetRasterStatus(0, &s), D3D_OK);
        blanks += s.InVBlank;
    }
    UseManualClock(false);
    EXPECT_EQ(blanks, 2);
}

}  // namespace
}  // namespace host::test
