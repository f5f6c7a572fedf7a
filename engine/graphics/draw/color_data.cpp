#include "engine/graphics/draw/color_data.h"

#include <array>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/base/log.h"
#include "engine/platform/window/window.h"
#include "engine/platform/window/window_mode.h"
#include "engine/softrender/pipeline/memimg.h"
#include "host/win/window/desktop.h"

namespace orvik {

namespace {

struct D3DLayout {
    uint32_t code;
    int bits;
    uint32_t r, g, b, a;
};
constexpr D3DLayout kD3DLayouts[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {23, 16, 0xF800, 0x7E0, 0x1F, 0},
    {24, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {26, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x3, 0},
    {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {30, 16, 0xF00, 0xF0, 0xF, 0},
    {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
};
constexpr size_t kD3DLayoutCount = sizeof kD3DLayouts / sizeof kD3DLayouts[0];

// The Direct3D layout each standard index uses (DXT kinds hold A8R8G8B8 data).
constexpr uint32_t kStandardCodes[kTextureFormatCount] = {23, 22, 26, 21, 25, 21, 21, 21, 21, 21, 21, 23, 22, 21};

struct ColorTables {
    std::array<ColorFormat, kD3DLayoutCount> d3d{};
    std::array<ColorFormat, kTextureFormatCount> standard{};
    bool built = false;
};

ColorTables& Tables() {
    static ColorTables t;
    if (!t.built) {
        for (size_t i = 0; i < kD3DLayoutCount; ++i) {
            const D3DLayout& l = kD3DLayouts[i];
            FillColorFormatFromMasks(&t.d3d[i], l.bits, l.r, l.g, l.b, l.a);
        }
        for (int i = 0; i < kTextureFormatCount; ++i) {
            for (size_t k = 0; k < kD3DLayoutCount; ++k)
                if (kD3DLayouts[k].code == kStandardCodes[i]) t.standard[size_t(i)] = t.d3d[k];
            if (i >= 6 && i <= 10) {
                t.standard[size_t(i)].compression = uint32_t(i - 5);
                t.standard[size_t(i)].bitDepth = i == 6 ? 4 : 8;
            }
        }
        t.built = true;
    }
    return t;
}

const ColorFormat* ScreenFormat() {
    if (Graphics().direct3DMode) return GetD3DFormatColorData(GetScreenColorBitDepth() == 32 ? 22 : 23);
    return GetMemImgColorFormat(GetScreenColorBitDepth() == 16 ? 0 : 1, 0, 0);
}

int Channel(uint32_t value, uint8_t shift, uint8_t width) {
    return width ? int(((value >> (8 - (width > 8 ? 8 : width))) & ((1u << width) - 1)) << shift) : 0;
}

int Decode(uint32_t pixel, uint32_t mask, uint8_t shift, uint8_t width) {
    return width ? int(uint64_t((pixel & mask) >> shift) * 255 / ((uint64_t(1) << width) - 1)) : 0;
}

const std::vector<DisplayModeEntry>& Modes() {
    GraphicsState& g = Graphics();
    if (!g.displayModesListed) EnumDisplayModeList(nullptr, nullptr);
    return g.displayModes;
}

}  // namespace

const ColorFormat* GetD3DFormatColorData(uint32_t code) {
    ColorTables& t = Tables();
    for (size_t i = 0; i < kD3DLayoutCount; ++i)
        if (kD3DLayouts[i].code == code) return &t.d3d[i];
    return nullptr;
}

const ColorFormat* GetStandardColorDataByIndex(int index) {
    if (index < 0 || index >= kTextureFormatCount) return nullptr;
    return &Tables().standard[size_t(index)];
}

int GetColorDataIndexFromSpec(const ImageColorSpec& s) {
    if (s.compression >= 1 && s.compression <= 5) return 5 + s.compression;
    // A description is no colour data: an unknown kind has none rather than the description.
    if (s.compression != 0) return AddLogFormat("画像の圧縮形式 %d に対応するカラーデータはありません", s.compression);
    int d = s.depth == 32 ? 1 : 0;
    if (!s.drawable) return s.alpha ? 2 + d : s.alphaTest ? 4 + d : d;
    return s.alpha || s.alphaTest ? 13 : 11 + d;
}

const ColorFormat* GetColorDataFromSpec(const ImageColorSpec& spec) {
    return GetStandardColorDataByIndex(GetColorDataIndexFromSpec(spec));
}

const ColorFormat* GetColorDataFromBits(int alpha, int alphaTest, int depth32, int drawable) {
    ImageColorSpec s;
    s.alpha = alpha;
    s.alphaTest = alphaTest;
    s.depth = depth32 ? 32 : 16;
    s.drawable = drawable;
    return GetColorDataFromSpec(s);
}

uint32_t GetColorValue(int red, int green, int blue) {
    const ColorFormat* f = ScreenFormat();
    if (!f) return 0;
    uint32_t r = uint32_t(red) & 255, g = uint32_t(green) & 255, b = uint32_t(blue) & 255;
    return uint32_t(Channel(r, f->redShift, f->redWidth)) + uint32_t(Channel(g, f->greenShift, f->greenWidth)) +
           uint32_t(Channel(b, f->blueShift, f->blueWidth)) + f->unusedMask;
}

int DecodeColorValue(uint32_t pixel, int* red, int* green, int* blue) {
    const ColorFormat* f = ScreenFormat();
    if (!f) return -1;
    if (red) *red = Decode(pixel, f->redMask, f->redShift, f->redWidth);
    if (green) *green = Decode(pixel, f->greenMask, f->greenShift, f->greenWidth);
    if (blue) *blue = Decode(pixel, f->blueMask, f->blueShift, f->blueWidth);
    return 0;
}

int GetScreenModeInfo(int* width, int* height, int* depth) {
    const ScreenSettings& s = Graphics().screen;
    bool scaled = s.scale320 || s.scale320Fallback;
    int w, h;
    GetScreenSize(&w, &h);
    if (width) *width = scaled ? 320 : w;
    if (height) *height = scaled ? 240 : h;
    if (depth) *depth = GetScreenColorBitDepth();
    return 0;
}

int IsFullScreenMode() { return Window().settings.windowMode ? 0 : 1; }

int Set320x240ScaleFlag(int on) {
    Graphics().screen.scale320Fallback = on ? 1 : 0;
    Draw().scale320Fallback = Graphics().screen.scale320Fallback;
    return 0;
}

int EnumDisplayModeList(int* count, const DisplayModeEntry** list) {
    GraphicsState& g = Graphics();
    if (!g.displayModesListed) {
        g.displayModes.clear();
        host::DisplayMode m;
        for (int i = 0; host::EnumDisplaySettingsA(i, &m); ++i)
            if (m.bits >= 16) g.displayModes.push_back({m.width, m.height, m.bits, m.refresh});
        g.displayModesListed = 1;
    }
    if (count) *count = int(g.displayModes.size());
    if (list) *list = g.displayModes.empty() ? nullptr : g.displayModes.data();
    return 0;
}

int GetDisplayModeCount() { return int(Modes().size()); }

int GetDisplayModeByIndex(DisplayModeEntry* mode, int index) {
    if (!mode) return -1;
    const auto& modes = Modes();
    if (index < 0 || size_t(index) >= modes.size()) {
        *mode = DisplayModeEntry{-1, -1, -1, -1};
        return -1;
    }
    *mode = modes[size_t(index)];
    return 0;
}

int FindDisplayMode(int width, int height, int bits) {
    for (const DisplayModeEntry& m : Modes())
        if (m.width == width && m.height == height && m.bits == bits) return 1;
    return 0;
}

int IsScreenSizeListed(int width, int height) {
    for (const DisplayModeEntry& m : Modes())
        if (m.width == width && m.height == height) return 1;
    return 0;
}

int ChangeDisplayMode() {
    ScreenSettings& s = Graphics().screen;
    AddLogFormat("画面モードの変更処理を開始します %u x %u  %u bit ", unsigned(s.width), unsigned(s.height),
                 unsigned(s.depth));
    IncLogIndent();
    if (s.depth != 16 && s.depth != 32) {
        DecLogIndent();
        return -1;
    }
    AddLogText("画面解像度を変更します... ");
    host::DisplayMode mode{s.width, s.height, s.depth, s.refreshRate};
    constexpr uint32_t kFullScreen = 4;  // CDS_FULLSCREEN
    bool ok = host::ChangeDisplaySettingsA(&mode, kFullScreen) == host::DISP_CHANGE_SUCCESSFUL;
    if (!ok) {
        s.refreshRate = 0;
        mode.refresh = 0;
        ok = host::ChangeDisplaySettingsA(&mode, 0) == host::DISP_CHANGE_SUCCESSFUL;
    }
    if (!ok && s.width == 320 && s.height == 240) {
        s.width = 640;
        s.height = 480;
        Set320x240ScaleFlag(1);
        mode.width = 640;
        mode.height = 480;
        ok = host::ChangeDisplaySettingsA(&mode, 0) == host::DISP_CHANGE_SUCCESSFUL;
        if (ok) ChangeWindowStyle();
    }
    if (!ok) AddLogText("画面モードの変更に失敗しました\n");
    else AddLogText("成功しました\n");
    DecLogIndent();
    return ok ? 0 : -1;
}

}  // namespace orvik
