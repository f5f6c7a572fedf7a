// The Direct3D object: the one adapter's display modes, format checks, capabilities and
// device creation, and the library's two creation entries.
#pragma once
#include "host/d3d9/device/d3d9_types.h"
#include "host/d3d9/device/device.h"

namespace host {

class Direct3D9 : public Unknown {
public:
    explicit Direct3D9(bool ex) : ex_(ex) {}
    bool IsEx() const { return ex_; }

    UINT GetAdapterCount() const { return 1; }
    HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) const;
    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) const;
    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) const;
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) const;
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                            BOOL windowed) const;
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) const;
    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                   D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat) const;
    HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                       D3DMULTISAMPLE_TYPE multiSample, DWORD* qualityLevels) const;
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) const;
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                         D3DPRESENT_PARAMETERS* params, Device** device);
    // Only on the object made by Direct3DCreate9Ex; `fullscreenMode` is required in full
    // screen and must be null in a window.
    HRESULT CreateDeviceEx(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                           D3DPRESENT_PARAMETERS* params, const D3DDISPLAYMODEEX* fullscreenMode, Device** device);

private:
    HRESULT CheckAdapter(UINT adapter, D3DDEVTYPE type) const;
    bool ex_;
};

// Null when the library is missing, creation is made to fail, or the version is not 32.
Direct3D9* Direct3DCreate9(UINT sdkVersion);
// Whether the library exports the Ex entry (it does from Vista on).
bool HasDirect3DCreate9Ex();
HRESULT Direct3DCreate9Ex(UINT sdkVersion, Direct3D9** out);

}  // namespace host
