// The swap chain: the back buffer, the raster position and presentation to the window
// layer's hook.
#include "host/clock.h"
#include "host/backends/display_clock.h"
#include "host/d3d9/device/caps.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/raster/multisample.h"

namespace host {
namespace {

constexpr int64_t kFrameMicroseconds = 16667;
constexpr int64_t kBlankMicroseconds = 1000;

bool ClipRect(const RECT& r, uint32_t width, uint32_t height) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= int32_t(width) &&
           r.bottom <= int32_t(height);
}

}  // namespace

SwapChain::SwapChain(Device* device, Surface* backBuffer, const D3DPRESENT_PARAMETERS& params)
    : device_(device), backBuffer_(backBuffer), params_(params) {
    backBuffer_->AddRef();
}

SwapChain::~SwapChain() { backBuffer_->Release(); }

HRESULT SwapChain::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, Surface** surface) {
    if (!surface || index != 0 || type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *surface = backBuffer_;
    return D3D_OK;
}

HRESULT SwapChain::GetRasterStatus(D3DRASTER_STATUS* status) {
    if (!status) return D3DERR_INVALIDCALL;
    // Under the manual clock time stands still, so each query moves the beam a quarter
    // of a frame; otherwise the beam follows a steady 60 Hz.
    int64_t phase;
    if (IsManualClock()) phase = int64_t(rasterCalls_++ % 4) * (kFrameMicroseconds / 4);
    else phase = NowMicroseconds() % kFrameMicroseconds;
    status->InVBlank = phase < kBlankMicroseconds ? 1 : 0;
    status->ScanLine = status->InVBlank ? 0 : UINT(phase * params_.BackBufferHeight / kFrameMicroseconds);
    return D3D_OK;
}

HRESULT SwapChain::GetPresentParameters(D3DPRESENT_PARAMETERS* params) const {
    if (!params) return D3DERR_INVALIDCALL;
    *params = params_;
    return D3D_OK;
}

HRESULT SwapChain::GetDisplayMode(D3DDISPLAYMODE* mode) const {
    if (!mode) return D3DERR_INVALIDCALL;
    *mode = params_.Windowed ? AdapterDisplayMode()
                             : D3DDISPLAYMODE{params_.BackBufferWidth, params_.BackBufferHeight,
                                              params_.FullScreen_RefreshRateInHz ? params_.FullScreen_RefreshRateInHz
                                                                                 : AdapterDisplayMode().RefreshRate,
                                              params_.BackBufferFormat};
    return D3D_OK;
}

HRESULT SwapChain::Present(const RECT* source, const RECT* dest, HWND window, const void*, DWORD) {
    if (!device_) return D3DERR_INVALIDCALL;
    if (device_->inScene_) return D3DERR_INVALIDCALL;
    if (device_->loss_ != DeviceLoss::None) return D3DERR_DEVICELOST;
    D3D9HostSettings& s = D3D9Settings();
    if (s.presentFailures > 0) {
        --s.presentFailures;
        return D3DERR_DEVICELOST;
    }
    // Rectangles are honoured only by the copy swap effect.
    if ((source || dest) && params_.SwapEffect != D3DSWAPEFFECT_COPY) return D3DERR_INVALIDCALL;
    PresentedFrame frame;
    frame.width = backBuffer_->Width();
    frame.height = backBuffer_->Height();
    uint32_t fill = 0;
    size_t shownPitch = 0;
    if (const uint8_t* rows = backBuffer_->ShownRows(&shownPitch, &frame.keep)) {
        // A back buffer that is one copy of another surface is shown from that surface's
        // pixels, never written.
        frame.pixels = rows;
        frame.pitch = int32_t(shownPitch);
    } else if (backBuffer_->PendingFill(&fill)) {
        // A clear not yet written is shown from one row, leaving the back buffer unwritten.
        solidRow_.assign(frame.width, fill);
        frame.pixels = reinterpret_cast<const uint8_t*>(solidRow_.data());
        frame.pitch = 0;
    } else if (backBuffer_->Samples() > 1) {
        // A multisampled back buffer is shown resolved, its samples averaged.
        resolved_.resize(backBuffer_->Pitch() * backBuffer_->Height());
        ResolveSurface(*backBuffer_, resolved_.data(), backBuffer_->Pitch());
        frame.pixels = resolved_.data();
        frame.pitch = int32_t(backBuffer_->Pitch());
    } else {
        // Drawn: shown from its own pixels, which the next frame's drawing leaves as they
        // are for the window to keep.
        frame.pixels = backBuffer_->ShownBits(&frame.keep);
        frame.pitch = int32_t(backBuffer_->Pitch());
    }
    frame.format = backBuffer_->Format();
    frame.source = source ? *source : RECT{0, 0, int32_t(frame.width), int32_t(frame.height)};
    if (!ClipRect(frame.source, frame.width, frame.height)) return D3DERR_INVALIDCALL;
    frame.destGiven = dest != nullptr;
    frame.dest = dest ? *dest : frame.source;
    if (dest && (dest->left >= dest->right || dest->top >= dest->bottom)) return D3DERR_INVALIDCALL;
    frame.window = window ? window : params_.hDeviceWindow ? params_.hDeviceWindow : device_->window_;
    ++D3D9Counters().presents;
    const PresentHook& hook = D3D9PresentHook();
    const HRESULT hr = hook ? hook(frame) : D3D_OK;
    if (SUCCEEDED(hr)) WaitForPresentationInterval();
    return hr;
}

// A synchronised present returns at the display's vertical blank, as a real swap chain
// does: this is what paces a program that presents once a frame.
void SwapChain::WaitForPresentationInterval() const {
    const UINT interval = params_.PresentationInterval;
    if (interval == D3DPRESENT_INTERVAL_IMMEDIATE || D3D9Settings().presentIgnoresInterval) return;
    const UINT blanks = interval == D3DPRESENT_INTERVAL_DEFAULT ? 1 : interval;
    for (UINT i = 0; i < blanks && i < 4; ++i) WaitForNextVerticalBlank();
}

}  // namespace host
