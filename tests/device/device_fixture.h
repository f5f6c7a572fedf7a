// Graphics tests start from a fresh program on the headless backend (the engine
// fixture) with the software device, DirectDraw and the window picture at their defaults.
#pragma once
#include <cstring>

#include "../window/engine_fixture.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/device/graphics_system.h"
#include "host/backends/display_clock.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/ddraw/ddraw.h"
#include "host/gdi/dib_output.h"
#include "engine/softrender/pipeline/memimg.h"

namespace orvik_test {

class DeviceTest : public EngineTest {
protected:
    static host::Device* D3DDevice() { return orvik::Graphics().dev.device; }
    static uint64_t DrawCalls() { return host::D3D9Counters().drawCalls; }
    // What the device holds now for a render, texture-stage or sampler state.
    static host::DWORD RenderState(host::D3DRENDERSTATETYPE s) {
        host::DWORD v = 0;
        D3DDevice()->GetRenderState(s, &v);
        return v;
    }
    static host::DWORD StageState(host::DWORD stage, host::D3DTEXTURESTAGESTATETYPE s) {
        host::DWORD v = 0;
        D3DDevice()->GetTextureStageState(stage, s, &v);
        return v;
    }
    static host::DWORD SamplerState(host::DWORD stage, host::D3DSAMPLERSTATETYPE s) {
        host::DWORD v = 0;
        D3DDevice()->GetSamplerState(stage, s, &v);
        return v;
    }
    static uint64_t Primitives() { return host::D3D9Counters().primitives; }
    // The back buffer's pixel as 0x00RRGGBB (32-bit back buffers).
    static uint32_t BackBufferPixel(int x, int y) {
        host::Surface* b = orvik::Graphics().dev.backBuffer;
        uint32_t v;
        std::memcpy(&v, b->Bits() + size_t(y) * b->Pitch() + size_t(x) * 4, 4);
        return v & 0xFFFFFF;
    }
};

}  // namespace orvik_test
