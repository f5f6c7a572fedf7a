// Each test starts with no fonts, fixed glyph bitmaps instead of installed faces, and a
// recording stand-in for the graphic calls of the device path; helpers make software
// targets and read what was written.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/fonts/font_graph_port.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/window/window.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/memimg_write.h"
#include "host/font/fixed_glyph_source.h"
#include "host/font/font_host.h"
#include <orvik/fonts.h>

namespace font_test {

struct DrawnCell {
    int32_t graph, srcX, srcY, width, height, x, y;
    uint32_t rgb;
    int turned;
    double scaleX, scaleY;
};

struct PortLog {
    std::vector<DrawnCell> cells;
    int graphsMade = 0, uploads = 0, deleted = 0, memImgDraws = 0;
    int failCreate = 0;
    std::vector<int*> lostFlags;
};

inline PortLog& Recorded() {
    static PortLog log;
    return log;
}

inline void InstallRecordingPort() {
    orvik::FontGraphPort& p = orvik::FontPort();
    p.createCacheGraph = [](int, int, int, int* lost) -> int32_t {
        if (Recorded().failCreate) return -1;
        Recorded().lostFlags.push_back(lost);
        return 100 + Recorded().graphsMade++;
    };
    p.deriveGraph = [](int, int, int, int, int32_t) -> int32_t { return 100 + Recorded().graphsMade++; };
    p.deleteGraph = [](int32_t) { return ++Recorded().deleted, 0; };
    p.uploadRect = [](int32_t, const orvik::BaseImage*, int, int, int, int) { return ++Recorded().uploads, 0; };
    p.drawCell = [](int32_t graph, int sx, int sy, int w, int h, int x, int y, uint32_t rgb, int turned,
                    double scaleX, double scaleY) {
        Recorded().cells.push_back({graph, sx, sy, w, h, x, y, rgb, turned, scaleX, scaleY});
        return 0;
    };
    p.drawMemImg = [](orvik::MEMIMG*, const int32_t*) { return ++Recorded().memImgDraws, 0; };
}

class FontEnv : public ::testing::Test {
protected:
    void SetUp() override {
        orvik::ResetLog();
        orvik::ResetWindowState();  // no end of the engine pending from an earlier test
        host::ResetFontHost();
        glyphs_ = std::make_shared<host::FixedGlyphSource>();
        host::SetGlyphSource(glyphs_);
        orvik::ResetFontPort();
        Recorded() = PortLog{};
        InstallRecordingPort();
        orvik::ClearFontSystem();
        orvik::Draw().bright = 0xFFFFFF;
        orvik::Draw().blendMode = 0;
        orvik::Draw().blendParam = 255;
        UseDevice(false);
    }
    void TearDown() override {
        orvik::ClearFontSystem();
        orvik::ResetFontPort();
        for (orvik::MEMIMG& img : images_) orvik::ReleaseMemImg(&img);
        host::ResetFontHost();
        orvik::Graphics().direct3DMode = 0;
    }

    static void UseDevice(bool on) { orvik::Graphics().direct3DMode = on ? 1 : 0; }

    // A 32-bit image cleared to 0, the software draw target with its whole area.
    orvik::MEMIMG* Target(int width, int height) {
        images_.emplace_back();
        orvik::MEMIMG* img = &images_.back();
        EXPECT_EQ(orvik::MakeMemImg(img, width, height, orvik::kMemImgXrgb32), 0);
        orvik::PaintMemImgRect(img, nullptr, 0);
        orvik::DrawArea& a = orvik::Draw().area;
        a.x1 = a.y1 = 0;
        a.x2 = width;
        a.y2 = height;
        orvik::Draw().softTarget = img;
        return img;
    }

    static uint32_t Pixel(const orvik::MEMIMG* img, int x, int y) {
        uint32_t v;
        std::memcpy(&v, img->pixels + size_t(y) * img->store->pitch + size_t(x) * 4, 4);
        return v & 0xFFFFFF;
    }

    // Bounding box of the pixels that are not 0: x1, y1, x2, y2 (exclusive); all -1 when none.
    static std::array<int, 4> InkBox(const orvik::MEMIMG* img) {
        std::array<int, 4> box{-1, -1, -1, -1};
        for (int y = 0; y < img->height; ++y)
            for (int x = 0; x < img->width; ++x) {
                if (!Pixel(img, x, y)) continue;
                if (box[0] < 0) box = {x, y, x + 1, y + 1};
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1), std::max(box[3], y + 1)};
            }
        return box;
    }

    static bool LogHas(const char* text) { return orvik::Log().pending.find(text) != std::string::npos; }

    std::shared_ptr<host::FixedGlyphSource> glyphs_;
    std::deque<orvik::MEMIMG> images_;
};

}  // namespace font_test
