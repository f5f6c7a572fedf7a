#include "host/d3d9/resources/resources.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "host/d3d9/raster/multisample.h"
#include "host/d3d9/resources/pixel_format.h"

namespace host {

ULONG Unknown::AddRef() { return ++refs_; }

ULONG Unknown::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

Resource::Resource(std::shared_ptr<DeviceCore> core, D3DPOOL pool, DWORD usage, bool counted)
    : core_(std::move(core)), pool_(pool), usage_(usage), counted_(counted && pool == D3DPOOL_DEFAULT) {
    if (counted_ && core_) ++core_->defaultPoolResources;
}

Resource::~Resource() {
    if (counted_ && core_) --core_->defaultPoolResources;
}

// ---------------------------------------------------------------------------------------
// Surface

namespace {
// Rows a multiple of 2048 bytes apart share the level-1 cache's sets, so a rectangle's
// rows evict one another while it is drawn; 64 bytes more spread them over the sets.
size_t PaddedPitch(size_t rowBytes) {
    size_t p = (rowBytes + 3) & ~size_t(3);
    if (p >= 2048 && p % 2048 == 0) p += 64;
    return p;
}
}  // namespace

Surface::Surface(std::shared_ptr<DeviceCore> core, D3DFORMAT format, uint32_t width, uint32_t height,
                 D3DPOOL pool, DWORD usage, bool lockable, bool counted, BaseTexture* container,
                 D3DMULTISAMPLE_TYPE multiSample, DWORD quality)
    : Resource(std::move(core), pool, usage, counted && !container),
      format_(format), width_(width), height_(height), multiSample_(multiSample), quality_(quality),
      samples_(std::max(1u, SampleCount(multiSample, quality))),
      pitch_(PaddedPitch(FormatRowBytes(format, width))),
      lockable_(lockable), container_(container), isDepth_(IsDepthFormat(format)),
      store_(std::make_shared<PixelStore>()) {
    if (isDepth_) {
        if (StencilBits(format) > 0) stencil_.assign(size_t(width) * height * samples_, 0);
        pitch_ = 0;
    } else {
        store_->assign(pitch_ * FormatRowCount(format, height) * samples_, 0);
    }
}

void Surface::SharePixels(const Surface& source) {
    source.WritePending();
    DropDeferred();
    store_ = source.store_;
    spare_.reset();
    fillPending_ = false;
    Touch();
}

namespace {

// Calls part(r) for the pieces of rectangle a outside rectangle cut (at most four).
template <class Part>
void ForEachPieceOutside(const RECT& a, const RECT& cut, Part part) {
    if (a.left >= a.right || a.top >= a.bottom) return;
    const RECT c{std::clamp(cut.left, a.left, a.right), std::clamp(cut.top, a.top, a.bottom),
                 std::clamp(cut.right, a.left, a.right), std::clamp(cut.bottom, a.top, a.bottom)};
    if (c.left >= c.right || c.top >= c.bottom) return part(a);
    if (a.top < c.top) part(RECT{a.left, a.top, a.right, c.top});
    if (c.bottom < a.bottom) part(RECT{a.left, c.bottom, a.right, a.bottom});
    if (a.left < c.left) part(RECT{a.left, c.top, c.left, c.bottom});
    if (c.right < a.right) part(RECT{c.right, c.top, a.right, c.bottom});
}

}  // namespace

void Surface::LeaveSharedStore(const RECT& skip) const {
    const RECT whole = WholeRect();
    const bool skipsAll = skip.left <= 0 && skip.top <= 0 && skip.right >= whole.right && skip.bottom >= whole.bottom;
    // A render target is drawn again and again: it keeps the store it leaves, to come back
    // to once the others let go of it (a block format or samples would need other rows).
    const bool keepsSpare = IsRenderTarget() && samples_ == 1 && !IsCompressedFormat(format_);
    std::shared_ptr<PixelStore> next;
    if (keepsSpare && spare_ && spare_.use_count() == 1) {
        next = std::move(spare_);
        const size_t bytes = FormatRowBytes(format_, 1);
        ForEachPieceOutside(drift_, skip, [&](const RECT& r) {
            for (int32_t y = r.top; y < r.bottom; ++y) {
                const size_t at = size_t(y) * pitch_ + size_t(r.left) * bytes;
                std::memcpy(next->data() + at, store_->data() + at, size_t(r.right - r.left) * bytes);
            }
        });
    } else {
        next = skipsAll ? std::make_shared<PixelStore>(store_->size())
                        : std::make_shared<PixelStore>(*store_);
    }
    spare_ = keepsSpare ? std::move(store_) : nullptr;
    store_ = std::move(next);
    drift_ = RECT{};
}

ULONG Surface::AddRef() {
    return container_ ? static_cast<Unknown*>(container_)->AddRef() : Unknown::AddRef();
}

ULONG Surface::Release() {
    return container_ ? static_cast<Unknown*>(container_)->Release() : Unknown::Release();
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (!locked || !lockable_ || locked_ || isDepth_) return D3DERR_INVALIDCALL;
    RECT r{0, 0, int32_t(width_), int32_t(height_)};
    if (rect) r = *rect;
    if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom || r.right > int32_t(width_) ||
        r.bottom > int32_t(height_))
        return D3DERR_INVALIDCALL;
    const PixelFormatInfo* f = FindPixelFormat(format_);
    size_t offset;
    if (f->compressed) {
        auto aligned = [](int32_t v, uint32_t edge) { return v % 4 == 0 || uint32_t(v) == edge; };
        if (r.left % 4 || r.top % 4 || !aligned(r.right, width_) || !aligned(r.bottom, height_))
            return D3DERR_INVALIDCALL;
        offset = size_t(r.top / 4) * pitch_ + size_t(r.left / 4) * size_t(f->bytes);
    } else {
        offset = size_t(r.top) * pitch_ + size_t(r.left) * size_t(f->bytes);
    }
    readOnlyLock_ = (flags & D3DLOCK_READONLY) != 0;
    // A read-only lock leaves a shared store shared.
    locked->pBits = (readOnlyLock_ ? const_cast<uint8_t*>(std::as_const(*this).Bits()) : Bits()) + offset;
    locked->Pitch = int32_t(pitch_);
    locked_ = true;
    lockRect_ = r;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (!readOnlyLock_) TouchRect(lockRect_);
    return D3D_OK;
}

void Surface::ClearStencil(const RECT& r, uint8_t value) {
    for (uint32_t k = 0; k < samples_; ++k)
        for (int32_t y = r.top; y < r.bottom; ++y)
            std::fill_n(stencil_.data() + (size_t(k) * height_ + size_t(y)) * width_ + size_t(r.left),
                        size_t(r.right - r.left), value);
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = Usage();
    desc->Pool = Pool();
    desc->MultiSampleType = multiSample_;
    desc->MultiSampleQuality = quality_;
    desc->Width = width_;
    desc->Height = height_;
    return D3D_OK;
}

const Surface::RowTexels& Surface::RowTexelsOf(uint32_t row) {
    RowTexels& r = rowTexels_[row];
    if (r.first != -2) return r;
    uint32_t alphaOr = 0;
    size_t pitch = 0;
    const uint32_t* texels = ArgbView(&alphaOr, &pitch);
    int32_t first = 0, last = int32_t(width_) - 1;
    if (!texels || alphaOr) {
        // Unread texels may be anything; forced alpha is 255 everywhere.
        r = texels ? RowTexels{first, last, 0, -1, false} : RowTexels{first, last, first, last, false};
        return r;
    }
    texels += size_t(row) * pitch;
    auto alpha = [&](int32_t x) { return texels[x] >> 24; };
    while (first <= last && alpha(first) == 0) ++first;
    while (last >= first && alpha(last) == 0) --last;
    int32_t mixedFirst = first, mixedLast = last;
    while (mixedFirst <= mixedLast && alpha(mixedFirst) == 255) ++mixedFirst;
    while (mixedLast >= mixedFirst && alpha(mixedLast) == 255) --mixedLast;
    bool clear = mixedFirst <= mixedLast;
    for (int32_t x = mixedFirst; clear && x <= mixedLast; ++x) clear = alpha(x) == 0;
    r = RowTexels{first, last, mixedFirst, mixedLast, clear};
    return r;
}

namespace {

// The bounds of the blocks drawn last, of every surface, by a hash of the block and the
// version of the pixels they were found in; one table per drawing thread.
struct BoundsEntry {
    TexelBlock block{};
    TexelBounds bounds{};
    uint64_t version = 0;
};

// Row k of a block, whose texels `r` describes, as a band of its own.
template <class Row>
TexelBand RowBand(const Row& r, const TexelBlock& block, int32_t k) {
    TexelBand b;
    b.top = b.bottom = k;
    const int64_t from = std::max<int64_t>(r.first - block.column, 0);
    const int64_t to = std::min<int64_t>(r.last - block.column, block.count - 1);
    if (from > to) return b;
    b.from = int32_t(from);
    b.to = int32_t(to);
    const int64_t mixedFrom = std::max<int64_t>(r.mixedFirst - block.column, from);
    const int64_t mixedTo = std::min<int64_t>(r.mixedLast - block.column, to);
    if (mixedFrom <= mixedTo) {
        b.mixedFrom = int32_t(mixedFrom);
        b.mixedTo = int32_t(mixedTo);
        b.clearMiddle = r.clearMiddle;
    }
    return b;
}

}  // namespace

uint64_t Surface::NewVersion() {
    static std::atomic<uint64_t> versions{0};
    return versions.fetch_add(1, std::memory_order_relaxed) + 1;
}

const TexelBounds& Surface::AlphaBounds(const TexelBlock& block) {
    // Enough for a map's tiles, the sprites and the text of a frame.
    constexpr size_t kRemembered = 1024;
    thread_local std::vector<BoundsEntry> remembered(kRemembered);
    if (alphaVersion_ != version_) {
        // Rows are looked at only when a block first reaches them, and again only where a
        // change reached them: a texture whose pixels change between draws (a glyph cache)
        // costs only the rows drawn.
        RECT changed{};
        if (rowTexels_.size() == height_ && ChangedOnlyIn(alphaVersion_, &changed)) {
            if (changed.top < changed.bottom)
                std::fill(rowTexels_.begin() + changed.top, rowTexels_.begin() + changed.bottom, RowTexels{});
        } else {
            rowTexels_.assign(height_, RowTexels{});
        }
        alphaVersion_ = version_;
    }
    // Mixed well: the blocks of a sheet's cells differ in a few high bits of their rows
    // and low bits of their columns, and all share the fraction of their first row.
    uint64_t key = uint64_t(block.firstRow) ^ uint64_t(block.rowStep) * 0x9E3779B97F4A7C15u ^
                   uint64_t(block.column) * 0xC2B2AE3D27D4EB4Fu ^
                   (uint64_t(block.count) << 32 | uint32_t(block.rows)) ^ version_ * 0xD6E8FEB86659FD93u;
    key = (key ^ key >> 30) * 0xBF58476D1CE4E5B9u;
    key = (key ^ key >> 27) * 0x94D049BB133111EBu;
    BoundsEntry& entry = remembered[(key ^ key >> 31) % kRemembered];
    if (entry.version == version_ && entry.block == block) return entry.bounds;
    TexelBounds bounds;
    bounds.from = block.count;
    bounds.top = -1;
    for (int32_t k = 0; k < block.rows; ++k) {
        const TexelBand row = RowBand(RowTexelsOf(uint32_t((block.firstRow + int64_t(k) * block.rowStep) >> 32)), block, k);
        if (bounds.bandCount > 0 && bounds.bands[bounds.bandCount - 1].SameColumns(row)) {
            bounds.bands[bounds.bandCount - 1].bottom = k;
        } else if (bounds.bandCount >= 0) {
            // Past the last band the rows are no longer followed: bandCount -1 for now.
            bounds.bandCount = bounds.bandCount < TexelBounds::kMaxBands ? bounds.bandCount + 1 : -1;
            if (bounds.bandCount > 0) bounds.bands[bounds.bandCount - 1] = row;
        }
        if (row.from > row.to) continue;
        if (bounds.top < 0) bounds.top = k;
        bounds.bottom = k;
        bounds.from = std::min(bounds.from, row.from);
        bounds.to = std::max(bounds.to, row.to);
    }
    if (bounds.top < 0) bounds = TexelBounds{};
    bounds.bandCount = std::max(bounds.bandCount, 0);
    entry = BoundsEntry{block, bounds, version_};
    return entry.bounds;
}

// ---------------------------------------------------------------------------------------
// Texture

uint32_t Texture::FullLevelCount(uint32_t width, uint32_t height) {
    uint32_t levels = 1;
    while (width > 1 || height > 1) {
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        ++levels;
    }
    return levels;
}

void AppendLevelChain(const std::shared_ptr<DeviceCore>& core, uint32_t width, uint32_t height, uint32_t levels,
                      DWORD usage, D3DFORMAT format, D3DPOOL pool, BaseTexture* container,
                      std::vector<std::unique_ptr<Surface>>* out) {
    const bool lockable = pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC);
    for (uint32_t i = 0; i < levels; ++i) {
        out->push_back(std::make_unique<Surface>(core, format, width, height, pool, usage,
                                                 lockable && !(usage & D3DUSAGE_RENDERTARGET), false, container));
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
    }
}

Texture::Texture(std::shared_ptr<DeviceCore> core, uint32_t width, uint32_t height, uint32_t levels,
                 DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : BaseTexture(core, pool, usage) {
    AppendLevelChain(core, width, height, levels, usage, format, pool, this, &levels_);
}

HRESULT Texture::GetLevelDesc(uint32_t level, D3DSURFACE_DESC* desc) const {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->GetDesc(desc);
}

HRESULT Texture::GetSurfaceLevel(uint32_t level, Surface** surface) {
    if (!surface || level >= levels_.size()) return D3DERR_INVALIDCALL;
    *surface = levels_[level].get();
    (*surface)->AddRef();
    return D3D_OK;
}

HRESULT Texture::LockRect(uint32_t level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->LockRect(locked, rect, flags);
}

HRESULT Texture::UnlockRect(uint32_t level) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->UnlockRect();
}

// ---------------------------------------------------------------------------------------
// Buffers

Buffer::Buffer(std::shared_ptr<DeviceCore> core, uint32_t length, DWORD usage, D3DPOOL pool)
    : Resource(std::move(core), pool, usage, true), bytes_(length, 0) {}

HRESULT Buffer::Lock(uint32_t offset, uint32_t size, void** data, DWORD) {
    if (!data || locked_) return D3DERR_INVALIDCALL;
    if (offset == 0 && size == 0) size = Length();
    if (offset > Length() || size > Length() - offset) return D3DERR_INVALIDCALL;
    *data = bytes_.data() + offset;
    locked_ = true;
    return D3D_OK;
}

HRESULT Buffer::Unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = D3DFMT_UNKNOWN;
    desc->Type = D3DRTYPE_VERTEXBUFFER;
    desc->Usage = Usage();
    desc->Pool = Pool();
    desc->Size = Length();
    desc->FVF = fvf_;
    return D3D_OK;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Type = D3DRTYPE_INDEXBUFFER;
    desc->Usage = Usage();
    desc->Pool = Pool();
    desc->Size = Length();
    return D3D_OK;
}

}  // namespace host
