// Pixels of a 4-byte surface that are not yet written: per row, a mask of the column
// chunks still to be written, and what they are written from (one value, the rows of
// another surface's texels, or a picture shown in the window). A clear of the part of a
// target a frame uses, then drawn over by opaque tiles, is written only where nothing
// covered it; a back buffer that is one copy of the game's screen is shown from that
// screen and never written, unless something reads it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace host {

class Surface;

// Where the pending pixels come from. Pixel (x, y) of the surface is, by kind: Fill:
// `orBits`; Texels: the texel t at column `column` + x of row (row + y * rowStep) >> 32 of
// `texels` (as its store holds it) as (t & andBits) | orBits; Picture: the same of pixel
// y * width + x of the picture.
struct RowSource {
    enum class Kind : uint8_t { Fill, Texels, Picture };
    Kind kind = Kind::Fill;
    uint32_t andBits = 0xFFFFFFFFu, orBits = 0;
    const Surface* texels = nullptr;
    int64_t column = 0, row = 0, rowStep = 0;
    std::shared_ptr<const std::vector<uint32_t>> picture;
};

class DeferredRows {
public:
    DeferredRows(uint32_t width, uint32_t height);

    bool Pending() const { return pendingRows_ > 0; }
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
    void WriteAll(uint8_t* pixels, size_t pitch) {
        if (Pending()) Write(pixels, pitch, 0, width_ - 1, 0, height_ - 1);
    }
    // A fill of `value` over x0..x1, y0..y1 (a clear): the chunks it covers whole become
    // pending, the pixels of those it covers in part are written now. Only for a fill
    // source, or none pending.
    void Fill(uint8_t* pixels, size_t pitch, int x0, int x1, int y0, int y1, uint32_t value);

private:
    static uint64_t ChunkRange(int first, int last);
    // The pending chunks of row y among `chunks`, written and no longer pending.
    void WriteChunks(uint8_t* pixels, size_t pitch, int y, uint64_t chunks);
    void WriteRun(uint32_t* row, int y, int x0, int x1) const;
    int FirstChunk(int x) const { return x >> shift_; }

    // The chunks of row y given are no longer pending.
    void Clear(int y, uint64_t chunks) {
        uint64_t& row = rows_[size_t(y)];
        if (!(row & chunks)) return;
        whole_ = false;
        row &= ~chunks;
        if (row == 0) --pendingRows_;
    }

    int width_, height_;
    int shift_ = 0;      // chunks are 1 << shift_ pixels wide
    int lastChunk_ = 0;  // the chunk of the last column
    int pendingRows_ = 0;  // rows with a chunk pending
    bool whole_ = false;
    std::vector<uint64_t> rows_;
    RowSource source_;
};

}  // namespace host
