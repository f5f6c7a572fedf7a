// Font handles: the table of 40 fonts, creation with the GDI font and the cache it draws
// from, deletion, and the queries and setters of one font.
#include <algorithm>
#include <cstring>
#include <new>

#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/fonts/font_geometry.h"
#include "engine/graphics/fonts/font_graph_port.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/base/charset.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/window/window.h"
#include "host/font/gdi_font.h"
#include <orvik/fonts.h>

namespace orvik {

namespace {

FontSystemState g_fonts;

constexpr const char* kDefaultFace = "ＭＳ ゴシック";

uint8_t GdiCharSet(int code) {
    switch (code) {
    case 1: return host::SHIFTJIS_CHARSET;
    case 2: return host::HANGEUL_CHARSET;
    case 3: return host::CHINESEBIG5_CHARSET;
    case 4: return host::GB2312_CHARSET;
    default: return host::DEFAULT_CHARSET;
    }
}

int FirstFreeSlot() {
    for (int i = 0; i < kFontHandleCount; ++i)
        if (!g_fonts.table[i]) return i;
    return -1;
}

host::HFONT OpenGdiFont(FontRecord& f) {
    // Weights stop at 1000 (thickness 10); a larger thickness must not overflow the product.
    const int weight = std::min(f.thickness, 10) * 100;
    auto make = [&](const char* face, uint8_t set, int italic) {
        return host::CreateFontA(f.size, weight, italic, set, host::FIXED_PITCH, face);
    };
    uint8_t set = GdiCharSet(f.charSet);
    host::HFONT font = nullptr;
    if (f.face[0]) {
        font = make(f.face, set, f.italic);
        if (!font) font = make(f.face, host::DEFAULT_CHARSET, f.italic);
        if (!font) font = make(f.face, host::SHIFTJIS_CHARSET, f.italic);
        if (!font) AddLogText("指定のフォントの作成に失敗しました\n");
        return font;
    }
    font = make(kDefaultFace, set, f.italic);
    if (!font) font = make(kDefaultFace, host::DEFAULT_CHARSET, 0);
    if (!font) font = make(nullptr, host::DEFAULT_CHARSET, 0);
    if (!font) AddLogText("フォントの作成に失敗しました\n");
    return font;
}

// Cell size and character height from the font's text metrics.
int MeasureCells(FontRecord& f) {
    host::HDC dc = host::CreateCompatibleDC(nullptr);
    if (!dc) return AddLogText("ＤＣの取得に失敗しました\n");
    host::TEXTMETRICA tm{};
    host::SelectObject(dc, f.gdiFont);
    host::BOOL ok = host::GetTextMetricsA(dc, &tm);
    host::DeleteDC(dc);
    if (!ok) return AddLogText("ＤＣの取得に失敗しました\n");
    int edged = f.type & kFontEdge;
    f.charHeight = FontCharHeight(tm.tmHeight, f.edgeSize, edged);
    f.cellSize = FontCellSize(tm.tmMaxCharWidth, f.edgeSize, edged, f.charHeight);
    return 0;
}

int SetUpSoftwareCache(FontRecord& f) {
    CacheGeometry g = SoftwareCacheGeometry(f.cellSize, f.type);
    f.softPixels = static_cast<uint8_t*>(
        g.cells ? TrackedCalloc(size_t(g.pitch) * size_t(g.height), __FILE__, __LINE__) : nullptr);
    if (!f.softPixels) return AddLogText("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle\n");
    f.softPitch = g.pitch;
    f.softBits = g.bits;
    f.cacheWidth = g.width;
    f.cacheHeight = g.height;
    f.cellsPerColumn = g.cellsPerColumn;
    f.slotCount = uint32_t(g.cells);
    return 0;
}

int SetUpTextureCache(FontRecord& f, int32_t handle) {
    CacheGeometry g = TextureCacheGeometry(f.cellSize);
    f.cacheWidth = g.width;
    f.cacheHeight = g.height;
    f.cellsPerColumn = g.cellsPerColumn;
    f.slotCount = uint32_t(g.cells);
    f.cacheLost = 1;
    if (g.cells == 0 || CreateFontCacheGraph(handle) < 0) {
        AddLogText("テクスチャ文字キャッシュの作成に失敗しました\n");
        f.textureCache = 0;
        return SetUpSoftwareCache(f);
    }
    const ColorFormat* format = GetColorDataFromBits(f.type & kFontAntialias ? 1 : 0, f.type & kFontAntialias ? 0 : 1, 0, 0);
    int width = f.cacheWidth * (f.type & kFontEdge ? 2 : 1);
    f.cacheImage.format = *format;
    f.cacheImage.width = width;
    f.cacheImage.height = f.cacheHeight;
    f.cacheImage.pitch = format->bytesPerPixel * width;
    f.cacheImage.pixels = static_cast<uint8_t*>(TrackedCalloc(size_t(f.cacheImage.pitch) * f.cacheHeight, __FILE__, __LINE__));
    if (!f.cacheImage.pixels) return AddLogText("文字キャッシュ基本イメージ用のメモリの確保に失敗しました\n");
    return 0;
}

}  // namespace

FontSystemState& FontSystem() { return g_fonts; }

int32_t MakeFontHandle(int slot, uint32_t check) {
    return int32_t(kFontHandleType | (check & 0x7FFu) << 16 | uint32_t(slot));
}

FontRecord* FindFont(int32_t handle, int* slot) {
    if (handle < 0 || (uint32_t(handle) & 0x78000000u) != kFontHandleType) return nullptr;
    int index = handle & 0xFFFF;
    if (index >= kFontHandleCount) return nullptr;
    FontRecord* f = g_fonts.table[index];
    if (!f || f->check != ((uint32_t(handle) >> 16) & 0x7FFu)) return nullptr;
    if (slot) *slot = index;
    return f;
}

FontRecord* GetFontRecord(int32_t handle) { return FindFont(handle); }
int IsValidFontHandle(int32_t handle) { return FindFont(handle) ? 1 : 0; }

int32_t CreateFontToHandle(const char* face, int size, int thickness, int fontType, int charSet, int edgeSize,
                           int italic, int slot, int check) {
    if (Window().rt.endFlag) return -1;
    size = size == -1 ? 16 : size;
    thickness = thickness == -1 ? 6 : thickness;
    fontType = fontType == -1 ? 0 : fontType;
    charSet = charSet == -1 ? GetTextCharSet() : charSet;
    edgeSize = edgeSize == -1 ? 1 : edgeSize;
    if (size <= 0 || size > kMaxFontSize || thickness < 0 || fontType < 0 || fontType > 3 || edgeSize < 1 || edgeSize > 64)
        return AddLogFormat("フォントの引数が異常です: size %d thickness %d type %d edge %d", size, thickness,
                            fontType, edgeSize);
    if (edgeSize > 1) fontType |= kFontEdge;
    if (slot == -1) {
        slot = FirstFreeSlot();
        if (slot < 0) return AddLogFormat("作成できるフォントハンドル数 %d の限界を超えました", kFontHandleCount);
    } else if (slot < 0 || slot >= kFontHandleCount || g_fonts.table[slot]) {
        return -1;
    }
    auto* f = static_cast<FontRecord*>(TrackedCalloc(sizeof(FontRecord), __FILE__, __LINE__));
    if (!f) return AddLogText("フォント管理用メモリ領域の確保に失敗しました\n");
    g_fonts.table[slot] = f;
    if (GetScreenColorBitDepth() == 8) fontType &= ~kFontAntialias;
    f->edgeSize = edgeSize;
    f->type = fontType;
    f->size = size;
    f->thickness = thickness;
    f->italic = italic ? 1 : 0;
    f->charSet = charSet;
    f->cacheGraph = f->edgeGraph = -1;
    if (check >= 0) {
        f->check = uint32_t(check) & 0x7FFu;
    } else {
        f->check = g_fonts.serial;
        g_fonts.serial = (g_fonts.serial + 1) & 0x7FFu;
    }
    if (face) {
        std::strncpy(f->face, face, kFontFaceBytes - 1);
    }
    f->textureCache = Graphics().direct3DMode ? 1 : 0;
    int32_t handle = MakeFontHandle(slot, f->check);
    f->gdiFont = OpenGdiFont(*f);
    int ok = f->gdiFont ? MeasureCells(*f) : -1;
    if (ok == 0) ok = f->textureCache ? SetUpTextureCache(*f, handle) : SetUpSoftwareCache(*f);
    if (ok < 0) {
        DeleteFontHandle(handle);
        return -1;
    }
    ResetGlyphCache(handle);
    return handle;
}

int DeleteFontHandle(int32_t handle) {
    FontRecord* f = DetachFont(handle);
    if (!f) return -1;
    FreeFontRecord(f);
    return 0;
}

FontRecord* DetachFont(int32_t handle) {
    int slot = 0;
    FontRecord* f = FindFont(handle, &slot);
    if (!f) return nullptr;
    if (f->deletedFlag) *f->deletedFlag = 1;
    f->deletedFlag = nullptr;
    g_fonts.table[slot] = nullptr;
    if (g_fonts.defaults.handle == handle) g_fonts.defaults.handle = -1;
    return f;
}

int32_t AttachFont(FontRecord* f) {
    int slot = FirstFreeSlot();
    if (!f || slot < 0) return -1;
    f->check = g_fonts.serial;
    g_fonts.serial = (g_fonts.serial + 1) & 0x7FFu;
    g_fonts.table[slot] = f;
    return MakeFontHandle(slot, f->check);
}

void FreeFontRecord(FontRecord* f) {
    if (!f) return;
    if (f->gdiFont) host::DeleteObject(f->gdiFont);
    TrackedFree(f->softPixels);
    FontGraphPort& port = FontPort();
    if (port.deleteGraph) {
        if (f->edgeGraph >= 0) port.deleteGraph(f->edgeGraph);
        if (f->cacheGraph >= 0) port.deleteGraph(f->cacheGraph);
    }
    TrackedFree(f->cacheImage.pixels);
    TrackedFree(f);
}

int SetFontSpacingToHandle(int spacing, int32_t handle) {
    FontRecord* f = FindFont(handle);
    if (!f) return -1;
    f->spacing = spacing;
    return 0;
}

int QueryFontHandleState(char* face, int* size, int* thickness, int32_t handle) {
    FontRecord* f = FindFont(handle);
    if (!f) return -1;
    if (face) std::memcpy(face, f->face, std::strlen(f->face) + 1);
    if (size) *size = f->size;
    if (thickness) *thickness = f->thickness;
    return 0;
}

int QueryFontHandleSize(int32_t handle) {
    FontRecord* f = FindFont(handle);
    return f ? f->size : -1;
}

int32_t QueryDefaultFontHandle() { return g_fonts.defaults.handle; }

int AttachFontDeletedFlag(int32_t handle, int* flag) {
    FontRecord* f = FindFont(handle);
    if (!f) return -1;
    f->deletedFlag = flag;
    if (flag) *flag = 0;
    return 0;
}

int ResetGlyphCache(int32_t handle) {
    FontRecord* f = FindFont(handle);
    if (!f) return -1;
    std::memset(f->index, 0, sizeof f->index);
    std::memset(f->slots, 0, sizeof f->slots);
    uint32_t count = std::min<uint32_t>(f->slotCount, kMaxCacheCells);
    for (uint32_t i = 0; i < count; ++i) f->slots[i].cell = i;
    f->slots[count].cell = 0xFFFFFFFFu;
    f->nextSlot = 0;
    return 0;
}

}  // namespace orvik
