// The device's global state: what the host pretends the display and driver are, the
// failures tests can ask for, counters, and the hook that receives presented frames.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

struct D3D9HostSettings {
    // The library is absent altogether (also when ORVIK_NO_D3D9 is set to a non-zero value).
    bool moduleMissing = false;
    // Direct3DCreate9 returns null; Direct3DCreate9Ex is not exported / fails.
    bool create9Fails = false;
    bool create9ExMissing = false;
    bool create9ExFails = false;
    // The next N device creations fail; hardware or mixed vertex processing is refused.
    int deviceCreateFailures = 0;
    bool refuseHardwareVertexProcessing = false;
    // The next N depth-stencil creations fail; the next N presents report a lost device.
    int depthCreateFailures = 0;
    int presentFailures = 0;
    // The next N render-target and offscreen-plain-surface creations fail.
    int renderTargetCreateFailures = 0;
    int offscreenCreateFailures = 0;
    // The next N vertex- and index-buffer creations fail.
    int bufferCreateFailures = 0;
    // Presents return at once whatever the interval, as drivers with vertical sync forced
    // off do.
    bool presentIgnoresInterval = false;
    // Capabilities. A texture side as large as Direct3D 9 hardware offers at most (as its
    // shader-model-3 parts of the last generations report); tests lower it to see graphics
    // cut into several textures.
    uint32_t maxTextureSize = 16384;
    bool blendOpCaps = true;
    bool tempRegisterCaps = true;  // texture stages may write the temporary register
    // The shader model the caps report, with volume textures: 3 (vs_3_0/ps_3_0, and the
    // extended 2.x caps), 2 (vs_2_0/ps_2_0 only) or 0 (no programmable shaders). Set by
    // ORVIK_D3D9_SHADER_MODEL; 3 when unset or not one of those.
    int shaderModel = 3;
    // How long one draw's shaders may work, in microseconds of the drawing thread's
    // processor time, besides a microsecond for each pixel or vertex they run (see
    // draw_watchdog.h). As the display driver's watchdog resets a GPU that works on one
    // draw for two seconds, a draw still running then is abandoned and the device is lost,
    // with a log line: presents fail with D3DERR_DEVICELOST until it is reset. A little
    // under two seconds, so that the call has returned by then.
    int64_t drawTimeoutMicros = 1'800'000;
    // The clock the watchdog reads, in microseconds; null for the thread's processor time.
    // Tests hold it still or step it.
    std::function<int64_t()> drawClock;
    // Formats that CheckDeviceFormat and resource creation refuse.
    std::vector<D3DFORMAT> refusedFormats;
    // Every draw takes the general pixel path, and pixel shaders run pixel by pixel (also
    // when ORVIK_D3D9_GENERIC is set).
    bool forceGenericPath = false;
    // The fast spans and the pixel shaders' lane kernels use SSE2 even where AVX2 is there
    // (also when ORVIK_D3D9_NO_AVX2 is set), so the two can be compared.
    bool forceBaselineSpans = false;
};

struct D3D9Stats {
    uint64_t drawCalls = 0;
    uint64_t primitives = 0;
    uint64_t presents = 0;
    uint64_t devicesCreated = 0;
    // Pairs of triangles found sharing an edge, which are drawn as one shape.
    uint64_t trianglePairs = 0;
    // Texels of surfaces not in 32-bit ARGB converted into the copies that draws sample.
    uint64_t texelsConverted = 0;
    // How often each render state was written, to tell a state re-applied from one skipped.
    std::array<uint32_t, kRenderStateCount> renderStateWrites{};
};

D3D9HostSettings& D3D9Settings();
D3D9Stats& D3D9Counters();
// Back to the defaults (the environment is read again); the present hook is kept.
void ResetD3D9Host();

// Whether the library can be loaded by name ("d3d9.dll").
bool IsD3D9Available();
bool IsFormatRefused(D3DFORMAT format);
// True, counting one down, while `count` asks for more failures.
bool TakeInjectedFailure(int& count);

// What a present hands to the window layer: the back buffer's pixels in its own format.
struct PresentedFrame {
    const uint8_t* pixels = nullptr;
    uint32_t width = 0, height = 0;
    int32_t pitch = 0;  // 0 when every row is the same (a cleared frame not drawn on)
    D3DFORMAT format = D3DFMT_UNKNOWN;
    RECT source;        // part of the back buffer shown
    RECT dest;          // where in the window; equal to source when not given
    bool destGiven = false;
    HWND window = nullptr;
    // Set when the pixels stay as they are while it is held: the window may keep the
    // frame by reference instead of copying it.
    std::shared_ptr<const void> keep;
};
// The frame's source rectangle as 32-bit pixels 0x00RRGGBB, row by row, as the backends
// show them; `out` is resized to the rectangle's width x height.
void PresentedFrameToXrgb(const PresentedFrame& frame, std::vector<uint32_t>* out);

// Returns D3D_OK, or an error the present reports (e.g. D3DERR_DEVICELOST).
using PresentHook = std::function<HRESULT(const PresentedFrame&)>;
void SetD3D9PresentHook(PresentHook hook);
const PresentHook& D3D9PresentHook();

}  // namespace host
