#include "host/d3d9/device/device.h"

#include <cstring>

#include "host/d3d9/device/caps.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/raster/multisample.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/resources/resource_make.h"
#include "host/win/window/desktop.h"

namespace host {
namespace {

DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

constexpr uint32_t kFullScreenChange = 4;  // CDS_FULLSCREEN

}  // namespace

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m;
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

// ---------------------------------------------------------------------------------------
// Creation and lifetime

Device::Device(const D3DPRESENT_PARAMETERS& params, HWND window, bool ex)
    : ex_(ex), window_(window), params_(params) {}

HRESULT Device::Create(const D3DPRESENT_PARAMETERS& params, HWND window, DWORD behaviour, bool ex, Device** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    D3D9HostSettings& s = D3D9Settings();
    const DWORD processing = behaviour & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                          D3DCREATE_MIXED_VERTEXPROCESSING);
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_MIXED_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    if (s.refuseHardwareVertexProcessing && processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    if (s.deviceCreateFailures > 0) {
        --s.deviceCreateFailures;
        return D3DERR_NOTAVAILABLE;
    }
    auto* device = new Device(params, window, ex);
    const HRESULT hr = device->MakeSwapChain(params);
    if (FAILED(hr)) {
        device->Release();
        return hr;
    }
    device->ResetStates();
    ++D3D9Counters().devicesCreated;
    *out = device;
    return D3D_OK;
}

HRESULT Device::MakeSwapChain(const D3DPRESENT_PARAMETERS& in) {
    D3DPRESENT_PARAMETERS p = in;
    if (p.BackBufferWidth == 0) p.BackBufferWidth = 640;
    if (p.BackBufferHeight == 0) p.BackBufferHeight = 480;
    if (p.BackBufferFormat == D3DFMT_UNKNOWN && p.Windowed) p.BackBufferFormat = AdapterDisplayMode().Format;
    if (p.BackBufferCount == 0) p.BackBufferCount = 1;
    if (p.BackBufferCount > 3 || (p.SwapEffect == D3DSWAPEFFECT_COPY && p.BackBufferCount != 1))
        return D3DERR_INVALIDCALL;
    // A multisampled back buffer is discarded at each present and cannot be locked.
    if (p.MultiSampleType != D3DMULTISAMPLE_NONE &&
        (p.SwapEffect != D3DSWAPEFFECT_DISCARD || (p.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER)))
        return D3DERR_INVALIDCALL;
    if (SampleCount(p.MultiSampleType, p.MultiSampleQuality) == 0) return D3DERR_NOTAVAILABLE;
    if (!ValidSurfaceSize(p.BackBufferWidth, p.BackBufferHeight)) return D3DERR_INVALIDCALL;
    if (FAILED(CheckResourceFormat(D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, p.BackBufferFormat)))
        return D3DERR_NOTAVAILABLE;
    if (!p.Windowed) {
        bool listed = false;
        for (const D3DDISPLAYMODE& m : AdapterModes(p.BackBufferFormat))
            listed = listed || (m.Width == p.BackBufferWidth && m.Height == p.BackBufferHeight &&
                                (p.FullScreen_RefreshRateInHz == 0 || p.FullScreen_RefreshRateInHz == m.RefreshRate));
        if (!listed) return D3DERR_NOTAVAILABLE;
        // A full-screen device owns the display mode until it is released or reset.
        const DisplayMode mode{int32_t(p.BackBufferWidth), int32_t(p.BackBufferHeight),
                               BitsOfDisplayFormat(p.BackBufferFormat), int32_t(p.FullScreen_RefreshRateInHz)};
        if (ChangeDisplaySettingsA(&mode, kFullScreenChange) != DISP_CHANGE_SUCCESSFUL) return D3DERR_NOTAVAILABLE;
        ownsDisplayMode_ = true;
    } else if (p.FullScreen_RefreshRateInHz != 0) {
        return D3DERR_INVALIDCALL;
    } else {
        GiveBackDisplayMode();
    }
    Surface* depth = nullptr;
    if (p.EnableAutoDepthStencil) {
        if (FAILED(CheckResourceFormat(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, p.AutoDepthStencilFormat)))
            return D3DERR_NOTAVAILABLE;
        if (FAILED(MakeResource(&depth, core_, p.AutoDepthStencilFormat, p.BackBufferWidth, p.BackBufferHeight,
                        D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, false, false, static_cast<Texture*>(nullptr),
                        p.MultiSampleType, p.MultiSampleQuality)))
            return E_OUTOFMEMORY;
    }
    Surface* back = nullptr;
    if (FAILED(MakeResource(&back, core_, p.BackBufferFormat, p.BackBufferWidth, p.BackBufferHeight, D3DPOOL_DEFAULT,
                    D3DUSAGE_RENDERTARGET, (p.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0, false,
                    static_cast<Texture*>(nullptr), p.MultiSampleType, p.MultiSampleQuality))) {
        if (depth) depth->Release();
        return E_OUTOFMEMORY;
    }
    if (swapChain_) {
        swapChain_->Detach();
        swapChain_->Release();
    }
    swapChain_ = new SwapChain(this, back, p);
    ReplaceRef(renderTarget_, back);
    back->Release();
    ReplaceRef(depthStencil_, depth);
    if (depth) depth->Release();
    params_ = p;
    return D3D_OK;
}

void Device::ReleaseBindings() {
    for (BaseTexture*& t : textures_) ReplaceRef<BaseTexture>(t, nullptr);
    ReplaceRef<VertexBuffer>(stream_, nullptr);
    ReplaceRef<IndexBuffer>(indices_, nullptr);
    ReplaceRef<Surface>(renderTarget_, nullptr);
    ReplaceRef<Surface>(depthStencil_, nullptr);
    ReleaseShaderBindings();
}

void Device::GiveBackDisplayMode() {
    if (ownsDisplayMode_) ChangeDisplaySettingsA(nullptr, 0);
    ownsDisplayMode_ = false;
}

Device::~Device() {
    if (recording_) recording_->Release();
    GiveBackDisplayMode();
    ReleaseBindings();
    if (swapChain_) {
        swapChain_->Detach();
        swapChain_->Release();
    }
}

void Device::ResetStates() {
    DWORD* rs = renderStates_.data();
    renderStates_.fill(0);
    rs[D3DRS_ZENABLE] = params_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = 1;
    rs[D3DRS_LASTPIXEL] = 1;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = rs[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_CCW_STENCILFAIL] = rs[D3DRS_CCW_STENCILZFAIL] = rs[D3DRS_CCW_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_CLIPPING] = 1;
    rs[D3DRS_LIGHTING] = 1;
    rs[D3DRS_COLORVERTEX] = 1;
    rs[D3DRS_LOCALVIEWER] = 1;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_POINTSIZE] = rs[D3DRS_POINTSIZE_MIN] = FloatBits(1.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = 1;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
    rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    for (int s = 0; s < kMaxStages; ++s) {
        DWORD* t = stageStates_[s];
        std::memset(t, 0, sizeof(stageStates_[s]));
        t[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_COLORARG0] = t[D3DTSS_ALPHAARG0] = t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = DWORD(s);
        textureMatrices_[s] = IdentityMatrix();
    }
    for (DWORD s = 0; s < kSamplerSlots; ++s) {
        DWORD* m = samplerStates_[s];
        std::memset(m, 0, sizeof(samplerStates_[s]));
        m[D3DSAMP_ADDRESSU] = m[D3DSAMP_ADDRESSV] = m[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        m[D3DSAMP_MAGFILTER] = m[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        m[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        m[D3DSAMP_MAXANISOTROPY] = 1;
    }
    world_ = view_ = projection_ = IdentityMatrix();
    viewport_ = D3DVIEWPORT9{0, 0, params_.BackBufferWidth, params_.BackBufferHeight, 0.0f, 1.0f};
    scissor_ = RECT{0, 0, int32_t(params_.BackBufferWidth), int32_t(params_.BackBufferHeight)};
    material_ = D3DMATERIAL9{};
    lights_.clear();
    lightEnabled_.clear();
    fvf_ = 0;
    inScene_ = false;
}

HRESULT Device::TestCooperativeLevel() {
    switch (loss_) {
        case DeviceLoss::Lost: return D3DERR_DEVICELOST;
        case DeviceLoss::NotReset: return D3DERR_DEVICENOTRESET;
        default: return D3D_OK;
    }
}

void Device::SimulateDeviceLost() { loss_ = DeviceLoss::Lost; }
void Device::SimulateFocusRegained() {
    if (loss_ == DeviceLoss::Lost) loss_ = DeviceLoss::NotReset;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* params) {
    if (!params) return D3DERR_INVALIDCALL;
    if (loss_ == DeviceLoss::Lost) return D3DERR_DEVICELOST;
    ReleaseBindings();
    // Every resource of the default pool must be gone first.
    if (core_->defaultPoolResources != 0) {
        loss_ = DeviceLoss::NotReset;
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = MakeSwapChain(*params);
    if (FAILED(hr)) {
        loss_ = DeviceLoss::NotReset;
        return hr;
    }
    *params = params_;
    ResetStates();
    loss_ = DeviceLoss::None;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) const {
    if (!caps) return D3DERR_INVALIDCALL;
    FillDeviceCaps(caps);
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) const {
    if (swapChain != 0 || !mode) return D3DERR_INVALIDCALL;
    return swapChain_->GetDisplayMode(mode);
}

HRESULT Device::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT Device::SetDialogBoxMode(BOOL) { return params_.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER ? D3D_OK : D3DERR_INVALIDCALL; }

HRESULT Device::SetMaximumFrameLatency(UINT latency) {
    if (!ex_ || latency > 16) return D3DERR_INVALIDCALL;
    frameLatency_ = latency == 0 ? 3 : latency;
    return D3D_OK;
}

HRESULT Device::GetMaximumFrameLatency(UINT* latency) const {
    if (!ex_ || !latency) return D3DERR_INVALIDCALL;
    *latency = frameLatency_;
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, Surface** surface) {
    if (swapChain != 0) return D3DERR_INVALIDCALL;
    return swapChain_->GetBackBuffer(index, type, surface);
}

HRESULT Device::GetSwapChain(UINT index, SwapChain** swapChain) {
    if (index != 0 || !swapChain) return D3DERR_INVALIDCALL;
    swapChain_->AddRef();
    *swapChain = swapChain_;
    return D3D_OK;
}

HRESULT Device::GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* status) {
    if (swapChain != 0) return D3DERR_INVALIDCALL;
    return swapChain_->GetRasterStatus(status);
}

HRESULT Device::Present(const RECT* source, const RECT* dest, HWND window, const void* dirtyRegion) {
    return swapChain_->Present(source, dest, window, dirtyRegion, 0);
}

// ---------------------------------------------------------------------------------------
// Targets

HRESULT Device::SetRenderTarget(DWORD index, Surface* surface) {
    if (index != 0 || !surface || !surface->IsRenderTarget()) return D3DERR_INVALIDCALL;
    ReplaceRef(renderTarget_, surface);
    viewport_ = D3DVIEWPORT9{0, 0, surface->Width(), surface->Height(), 0.0f, 1.0f};
    scissor_ = RECT{0, 0, int32_t(surface->Width()), int32_t(surface->Height())};
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD index, Surface** surface) {
    if (index != 0 || !surface) return D3DERR_INVALIDCALL;
    *surface = renderTarget_;
    if (!renderTarget_) return D3DERR_NOTFOUND;
    renderTarget_->AddRef();
    return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(Surface* surface) {
    if (surface && !(surface->Usage() & D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
    ReplaceRef(depthStencil_, surface);
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(Surface** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = depthStencil_;
    if (!depthStencil_) return D3DERR_NOTFOUND;
    depthStencil_->AddRef();
    return D3D_OK;
}

}  // namespace host
