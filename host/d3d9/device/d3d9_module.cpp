#include "host/d3d9/device/d3d9_module.h"

#include <vector>

#include "host/backends/backend.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/direct3d9.h"
#include "host/win/system/modules.h"

namespace host {

void RegisterD3D9Module() {
    RegisterModuleExport("d3d9", "Direct3DCreate9", AsProc(&Direct3DCreate9));
    RegisterModuleExport("d3d9", "Direct3DCreate9Ex", AsProc(&Direct3DCreate9Ex));
    SetModuleMissing("d3d9", !IsD3D9Available());
    SetExportMissing("d3d9", "Direct3DCreate9Ex", !HasDirect3DCreate9Ex());
}

HRESULT PresentFrameToBackend(const PresentedFrame& frame) {
    const Backend* backend = ActiveBackend();
    if (!backend || !backend->present) return D3D_OK;
    static thread_local std::vector<uint32_t> pixels;
    PresentedFrameToXrgb(frame, &pixels);
    const int width = frame.source.right - frame.source.left, height = frame.source.bottom - frame.source.top;
    if (pixels.empty()) return D3DERR_INVALIDCALL;
    return backend->present(pixels.data(), width, height, width * 4) ? D3D_OK : D3DERR_DEVICELOST;
}

}  // namespace host
