// Drawing text: the graphic path from the cache graphic, the software path straight into
// the draw target or through the text work images, and the default-font calls.
#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <string>

#include "engine/graphics/images/color_format.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/fonts/font_graph_port.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/platform/base/format.h"
#include "engine/platform/base/log.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/memimg_write.h"
#include <orvik/fonts.h>

namespace orvik {

namespace {

uint32_t ScreenValue(const MEMIMG* img, uint32_t rgb) {
    return GetColorInBaseImageFormat(*img->store->colorFormat, rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF, 255);
}

// The text's box within the draw area; false when nothing of it is inside.
bool TextBox(int x, int y, int advance, int height, int vertical, int32_t* box) {
    const DrawArea& a = Draw().area;
    int w = vertical ? height : advance, h = vertical ? advance : height;
    box[0] = std::max(x, a.x1);
    box[1] = std::max(y, a.y1);
    // Summed wide: text placed near the end of int must not wrap round into the area.
    box[2] = int32_t(std::min<int64_t>(int64_t(x) + w, a.x2));
    box[3] = int32_t(std::min<int64_t>(int64_t(y) + h, a.y2));
    return box[0] < box[2] && box[1] < box[3];
}

}  // namespace

uint32_t BrightenedColor(uint32_t rgb) {
    uint32_t bright = Draw().bright, out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= ((rgb >> shift & 0xFF) * (bright >> shift & 0xFF) / 255) << shift;
    return out;
}

int DrawTextCached(int x, int y, const char* text, uint32_t color, uint32_t edgeColor, int vertical, int32_t font) {
    FontRecord* f = FindFont(font);
    if (!f || !f->textureCache) return -1;
    if (f->cacheLost == 1 && CreateFontCacheGraph(font) < 0) return -1;
    DrawSettings& d = Draw();
    int32_t mask = d.blendMaskGraph;
    d.blendMaskGraph = -1;  // glyphs are never masked
    int result = DrawTextCore(1, x, y, 0, 1.0, 1.0, text, color, nullptr, font, edgeColor, vertical, nullptr);
    d.blendMaskGraph = mask;
    return result;
}

int DrawTextMemImg(int x, int y, const char* text, uint32_t color, uint32_t edgeColor, int vertical, int32_t font) {
    FontRecord* f = FindFont(font);
    MEMIMG* screen = Draw().softTarget;
    if (!f || !IsMemImgValid(screen)) return -1;
    int size[2] = {};
    int advance = DrawTextCore(0, x, y, 0, 1.0, 1.0, text, color, nullptr, font, edgeColor, vertical, size);
    if (advance <= 0) return advance;
    DrawSettings& d = Draw();
    int antialiased = f->type & kFontAntialias;
    bool direct = !antialiased && (d.blendMode == 0 || (d.blendMode == 1 && d.blendParam == 255));
    TextTarget target;
    if (direct) {
        target.image = screen;
        const DrawArea& a = d.area;
        int32_t area[4] = {a.x1, a.y1, a.x2, a.y2};
        std::copy(area, area + 4, target.rect);
        return DrawTextCore(1, x, y, 0, 1.0, 1.0, text, color, &target, font, edgeColor, vertical, nullptr);
    }
    MEMIMG* work = Graphics().textWork[antialiased ? 1 : 0];
    if (!IsMemImgValid(work)) return -1;
    int32_t box[4];
    if (!TextBox(x, y, size[vertical ? 1 : 0], size[vertical ? 0 : 1], vertical, box)) return advance;
    uint32_t trans = 0;
    if (!antialiased) {
        // A transparent value that neither colour the text is written in can take.
        trans = work->store->transColor;
        uint32_t body = ScreenValue(work, BrightenedColor(color)), edge = ScreenValue(work, BrightenedColor(edgeColor));
        while (trans == body || trans == edge) ++trans;
    }
    work->store->transColor = trans;
    PaintMemImgRect(work, box, trans);
    target.image = work;
    std::copy(box, box + 4, target.rect);
    target.workImage = 1;
    int result = DrawTextCore(1, x, y, 0, 1.0, 1.0, text, color, &target, font, edgeColor, vertical, nullptr);
    if (FontPort().drawMemImg) FontPort().drawMemImg(work, box);
    return result;
}

int DrawTextWithFont(int x, int y, const char* text, uint32_t color, int32_t font, uint32_t edgeColor, int vertical) {
    if (!text || !text[0]) return 0;
    FontRecord* f = FindFont(font);
    if (!f) return AddLogText("フォントハンドル値が異常です\n");
    auto draw = [&] {
        return f->textureCache ? DrawTextCached(x, y, text, color, edgeColor, vertical, font)
                               : DrawTextMemImg(x, y, text, color, edgeColor, vertical, font);
    };
    if (!MaskScreenActive()) return draw();
    // The glyph draws nest inside one masked draw over the text's whole line: size + 3
    // deep, or as deep as a glyph cell with its edges reaches, so that an edged font's
    // outer rows are not cut away (nor drawn over composites still waiting below).
    const DrawArea& a = Draw().area;
    const int64_t depth = std::max<int64_t>(int64_t{f->size} + 3, f->charHeight);
    const int line = int(std::min<int64_t>(int64_t(vertical ? x : y) + depth, INT_MAX));
    const DrawBounds box = vertical ? DrawBounds{x, y, line, a.y2} : DrawBounds{x, y, a.x2, line};
    if (box.x1 >= a.x2) return 0;
    return WithMaskedDraw([&] { return box; }, draw);
}

int DrawTextDefault(int x, int y, const char* text, uint32_t color, uint32_t edgeColor) {
    RebuildDefaultFont();
    return DrawTextWithFont(x, y, text, color, QueryDefaultFontHandle(), edgeColor, 0);
}

int DrawTextFormatted(int x, int y, uint32_t color, const char* format, ...) {
    if (!format) return -1;
    char buffer[2048];
    va_list args;
    va_start(args, format);
    // Bounded by the buffer: a long result is cut, a bad format gives an empty text.
    if (FormatTextV(buffer, sizeof buffer, format, args) < 0) buffer[0] = 0;
    va_end(args);
    buffer[sizeof buffer - 1] = 0;
    RebuildDefaultFont();
    return DrawTextWithFont(x, y, buffer, color, QueryDefaultFontHandle(), 0, 0);
}

int MeasureTextWithFont(const char* text, int length, int32_t font, int vertical, int* size) {
    if (!FindFont(font)) return AddLogText("フォントハンドル値が異常です\n");
    if (!text) return 0;
    std::string part(text, length < 0 ? std::strlen(text) : strnlen(text, size_t(length)));
    return DrawTextCore(0, 0, 0, 0, 1.0, 1.0, part.c_str(), 0, nullptr, font, 0, vertical, size);
}

}  // namespace orvik
