#include "host/d3d9/raster/deferred_rows.h"

#include <algorithm>
#include <bit>

#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/resources/resources.h"

namespace host {

DeferredRows::DeferredRows(uint32_t width, uint32_t height) : width_(int(width)), height_(int(height)) {
    while ((int64_t(64) << shift_) < width_) ++shift_;
    lastChunk_ = std::max(0, width_ - 1) >> shift_;
    words_ = (height_ + 63) / 64;
    masks_.assign(size_t(lastChunk_ + 1) * size_t(words_), 0);
}

namespace {

// Bits lo..hi of a word (0 <= lo, hi <= 63); none for lo > hi.
uint64_t BitRange(int lo, int hi) {
    if (lo > hi) return 0;
    const uint64_t upTo = hi >= 63 ? ~uint64_t(0) : (uint64_t(1) << (hi + 1)) - 1;
    return upTo & ~((uint64_t(1) << lo) - 1);
}

// The bits of rows y0..y1 in word w.
uint64_t RowBits(int w, int y0, int y1) { return BitRange(std::max(y0 - 64 * w, 0), std::min(y1 - 64 * w, 63)); }

}  // namespace

void DeferredRows::SetWhole(RowSource source) {
    source_ = std::move(source);
    std::fill(masks_.begin(), masks_.end(), 0);
    pendingWords_ = 0;
    Mark(0, lastChunk_, 0, height_ - 1);
    whole_ = true;
}

void DeferredRows::Drop() {
    std::fill(masks_.begin(), masks_.end(), 0);
    pendingWords_ = 0;
    whole_ = false;
}

void DeferredRows::Mark(int first, int last, int y0, int y1) {
    for (int c = first; c <= last; ++c)
        for (int w = y0 >> 6; w <= y1 >> 6; ++w) {
            uint64_t& word = Word(c, w);
            pendingWords_ += word == 0 ? 1 : 0;
            word |= RowBits(w, y0, y1);
        }
}

template <class WriteFn>
void DeferredRows::Resolve(int first, int last, int y0, int y1, WriteFn write) {
    if (pendingWords_ == 0 || first > last) return;
    for (int c = first; c <= last; ++c)
        for (int w = y0 >> 6; w <= y1 >> 6; ++w) {
            uint64_t& word = Word(c, w);
            uint64_t hit = word & RowBits(w, y0, y1);
            if (hit == 0) continue;
            whole_ = false;
            word &= ~hit;
            pendingWords_ -= word == 0 ? 1 : 0;
            for (; hit != 0; hit &= hit - 1) write(64 * w + std::countr_zero(hit), c << shift_, ChunkEnd(c));
        }
}

void DeferredRows::WholeChunks(int x0, int x1, int* first, int* last) const {
    *first = (x0 + (1 << shift_) - 1) >> shift_;
    *last = x1 == width_ - 1 ? lastChunk_ : ((x1 + 1) >> shift_) - 1;
}

void DeferredRows::WriteRun(uint32_t* row, int y, int x0, int x1) const {
    uint32_t* to = row + x0;
    const size_t n = size_t(x1 - x0 + 1);
    const uint32_t andBits = source_.andBits, orBits = source_.orBits;
    const uint32_t* from = nullptr;
    switch (source_.kind) {
        case RowSource::Kind::Fill: std::fill_n(to, n, orBits); return;
        case RowSource::Kind::Texels: {
            const int64_t texelRow = (source_.row + int64_t(y) * source_.rowStep) >> 32;
            from = reinterpret_cast<const uint32_t*>(source_.texels->data() + size_t(texelRow) * source_.pitch) +
                   (source_.column + x0);
            break;
        }
    }
    for (size_t i = 0; i < n; ++i) to[i] = (from[i] & andBits) | orBits;
}

void DeferredRows::Write(uint8_t* pixels, size_t pitch, int x0, int x1, int y0, int y1) {
    Resolve(FirstChunk(x0), FirstChunk(x1), y0, y1, [&](int y, int from, int to) {
        WriteRun(reinterpret_cast<uint32_t*>(pixels + size_t(y) * pitch), y, from, to);
    });
}

void DeferredRows::Take(uint8_t* pixels, size_t pitch, int x0, int x1, int y0, int y1) {
    // The chunks covered in part are written; those covered whole are left to the caller.
    int first, last;
    WholeChunks(x0, x1, &first, &last);
    if (first > last) {
        Write(pixels, pitch, x0, x1, y0, y1);
        return;
    }
    Write(pixels, pitch, x0, std::min(x1, (first << shift_) - 1), y0, y1);
    if (x1 > ChunkEnd(last)) Write(pixels, pitch, ChunkEnd(last) + 1, x1, y0, y1);
    Resolve(first, last, y0, y1, [](int, int, int) {});
}

void DeferredRows::WriteAll(uint8_t* pixels, size_t pitch) {
    if (!Pending()) return;
    // Row by row, so that neighbouring chunks are written as one run.
    for (int y = 0; y < height_ && pendingWords_ > 0; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(pixels + size_t(y) * pitch);
        for (int c = 0; c <= lastChunk_;) {
            if (!IsPending(c, y)) {
                ++c;
                continue;
            }
            int end = c;
            while (end < lastChunk_ && IsPending(end + 1, y)) ++end;
            WriteRun(row, y, c << shift_, ChunkEnd(end));
            Resolve(c, end, y, y, [](int, int, int) {});
            c = end + 1;
        }
    }
}

void DeferredRows::PendingBounds(int* x0, int* x1, int* y0, int* y1) const {
    *x0 = width_, *x1 = -1, *y0 = height_, *y1 = -1;
    for (int c = 0; c <= lastChunk_ && pendingWords_ > 0; ++c)
        for (int w = 0; w < words_; ++w) {
            const uint64_t word = masks_[size_t(c) * size_t(words_) + size_t(w)];
            if (word == 0) continue;
            *x0 = std::min(*x0, c << shift_), *x1 = std::max(*x1, ChunkEnd(c));
            *y0 = std::min(*y0, 64 * w + std::countr_zero(word));
            *y1 = std::max(*y1, 64 * w + 63 - std::countl_zero(word));
        }
}

void DeferredRows::Fill(uint8_t* pixels, size_t pitch, int x0, int x1, int y0, int y1, uint32_t value) {
    source_.kind = RowSource::Kind::Fill;
    source_.orBits = value;
    int first, last;
    WholeChunks(x0, x1, &first, &last);
    // The columns outside the whole chunks are written now, unless their chunk is pending
    // already (with this value, so the fill changes nothing there).
    auto fillOutside = [&](int from, int to) {
        for (int y = y0; y <= y1; ++y) {
            auto* line = reinterpret_cast<uint32_t*>(pixels + size_t(y) * pitch);
            for (int x = from; x <= to; ++x)
                if (!IsPending(FirstChunk(x), y)) line[x] = value;
        }
    };
    if (first > last) {
        fillOutside(x0, x1);
        return;
    }
    fillOutside(x0, std::min(x1, (first << shift_) - 1));
    fillOutside(std::max(x0, ChunkEnd(last) + 1), x1);
    Mark(first, last, y0, y1);
}

// ---------------------------------------------------------------------------------------
// A surface's pending pixels

Surface::~Surface() { DropDeferred(); }

bool Surface::CanDefer() const {
    return !isDepth_ && samples_ == 1 && !locked_ && FormatRowBytes(format_, 1) == 4 && !IsCompressedFormat(format_);
}

void Surface::Settle() const {
    if (!deferred_->Pending()) deferred_->ForgetSource();
}

void Surface::DropDeferred() {
    if (!deferred_) return;
    deferred_->Drop();
    Settle();
}

void Surface::WriteDeferred() const {
    int x0, x1, y0, y1;
    deferred_->PendingBounds(&x0, &x1, &y0, &y1);
    Own(RECT{x0, y0, x1 + 1, y1 + 1});
    deferred_->WriteAll(store_->data(), pitch_);
    Settle();
}

void Surface::PrepareDeferred(int x0, int x1, int y0, int y1, bool overwrite) {
    int from = x0, to = x1;
    deferred_->WidenToChunks(&from, &to);
    Own(RECT{from, y0, to + 1, y1 + 1});
    if (overwrite) deferred_->Take(store_->data(), pitch_, x0, x1, y0, y1);
    else deferred_->Write(store_->data(), pitch_, x0, x1, y0, y1);
    Settle();
}

void Surface::FillRectLater(const RECT& r, uint32_t pixel) {
    // A fill pending over the whole surface or by parts with another source is written
    // first: the parts of one surface come from one source.
    WritePendingFill();
    if (!deferred_) deferred_ = std::make_unique<DeferredRows>(width_, height_);
    const RowSource& s = deferred_->Source();
    if (deferred_->Pending() && (s.kind != RowSource::Kind::Fill || s.orBits != pixel)) WriteDeferred();
    // Every pixel of r is written now or left pending from the fill: none is read.
    Own(r, true);
    deferred_->Fill(store_->data(), pitch_, r.left, r.right - 1, r.top, r.bottom - 1, pixel);
}

void Surface::CopyLater(const Surface& from, int64_t column, int64_t row, int64_t rowStep, uint32_t andBits,
                        uint32_t orBits) {
    from.WritePending();
    fillPending_ = false;
    if (!deferred_) deferred_ = std::make_unique<DeferredRows>(width_, height_);
    DropDeferred();
    RowSource s;
    s.kind = RowSource::Kind::Texels;
    s.andBits = andBits;
    s.orBits = orBits;
    s.texels = from.store_;
    s.pitch = from.pitch_;
    s.column = column;
    s.row = row;
    s.rowStep = rowStep;
    deferred_->SetWhole(std::move(s));
}

const uint8_t* Surface::ShownRows(size_t* pitch, std::shared_ptr<const void>* keep) const {
    if (fillPending_ || !deferred_ || !deferred_->Whole()) return nullptr;
    const RowSource& s = deferred_->Source();
    if (s.kind != RowSource::Kind::Texels || (s.andBits & 0xFFFFFFu) != 0xFFFFFFu || (s.orBits & 0xFFFFFFu) != 0)
        return nullptr;
    // The rows follow one another when the first and the last do: the row grows by 0 or
    // 1 at each step of less than two.
    constexpr int64_t kOne = int64_t(1) << 32;
    const int64_t first = s.row >> 32, last = (s.row + int64_t(height_ - 1) * s.rowStep) >> 32;
    if (s.rowStep <= 0 || s.rowStep >= 2 * kOne || last - first != int64_t(height_) - 1) return nullptr;
    *pitch = s.pitch;
    *keep = s.texels;
    return s.texels->data() + size_t(first) * s.pitch + size_t(s.column) * 4;
}

}  // namespace host
