// Images, pixel access and a clean renderer for the software draw tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/images/pixel_access.h"
#include "engine/softrender/pipeline/blend_tables.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/pipeline/soft_state.h"

namespace drawtest {

using namespace orvik;

// An image released when the test ends.
struct Image {
    MEMIMG img{};
    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() { ReleaseMemImg(&img); }

    void Make(int type, int width, int height, bool palette = false, bool alpha = false,
              uint32_t trans = 0, bool extras = false) {
        ReleaseMemImg(&img);
        img = MEMIMG{};
        ASSERT_EQ(SetupMemImg(&img, width, height, -1, trans, type, palette, alpha, extras, nullptr), 0);
        if (palette) img.store->paletteCount = 256;
    }
    int Bytes() const { return MemImgBytesPerPixel(&img); }
    uint8_t* Addr(int x, int y) { return img.pixels + ptrdiff_t{y} * img.store->pitch + x * Bytes(); }
    uint32_t At(int x, int y) const {
        return LoadPixel(img.pixels + ptrdiff_t{y} * img.store->pitch + x * Bytes(), Bytes());
    }
    void Set(int x, int y, uint32_t v) { StorePixel(Addr(x, y), Bytes(), v); }
    void Fill(uint32_t v) {
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) Set(x, y, v);
    }
    template <class Fn>
    void FillWith(Fn&& f) {
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) Set(x, y, f(x, y));
    }
    void SetPalette32(int index, uint32_t v) { StorePixel(img.store->palette + 4 * index, 4, v); }
    void SetPalette16(int index, uint32_t v) { StorePixel(img.store->palette + 2 * index, 2, v); }
    // Every pixel, row by row.
    std::vector<uint32_t> Pixels() const {
        std::vector<uint32_t> out;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) out.push_back(At(x, y));
        return out;
    }
    int Count(uint32_t v) const {
        int n = 0;
        for (uint32_t p : Pixels()) n += p == v;
        return n;
    }
};

// A clean renderer with built tables, drawing in mode 0 over the whole of a target.
class DrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        Draw() = DrawSettings{};
        ResetSoftRender();
        InitMemImgBlendTables();
        BuildBlendImageWeightTable(128, 255);
    }
    void TearDown() override { soft::ForceGenericPath(false); }
    static void Settings(int mode, int param, uint32_t bright = 0xFFFFFF) {
        Draw().blendMode = mode;
        Draw().blendParam = param;
        Draw().bright = bright;
    }
    static void Area(int32_t l, int32_t t, int32_t r, int32_t b) {
        Draw().area.x1 = l;
        Draw().area.y1 = t;
        Draw().area.x2 = r;
        Draw().area.y2 = b;
    }
    std::mt19937 rng{7};
};

// Source pixels name their own column and row, so a draw shows where each pixel came from.
inline uint32_t Id(int x, int y) { return 0x01000000u | uint32_t(y) << 12 | uint32_t(x); }
inline int IdX(uint32_t v) { return v & 0xFFF; }
inline int IdY(uint32_t v) { return (v >> 12) & 0xFFF; }

// A cleared target drawn into over its whole area, from a source of Id pixels.
class WalkTest : public DrawTest {
protected:
    void MakeTarget(int w, int h, int type = kMemImgXrgb32) {
        target.Make(type, w, h);
        target.Fill(0);
        Area(0, 0, w, h);
        Settings(0, 255);
    }
    void MakeSource(int w, int h) {
        source.Make(kMemImgXrgb32, w, h);
        source.FillWith(Id);
    }
    Image target, source;
};

}  // namespace drawtest
