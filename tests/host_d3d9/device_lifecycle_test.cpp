// The device's life: creation and its failures, the library loaded by name, formats and
// capabilities, loss and reset.
#include <cstdlib>

#include "device_fixture.h"
#include "host/d3d9/device/d3d9_module.h"
#include "host/win/window/desktop.h"
#include "host/win/system/modules.h"

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

}  // namespace
}  // namespace host::test
