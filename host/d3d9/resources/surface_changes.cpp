// What changed in a surface's pixels since a version, when only rectangles did: the
// 32-bit copy that draws sample, and a texture filled from a system-memory one, are then
// brought up to date in those rectangles alone (a glyph cache written cell by cell).
#include <algorithm>
#include <utility>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/resources/resources.h"
#include "host/d3d9/resources/yuv_surface.h"

namespace host {

namespace {

bool IsEmptyRect(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

// Formats whose rows convert pixel by pixel, so that part of a row converts alone.
bool ConvertsByPixel(D3DFORMAT format) {
    const PixelFormatInfo* f = FindPixelFormat(format);
    return f && !f->compressed && !f->depth && !IsYuvFormat(format);
}

}  // namespace

void Surface::TouchRect(const RECT& r) {
    const uint64_t before = version_;
    Touch();
    if (changeCount_ > 0 && changes_[size_t(changeCount_ - 1)].after != before) changeCount_ = 0;
    if (changeCount_ == kRectChanges) {
        changes_[1] = RectChange{changes_[0].before, changes_[1].after, Union(changes_[0].rect, changes_[1].rect)};
        std::move(changes_.begin() + 1, changes_.end(), changes_.begin());
        --changeCount_;
    }
    changes_[size_t(changeCount_++)] = RectChange{before, version_, r};
}

bool Surface::ChangedOnlyIn(uint64_t version, RECT* r) const {
    RECT changed{};
    uint64_t at = version_;
    // Back from the newest change while each one follows the one before it.
    for (int i = changeCount_ - 1; i >= 0 && version != at; --i) {
        const RectChange& c = changes_[size_t(i)];
        if (c.after != at) return false;
        changed = Union(changed, c.rect);
        at = c.before <= version ? version : c.before;
    }
    if (version != at) return false;
    *r = changed;
    return true;
}

void Surface::UpdateFrom(const Surface& source) {
    RECT changed{};
    const bool byParts = fedFrom_ == &source && version_ == fedVersion_ && samples_ == 1 &&
                         source.samples_ == 1 && ConvertsByPixel(format_) &&
                         source.ChangedOnlyIn(fedSourceVersion_, &changed);
    if (!byParts) {
        SharePixels(source);
    } else if (!IsEmptyRect(changed)) {
        CopySameFormat(&source, changed, this, changed.left, changed.top);
    }
    fedFrom_ = &source;
    fedSourceVersion_ = source.version_;
    fedVersion_ = version_;
}

const uint32_t* Surface::ArgbView(uint32_t* alphaOr, size_t* pitchPixels) {
    if (format_ == D3DFMT_A8R8G8B8 || format_ == D3DFMT_X8R8G8B8) {
        *alphaOr = format_ == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0;
        *pitchPixels = pitch_ / 4;
        return reinterpret_cast<const uint32_t*>(std::as_const(*this).Bits());
    }
    if (isDepth_) return nullptr;
    if (mirrorVersion_ != version_) {
        const size_t count = size_t(width_) * height_;
        RECT changed{};
        if (mirror_.size() == count && ConvertsByPixel(format_) && ChangedOnlyIn(mirrorVersion_, &changed)) {
            const uint8_t* bits = std::as_const(*this).Bits();
            const size_t at = size_t(changed.left) * size_t(FindPixelFormat(format_)->bytes);
            const uint32_t width = uint32_t(std::max(changed.right - changed.left, 0));
            for (int32_t y = changed.top; y < changed.bottom; ++y)
                ConvertImageToArgb(format_, bits + size_t(y) * pitch_ + at, pitch_, width, 1,
                                   mirror_.data() + size_t(y) * width_ + size_t(changed.left));
            D3D9Counters().texelsConverted += uint64_t(width) * uint64_t(std::max(changed.bottom - changed.top, 0));
        } else {
            mirror_.resize(count);
            ConvertImageToArgb(format_, std::as_const(*this).Bits(), pitch_, width_, height_, mirror_.data());
            D3D9Counters().texelsConverted += count;
        }
        mirrorVersion_ = version_;
    }
    *alphaOr = 0;
    *pitchPixels = width_;
    return mirror_.data();
}

}  // namespace host
