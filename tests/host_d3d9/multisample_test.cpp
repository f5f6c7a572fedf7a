// Multisampling: which types and qualities the device answers for, the rules on
// multisampled surfaces, edges that resolve to partial coverage through StretchRect and
// through Present, the sample mask, antialiasing switched off, and depth per sample.
#include <vector>

#include "device_fixture.h"

namespace host::test {
namespace {

constexpr uint32_t kMsWhite = 0xFFFFFFFFu;
constexpr uint32_t kMsBlack = 0xFF000000u;
constexpr uint32_t kMsHalf = 0xFF808080u;

class MultisampleTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        UseDiffuseOnly();
    }
    void TearDown() override {
        if (target) {
            dev->SetRenderTarget(0, back);
            target->Release();
        }
        target = nullptr;
        DeviceTest::TearDown();
    }
    // A 16 x 16 multisampled target, bound and cleared to black.
    void UseTarget(D3DMULTISAMPLE_TYPE type, DWORD quality = 0) {
        ASSERT_EQ(dev->CreateRenderTarget(16, 16, D3DFMT_X8R8G8B8, type, quality, 0, &target, nullptr), D3D_OK);
        ASSERT_EQ(dev->SetRenderTarget(0, target), D3D_OK);
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, kMsBlack, 1.0f, 0), D3D_OK);
    }
    // White over (x0, y0)-(x1, y1), resolved onto the back buffer.
    void DrawAndResolve(float x0, float y0, float x1, float y1) {
        TLVertex q[6];
        Quad(q, x0, y0, x1, y1, kMsWhite);
        ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
        ASSERT_EQ(dev->StretchRect(target, nullptr, back, nullptr, D3DTEXF_NONE), D3D_OK);
    }
    Surface* target = nullptr;
};

TEST_F(MultisampleTest, TypesAndQualitiesAreAnsweredTruthfully) {
    auto check = [&](D3DFORMAT f, D3DMULTISAMPLE_TYPE type, DWORD* levels) {
        return d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, f, 1, type, levels);
    };
    DWORD levels = 0;
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A8R8G8B8, D3DFMT_D24S8, D3DFMT_D16}) {
        EXPECT_EQ(check(f, D3DMULTISAMPLE_2_SAMPLES, &levels), D3D_OK) << f;
        EXPECT_EQ(levels, 1u);
        EXPECT_EQ(check(f, D3DMULTISAMPLE_4_SAMPLES, &levels), D3D_OK) << f;
        EXPECT_EQ(check(f, D3DMULTISAMPLE_NONMASKABLE, &levels), D3D_OK) << f;
        EXPECT_EQ(levels, 2u);
        EXPECT_EQ(check(f, D3DMULTISAMPLE_NONE, &levels), D3D_OK) << f;
        EXPECT_EQ(levels, 1u);
    }
    EXPECT_EQ(check(D3DFMT_X8R8G8B8, D3DMULTISAMPLE_3_SAMPLES, &levels), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(D3DFMT_X8R8G8B8, D3DMULTISAMPLE_16_SAMPLES, &levels), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(D3DFMT_DXT1, D3DMULTISAMPLE_2_SAMPLES, &levels), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(D3DFMT_X8R8G8B8, D3DMULTISAMPLE_2_SAMPLES, nullptr), D3D_OK);
}

TEST_F(MultisampleTest, MultisampledSurfacesFollowTheirRules) {
    Surface* s = nullptr;
    // Lockable multisampled targets, and qualities past the levels, are refused.
    EXPECT_EQ(dev->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, 1, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 1, 0, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONMASKABLE, 2, 0, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateDepthStencilSurface(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_3_SAMPLES, 0, 0, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(s, nullptr);
    UseTarget(D3DMULTISAMPLE_NONMASKABLE, 1);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(target->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.MultiSampleType, D3DMULTISAMPLE_NONMASKABLE);
    EXPECT_EQ(desc.MultiSampleQuality, 1u);
    EXPECT_EQ(desc.Width, 16u);
    // Never locked, read back or copied into; only resolved.
    D3DLOCKED_RECT lr;
    EXPECT_EQ(target->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    Surface* sys = nullptr;
    ASSERT_EQ(dev->CreateOffscreenPlainSurface(16, 16, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
    EXPECT_EQ(dev->GetRenderTargetData(target, sys), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->StretchRect(back, nullptr, target, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->UpdateSurface(sys, nullptr, target, nullptr), D3DERR_INVALIDCALL);
    sys->Release();
    // A cleared multisampled target resolves to its clear colour, partly cleared too.
    const D3DRECT r{0, 0, 4, 16};
    ASSERT_EQ(dev->Clear(1, &r, D3DCLEAR_TARGET, 0xFF336699u, 1.0f, 0), D3D_OK);
    ASSERT_EQ(dev->StretchRect(target, nullptr, back, nullptr, D3DTEXF_NONE), D3D_OK);
    EXPECT_EQ(Pixel(3, 9), 0xFF336699u);
    EXPECT_EQ(Pixel(4, 9), kMsBlack);
}

TEST_F(MultisampleTest, EdgesResolveToPartialCoverage) {
    // An edge through the pixel centres of column 4 and row 4 covers half of the samples
    // of those pixels, on two and on four samples.
    for (D3DMULTISAMPLE_TYPE type : {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES}) {
        UseTarget(type);
        DrawAndResolve(-1, -1, 4, 4);
        EXPECT_EQ(Pixel(3, 2), kMsWhite) << type;
        EXPECT_EQ(Pixel(4, 2), kMsHalf) << type;
        EXPECT_EQ(Pixel(2, 4), kMsHalf) << type;
        EXPECT_EQ(Pixel(5, 2), kMsBlack) << type;
        dev->SetRenderTarget(0, back);
        target->Release();
        target = nullptr;
    }
    // A slanted edge leaves several levels between black and white; a plain target keeps
    // every pixel one or the other.
    UseTarget(D3DMULTISAMPLE_4_SAMPLES);
    const TLVertex tri[3] = {V(0.3f, 0.2f), V(15.7f, 5.1f), V(2.2f, 15.6f)};
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, tri), D3D_OK);
    ASSERT_EQ(dev->StretchRect(target, nullptr, back, nullptr, D3DTEXF_NONE), D3D_OK);
    std::vector<uint32_t> levels;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint32_t p = Pixel(x, y);
            EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF);
            if (p != kMsWhite && p != kMsBlack && std::find(levels.begin(), levels.end(), p) == levels.end())
                levels.push_back(p);
        }
    EXPECT_GE(levels.size(), 2u);
    dev->SetRenderTarget(0, back);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, kMsBlack, 1.0f, 0), D3D_OK);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, tri), D3D_OK);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_TRUE(Pixel(x, y) == kMsWhite || Pixel(x, y) == kMsBlack) << x << "," << y;
}

TEST_F(MultisampleTest, SampleMaskAndAntialiasingSwitch) {
    UseTarget(D3DMULTISAMPLE_4_SAMPLES);
    dev->SetRenderState(D3DRS_MULTISAMPLEMASK, 0x1);
    DrawAndResolve(-1, -1, 17, 17);
    EXPECT_EQ(Pixel(8, 8), 0xFF404040u);  // one sample of four
    // Switched off, every sample reads the pixel centre: edges stay sharp.
    dev->SetRenderState(D3DRS_MULTISAMPLEMASK, 0xFFFFFFFFu);
    dev->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, 0);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, kMsBlack, 1.0f, 0), D3D_OK);
    DrawAndResolve(-1, -1, 4.2f, 4.2f);
    EXPECT_EQ(Pixel(4, 2), kMsWhite);
    EXPECT_EQ(Pixel(5, 2), kMsBlack);
    dev->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, 1);
    // A non-maskable target draws every sample whatever the mask.
    dev->SetRenderTarget(0, back);
    target->Release();
    UseTarget(D3DMULTISAMPLE_NONMASKABLE, 1);
    dev->SetRenderState(D3DRS_MULTISAMPLEMASK, 0x1);
    DrawAndResolve(-1, -1, 17, 17);
    EXPECT_EQ(Pixel(8, 8), kMsWhite);
}

TEST_F(MultisampleTest, DepthIsKeptPerSample) {
    UseTarget(D3DMULTISAMPLE_4_SAMPLES);
    Surface* ds = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(16, 16, D3DFMT_D24S8, D3DMULTISAMPLE_4_SAMPLES, 0, 0, &ds, nullptr),
              D3D_OK);
    ASSERT_EQ(dev->SetDepthStencilSurface(ds), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0), D3D_OK);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    // A near quad over the left half (its edge through the centres of column 4), then a
    // far red one over everything: red fills only the samples the near one left.
    TLVertex q[6];
    Quad(q, -1, -1, 4, 17, kMsWhite);
    for (TLVertex& v : q) v.z = 0.25f;
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    Quad(q, -1, -1, 17, 17, 0xFFFF0000u);
    for (TLVertex& v : q) v.z = 0.5f;
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    ASSERT_EQ(dev->StretchRect(target, nullptr, back, nullptr, D3DTEXF_NONE), D3D_OK);
    EXPECT_EQ(Pixel(2, 8), kMsWhite);
    EXPECT_EQ(Pixel(4, 8), 0xFFFF8080u);
    EXPECT_EQ(Pixel(9, 8), 0xFFFF0000u);
    dev->SetDepthStencilSurface(nullptr);
    ds->Release();
}

TEST(MultisampleBackBufferTest, PresentShowsTheResolvedSamples) {
    ResetD3D9Host();
    ResetDesktop();
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferWidth = pp.BackBufferHeight = 8;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.Windowed = 1;
    pp.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES;
    Device* dev = nullptr;
    // Multisampled back buffers are discarded at each present and never lockable.
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    pp.Flags = 0;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev), D3D_OK);
    dev->SetFVF(kTLFvf);
    dev->SetRenderState(D3DRS_LIGHTING, 0);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, kMsBlack, 1.0f, 0), D3D_OK);
    const TLVertex q[4] = {V(-1, -1), V(4, -1), V(-1, 9), V(4, 9)};
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TLVertex)), D3D_OK);
    dev->EndScene();
    std::vector<uint32_t> shown;
    SetD3D9PresentHook([&](const PresentedFrame& frame) {
        PresentedFrameToXrgb(frame, &shown);
        return D3D_OK;
    });
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    SetD3D9PresentHook(nullptr);
    ASSERT_EQ(shown.size(), 64u);
    EXPECT_EQ(shown[8 + 3] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shown[8 + 4] & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(shown[8 + 5] & 0xFFFFFF, 0u);
    dev->Release();
    d3d->Release();
    ResetD3D9Host();
}

}  // namespace
}  // namespace host::test
