// Graphics tests start from a fresh program on the headless backend (the engine
// fixture) with the software device, DirectDraw and the window picture at their defaults.
#pragma once
#include <cstring>

#include "../window/engine_fixture.h"
#include "engine/graphics/draw_settings.h"
#include "engine/graphics/graphics_system.h"
#include "host/backends/display_clock.h"
#include "host/d3d9/d3d9_host.h"
#include "host/d3d9/device.h"
#include "host/ddraw/ddraw.h"
#include "host/gdi/dib_output.h"
#include "engine/softrender/memimg.h"

namespace orvik_test {

class DeviceTest : public EngineTest {
protected:
    static host::Device* D3DDevice() { return orvik::Graphics().dev.device; }
    static uint64_t DrawCalls() { return host::D3D9Counters().drawCalls; }
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
