#include "host/gdi/dib_output.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "host/backends/backend.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/gdi/pixel_rows.h"
#include "host/win/window/window.h"

namespace host {
namespace {

bool LayoutFromInfo(const BITMAPINFO* info, PixelLayout* l) {
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < 40 || h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0) return false;
    if (h.biCompression == BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32)) {
        *l = MakePixelLayout(h.biBitCount, info->bmiColors[0], info->bmiColors[1], info->bmiColors[2]);
        return l->width[0] && l->width[1] && l->width[2];
    }
    if (h.biCompression != BI_RGB) return false;
    if (h.biBitCount == 16) *l = MakePixelLayout(16, 0x7C00, 0x3E0, 0x1F);
    else if (h.biBitCount == 32) *l = MakePixelLayout(32, 0xFF0000, 0xFF00, 0xFF);
    else return false;
    return true;
}

// A source of pixels: rows of a bitmap in some layout.
struct Source {
    const uint8_t* bits;
    int width, height;
    int64_t pitch;  // bytes from one row to the next as shown (negative for bottom-up)
    const uint8_t* row0;
    PixelLayout layout;
};

// The window's picture. Backends that keep the pixels by reference share `pixels`; while
// they hold them the next compose works in `spare`, so no frame is copied twice. A frame
// whose rows are already in the window's layout is shown as it is: then the picture is
// those rows (`held` keeps them unchanged), turned into pixels only when asked for.
struct Picture {
    std::mutex mutex;
    int width = 0, height = 0;
    std::shared_ptr<std::vector<uint32_t>> pixels, spare;
    std::shared_ptr<const void> held;
    const uint8_t* heldRows = nullptr;
    int64_t heldPitch = 0;
    // A scaled compose's source row, converted once, the source column of each picture
    // column it fills, and the row of the picture picked from it.
    std::vector<uint32_t> line, picked;
    std::vector<int64_t> columns;
};

Picture& ThePicture() {
    static Picture p;
    return p;
}

const PixelLayout& XrgbLayout() {
    static const PixelLayout layout = MakePixelLayout(32, 0xFF0000, 0xFF00, 0xFF);
    return layout;
}

bool IsXrgb(const PixelLayout& l) {
    const PixelLayout& x = XrgbLayout();
    return l.bytes == 4 && l.mask[0] == x.mask[0] && l.mask[1] == x.mask[1] && l.mask[2] == x.mask[2];
}

// The held rows as the picture's pixels, their top byte cleared.
void PixelsFromHeldRows(const Picture& pic, uint32_t* out) {
    const PixelRowFn convert = PixelRowConverter(XrgbLayout());
    for (int y = 0; y < pic.height; ++y)
        convert(XrgbLayout(), out + size_t(y) * size_t(pic.width), pic.heldRows + y * pic.heldPitch,
                size_t(pic.width));
}

// The picture's pixels sized width x height, ready to be written. Pixels a backend still
// holds are left alone: the work moves to the spare buffer, which starts as a copy of the
// picture unless the compose about to run overwrites every pixel.
std::vector<uint32_t>& WritablePixels(Picture& pic, int width, int height, bool overwritten) {
    const size_t count = size_t(width) * size_t(height);
    const bool sameSize = (pic.pixels || pic.held) && pic.width == width && pic.height == height;
    if (sameSize && !pic.held && pic.pixels.use_count() == 1) return *pic.pixels;
    if (!pic.spare || pic.spare.use_count() != 1) pic.spare = std::make_shared<std::vector<uint32_t>>();
    std::vector<uint32_t>& next = *pic.spare;
    if (!sameSize) next.assign(count, 0);
    else if (overwritten) next.resize(count);
    else if (pic.held) next.resize(count), PixelsFromHeldRows(pic, next.data());
    else next.assign(pic.pixels->begin(), pic.pixels->end());
    pic.held.reset();
    pic.width = width;
    pic.height = height;
    std::swap(pic.pixels, pic.spare);
    return *pic.pixels;
}

// The backend shows rows as they are where they fill the window 1:1 in its own layout
// (the top byte is not shown), and may keep them by reference while `keep` holds them.
bool ShowHeldRows(Picture& pic, std::shared_ptr<const void> keep, const uint8_t* rows, int64_t pitch, int width,
                  int height) {
    const Backend* b = ActiveBackend();
    const auto* pixels = reinterpret_cast<const uint32_t*>(rows);
    if (b && !(b->present_shared ? b->present_shared(keep, pixels, width, height, int(pitch))
                                 : b->present(pixels, width, height, int(pitch))))
        return false;
    pic.held = std::move(keep);
    pic.heldRows = rows;
    pic.heldPitch = pitch;
    pic.width = width;
    pic.height = height;
    return true;
}

HWND WindowOf(HDC dc) { return HandleFromId<HWND>(IdFromHandle(dc) & ~uintptr_t(1)); }

// The source index of each step of a scaled copy, first + i * span / count for steps i
// from `start` on, kept without a division per step.
struct ScaleStep {
    ScaleStep(int64_t first, int64_t start, int64_t span, int64_t count)
        : index(first + start * span / count), rest(start * span % count), whole(span / count), part(span % count),
          count(count) {}
    void Next() {
        index += whole;
        rest += part;
        if (rest >= count) rest -= count, ++index;
    }
    int64_t index, rest;
    const int64_t whole, part, count;
};

// A compose: the source rectangle (sx, sy, sw, sh), the window rectangle it goes to
// (dx, dy, dw, dh), and the part of that which lands in the picture, columns x0..x1 and
// rows y0..y1 of the window rectangle.
struct Placement {
    int dx, dy, dw, dh, sx, sy, sw, sh;
    int x0, x1, y0, y1;
};

uint32_t* PictureRow(std::vector<uint32_t>& pixels, int outWidth, int row) {
    return pixels.data() + size_t(row) * size_t(outWidth);
}

void CopyUnscaled(const Source& src, std::vector<uint32_t>& pixels, int outWidth, const Placement& p) {
    const PixelRowFn convert = PixelRowConverter(src.layout);
    for (int y = p.y0; y < p.y1; ++y) {
        const uint8_t* row = src.row0 + (p.sy + int64_t(y)) * src.pitch + (p.sx + int64_t(p.x0)) * src.layout.bytes;
        convert(src.layout, PictureRow(pixels, outWidth, p.dy + y) + p.dx + p.x0, row, size_t(p.x1 - p.x0));
    }
}

// Nearest pixel: each source row shown is converted once, its pixels picked column by
// column, and a row shown again below itself is copied from the picture.
void CopyScaled(Picture& pic, const Source& src, const Placement& p) {
    const PixelRowFn convert = PixelRowConverter(src.layout);
    pic.line.resize(size_t(p.sw));
    pic.columns.resize(size_t(p.x1 - p.x0));
    pic.picked.resize(pic.columns.size());
    ScaleStep column(0, p.x0, p.sw, p.dw);
    for (int64_t& c : pic.columns) c = column.index, column.Next();
    ScaleStep row(p.sy, p.y0, p.sh, p.dh);
    int64_t shown = -1;  // the source row of the picture row above
    for (int y = p.y0; y < p.y1; ++y, row.Next()) {
        uint32_t* to = PictureRow(*pic.pixels, pic.width, p.dy + y) + p.dx + p.x0;
        if (row.index == shown) {
            std::memcpy(to, to - pic.width, pic.columns.size() * 4);
            continue;
        }
        shown = row.index;
        convert(src.layout, pic.line.data(), src.row0 + row.index * src.pitch + int64_t(p.sx) * src.layout.bytes,
                size_t(p.sw));
        // Picked into a row that stays in the cache, then copied out whole: the picture's
        // rows are not in the cache, and single stores into them cost twice the copy.
        const uint32_t* line = pic.line.data();
        const int64_t* columns = pic.columns.data();
        uint32_t* picked = pic.picked.data();
        for (size_t x = 0; x < pic.picked.size(); ++x) picked[x] = line[columns[x]];
        std::memcpy(to, picked, pic.picked.size() * 4);
    }
}

// Copies src rectangle (sx, sy, sw, sh) onto window rectangle (dx, dy, dw, dh) with the
// nearest pixel, clipped to the client area, then shows the picture. A source that
// `keep` holds unchanged, filling the window 1:1 in its layout, is shown as it is.
int Compose(HWND window, const Source& src, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
            std::shared_ptr<const void> keep = nullptr) {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return 0;
    if (sx < 0 || sy < 0 || int64_t(sx) + sw > src.width || int64_t(sy) + sh > src.height) return 0;
    RECT client;
    if (!window || !GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
        client = RECT{0, 0, dx + dw, dy + dh};
    Picture& pic = ThePicture();
    std::lock_guard lock(pic.mutex);
    if (keep && IsXrgb(src.layout) && src.pitch > 0 && dx == 0 && dy == 0 && dw == sw && dh == sh &&
        dw == client.right && dh == client.bottom) {
        const uint8_t* rows = src.row0 + int64_t(sy) * src.pitch + int64_t(sx) * 4;
        return ShowHeldRows(pic, std::move(keep), rows, src.pitch, dw, dh) ? dh : 0;
    }
    const bool overwritten = dx <= 0 && dy <= 0 && dx + dw >= client.right && dy + dh >= client.bottom;
    std::vector<uint32_t>& pixels = WritablePixels(pic, client.right, client.bottom, overwritten);
    const int outWidth = pic.width, outHeight = pic.height;
    const Placement p{dx, dy, dw, dh, sx, sy, sw, sh, dx < 0 ? -dx : 0, dx + dw > outWidth ? outWidth - dx : dw,
                      dy < 0 ? -dy : 0, dy + dh > outHeight ? outHeight - dy : dh};
    if (p.x0 < p.x1) {
        if (dw == sw && dh == sh) CopyUnscaled(src, pixels, outWidth, p);
        else CopyScaled(pic, src, p);
    }
    // A picture the backend cannot show (its window has gone) counts as no lines drawn.
    const Backend* b = ActiveBackend();
    const int pitch = outWidth * 4;
    if (b && !(b->present_shared ? b->present_shared(pic.pixels, pixels.data(), outWidth, outHeight, pitch)
                                 : b->present(pixels.data(), outWidth, outHeight, pitch)))
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
    case D3DFMT_R5G6B5: s.layout = MakePixelLayout(16, 0xF800, 0x7E0, 0x1F); break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: s.layout = MakePixelLayout(16, 0x7C00, 0x3E0, 0x1F); break;
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8R8G8B8: s.layout = MakePixelLayout(32, 0xFF0000, 0xFF00, 0xFF); break;
    default: return D3DERR_INVALIDCALL;
    }
    s.bits = s.row0 = f.pixels;
    s.width = int(f.width);
    s.height = int(f.height);
    s.pitch = f.pitch;
    const int lines = Compose(f.window, s, f.dest.left, f.dest.top, f.dest.right - f.dest.left,
                              f.dest.bottom - f.dest.top, f.source.left, f.source.top,
                              f.source.right - f.source.left, f.source.bottom - f.source.top, f.keep);
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
    if (pic.held) {
        WindowPicture shown{pic.width, pic.height, std::vector<uint32_t>(size_t(pic.width) * size_t(pic.height))};
        PixelsFromHeldRows(pic, shown.pixels.data());
        return shown;
    }
    if (!pic.pixels) return WindowPicture{};
    return WindowPicture{pic.width, pic.height, *pic.pixels};
}

void ResetWindowPicture() {
    Picture& pic = ThePicture();
    std::lock_guard lock(pic.mutex);
    pic.width = pic.height = 0;
    pic.pixels.reset();
    pic.held.reset();
}

}  // namespace host
