// Spans for the common 2D state: one constant diffuse colour, affine point-sampled
// texture with clamping, a 32-bit target, and no blending, source-alpha blending or
// additive blending; the alpha may come from a second texture (the mask screen's
// composite). They give the same bits as the general pixel path.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/d3d9/device/draw_state.h"

namespace host {

// One texture read along a span, point-sampled with clamping.
struct FastTexture {
    const uint32_t* texels = nullptr;
    size_t pitch = 0;
    int32_t width = 1, height = 1;
    uint32_t alphaOr = 0;
    int64_t tu = 0, tv = 0, dtu = 0, dtv = 0;  // texels, 32 fraction bits
    // A row shared by the two triangles of a pair: from pixel `split` of the span on, the
    // coordinates are the second triangle's own, (splitTu, splitTv) at that pixel and
    // stepping by (splitDtu, splitDtv). Only the stepped (not unit) spans read these.
    int split = kNoSplit;
    int64_t splitTu = 0, splitTv = 0, splitDtu = 0, splitDtv = 0;
    static constexpr int kNoSplit = 0x7FFFFFFF;

    // The coordinates at pixel i of the span.
    int64_t U(int i) const { return i < split ? tu + i * dtu : splitTu + int64_t(i - split) * splitDtu; }
    int64_t V(int i) const { return i < split ? tv + i * dtv : splitTv + int64_t(i - split) * splitDtv; }
};

// One row of a turned shape for FastSteppedRowsFn: `count` pixels from `dst`, each texture
// read from (tu, tv) at the first and, from pixel `split` on (where a second triangle's
// part of the row begins), from (splitTu, splitTv) at that pixel with the span's split
// steps. The texture's own tu, tv and split fields in the FastSpan are not read. No
// default values: a batch of them is made for every turned sprite and filled row by row.
struct SteppedRow {
    uint32_t* dst;
    int count;
    int split;  // FastTexture::kNoSplit for none
    int64_t tu[2], tv[2], splitTu[2], splitTv[2];
};

struct FastSpan {
    // Stage 0's texture, and stage 1's for FastSource::Second.
    FastTexture tex[2];
    uint32_t color = 0xFFFFFFFFu;  // the constant diffuse colour
    uint32_t secondXor = 0;        // 255 where stage 1 takes its texel's alpha complemented
    const bool* alphaPass = nullptr;
    // When the alpha test passes exactly the alphas from this value up (0 for no test),
    // several pixels are shaded at a time; -1 otherwise.
    int alphaPassFrom = -1;
    uint32_t targetAlphaOr = 0;
};

// Gives `span`'s textures the row's starts and split, for one stepped span of the row.
void StartRow(const SteppedRow& row, FastSpan* span);

// The value for FastSpan::alphaPassFrom of an alpha test: on or off, its comparison
// and its reference (its low byte counts).
int AlphaPassFrom(bool enabled, DWORD func, uint32_t ref);

// Fills st->fastFunctions for a state that takes the fast spans.
void ChooseFastFunctions(DrawState* st);

// `unit`: the span reads consecutive texels of one row of each texture, all inside it,
// so no stepping or clamping is needed. `alphaPassFrom` is the draw's
// FastSpan::alphaPassFrom.
FastSpanFn SelectFastSpan(FastSource color, FastSource alpha, FastBlend blend, bool unit, int alphaPassFrom);

// Every combination of the spans, numbered: colour (3 sources), alpha (4), blend (3),
// unit. The vector halves of each instruction set are kept in tables in this order.
constexpr size_t kFastSpanCount = 3 * 4 * 3 * 2;
struct FastSpanKey {
    FastSource color, alpha;
    FastBlend blend;
    bool unit;
};
constexpr FastSpanKey FastSpanKeyOf(size_t i) {
    return {FastSource(i / 24), FastSource(i / 6 % 4), FastBlend(i / 2 % 3), i % 2 != 0};
}
constexpr size_t FastSpanIndex(FastSource color, FastSource alpha, FastBlend blend, bool unit) {
    return ((size_t(color) * 4 + size_t(alpha)) * 3 + size_t(blend)) * 2 + (unit ? 1 : 0);
}

// The rows of a rectangle read one texel per pixel.
FastRowsFn SelectFastRows(FastSource color, FastSource alpha, FastBlend blend, int alphaPassFrom);

// A turned shape's rows read by stepping, one texel per pixel or not.
FastSteppedRowsFn SelectFastSteppedRows(FastSource color, FastSource alpha, FastBlend blend, int alphaPassFrom);

// The AVX2 builds of the spans (in FastSpanIndex order), of the rectangles' rows (at the
// index of their unit span halved) and of turned shapes' rows (at the same index). They shade every pixel by vectors, the last few
// under a mask, so they serve only alpha tests that pass from a threshold
// (alphaPassFrom >= 0), and may be used only where Avx2SpansUsable() (the processor has
// AVX2 and the tables were built).
extern const FastSpanFn* const kAvx2Spans;
extern const FastRowsFn* const kAvx2Rows;
extern const FastSteppedRowsFn* const kAvx2SteppedRows;
bool Avx2SpansUsable();

}  // namespace host
