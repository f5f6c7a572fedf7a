// Each test starts and ends with no fonts, no faults and the installed fonts; helpers
// read a glyph through the GDI calls as the engine's text layer does.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/font/font_host.h"
#include "host/font/gdi_font.h"

namespace font_test {

class FontTest : public ::testing::Test {
protected:
    void SetUp() override { host::ResetFontHost(); }
    void TearDown() override {
        if (dc_) host::DeleteDC(dc_);
        host::ResetFontHost();
    }

    // A memory device context with the font selected.
    host::HDC Select(host::HFONT font) {
        if (!dc_) dc_ = host::CreateCompatibleDC(nullptr);
        host::SelectObject(dc_, font);
        return dc_;
    }

    struct Glyph {
        uint32_t size = 0;
        host::GLYPHMETRICS gm;
        std::vector<uint8_t> bits;
    };

    // The size query, then the bitmap into a buffer of exactly that size.
    Glyph Outline(host::HDC dc, uint32_t code, uint32_t format) {
        Glyph g;
        host::MAT2 identity = host::IdentityMat2();
        g.size = host::GetGlyphOutlineA(dc, code, format, &g.gm, 0, nullptr, &identity);
        if (g.size == host::GDI_ERROR || g.size == 0) return g;
        g.bits.assign(g.size, 0xCD);
        host::GLYPHMETRICS again;
        uint32_t written =
            host::GetGlyphOutlineA(dc, code, format, &again, g.size, g.bits.data(), &identity);
        EXPECT_EQ(written, g.size);
        EXPECT_EQ(again.gmBlackBoxX, g.gm.gmBlackBoxX);
        EXPECT_EQ(again.gmBlackBoxY, g.gm.gmBlackBoxY);
        return g;
    }

    host::HDC dc_ = nullptr;
};

}  // namespace font_test
