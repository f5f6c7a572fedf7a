// The pictures of the menu bar, the open drop-down lists and the toolbar.
#include <algorithm>

#include "host/font/gdi_font.h"
#include "host/gdi/dib_section.h"
#include "host/win/window/chrome_state.h"
#include "host/win/window/window.h"
#include "host/win/window/window_chrome.h"

namespace host {

namespace {

constexpr uint32_t kBarColour = 0xFFF0F0F0, kTextColour = 0x000000, kGrayedTextColour = 0x8D8D8D;
constexpr uint32_t kOpenItemColour = 0xFFCCE8FF, kListColour = 0xFFF2F2F2, kListBorderColour = 0xFF979797;
constexpr uint32_t kHotItemColour = 0xFF91C9F7, kSeparatorColour = 0xFFD7D7D7;
constexpr uint32_t kShadowColour = 0xFF808080, kLightColour = 0xFFFFFFFF;
// Pixels of this colour in a toolbar bitmap are the button's face: the bar shows there.
constexpr uint32_t kToolbarFaceKey = 0xC0C0C0;

void Fill(ChromeCanvas& c, ChromeRect r, uint32_t argb) {
    const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
    const int x1 = std::min(c.width, r.x + r.w), y1 = std::min(c.height, r.y + r.h);
    for (int y = y0; y < y1; ++y) std::fill_n(c.pixels + size_t(y) * size_t(c.width) + size_t(x0), std::max(0, x1 - x0), argb);
}

void Frame(ChromeCanvas& c, ChromeRect r, uint32_t topLeft, uint32_t bottomRight) {
    Fill(c, ChromeRect{r.x, r.y, r.w, 1}, topLeft);
    Fill(c, ChromeRect{r.x, r.y, 1, r.h}, topLeft);
    Fill(c, ChromeRect{r.x, r.y + r.h - 1, r.w, 1}, bottomRight);
    Fill(c, ChromeRect{r.x + r.w - 1, r.y, 1, r.h}, bottomRight);
}

int TextTop(const ChromeRect& r) { return r.y + (r.h - kChromeTextHeight) / 2; }

// A tick: a short stroke down to the right, then a long one up to the right, 2 pixels thick.
void CheckMark(ChromeCanvas& c, int x, int y) {
    for (int i = 0; i < 3; ++i) Fill(c, ChromeRect{x + i, y + 4 + i, 1, 2}, 0xFF000000);
    for (int i = 0; i < 5; ++i) Fill(c, ChromeRect{x + 3 + i, y + 5 - i, 1, 2}, 0xFF000000);
}

// A small triangle pointing right, centred on (x, cy).
void Arrow(ChromeCanvas& c, int x, int cy) {
    for (int i = 0; i < 4; ++i) Fill(c, ChromeRect{x + i, cy - 3 + i, 1, 7 - 2 * i}, 0xFF000000);
}

// The access key's letter underlined, below the text drawn at (x, top).
void Underline(ChromeCanvas& c, const MenuItemBox& item, int x, int top, uint32_t rgb) {
    if (item.accessAt < 0) return;
    const std::string_view text = item.text;
    const int left = x + ChromeTextWidth(text.substr(0, size_t(item.accessAt)));
    Fill(c, ChromeRect{left, top + kChromeTextHeight, ChromeTextWidth(text.substr(size_t(item.accessAt), 1)), 1},
         0xFF000000u | rgb);
}

void DrawItemText(ChromeCanvas& c, const MenuItemBox& item, int x, int top, bool cues) {
    const uint32_t rgb = item.grayed ? kGrayedTextColour : kTextColour;
    DrawChromeText(c, x, top, item.text, rgb);
    if (cues) Underline(c, item, x, top, rgb);
}

void DrawMenuBar(ChromeCanvas& c, HMENU menu, int lit, bool cues) {
    Fill(c, ChromeRect{0, 0, c.width, kMenuBarHeight}, kBarColour);
    const std::vector<MenuItemBox> bar = LayoutMenuBar(menu);
    for (size_t i = 0; i < bar.size(); ++i) {
        const MenuItemBox& item = bar[i];
        if (item.separator) continue;
        if (int(i) == lit) Fill(c, item.rect, kOpenItemColour);
        DrawItemText(c, item, item.rect.x + kMenuBarItemPadding, TextTop(item.rect), cues);
    }
}

void DrawList(ChromeCanvas& c, const MenuListBox& list, int hot, bool cues) {
    Fill(c, list.rect, kListColour);
    Frame(c, list.rect, kListBorderColour, kListBorderColour);
    for (size_t i = 0; i < list.items.size(); ++i) {
        const MenuItemBox& item = list.items[i];
        const ChromeRect& r = item.rect;
        if (item.separator) {
            Fill(c, ChromeRect{r.x + kMenuCheckColumn, r.y + r.h / 2, r.w - kMenuCheckColumn - 4, 1}, kSeparatorColour);
            continue;
        }
        if (int(i) == hot && !item.grayed) Fill(c, r, kHotItemColour);
        if (item.checked) CheckMark(c, r.x + 7, r.y + 5);
        DrawItemText(c, item, r.x + kMenuCheckColumn, TextTop(r), cues);
        if (item.sub) Arrow(c, r.x + r.w - kMenuArrowColumn + 8, r.y + r.h / 2);
    }
}

// A disabled button's picture: grey, lighter than the picture's own brightness.
uint32_t Greyed(uint32_t rgb) {
    const uint32_t level = ((rgb >> 16 & 255) * 30 + (rgb >> 8 & 255) * 59 + (rgb & 255) * 11) / 100;
    const uint32_t grey = 128 + level / 2;
    return 0xFF000000u | grey << 16 | grey << 8 | grey;
}

void DrawButtonImage(ChromeCanvas& c, const DibView& image, int cell, int x, int y, bool disabled) {
    for (int iy = 0; iy < kToolbarImageHeight && iy < image.height; ++iy)
        for (int ix = 0; ix < kToolbarImageWidth; ++ix) {
            const int sx = cell * kToolbarImageWidth + ix;
            if (sx >= image.width) return;
            const uint32_t rgb = image.pixels[iy * image.pitchPixels + sx] & 0xFFFFFF;
            if (rgb == kToolbarFaceKey) continue;
            Fill(c, ChromeRect{x + ix, y + iy, 1, 1}, disabled ? Greyed(rgb) : 0xFF000000u | rgb);
        }
}

void DrawToolbar(ChromeCanvas& c, HWND toolbar, int top, int pressed) {
    Fill(c, ChromeRect{0, top, c.width, kToolbarHeight}, kBarColour);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP before = SelectObject(dc, GetToolbarBitmap(toolbar));
    DibView image;
    const bool hasImage = SelectedDib(dc, &image);
    for (const ToolbarButtonBox& box : LayoutToolbar(toolbar, top)) {
        const ChromeRect& r = box.rect;
        if (box.button.fsStyle & BTNS_SEP) {
            Fill(c, ChromeRect{r.x + r.w / 2, r.y + 1, 1, r.h - 2}, kShadowColour);
            continue;
        }
        const bool down = box.index == pressed, disabled = !(box.button.fsState & TBSTATE_ENABLED);
        if (down) Frame(c, r, kShadowColour, kLightColour);
        const int shift = down ? 1 : 0;
        if (hasImage)
            DrawButtonImage(c, image, box.button.iBitmap, r.x + (r.w - kToolbarImageWidth) / 2 + shift,
                            r.y + (r.h - kToolbarImageHeight) / 2 + shift, disabled);
    }
    SelectObject(dc, before);
    DeleteDC(dc);
}

}  // namespace

void DrawWindowChrome(HWND window, ChromeCanvas& canvas) {
    const ChromeBands bands = WindowChromeBands(window);
    ChromeState& s = Chrome();
    std::lock_guard lock(s.mutex);
    const bool ours = s.window == window;
    const int lit = !ours ? -1 : s.openTop >= 0 ? s.openTop : s.selectedTop;
    const bool cues = ours && s.keyboard;
    if (HMENU menu = GetMenu(window); menu && bands.menuBar) DrawMenuBar(canvas, menu, lit, cues);
    if (bands.toolbar) DrawToolbar(canvas, FindToolbarOf(window), bands.menuBar, ours ? s.pressed : -1);
    if (!ours || !bands.menuBar) return;
    for (size_t i = 0; i < s.lists.size(); ++i) DrawList(canvas, s.lists[i], s.hot[i], cues);
}

}  // namespace host
