// Drawing tests run the engine headless on the device path with a 32-bit back buffer and
// read pixels back exactly after the vertex batch has been drawn.
#pragma once
#include <orvik/graphics.h>

#include <functional>

#include "../device/device_fixture.h"
#include "engine/graphics/images/base_image.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/graph_load.h"
#include "engine/graphics/device/vertex_batch.h"
#include "host/d3d9/resources/resources.h"

namespace orvik_test {

constexpr uint32_t kBlack = 0x000000;

class DrawingTest : public DeviceTest {
protected:
    void SetUp() override {
        ASSERT_EQ(orvik::InitLibrary(), 0);
        ASSERT_EQ(orvik::Graphics().direct3DMode, 1);
        ASSERT_EQ(orvik::SetDrawTarget(orvik::kDrawTargetBackBuffer), 0);
        ASSERT_EQ(orvik::ClearDrawTarget(), 0);
    }

public:
    // A graphic of w x h whose pixel (x, y) is colour(x, y) (0x00RRGGBB).
    static int32_t MakeGraph(int w, int h, const std::function<uint32_t(int, int)>& colour) {
        orvik::BaseImage image{};
        if (orvik::NewXrgb32BaseImage(w, h, &image) != 0) return -1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t c = colour(x, y);
                orvik::WriteBaseImagePixel(&image, x, y, int(c >> 16 & 255), int(c >> 8 & 255), int(c & 255), 255);
            }
        int32_t handle = orvik::SetGraphFromBaseImage(&image, nullptr, 0, 0, 0);
        orvik::FreeBaseImage(&image);
        return handle;
    }
    static int32_t SolidGraph(int w, int h, uint32_t colour) {
        return MakeGraph(w, h, [=](int, int) { return colour; });
    }

protected:
    // The back buffer's pixel once everything pending is drawn.
    static uint32_t Pixel(int x, int y) {
        orvik::FlushVertexBatch();
        return BackBufferPixel(x, y);
    }
    // The pixels of row y from x1 to x2 inclusive that are not black.
    static std::vector<int> LitColumns(int y, int x1, int x2) {
        std::vector<int> lit;
        for (int x = x1; x <= x2; ++x)
            if (Pixel(x, y) != kBlack) lit.push_back(x);
        return lit;
    }
    static std::vector<int> LitRows(int x, int y1, int y2) {
        std::vector<int> lit;
        for (int y = y1; y <= y2; ++y)
            if (Pixel(x, y) != kBlack) lit.push_back(y);
        return lit;
    }
    // Pixel of a drawable graphic's first texture (32-bit layouts).
    static uint32_t GraphPixel(int32_t handle, int x, int y) {
        orvik::FlushVertexBatch();
        host::Surface* s = orvik::GetGraphRecord(handle)->images->pieces.at(0).surface;
        uint32_t v;
        std::memcpy(&v, s->Bits() + size_t(y) * s->Pitch() + size_t(x) * 4, 4);
        return v & 0xFFFFFF;
    }
    static std::vector<int> Range(int first, int last) {
        std::vector<int> r;
        for (int i = first; i <= last; ++i) r.push_back(i);
        return r;
    }
};

}  // namespace orvik_test
