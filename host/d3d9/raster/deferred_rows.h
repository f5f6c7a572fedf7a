// Pixels of a 4-byte surface that are not yet written: the pixels are cut into chunks
// (at most 64 columns of chunks a row), a chunk of a row pending or not, and what they
// are written from (one value, or the rows of another surface's texels). A clear of the
// part of a target a frame uses, then drawn over by opaque tiles, is written only where
// nothing covered it; a back buffer that is one copy of the game's screen is shown from
// the screen's pixels and never written, unless something reads it.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/d3d9/resources/pixel_store.h"

namespace host {

// Where the pending pixels come from. Pixel (x, y) of the surface is, by kind: Fill:
// `orBits`; Texels: the 32-bit texel t at column `column` + x of row (row + y * rowStep)
// >> 32 of `texels`, rows `pitch` bytes apart, as (t & andBits) | orBits. The texels are
// a store of another surface, which leaves it as it is while it is held here.
struct RowSource {
    enum class Kind : uint8_t { Fill, Texels };
    Kind kind = Kind::Fill;
    uint32_t andBits = 0xFFFFFFFFu, orBits = 0;
    std::shared_ptr<const PixelStore> texels;
    size_t pitch = 0;
    int64_t column = 0, row = 0, rowStep = 0;
};

class DeferredRows {
public:
    DeferredRows(uint32_t width, uint32_t height);

    bool Pending() const { return pendingWords_ > 0; }
    // Every pixel of the surface is pending.
    bool Whole() const { return whole_; }
    const RowSource& Source() const { return source_; }
    // Every pixel pending from `source`.
    void SetWhole(RowSource source);
    // Nothing pending any more (the pixels were written over whole).
    void Drop();
    // The source let go once nothing is pending (what it holds may be freed).
    void ForgetSource() { source_ = RowSource{}; }

    // Pixels x0..x1 of rows y0..y1, in a surface whose rows are `pitch` bytes apart from
    // `pixels`: Write gives them their pending values (before something reads them or
    // draws on part of them); Take leaves them to a caller that writes every one of them
    // without reading them (only the chunks it covers in part are written first).
    void Write(uint8_t* pixels, size_t pitch, int x0, int x1, int y0, int y1);
    void Take(uint8_t* pixels, size_t pitch, int x0, int x1, int y0, int y1);
    void WriteAll(uint8_t* pixels, size_t pitch);
    // Columns x0..x1 and rows y0..y1 holding every pending pixel (x0 > x1 for none).
    void PendingBounds(int* x0, int* x1, int* y0, int* y1) const;
    // Columns x0..x1 widened to the chunks they touch: what Write and Take may write.
    void WidenToChunks(int* x0, int* x1) const {
        *x0 = FirstChunk(*x0) << shift_;
        *x1 = ChunkEnd(FirstChunk(*x1));
    }
    // A fill of `value` over x0..x1, y0..y1 (a clear): the chunks it covers whole become
    // pending, the pixels of those it covers in part are written now. Only for a fill
    // source, or none pending.
    void Fill(uint8_t* pixels, size_t pitch, int x0, int x1, int y0, int y1, uint32_t value);

private:
    // Which chunks are pending is kept by columns of chunks, each a run of words of one
    // bit a row: an opaque tile, a few chunks wide and many rows tall, takes its chunks
    // in a few words.
    uint64_t& Word(int chunk, int word) { return masks_[size_t(chunk) * size_t(words_) + size_t(word)]; }
    bool IsPending(int chunk, int y) { return Word(chunk, y >> 6) >> (y & 63) & 1; }
    // Chunks first..last of rows y0..y1 stop being pending; `write` (y, first pixel,
    // last pixel) is called for each pending chunk's row before.
    template <class WriteFn>
    void Resolve(int first, int last, int y0, int y1, WriteFn write);
    // Chunks first..last of rows y0..y1 become pending.
    void Mark(int first, int last, int y0, int y1);
    void WriteRun(uint32_t* row, int y, int x0, int x1) const;
    int FirstChunk(int x) const { return x >> shift_; }
    int ChunkEnd(int chunk) const { return std::min(width_, (chunk + 1) << shift_) - 1; }
    // The chunks x0..x1 covers whole (the last chunk ends at the last column).
    void WholeChunks(int x0, int x1, int* first, int* last) const;

    int width_, height_;
    int shift_ = 0;      // chunks are 1 << shift_ pixels wide
    int lastChunk_ = 0;  // the chunk of the last column
    int words_ = 0;      // words of a column of chunks
    int pendingWords_ = 0;  // words with a bit set
    bool whole_ = false;
    std::vector<uint64_t> masks_;
    RowSource source_;
};

}  // namespace host
