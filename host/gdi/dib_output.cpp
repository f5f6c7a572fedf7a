#include "host/gdi/dib_output.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "host/backends/backend.h"
#include "host/d3d9/d3d9_host.h"
#include "host/win/window.h"

namespace host {
namespace {

// One pixel layout by masks; channels wider or narrower than 8 bits are scaled by
// repeating their top bits, so full intensity stays full.
struct Layout {
    int bytes = 0;
    uint32_t mask[3] = {};
    int shift[3] = {}, width[3] = {};
};

void Measure(uint32_t mask, int* shift, int* width) {
    *shift = 0;
    *width = 0;
    if (!mask) return;
    while (!(mask >> *shift & 1)) ++*shift;
    while (*shift + *width < 32 && (mask >> (*shift + *width) & 1)) ++*width;
}

Layout MakeLayout(int bits, uint32_t r, uint32_t g, uint32_t b) {
    Layout l;
    l.bytes = bits / 8;
    l.mask[0] = r, l.mask[1] = g, l.mask[2] = b;
    for (int i = 0; i < 3; ++i) Measure(l.mask[i], &l.shift[i], &l.width[i]);
    return l;
}

uint32_t Expand(uint32_t v, int width) {
    if (width >= 8) return v >> (width - 8);
    uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += width) out = out << width | v;
    int total = (8 + width - 1) / width * width;
    return out >> (total - 8);
}

uint32_t ToXrgb(const Layout& l, const uint8_t* p) {
    uint32_t v = l.bytes == 2 ? uint32_t(p[0] | p[1] << 8) : uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) out = out << 8 | (l.width[i] ? Expand((v & l.mask[i]) >> l.shift[i], l.width[i]) : 0);
    return out;
}

bool LayoutFromInfo(const BITMAPINFO* info, Layout* l) {
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < 40 || h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0) return false;
    if (h.biCompression == BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32)) {
        *l = MakeLayout(h.biBitCount, info->bmiColors[0], info->bmiColors[1], info->bmiColors[2]);
        return l->width[0] && l->width[1] && l->width[2];
    }
    if (h.biCompression != BI_RGB) return false;
    if (h.biBitCount == 16) *l = MakeLayout(16, 0x7C00, 0x3E0, 0x1F);
    else if (h.biBitCount == 32) *l = MakeLayout(32, 0xFF0000, 0xFF00, 0xFF);
    else return false;
    return true;
}

// A source of pixels: rows of a bitmap in some layout.
struct Source {
    const uint8_t* bits;
    int width, height;
    int64_t pitch;  // bytes from one row to the next as shown (negative for bottom-up)
    const uint8_t* row0;
    Layout layout;
};

// The window's picture. Backends that keep the pixels by reference share `pixels`; while
// they hold them the next compose works in `spare`, so no frame is copied twice.
struct Picture {
    std::mutex mutex;
    int width = 0, height = 0;
    std::shared_ptr<std::vector<uint32_t>> pixels, spare;
};

Picture& ThePicture() {
    static Picture p;
    return p;
}

// The picture's pixels sized width x height, ready to be written. Pixels a backend still
// holds are left alone: the work moves to the spare buffer, which starts as a copy of the
// picture unless the compose about to run overwrites every pixel.
std::vector<uint32_t>& WritablePixels(Picture& pic, int width, int height, bool overwritten) {
    const size_t count = size_t(width) * size_t(height);
    const bool sameSize = pic.pixels && pic.width == width && pic.height == height;
    pic.width = width;
    pic.height = height;
    if (sameSize && pic.pixels.use_count() == 1) return *pic.pixels;
    if (!pic.spare || pic.spare.use_count() != 1) pic.spare = std::make_shared<std::vector<uint32_t>>();
    std::vector<uint32_t>& next = *pic.spare;
    if (!sameSize) next.assign(count, 0);
    else if (!overwritten) next.assign(pic.pixels->begin(), pic.pixels->end());
    else next.resize(count);
    std::swap(pic.pixels, pic.spare);
    return *pic.pixels;
}

HWND WindowOf(HDC dc) { return HandleFromId<HWND>(IdFromHandle(dc) & ~uintptr_t(1)); }

// Copies src rectangle (sx, sy, sw, sh) onto window rectangle (dx, dy, dw, dh) with the
// nearest pixel, clipped to the client area, then shows the picture.
int Compose(HWND window, const Source& src, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return 0;
    if (sx < 0 || sy < 0 || int64_t(sx) + sw > src.width || int64_t(sy) + sh > src.height) return 0;
    RECT client;
    if (!window || !GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
        client = RECT{0, 0, dx + dw, dy + dh};
    Picture& pic = ThePicture();
    std::lock_guard lock(pic.mutex);
    const bool overwritten = dx <= 0 && dy <= 0 && dx + dw >= client.right && dy + dh >= client.bottom;
    std::vector<uint32_t>& pixels = WritablePixels(pic, client.right, client.bottom, overwritten);
    const int outWidth = pic.width, outHeight = pic.height;
    // 32-bit 8:8:8 pixels copied one to one need no conversion but the top byte cleared.
    const Layout& l = src.layout;
    const bool plain = l.bytes == 4 && l.mask[0] == 0xFF0000 && l.mask[1] == 0xFF00 && l.mask[2] == 0xFF &&
                       dw == sw && dh == sh;
    const int x0 = dx < 0 ? -dx : 0, x1 = dx + dw > outWidth ? outWidth - dx : dw;
    for (int y = 0; y < dh; ++y) {
        int ty = dy + y;
        if (ty < 0 || ty >= outHeight) continue;
        const uint8_t* row = src.row0 + (sy + int64_t(y) * sh / dh) * src.pitch;
        // Index of the row's first pixel in the picture; dx may lie left of the picture.
        uint32_t* to = pixels.data() + size_t(ty) * size_t(outWidth);
        if (plain) {
            const auto* from = reinterpret_cast<const uint32_t*>(row) + sx;
            for (int x = x0; x < x1; ++x) to[dx + x] = from[x] & 0xFFFFFFu;
            continue;
        }
        for (int x = x0; x < x1; ++x) to[dx + x] = ToXrgb(l, row + (sx + int64_t(x) * sw / dw) * l.bytes);
    }
    // A picture the backend cannot show (its window has gone) counts as no lines drawn.
    const Backend* b = ActiveBackend();
    if (b && !(b->present_shared ? b->present_shared(pic.pixels, outWidth, outHeight)
                                 : b->present(pixels.data(), outWidth, outHeight, outWidth * 4)))
        return 0;
    return dh;
}

bool SourceFromInfo(const BITMAPINFO* info, const void* bits, Source* s) {
    if (!info || !bits || !LayoutFromInfo(info, &s->layout)) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    s->bits = static_cast<const uint8_t*>(bits);
    s->width = h.biWidth;
    s->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    int64_t stride = (int64_t(h.biWidth) * h.biBitCount + 31) / 32 * 4;
    // Bottom-up bitmaps store their last row first.
    s->pitch = h.biHeight < 0 ? stride : -stride;
    s->row0 = h.biHeight < 0 ? s->bits : s->bits + stride * (s->height - 1);
    return true;
}

HRESULT PresentToWindow(const PresentedFrame& f) {
    Source s;
    switch (f.format) {
    case D3DFMT_R5G6B5: s.layout = MakeLayout(16, 0xF800, 0x7E0, 0x1F); break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: s.layout = MakeLayout(16, 0x7C00, 0x3E0, 0x1F); break;
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8R8G8B8: s.layout = MakeLayout(32, 0xFF0000, 0xFF00, 0xFF); break;
    default: return D3DERR_INVALIDCALL;
    }
    s.bits = s.row0 = f.pixels;
    s.width = int(f.width);
    s.height = int(f.height);
    s.pitch = f.pitch;
    const int lines = Compose(f.window, s, f.dest.left, f.dest.top, f.dest.right - f.dest.left,
                              f.dest.bottom - f.dest.top, f.source.left, f.source.top,
                              f.source.right - f.source.left, f.source.bottom - f.source.top);
    // Nothing shown (the window has gone) is a present the device could not make.
    return lines > 0 ? D3D_OK : D3DERR_DEVICELOST;
}

}  // namespace

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, uint32_t width, uint32_t height, int xSrc, int ySrc,
                      uint32_t startScan, uint32_t lines, const void* bits, const BITMAPINFO* info, uint32_t usage) {
    Source s;
    if (!dc || usage != DIB_RGB_COLORS || !SourceFromInfo(info, bits, &s)) return 0;
    if (startScan != 0 || lines > uint32_t(s.height) || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return 0;
    return Compose(WindowOf(dc), s, xDest, yDest, int(width), int(height), xSrc, ySrc, int(width), int(height));
}

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, uint32_t usage, uint32_t rop) {
    Source s;
    if (!dc || usage != DIB_RGB_COLORS || rop != SRCCOPY || !SourceFromInfo(info, bits, &s)) return 0;
    return Compose(WindowOf(dc), s, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight);
}

void UseWindowForD3D9Presents() {
    if (!D3D9PresentHook()) SetD3D9PresentHook(&PresentToWindow);
}

WindowPicture LastWindowPicture() {
    Picture& pic = ThePicture();
    std::lock_guard lock(pic.mutex);
    if (!pic.pixels) return WindowPicture{};
    return WindowPicture{pic.width, pic.height, *pic.pixels};
}

void ResetWindowPicture() {
    Picture& pic = ThePicture();
    std::lock_guard lock(pic.mutex);
    pic.width = pic.height = 0;
    pic.pixels.reset();
}

}  // namespace host
