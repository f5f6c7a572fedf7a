#include "host/d3d9/deferred_rows.h"

#include <algorithm>
#include <bit>

#include "host/d3d9/pixel_format.h"
#include "host/d3d9/resources.h"

namespace host {

DeferredRows::DeferredRows(uint32_t width, uint32_t height) : width_(int(width)), height_(int(height)) {
    // At most 64 chunks a row, so that a row's mask is one word.
    while ((int64_t(64) << shift_) < width_) ++shift_;
    lastChunk_ = std::max(0, width_ - 1) >> shift_;
    rows_.assign(size_t(height_), 0);
}

uint64_t DeferredRows::ChunkRange(int first, int last) {
    if (first > last) return 0;
    const uint64_t upTo = last >= 63 ? ~uint64_t(0) : (uint64_t(1) << (last + 1)) - 1;
    return upTo & ~((uint64_t(1) << first) - 1);
}

void DeferredRows::SetWhole(RowSource source) {
    source_ = std::move(source);
    std::fill(rows_.begin(), rows_.end(), ChunkRange(0, lastChunk_));
    pendingRows_ = height_;
    whole_ = true;
}

void DeferredRows::Drop() {
    std::fill(rows_.begin(), rows_.end(), 0);
    pendingRows_ = 0;
    whole_ = false;
}

void DeferredRows::WriteRun(uint32_t* row, int y, int x0, int x1) const {
    uint32_t* to = row + x0;
    const size_t n = size_t(x1 - x0 + 1);
    const uint32_t andBits = source_.andBits, orBits = source_.orBits;
    const uint32_t* from = nullptr;
    switch (source_.kind) {
        case RowSource::Kind::Fill: std::fill_n(to, n, orBits); return;
        case RowSource::Kind::Texels: {
            const Surface& s = *source_.texels;
            const int64_t texelRow = (source_.row + int64_t(y) * source_.rowStep) >> 32;
            from = reinterpret_cast<const uint32_t*>(s.StoredPixels() + size_t(texelRow) * s.Pitch()) +
                   (source_.column + x0);
            break;
        }
        case RowSource::Kind::Picture: from = source_.picture->data() + size_t(y) * size_t(width_) + size_t(x0); break;
    }
    for (size_t i = 0; i < n; ++i) to[i] = (from[i] & andBits) | orBits;
}

void DeferredRows::WriteChunks(uint8_t* pixels, size_t pitch, int y, uint64_t chunks) {
    chunks &= rows_[size_t(y)];
    if (chunks == 0) return;
    Clear(y, chunks);
    auto* line = reinterpret_cast<uint32_t*>(pixels + size_t(y) * pitch);
    // Runs of neighbouring chunks are written as one.
    while (chunks != 0) {
        const int first = std::countr_zero(chunks);
        const int last = first + std::countr_one(chunks >> first) - 1;
        WriteRun(line, y, first << shift_, std::min(width_, (last + 1) << shift_) - 1);
        chunks &= ~ChunkRange(first, last);
    }
}

void DeferredRows::Write(uint8_t* pixels, size_t pitch, int x0, int x1, int y0, int y1) {
    const uint64_t chunks = ChunkRange(FirstChunk(x0), FirstChunk(x1));
    for (int y = y0; y <= y1 && pendingRows_ > 0; ++y)
        if (rows_[size_t(y)] & chunks) WriteChunks(pixels, pitch, y, chunks);
}

void DeferredRows::Take(uint8_t* pixels, size_t pitch, int x0, int x1, int y0, int y1) {
    // The chunks x0..x1 covers whole; the last chunk ends at the last column.
    const int first = (x0 + (1 << shift_) - 1) >> shift_;
    const int last = x1 == width_ - 1 ? lastChunk_ : ((x1 + 1) >> shift_) - 1;
    const uint64_t whole = ChunkRange(first, last);
    const uint64_t partial = ChunkRange(FirstChunk(x0), FirstChunk(x1)) & ~whole;
    for (int y = y0; y <= y1 && pendingRows_ > 0; ++y) {
        if (rows_[size_t(y)] & partial) WriteChunks(pixels, pitch, y, partial);
        Clear(y, whole);
    }
}

void DeferredRows::Fill(uint8_t* pixels, size_t pitch, int x0, int x1, int y0, int y1, uint32_t value) {
    source_.kind = RowSource::Kind::Fill;
    source_.orBits = value;
    const int first = (x0 + (1 << shift_) - 1) >> shift_;
    const int last = x1 == width_ - 1 ? lastChunk_ : ((x1 + 1) >> shift_) - 1;
    const uint64_t whole = ChunkRange(first, last);
    // The columns outside the whole chunks, which are written now unless their chunk is
    // pending already (with this value, so the fill changes nothing there).
    const int wholeFrom = first << shift_, wholeTo = std::min(width_, (last + 1) << shift_) - 1;
    for (int y = y0; y <= y1; ++y) {
        uint64_t& row = rows_[size_t(y)];
        auto* line = reinterpret_cast<uint32_t*>(pixels + size_t(y) * pitch);
        auto fillOutside = [&](int from, int to) {
            for (int x = from; x <= to; ++x)
                if (!(row >> FirstChunk(x) & 1)) line[x] = value;
        };
        if (whole == 0) {
            fillOutside(x0, x1);
            continue;
        }
        fillOutside(x0, std::min(x1, wholeFrom - 1));
        fillOutside(std::max(x0, wholeTo + 1), x1);
        if (row == 0) ++pendingRows_;
        row |= whole;
    }
}


// ---------------------------------------------------------------------------------------
// A surface's pending pixels

namespace {

bool EightBitChannels(D3DFORMAT f) { return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8; }

}  // namespace

Surface::~Surface() {
    if (reader_) LetReaderGo();
    DropDeferred();
}

bool Surface::CanDefer() const {
    return !isDepth_ && samples_ == 1 && !locked_ && FormatRowBytes(format_, 1) == 4 && !IsCompressedFormat(format_);
}

void Surface::LetReaderGo() const {
    Surface* reader = reader_;
    reader_ = nullptr;
    reader->WriteDeferred();
}

void Surface::Settle() const {
    if (deferred_->Pending()) return;
    const RowSource& s = deferred_->Source();
    if (s.kind == RowSource::Kind::Texels && s.texels->reader_ == this) s.texels->reader_ = nullptr;
    deferred_->ForgetSource();
}

void Surface::DropDeferred() {
    if (!deferred_) return;
    deferred_->Drop();
    Settle();
}

void Surface::WriteDeferred() const {
    Own();
    deferred_->WriteAll(store_->data(), pitch_);
    Settle();
}

void Surface::PrepareDeferred(int x0, int x1, int y0, int y1, bool overwrite) {
    Own();
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
    Own();
    deferred_->Fill(store_->data(), pitch_, r.left, r.right - 1, r.top, r.bottom - 1, pixel);
}

void Surface::CopyLater(const Surface& from, int64_t column, int64_t row, int64_t rowStep, uint32_t andBits,
                        uint32_t orBits) {
    from.WritePending();
    fillPending_ = false;
    if (!deferred_) deferred_ = std::make_unique<DeferredRows>(width_, height_);
    DropDeferred();
    // The texels' surface tells this one before its pixels change; another surface
    // reading them takes its pixels now.
    if (from.reader_) from.LetReaderGo();
    from.reader_ = this;
    RowSource s;
    s.kind = RowSource::Kind::Texels;
    s.andBits = andBits;
    s.orBits = orBits;
    s.texels = &from;
    s.column = column;
    s.row = row;
    s.rowStep = rowStep;
    deferred_->SetWhole(std::move(s));
}

const uint8_t* Surface::ShownRows(size_t* pitch) const {
    if (fillPending_ || !deferred_ || !deferred_->Whole()) return nullptr;
    const RowSource& s = deferred_->Source();
    if ((s.andBits & 0xFFFFFFu) != 0xFFFFFFu || (s.orBits & 0xFFFFFFu) != 0) return nullptr;
    if (s.kind == RowSource::Kind::Picture) {
        *pitch = size_t(width_) * 4;
        return reinterpret_cast<const uint8_t*>(s.picture->data());
    }
    if (s.kind != RowSource::Kind::Texels || !EightBitChannels(s.texels->Format())) return nullptr;
    // The rows follow one another when the first and the last do: the row grows by 0 or
    // 1 at each step of less than two.
    constexpr int64_t kOne = int64_t(1) << 32;
    const int64_t first = s.row >> 32, last = (s.row + int64_t(height_ - 1) * s.rowStep) >> 32;
    if (s.rowStep <= 0 || s.rowStep >= 2 * kOne || last - first != int64_t(height_) - 1) return nullptr;
    *pitch = s.texels->Pitch();
    return s.texels->StoredPixels() + size_t(first) * s.texels->Pitch() + size_t(s.column) * 4;
}

void Surface::KeepPicture(std::shared_ptr<const std::vector<uint32_t>> picture) {
    size_t pitch = 0;
    if (!picture || picture->size() != size_t(width_) * height_ || !ShownRows(&pitch)) return;
    RowSource s = deferred_->Source();
    // The picture holds the low 24 bits; the top byte must be the same in every pixel.
    if (s.orBits >> 24 != 0xFF) return;
    DropDeferred();
    s.kind = RowSource::Kind::Picture;
    s.texels = nullptr;
    s.picture = std::move(picture);
    deferred_->SetWhole(std::move(s));
}

}  // namespace host
