#include "host/win/window/chrome_text.h"

#include <mutex>
#include <vector>

#include "host/font/gdi_font.h"

namespace host {

namespace {

struct ChromeFont {
    std::mutex mutex;
    HDC dc = nullptr;
    int ascent = 0;
};

// One face for the life of the process, made on first use.
ChromeFont& Font() {
    static ChromeFont font;
    return font;
}

// The context with the face selected; made again when a reset of the font host took it.
HDC Dc(ChromeFont& f) {
    TEXTMETRICA metrics;
    if (f.dc && GetTextMetricsA(f.dc, &metrics)) return f.dc;
    if (f.dc) DeleteDC(f.dc);
    f.dc = CreateCompatibleDC(nullptr);
    HFONT face = CreateFontA(-kChromeTextHeight, 400, 0, SHIFTJIS_CHARSET, 0, nullptr);
    SelectObject(f.dc, face);
    DeleteObject(face);  // kept alive by the context it is selected into
    if (GetTextMetricsA(f.dc, &metrics)) f.ascent = metrics.tmAscent;
    return f.dc;
}

bool LeadByte(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Calls glyph(code) for each character of the text.
template <typename Glyph>
void ForEachCharacter(std::string_view text, Glyph glyph) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = uint8_t(text[i]);
        if (LeadByte(c) && i + 1 < text.size()) {
            glyph(uint32_t(c) << 8 | uint8_t(text[i + 1]));
            ++i;
        } else {
            glyph(c);
        }
    }
}

uint32_t Blend(uint32_t below, uint32_t rgb, int level) {
    auto mix = [&](int shift) {
        const int a = int(below >> shift & 255), b = int(rgb >> shift & 255);
        return uint32_t(a + (b - a) * level / 16) << shift;
    };
    return 0xFF000000u | mix(16) | mix(8) | mix(0);
}

}  // namespace

int ChromeTextWidth(std::string_view text) {
    ChromeFont& f = Font();
    std::lock_guard lock(f.mutex);
    HDC dc = Dc(f);
    int width = 0;
    const MAT2 identity = IdentityMat2();
    ForEachCharacter(text, [&](uint32_t code) {
        GLYPHMETRICS gm;
        if (GetGlyphOutlineA(dc, code, GGO_GRAY4_BITMAP, &gm, 0, nullptr, &identity) != GDI_ERROR) width += gm.gmCellIncX;
    });
    return width;
}

void DrawChromeText(ChromeCanvas& canvas, int x, int y, std::string_view text, uint32_t rgb) {
    ChromeFont& f = Font();
    std::lock_guard lock(f.mutex);
    HDC dc = Dc(f);
    const MAT2 identity = IdentityMat2();
    std::vector<uint8_t> bits;
    int pen = x;
    ForEachCharacter(text, [&](uint32_t code) {
        GLYPHMETRICS gm;
        const uint32_t size = GetGlyphOutlineA(dc, code, GGO_GRAY4_BITMAP, &gm, 0, nullptr, &identity);
        if (size == GDI_ERROR) return;
        bits.assign(size, 0);
        if (size && GetGlyphOutlineA(dc, code, GGO_GRAY4_BITMAP, &gm, size, bits.data(), &identity) != GDI_ERROR) {
            const int rowBytes = int((gm.gmBlackBoxX + 3) & ~3u);
            const int left = pen + gm.gmptGlyphOrigin.x, top = y + f.ascent - gm.gmptGlyphOrigin.y;
            for (int gy = 0; gy < int(gm.gmBlackBoxY); ++gy)
                for (int gx = 0; gx < int(gm.gmBlackBoxX); ++gx) {
                    const int px = left + gx, py = top + gy, level = bits[size_t(gy * rowBytes + gx)];
                    if (level == 0 || px < 0 || py < 0 || px >= canvas.width || py >= canvas.height) continue;
                    uint32_t& out = canvas.pixels[size_t(py) * size_t(canvas.width) + size_t(px)];
                    out = Blend(out, rgb, level);
                }
        }
        pen += gm.gmCellIncX;
    });
}

}  // namespace host
