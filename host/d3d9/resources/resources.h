// The device's resources: reference-counted surfaces, textures and buffers with the
// platform's Lock/Unlock rules (who may be locked, one lock at a time, read-only locks).
#pragma once
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/d3d9/device/d3d9_types.h"
#include "host/d3d9/raster/deferred_rows.h"
#include "host/d3d9/resources/pixel_store.h"

namespace host {

// Shared between a device and everything it made, so a resource may outlive its device.
struct DeviceCore {
    std::atomic<int> defaultPoolResources{0};
};

class Unknown {
public:
    Unknown() = default;
    Unknown(const Unknown&) = delete;
    Unknown& operator=(const Unknown&) = delete;
    virtual ~Unknown() = default;
    virtual ULONG AddRef();
    virtual ULONG Release();

private:
    std::atomic<ULONG> refs_{1};
};

class Resource : public Unknown {
public:
    // `counted` resources of the default pool keep Reset from succeeding while alive.
    Resource(std::shared_ptr<DeviceCore> core, D3DPOOL pool, DWORD usage, bool counted);
    ~Resource() override;
    D3DPOOL Pool() const { return pool_; }
    DWORD Usage() const { return usage_; }

private:
    std::shared_ptr<DeviceCore> core_;
    D3DPOOL pool_;
    DWORD usage_;
    bool counted_;
};

// What a texture stage holds: a 2D, cube or volume texture.
class BaseTexture : public Resource {
public:
    BaseTexture(std::shared_ptr<DeviceCore> core, D3DPOOL pool, DWORD usage)
        : Resource(std::move(core), pool, usage, true) {}
    virtual D3DRESOURCETYPE GetType() const = 0;
    virtual uint32_t GetLevelCount() const = 0;
};

// A 2D array of pixels. Depth surfaces keep one float per pixel instead of bytes.
// A block of texels a rectangle reads in step: `rows` rows, the first at texel row
// firstRow >> 32 and each rowStep further down (32 fraction bits), columns column to
// column + count - 1 of each.
struct TexelBlock {
    int64_t firstRow = 0, rowStep = 0, column = 0;
    int32_t count = 0, rows = 0;
    bool operator==(const TexelBlock&) const = default;
};
// Rows top..bottom of a block (0 for its first) whose texels lie alike, in the block's
// columns (0 for its first): texels show (alpha not 0) in from..to alone, from > to where
// none does; within from..to the texels whose alpha is not 255 lie in mixedFrom..mixedTo
// (mixedFrom > mixedTo where there are none), and `clearMiddle` tells that all of those
// have alpha 0 (a frame's window).
struct TexelBand {
    int32_t top = 0, bottom = -1, from = 0, to = -1, mixedFrom = 0, mixedTo = -1;
    bool clearMiddle = false;
    bool SameColumns(const TexelBand& o) const {
        return from == o.from && to == o.to && mixedFrom == o.mixedFrom && mixedTo == o.mixedTo &&
               clearMiddle == o.clearMiddle;
    }
};
// The rows top..bottom of a block and the columns from..to that hold every texel of
// interest (top > bottom where none is), and the block's rows as a few bands, top to
// bottom (bandCount 0 where more would be needed).
struct TexelBounds {
    static constexpr int kMaxBands = 4;
    int32_t top = 0, bottom = -1, from = 0, to = -1;
    int32_t bandCount = 0;
    TexelBand bands[kMaxBands];
};

class Surface : public Resource {
public:
    // A multisampled surface (render targets and depth-stencil surfaces) keeps one plane
    // of pixels, depth and stencil per sample, one after another.
    Surface(std::shared_ptr<DeviceCore> core, D3DFORMAT format, uint32_t width, uint32_t height,
            D3DPOOL pool, DWORD usage, bool lockable, bool counted, BaseTexture* container,
            D3DMULTISAMPLE_TYPE multiSample = D3DMULTISAMPLE_NONE, DWORD quality = 0);

    ~Surface() override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect();
    HRESULT GetDesc(D3DSURFACE_DESC* desc) const;

    // For the device's own use.
    D3DFORMAT Format() const { return format_; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    size_t Pitch() const { return pitch_; }
    uint32_t Samples() const { return samples_; }
    D3DMULTISAMPLE_TYPE MultiSampleType() const { return multiSample_; }
    // The pixels to write: a store shared with another surface is left to it first (after
    // a pending fill, which overwrites every pixel, so none is copied only to be filled).
    uint8_t* Bits() {
        WritePending();
        Own(WholeRect());
        return store_->data();
    }
    // The pixels to read, shared or not.
    const uint8_t* Bits() const {
        WritePending();
        return store_->data();
    }
    // Takes the pixels of `source`, a surface of the same format, size and samples, by
    // sharing its store until either writes (UpdateTexture uploads a whole texture this
    // way: the system-memory copy and the texture it fills then cost the memory of one).
    // A store another holder keeps never changes: a surface about to write to it moves
    // to a store of its own (a render target to the one it left before, once nobody else
    // holds that, brought up to date where the two may differ).
    void SharePixels(const Surface& source);
    // Fills a surface of 4-byte pixels (its row padding too) with one pixel. The pixels are
    // written when next read or drawn on, so a frame cleared and presented without a
    // draw is never written at all; the caller marks the change with Touch().
    void FillLater(uint32_t pixel) {
        DropDeferred();
        pendingPixel_ = pixel;
        fillPending_ = true;
    }
    // The pixel every pixel holds while a fill waits; false when the pixels are written.
    bool PendingFill(uint32_t* pixel) const {
        *pixel = pendingPixel_;
        return fillPending_;
    }
    // Writes left pending by parts (4-byte surfaces of one sample, not locked): see
    // deferred_rows.h. A fill of rectangle r, pending where it covers whole chunks.
    bool CanDefer() const;
    void FillRectLater(const RECT& r, uint32_t pixel);
    // The whole surface a copy of texels of `from` (a 32-bit surface of 8-bit channels):
    // pixel (x, y) is (t & andBits) | orBits of the texel t at column `column` + x of row
    // (row + y * rowStep) >> 32 of `from` as it is now, until the pixels are needed. The
    // texels are read from `from`'s store, which then stays as it is.
    void CopyLater(const Surface& from, int64_t column, int64_t row, int64_t rowStep, uint32_t andBits,
                   uint32_t orBits);
    // The pixels for a draw that prepares what it touches and writes inside `clip`
    // alone: pending parts stay pending.
    uint8_t* DrawBits(const RECT& clip) {
        WritePendingFill();
        Own(clip);
        return store_->data();
    }
    // Before a draw touches pixels x0..x1 of rows y0..y1: `overwrite` when it writes every
    // one of them without reading it.
    void PrepareDraw(int x0, int x1, int y0, int y1, bool overwrite) {
        if (deferred_ && deferred_->Pending()) PrepareDeferred(x0, x1, y0, y1, overwrite);
    }
    // Rows to show in place of the pixels while all of them are pending from rows of
    // 32-bit pixels whose low 24 bits are theirs (another surface's texels row after
    // row), `pitch` bytes apart, and `keep`, which holds them unchanged while it lives;
    // null otherwise.
    const uint8_t* ShownRows(size_t* pitch, std::shared_ptr<const void>* keep) const;
    // The pixels to show, written out, and `keep`, which holds them unchanged while it
    // lives: a write moves the surface to another store first. Unlocked surfaces only
    // (writes through a lock's pointer would reach the pixels held); `keep` stays empty
    // otherwise.
    const uint8_t* ShownBits(std::shared_ptr<const void>* keep) const {
        const uint8_t* bits = Bits();
        if (!locked_) *keep = store_;
        return bits;
    }
    float* Depth() {
        FillPendingDepth();
        return DepthValues();
    }
    // Sets the depth values of a rectangle; they are written when the buffer is next read,
    // since 2D drawing clears it every frame without ever testing against it.
    void ClearDepth(const RECT& r, float z) {
        const RECT& p = depthClearRect_;
        const bool covers = r.left <= p.left && r.top <= p.top && r.right >= p.right && r.bottom >= p.bottom;
        if (!covers) FillPendingDepth();
        depthClearRect_ = r;
        depthClear_ = z;
    }
    // A depth-stencil surface's stencil values, one byte a pixel and Width() a row; null
    // when its format has no stencil bits.
    uint8_t* Stencil() { return stencil_.empty() ? nullptr : stencil_.data(); }
    void ClearStencil(const RECT& r, uint8_t value);
    bool IsLocked() const { return locked_; }
    bool IsRenderTarget() const { return (Usage() & D3DUSAGE_RENDERTARGET) != 0; }
    BaseTexture* Container() const { return container_; }
    // Marks the pixels as changed (cached 32-bit copies are rebuilt on next use).
    void Touch() { version_ = NewVersion(); }
    // Takes the pixels of `source`, a surface of the same format and size: by sharing its
    // store, or, when this surface was last filled from `source` and has not changed since,
    // by copying only the part `source` changed (UpdateTexture of a texture written by parts).
    void UpdateFrom(const Surface& source);
    // The pixels as 0xAARRGGBB, width x height, tightly packed; null for depth surfaces.
    // 32-bit ARGB surfaces are read in place (alpha forced by `alphaOr`).
    const uint32_t* ArgbView(uint32_t* alphaOr, size_t* pitchPixels);
    // Where the texels whose alpha in ArgbView is not 0, and those whose alpha is not
    // 255, lie in a block a rectangle reads; remembered for the blocks drawn last until
    // the pixels change (the answer holds until the next call on the thread).
    const TexelBounds& AlphaBounds(const TexelBlock& block);

private:
    // The same-format copy writes a rectangle alone and marks it so.
    friend void CopySameFormat(const Surface* src, const RECT& r, Surface* dst, int32_t dx, int32_t dy);
    // Marks the pixels inside `r` alone as changed: the 32-bit copy, and a texture filled
    // from this surface, are brought up to date in that part only.
    void TouchRect(const RECT& r);
    // True when no pixel outside `*r` changed since `version` (a version this surface
    // had; `*r` empty: none changed); false when that is not known.
    bool ChangedOnlyIn(uint64_t version, RECT* r) const;
    RECT WholeRect() const { return RECT{0, 0, int32_t(width_), int32_t(height_)}; }
    // Before pixels inside `writes` are written (`overwrites`: every one of them, none
    // read first). Const: the pixels already hold what is pending in every observable
    // way; writing it out changes nothing a caller sees.
    void Own(const RECT& writes, bool overwrites = false) const {
        if (store_.use_count() > 1) LeaveSharedStore(overwrites ? writes : RECT{});
        if (spare_) drift_ = Union(drift_, writes);
    }
    // Moves to a store of its own, the same pixels but those in `skip` (to be overwritten).
    void LeaveSharedStore(const RECT& skip) const;
    static RECT Union(const RECT& a, const RECT& b) {
        if (a.left >= a.right || a.top >= a.bottom) return b;
        if (b.left >= b.right || b.top >= b.bottom) return a;
        return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                    std::max(a.bottom, b.bottom)};
    }
    void WritePendingFill() const {
        if (!fillPending_) return;
        Own(WholeRect(), true);
        fillPending_ = false;
        std::fill_n(reinterpret_cast<uint32_t*>(store_->data()), store_->size() / 4, pendingPixel_);
    }
    void WritePending() const {
        WritePendingFill();
        if (deferred_ && deferred_->Pending()) WriteDeferred();
    }
    void WriteDeferred() const;
    void PrepareDeferred(int x0, int x1, int y0, int y1, bool overwrite);
    // After a change of the pending pixels: with none left, the source is let go.
    void Settle() const;
    void DropDeferred();
    // Depth values are made when first read or partly cleared: 2D drawing clears the
    // whole buffer every frame and never tests against it, so it never needs them.
    float* DepthValues() {
        if (depth_.empty()) depth_.assign(size_t(width_) * height_ * samples_, 1.0f);
        return depth_.data();
    }
    void FillPendingDepth() {
        const RECT& r = depthClearRect_;
        if (r.left >= r.right || r.top >= r.bottom) return;
        float* depth = DepthValues();
        for (uint32_t k = 0; k < samples_; ++k)
            for (int32_t y = r.top; y < r.bottom; ++y)
                std::fill_n(depth + (size_t(k) * height_ + size_t(y)) * width_ + size_t(r.left),
                            size_t(r.right - r.left), depthClear_);
        depthClearRect_ = RECT{};
    }

    D3DFORMAT format_;
    uint32_t width_, height_;
    D3DMULTISAMPLE_TYPE multiSample_;
    DWORD quality_;
    uint32_t samples_;
    size_t pitch_;
    bool lockable_;
    bool locked_ = false;
    bool readOnlyLock_ = false;
    BaseTexture* container_;
    bool isDepth_;
    // Shared with other surfaces after SharePixels, and held by those whose pending
    // pixels are its texels; empty for depth surfaces.
    mutable std::shared_ptr<PixelStore> store_;
    // The store a render target left while others held it, equal to store_ but within
    // drift_ (where store_ was written since); taken back once nobody else holds it, so
    // a screen drawn, copied and shown every frame alternates between two stores.
    mutable std::shared_ptr<PixelStore> spare_;
    mutable RECT drift_{};
    mutable bool fillPending_ = false;
    uint32_t pendingPixel_ = 0;
    // Pixels pending by parts (made on first use).
    std::unique_ptr<DeferredRows> deferred_;
    std::vector<float> depth_;
    std::vector<uint8_t> stencil_;
    RECT depthClearRect_{};  // empty when no clear is waiting
    float depthClear_ = 1.0f;
    // Numbered from one count for all surfaces, so that a version names one surface's
    // pixels as they were (the blocks' bounds are remembered for all surfaces together).
    static uint64_t NewVersion();
    uint64_t version_ = NewVersion();
    // The latest changes made by rectangles, oldest first, each from one version to the
    // next (a whole change breaks the chain); when full, the two oldest become one.
    struct RectChange { uint64_t before = 0, after = 0; RECT rect{}; };
    static constexpr int kRectChanges = 8;
    std::array<RectChange, kRectChanges> changes_{};
    int changeCount_ = 0;
    RECT lockRect_{};
    // The surface this one was last filled from, its version then, and this one's after.
    const Surface* fedFrom_ = nullptr;
    uint64_t fedSourceVersion_ = 0, fedVersion_ = 0;
    uint64_t mirrorVersion_ = 0;
    std::vector<uint32_t> mirror_;
    // Per row, the first and last column whose alpha is not 0 (first -2 until found), the
    // first and last between them whose alpha is not 255, and whether those between
    // these two all have alpha 0.
    struct RowTexels {
        int32_t first = -2, last = -1, mixedFirst = 0, mixedLast = -1;
        bool clearMiddle = false;
    };
    uint64_t alphaVersion_ = 0;
    std::vector<RowTexels> rowTexels_;
    const RowTexels& RowTexelsOf(uint32_t row);
};

// Copies rectangle `r` of `src` to (dx, dy) of `dst`, a surface of the same format (whole
// blocks for compressed formats), and marks that part of `dst` alone as changed.
void CopySameFormat(const Surface* src, const RECT& r, Surface* dst, int32_t dx, int32_t dy);

// Appends the chain of `levels` surfaces of a texture, halving each side down to 1.
void AppendLevelChain(const std::shared_ptr<DeviceCore>& core, uint32_t width, uint32_t height, uint32_t levels,
                      DWORD usage, D3DFORMAT format, D3DPOOL pool, BaseTexture* container,
                      std::vector<std::unique_ptr<Surface>>* out);

class Texture : public BaseTexture {
public:
    Texture(std::shared_ptr<DeviceCore> core, uint32_t width, uint32_t height, uint32_t levels,
            DWORD usage, D3DFORMAT format, D3DPOOL pool);

    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_TEXTURE; }
    uint32_t GetLevelCount() const override { return uint32_t(levels_.size()); }
    HRESULT GetLevelDesc(uint32_t level, D3DSURFACE_DESC* desc) const;
    HRESULT GetSurfaceLevel(uint32_t level, Surface** surface);
    HRESULT LockRect(uint32_t level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(uint32_t level);

    Surface* Level(uint32_t level) const { return levels_[level].get(); }
    D3DFORMAT Format() const { return levels_[0]->Format(); }

    // Full chain length for a size.
    static uint32_t FullLevelCount(uint32_t width, uint32_t height);

private:
    std::vector<std::unique_ptr<Surface>> levels_;
};

// Vertex and index buffers: plain bytes with a whole-or-part lock.
class Buffer : public Resource {
public:
    Buffer(std::shared_ptr<DeviceCore> core, uint32_t length, DWORD usage, D3DPOOL pool);
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, DWORD flags);
    HRESULT Unlock();
    const uint8_t* Bytes() const { return bytes_.data(); }
    uint32_t Length() const { return uint32_t(bytes_.size()); }
    bool IsLocked() const { return locked_; }

private:
    std::vector<uint8_t> bytes_;
    bool locked_ = false;
};

class VertexBuffer : public Buffer {
public:
    VertexBuffer(std::shared_ptr<DeviceCore> core, uint32_t length, DWORD usage, DWORD fvf, D3DPOOL pool)
        : Buffer(std::move(core), length, usage, pool), fvf_(fvf) {}
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) const;

private:
    DWORD fvf_;
};

class IndexBuffer : public Buffer {
public:
    IndexBuffer(std::shared_ptr<DeviceCore> core, uint32_t length, DWORD usage, D3DFORMAT format,
                D3DPOOL pool)
        : Buffer(std::move(core), length, usage, pool), format_(format) {}
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) const;
    D3DFORMAT Format() const { return format_; }

private:
    D3DFORMAT format_;
};

// Swaps a held reference for another, as the device does for bound objects.
template <class T>
void ReplaceRef(T*& slot, T* value) {
    if (value) value->AddRef();
    if (slot) slot->Release();
    slot = value;
}

}  // namespace host
