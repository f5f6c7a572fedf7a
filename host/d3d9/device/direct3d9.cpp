#include "host/d3d9/device/direct3d9.h"

#include <cstdio>

#include "host/d3d9/device/caps.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/raster/multisample.h"
#include "host/d3d9/resources/pixel_format.h"

namespace host {

HRESULT Direct3D9::CheckAdapter(UINT adapter, D3DDEVTYPE type) const {
    if (adapter != 0) return D3DERR_INVALIDCALL;
    return type == D3DDEVTYPE_HAL ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D9::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* id) const {
    if (adapter != 0 || !id) return D3DERR_INVALIDCALL;
    *id = D3DADAPTER_IDENTIFIER9{};
    std::snprintf(id->Driver, sizeof(id->Driver), "orvik_soft.dll");
    std::snprintf(id->Description, sizeof(id->Description), "Orvik software device");
    std::snprintf(id->DeviceName, sizeof(id->DeviceName), "\\\\.\\DISPLAY1");
    return D3D_OK;
}

UINT Direct3D9::GetAdapterModeCount(UINT adapter, D3DFORMAT format) const {
    return adapter == 0 ? UINT(AdapterModes(format).size()) : 0;
}

HRESULT Direct3D9::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) const {
    if (adapter != 0 || !out) return D3DERR_INVALIDCALL;
    const auto modes = AdapterModes(format);
    if (mode >= modes.size()) return D3DERR_INVALIDCALL;
    *out = modes[mode];
    return D3D_OK;
}

HRESULT Direct3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) const {
    if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
    *mode = AdapterDisplayMode();
    return D3D_OK;
}

HRESULT Direct3D9::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                   D3DFORMAT backBufferFormat, BOOL windowed) const {
    const HRESULT hr = CheckAdapter(adapter, type);
    if (FAILED(hr)) return hr;
    if (!IsDisplayFormat(displayFormat)) return D3DERR_NOTAVAILABLE;
    if (windowed && displayFormat != AdapterDisplayMode().Format) return D3DERR_NOTAVAILABLE;
    return CheckResourceFormat(D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE,
                               backBufferFormat == D3DFMT_UNKNOWN ? displayFormat : backBufferFormat);
}

HRESULT Direct3D9::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                     D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) const {
    const HRESULT hr = CheckAdapter(adapter, type);
    if (FAILED(hr)) return hr;
    if (!IsDisplayFormat(adapterFormat)) return D3DERR_INVALIDCALL;
    return CheckResourceFormat(usage, resourceType, checkFormat);
}

HRESULT Direct3D9::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                          D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat) const {
    const HRESULT hr = CheckAdapter(adapter, type);
    if (FAILED(hr)) return hr;
    if (!IsDisplayFormat(adapterFormat) || !IsColorFormat(renderTargetFormat)) return D3DERR_INVALIDCALL;
    return CheckResourceFormat(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depthFormat);
}

HRESULT Direct3D9::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL,
                                              D3DMULTISAMPLE_TYPE multiSample, DWORD* qualityLevels) const {
    const HRESULT hr = CheckAdapter(adapter, type);
    if (FAILED(hr)) return hr;
    if (!FindPixelFormat(format)) return D3DERR_NOTAVAILABLE;
    const DWORD levels = multiSample == D3DMULTISAMPLE_NONE ? 1 : QualityLevels(format, multiSample);
    if (levels == 0) return D3DERR_NOTAVAILABLE;
    if (qualityLevels) *qualityLevels = levels;
    return D3D_OK;
}

HRESULT Direct3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) const {
    if (!caps) return D3DERR_INVALIDCALL;
    const HRESULT hr = CheckAdapter(adapter, type);
    if (FAILED(hr)) return hr;
    FillDeviceCaps(caps);
    return D3D_OK;
}

HRESULT Direct3D9::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                                D3DPRESENT_PARAMETERS* params, Device** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    const HRESULT hr = CheckAdapter(adapter, type);
    if (FAILED(hr)) return hr;
    if (!params) return D3DERR_INVALIDCALL;
    return Device::Create(*params, focusWindow, behaviour, false, device);
}

HRESULT Direct3D9::CreateDeviceEx(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                                  D3DPRESENT_PARAMETERS* params, const D3DDISPLAYMODEEX* fullscreenMode,
                                  Device** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (!ex_) return D3DERR_INVALIDCALL;
    const HRESULT hr = CheckAdapter(adapter, type);
    if (FAILED(hr)) return hr;
    if (!params || (params->Windowed != 0) == (fullscreenMode != nullptr)) return D3DERR_INVALIDCALL;
    if (fullscreenMode && (fullscreenMode->Size != sizeof(D3DDISPLAYMODEEX) ||
                           fullscreenMode->Width != params->BackBufferWidth ||
                           fullscreenMode->Height != params->BackBufferHeight ||
                           fullscreenMode->Format != params->BackBufferFormat))
        return D3DERR_INVALIDCALL;
    return Device::Create(*params, focusWindow, behaviour, true, device);
}

Direct3D9* Direct3DCreate9(UINT sdkVersion) {
    const D3D9HostSettings& s = D3D9Settings();
    if (!IsD3D9Available() || s.create9Fails || sdkVersion != D3D_SDK_VERSION) return nullptr;
    return new Direct3D9(false);
}

bool HasDirect3DCreate9Ex() { return IsD3D9Available() && !D3D9Settings().create9ExMissing; }

HRESULT Direct3DCreate9Ex(UINT sdkVersion, Direct3D9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!HasDirect3DCreate9Ex() || D3D9Settings().create9ExFails) return D3DERR_NOTAVAILABLE;
    if (sdkVersion != D3D_SDK_VERSION) return D3DERR_INVALIDCALL;
    *out = new Direct3D9(true);
    return D3D_OK;
}

}  // namespace host
