// Clears, fills and copies between surfaces, with the platform's rules on pools, formats
// and rectangles.
#include <algorithm>
#include <cstring>
#include <vector>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/raster/multisample.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/raster/prefetch_rows.h"
#include "host/d3d9/resources/resource_make.h"
#include "host/d3d9/resources/yuv_surface.h"

namespace host {
namespace {

RECT WholeRect(const Surface* s) { return RECT{0, 0, int32_t(s->Width()), int32_t(s->Height())}; }

bool RectInside(const RECT& r, const Surface* s) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= int32_t(s->Width()) &&
           r.bottom <= int32_t(s->Height());
}

RECT Intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

bool BlockAligned(const RECT& r, const Surface* s) {
    if (!IsCompressedFormat(s->Format())) return true;
    auto edge = [](int32_t v, uint32_t size) { return v % 4 == 0 || uint32_t(v) == size; };
    return r.left % 4 == 0 && r.top % 4 == 0 && edge(r.right, s->Width()) && edge(r.bottom, s->Height());
}

// Every sample's plane of a multisampled surface.
template <class Pixel>
void FillRows(Surface* s, const RECT& r, Pixel value) {
    for (uint32_t k = 0; k < s->Samples(); ++k)
        for (int32_t y = r.top; y < r.bottom; ++y) {
            auto* row = reinterpret_cast<Pixel*>(s->Bits() + (size_t(k) * s->Height() + size_t(y)) * s->Pitch()) +
                        r.left;
            std::fill_n(row, size_t(r.right - r.left), value);
        }
}

void FillRect(Surface* s, const RECT& r, D3DCOLOR color) {
    uint8_t pixel[4] = {};
    WritePixelArgb(s->Format(), pixel, color);
    if (FindPixelFormat(s->Format())->bytes == 4) {
        uint32_t v;
        std::memcpy(&v, pixel, 4);
        // A clear waits for a reader: most frames are cleared then drawn over. A clear of
        // part of a surface (the part of a texture a screen uses) waits by parts, which
        // opaque draws over it take without its pixels ever being written.
        const bool whole = r.left == 0 && r.top == 0 && uint32_t(r.right) == s->Width() &&
                           uint32_t(r.bottom) == s->Height();
        if (whole && !s->IsLocked()) s->FillLater(v);
        else if (s->CanDefer() && !D3D9Settings().forceGenericPath) s->FillRectLater(r, v);
        else FillRows<uint32_t>(s, r, v);
    } else {
        FillRows<uint16_t>(s, r, uint16_t(pixel[0] | pixel[1] << 8));
    }
    s->Touch();
}

uint32_t ReadArgbAt(const Surface* s, int32_t x, int32_t y) {
    const int bytes = FindPixelFormat(s->Format())->bytes;
    return ReadPixelArgb(s->Format(), s->Bits() + size_t(y) * s->Pitch() + size_t(x) * size_t(bytes));
}

uint32_t LerpArgb(uint32_t a, uint32_t b, uint32_t f) {  // f in 0..256
    uint32_t out = 0;
    for (int i = 0; i < 32; i += 8) out |= ((((a >> i) & 255) * (256 - f) + ((b >> i) & 255) * f + 128) >> 8) << i;
    return out;
}

// Source coordinate of destination pixel d for a stretch of `from` pixels onto `to`,
// in 1/256 pixels, centres matched.
int64_t StretchCoordinate(int32_t d, int32_t from, int32_t to) {
    return (int64_t(2 * d + 1) * from * 256) / (2 * int64_t(to)) - 128;
}

// Reads the source through `argbAt` (x, y), so that any layout the device can turn into
// 0xAARRGGBB can be stretched.
template <class ArgbAt>
void StretchCopy(ArgbAt argbAt, const RECT& sr, Surface* dst, const RECT& dr, bool linear) {
    const int32_t sw = sr.right - sr.left, sh = sr.bottom - sr.top;
    const int32_t dw = dr.right - dr.left, dh = dr.bottom - dr.top;
    const int bytes = FindPixelFormat(dst->Format())->bytes;
    for (int32_t y = 0; y < dh; ++y) {
        const int64_t fy = StretchCoordinate(y, sh, dh);
        for (int32_t x = 0; x < dw; ++x) {
            const int64_t fx = StretchCoordinate(x, sw, dw);
            uint32_t c;
            if (!linear) {
                c = argbAt(sr.left + int32_t((fx + 128) >> 8), sr.top + int32_t((fy + 128) >> 8));
            } else {
                auto clampX = [&](int64_t v) { return sr.left + int32_t(std::clamp<int64_t>(v, 0, sw - 1)); };
                auto clampY = [&](int64_t v) { return sr.top + int32_t(std::clamp<int64_t>(v, 0, sh - 1)); };
                const int64_t x0 = fx >> 8, y0 = fy >> 8;
                const uint32_t ax = uint32_t(fx & 255), ay = uint32_t(fy & 255);
                const uint32_t top = LerpArgb(argbAt(clampX(x0), clampY(y0)), argbAt(clampX(x0 + 1), clampY(y0)), ax);
                const uint32_t bottom =
                    LerpArgb(argbAt(clampX(x0), clampY(y0 + 1)), argbAt(clampX(x0 + 1), clampY(y0 + 1)), ax);
                c = LerpArgb(top, bottom, ay);
            }
            WritePixelArgb(dst->Format(),
                           dst->Bits() + size_t(dr.top + y) * dst->Pitch() + size_t(dr.left + x) * size_t(bytes), c);
        }
    }
    dst->Touch();
}

// A video-format picture into a 32-bit ARGB or XRGB target of the same size, converted a
// row at a time through one row of its own: no picture-sized copy of the video surface is
// made for it.
void CopyYuvRows(const Surface* src, const RECT& sr, Surface* dst, const RECT& dr) {
    std::vector<uint32_t> row(src->Width());
    const size_t rowBytes = size_t(dr.right - dr.left) * 4;
    for (int32_t y = 0; y < dr.bottom - dr.top; ++y) {
        ConvertYuvRowToArgb(src->Format(), src->Bits(), src->Pitch(), src->Width(), src->Height(), uint32_t(sr.top + y),
                            row.data());
        std::memcpy(dst->Bits() + size_t(dr.top + y) * dst->Pitch() + size_t(dr.left) * 4, row.data() + sr.left,
                    rowBytes);
    }
    dst->Touch();
}

// StretchRect's copy, once the rectangles are known to be valid.
void CopyRect(Surface* source, const RECT& sr, Surface* dest, const RECT& dr, bool stretched, bool linear) {
    if (IsYuvFormat(source->Format()) && !stretched &&
        (dest->Format() == D3DFMT_A8R8G8B8 || dest->Format() == D3DFMT_X8R8G8B8)) {
        CopyYuvRows(source, sr, dest, dr);
    } else if (IsYuvFormat(source->Format())) {
        // Otherwise video formats are converted whole, then read as any other picture.
        uint32_t alphaOr = 0;
        size_t pitch = 0;
        const uint32_t* argb = source->ArgbView(&alphaOr, &pitch);
        StretchCopy([&](int32_t x, int32_t y) { return argb[size_t(y) * pitch + size_t(x)]; }, sr, dest, dr, linear);
    } else if (source->Samples() > 1) {
        StretchCopy([source](int32_t x, int32_t y) { return ResolvedArgb(*source, x, y); }, sr, dest, dr, linear);
    } else if (!stretched && source->Format() == dest->Format()) {
        CopySameFormat(source, sr, dest, dr.left, dr.top);
    } else {
        StretchCopy([source](int32_t x, int32_t y) { return ReadArgbAt(source, x, y); }, sr, dest, dr, linear);
    }
}

bool Overlap(const Surface* a, const RECT& ra, const Surface* b, const RECT& rb) {
    return a == b && !IsEmpty(Intersect(ra, rb));
}

}  // namespace

// The most bytes of a copy whose lines are all asked for before it starts: they stay in
// the second-level cache until the copy reaches them.
constexpr size_t kPrefetchedCopyBytes = 64 * 1024;

void CopySameFormat(const Surface* src, const RECT& r, Surface* dst, int32_t dx, int32_t dy) {
    const PixelFormatInfo* f = FindPixelFormat(src->Format());
    const int32_t unit = f->compressed ? 4 : 1;
    const size_t rowBytes = FormatRowBytes(src->Format(), uint32_t(r.right - r.left));
    const int32_t rows = int32_t(FormatRowCount(src->Format(), uint32_t(r.bottom - r.top)));
    // The corners and pitches once: a small rectangle (the mask screen copies one for
    // every draw) spent more on finding each row than on copying it.
    const size_t fromPitch = src->Pitch(), toPitch = dst->Pitch();
    const uint8_t* from = src->Bits() + size_t(r.top / unit) * fromPitch + size_t(r.left / unit) * size_t(f->bytes);
    uint8_t* to = dst->Bits() + size_t(dy / unit) * toPitch + size_t(dx / unit) * size_t(f->bytes);
    // A small rectangle's rows lie pages apart and each misses the cache: all its lines
    // asked for first, so that the misses overlap (about a twentieth off a masked
    // sprite's draw). A large one is left to the hardware, which follows long rows.
    if (rowBytes > 0 && rowBytes * size_t(rows) <= kPrefetchedCopyBytes) {
        PrefetchRows<false>(from, fromPitch, rows, rowBytes);
        PrefetchRows<true>(to, toPitch, rows, rowBytes);
    }
    for (int32_t i = 0; i < rows; ++i, from += fromPitch, to += toPitch) std::memmove(to, from, rowBytes);
    dst->TouchRect(RECT{dx, dy, dx + (r.right - r.left), dy + (r.bottom - r.top)});
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    if ((count > 0 && !rects) || (count == 0 && rects)) return D3DERR_INVALIDCALL;
    if (!(flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))) return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthStencil_) return D3DERR_INVALIDCALL;
    // Only a depth format with stencil bits can have its stencil cleared.
    if ((flags & D3DCLEAR_STENCIL) && !depthStencil_->Stencil()) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f)) return D3DERR_INVALIDCALL;
    if (loss_ != DeviceLoss::None || !renderTarget_) return D3D_OK;
    RECT area{int32_t(viewport_.X), int32_t(viewport_.Y), int32_t(viewport_.X + viewport_.Width),
              int32_t(viewport_.Y + viewport_.Height)};
    if (renderStates_[D3DRS_SCISSORTESTENABLE]) area = Intersect(area, scissor_);
    auto clearOne = [&](const RECT& region) {
        if (flags & D3DCLEAR_TARGET) {
            const RECT r = Intersect(region, WholeRect(renderTarget_));
            if (!IsEmpty(r)) FillRect(renderTarget_, r, color);
        }
        if (flags & D3DCLEAR_ZBUFFER) {
            const RECT r = Intersect(region, WholeRect(depthStencil_));
            if (!IsEmpty(r)) depthStencil_->ClearDepth(r, z);
        }
        if (flags & D3DCLEAR_STENCIL) {
            const RECT r = Intersect(region, WholeRect(depthStencil_));
            if (!IsEmpty(r)) depthStencil_->ClearStencil(r, uint8_t(stencil & ((1u << StencilBits(depthStencil_->Format())) - 1)));
        }
    };
    return UnlessOutOfMemory(HRESULT(E_OUTOFMEMORY), [&] {
        if (count == 0) clearOne(area);
        for (DWORD i = 0; i < count; ++i)
            clearOne(Intersect(area, RECT{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2}));
        return D3D_OK;
    });
}

HRESULT Device::ColorFill(Surface* surface, const RECT* rect, D3DCOLOR color) {
    if (!surface || surface->Pool() != D3DPOOL_DEFAULT || !IsColorFormat(surface->Format()) ||
        IsCompressedFormat(surface->Format()) || surface->IsLocked())
        return D3DERR_INVALIDCALL;
    const RECT r = rect ? *rect : WholeRect(surface);
    if (!RectInside(r, surface)) return D3DERR_INVALIDCALL;
    return UnlessOutOfMemory(HRESULT(E_OUTOFMEMORY), [&] {
        FillRect(surface, r, color);
        return D3D_OK;
    });
}

HRESULT Device::StretchRect(Surface* source, const RECT* sourceRect, Surface* dest, const RECT* destRect,
                            D3DTEXTUREFILTERTYPE filter) {
    if (!source || !dest || source->Pool() != D3DPOOL_DEFAULT || dest->Pool() != D3DPOOL_DEFAULT)
        return D3DERR_INVALIDCALL;
    if (!IsColorFormat(source->Format()) || !IsColorFormat(dest->Format()) || IsCompressedFormat(source->Format()) ||
        IsCompressedFormat(dest->Format()) || IsYuvFormat(dest->Format()) || source->IsLocked() || dest->IsLocked())
        return D3DERR_INVALIDCALL;
    // A texture's surface may only take part when the texture is a render target.
    if ((source->Container() && !source->IsRenderTarget()) || (dest->Container() && !dest->IsRenderTarget()))
        return D3DERR_INVALIDCALL;
    // A multisampled surface is resolved into a plain one, never written by a copy.
    if (filter > D3DTEXF_LINEAR || dest->Samples() > 1) return D3DERR_INVALIDCALL;
    const RECT sr = sourceRect ? *sourceRect : WholeRect(source);
    const RECT dr = destRect ? *destRect : WholeRect(dest);
    if (!RectInside(sr, source) || !RectInside(dr, dest) || Overlap(source, sr, dest, dr)) return D3DERR_INVALIDCALL;
    const bool stretched = sr.right - sr.left != dr.right - dr.left || sr.bottom - sr.top != dr.bottom - dr.top;
    const bool converted = source->Format() != dest->Format();
    if ((stretched || converted) && !dest->IsRenderTarget()) return D3DERR_INVALIDCALL;
    if (loss_ != DeviceLoss::None) return D3D_OK;
    return UnlessOutOfMemory(HRESULT(E_OUTOFMEMORY), [&] {
        CopyRect(source, sr, dest, dr, stretched, filter == D3DTEXF_LINEAR);
        return D3D_OK;
    });
}

HRESULT Device::UpdateSurface(Surface* source, const RECT* sourceRect, Surface* dest, const POINT* destPoint) {
    if (!source || !dest || source->Pool() != D3DPOOL_SYSTEMMEM || dest->Pool() != D3DPOOL_DEFAULT ||
        source->Format() != dest->Format() || !IsColorFormat(source->Format()) || source->IsLocked() ||
        dest->IsLocked() || dest->Samples() > 1)
        return D3DERR_INVALIDCALL;
    const RECT sr = sourceRect ? *sourceRect : WholeRect(source);
    const POINT at = destPoint ? *destPoint : POINT{0, 0};
    const RECT dr{at.x, at.y, at.x + (sr.right - sr.left), at.y + (sr.bottom - sr.top)};
    if (!RectInside(sr, source) || !RectInside(dr, dest) || !BlockAligned(sr, source) || !BlockAligned(dr, dest))
        return D3DERR_INVALIDCALL;
    return UnlessOutOfMemory(HRESULT(E_OUTOFMEMORY), [&] {
        CopySameFormat(source, sr, dest, dr.left, dr.top);
        return D3D_OK;
    });
}

namespace {

// Gives a default-pool texture's levels (each of its `faces`) the pixels of a system-memory
// texture's levels of the same sizes and format; `levelOf` (texture, face, level) gives a
// surface. The source may have more levels than the destination. The two share each
// level's pixels until one of them is written, so an uploaded texture is kept once.
template <class T, class LevelOf>
HRESULT UpdateTextureLevels(T* source, T* dest, uint32_t faces, LevelOf levelOf) {
    if (!source || !dest || source->Pool() != D3DPOOL_SYSTEMMEM || dest->Pool() != D3DPOOL_DEFAULT ||
        source->Format() != dest->Format() || source->GetLevelCount() < dest->GetLevelCount())
        return D3DERR_INVALIDCALL;
    for (uint32_t f = 0; f < faces; ++f)
        for (UINT i = 0; i < dest->GetLevelCount(); ++i) {
            const Surface* s = levelOf(source, f, i);
            const Surface* d = levelOf(dest, f, i);
            if (s->Width() != d->Width() || s->Height() != d->Height() || s->IsLocked() || d->IsLocked())
                return D3DERR_INVALIDCALL;
        }
    return UnlessOutOfMemory(HRESULT(E_OUTOFMEMORY), [&] {
        for (uint32_t f = 0; f < faces; ++f)
            for (UINT i = 0; i < dest->GetLevelCount(); ++i)
                levelOf(dest, f, i)->UpdateFrom(*levelOf(source, f, i));
        return D3D_OK;
    });
}

}  // namespace

HRESULT Device::UpdateTexture(Texture* source, Texture* dest) {
    return UpdateTextureLevels(source, dest, 1, [](Texture* t, uint32_t, UINT level) { return t->Level(level); });
}

HRESULT Device::UpdateTexture(CubeTexture* source, CubeTexture* dest) {
    return UpdateTextureLevels(source, dest, kCubeFaces,
                               [](CubeTexture* t, uint32_t face, UINT level) { return t->Face(face, level); });
}

HRESULT Device::GetRenderTargetData(Surface* renderTarget, Surface* dest) {
    if (!renderTarget || !dest || !renderTarget->IsRenderTarget() || renderTarget->Samples() > 1 ||
        renderTarget->Pool() != D3DPOOL_DEFAULT ||
        dest->Pool() != D3DPOOL_SYSTEMMEM || renderTarget->Format() != dest->Format() ||
        renderTarget->Width() != dest->Width() || renderTarget->Height() != dest->Height() || dest->IsLocked())
        return D3DERR_INVALIDCALL;
    return UnlessOutOfMemory(HRESULT(E_OUTOFMEMORY), [&] {
        CopySameFormat(renderTarget, WholeRect(renderTarget), dest, 0, 0);
        return D3D_OK;
    });
}

}  // namespace host
