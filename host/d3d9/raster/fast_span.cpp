#include "host/d3d9/raster/fast_span.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "host/d3d9/device/color_math.h"
#include "host/d3d9/device/d3d9_host.h"

#if defined(__SSE2__)
#define HOST_SPAN_ISA sse2
#include "host/d3d9/raster/span_vector.h"
#undef HOST_SPAN_ISA
#endif

namespace host {
namespace {

// The texel at pixel i of a stepped span.
uint32_t FetchClamped(const FastTexture& t, int i) {
    const int64_t x = std::clamp<int64_t>(t.U(i) >> 32, 0, t.width - 1);
    const int64_t y = std::clamp<int64_t>(t.V(i) >> 32, 0, t.height - 1);
    return t.texels[size_t(y) * t.pitch + size_t(x)] | t.alphaOr;
}

// The SSE2 vector half of one span: how many leading pixels it shaded (none without SSE2
// or where the alpha test is no threshold).
template <FastSource C, FastSource A, FastBlend B, bool Unit>
int VectorPart(uint32_t* dst, int count, const FastSpan& f) {
#if defined(__SSE2__)
    if (f.alphaPassFrom >= 0 && count >= 4) return sse2::SpanVector<sse2::Sse2, C, A, B, Unit>(dst, count, f);
#endif
    return 0;
}

// The general form of every fast span, one pixel at a time after the vector half.
template <FastSource C, FastSource A, FastBlend B, bool Unit>
void Span(uint32_t* dst, int count, const FastSpan& f) {
    constexpr bool kReadsTexel = C != FastSource::Diffuse || (A != FastSource::Diffuse && A != FastSource::Second);
    const int i0 = VectorPart<C, A, B, Unit>(dst, count, f);
    const FastTexture &t0 = f.tex[0], &t1 = f.tex[1];
    const uint32_t color = f.color;
    for (int i = i0; i < count; ++i) {
        uint32_t t = 0;
        if constexpr (kReadsTexel) {
            if constexpr (Unit) t = t0.texels[size_t(t0.tv >> 32) * t0.pitch + size_t(t0.tu >> 32) + size_t(i)] | t0.alphaOr;
            else t = FetchClamped(t0, i);
        }
        uint32_t rgb;
        if constexpr (C == FastSource::Texel) rgb = t & 0xFFFFFFu;
        else if constexpr (C == FastSource::Diffuse) rgb = color & 0xFFFFFFu;
        else rgb = ModulatePixel(t, color) & 0xFFFFFFu;
        uint32_t a;
        if constexpr (A == FastSource::Texel) a = t >> 24;
        else if constexpr (A == FastSource::Diffuse) a = color >> 24;
        else if constexpr (A == FastSource::Product) a = Mul8(t >> 24, color >> 24);
        else a = (FetchClamped(t1, i) >> 24) ^ f.secondXor;
        if (!f.alphaPass[a]) continue;
        dst[i] = FastBlended(B, a << 24 | rgb, dst[i], f.targetAlphaOr);
    }
}

// A rectangle's rows: the SSE2 vector halves of all rows in one pass with the state's
// constants made once, then what each row leaves (fewer pixels than a vector) row by row.
template <FastSource C, FastSource A, FastBlend B>
void Rows(uint32_t* dst, size_t pitch, int rows, int count, const FastSpan& f, const int64_t rowStep[2]) {
    int done = 0;
#if defined(__SSE2__)
    if (f.alphaPassFrom >= 0) done = sse2::RowsVector<sse2::Sse2, C, A, B>(dst, pitch, rows, count, f, rowStep);
#endif
    if (done == count) return;
    FastSpan rest = f;
    for (FastTexture& t : rest.tex) t.tu += done * t.dtu, t.tv += done * t.dtv;
    for (int y = 0; y < rows; ++y) {
        Span<C, A, B, true>(dst + done, count - done, rest);
        dst = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(dst) + pitch);
        rest.tex[0].tv += rowStep[0];
        rest.tex[1].tv += rowStep[1];
    }
}

// A turned shape's rows, one stepped span at a time.
template <FastSource C, FastSource A, FastBlend B>
void SteppedRows(const SteppedRow* rows, int n, const FastSpan& f) {
    FastSpan span = f;
    for (int r = 0; r < n; ++r) {
        StartRow(rows[r], &span);
        Span<C, A, B, false>(rows[r].dst, rows[r].count, span);
    }
}

template <size_t... I>
constexpr std::array<FastSpanFn, sizeof...(I)> MakeTable(std::index_sequence<I...>) {
    return {&Span<FastSpanKeyOf(I).color, FastSpanKeyOf(I).alpha, FastSpanKeyOf(I).blend, FastSpanKeyOf(I).unit>...};
}

// The rows of unit span 2 * I + 1.
template <size_t... I>
constexpr std::array<FastRowsFn, sizeof...(I)> MakeRowsTable(std::index_sequence<I...>) {
    return {&Rows<FastSpanKeyOf(2 * I + 1).color, FastSpanKeyOf(2 * I + 1).alpha, FastSpanKeyOf(2 * I + 1).blend>...};
}

// The turned rows of stepped span 2 * I.
template <size_t... I>
constexpr std::array<FastSteppedRowsFn, sizeof...(I)> MakeSteppedRowsTable(std::index_sequence<I...>) {
    return {&SteppedRows<FastSpanKeyOf(2 * I).color, FastSpanKeyOf(2 * I).alpha, FastSpanKeyOf(2 * I).blend>...};
}

constexpr auto kTable = MakeTable(std::make_index_sequence<kFastSpanCount>());
constexpr auto kRowsTable = MakeRowsTable(std::make_index_sequence<kFastSpanCount / 2>());
constexpr auto kSteppedRowsTable = MakeSteppedRowsTable(std::make_index_sequence<kFastSpanCount / 2>());

// AVX2 where the processor has it, the settings do not ask for the baseline, and the
// alpha test is a threshold (which the AVX2 builds need).
bool UseWide(int alphaPassFrom) {
    static const bool usable = Avx2SpansUsable();
    return usable && alphaPassFrom >= 0 && !D3D9Settings().forceBaselineSpans;
}

}  // namespace

void StartRow(const SteppedRow& row, FastSpan* span) {
    for (int s = 0; s < 2; ++s) {
        FastTexture& t = span->tex[s];
        t.tu = row.tu[s];
        t.tv = row.tv[s];
        t.split = row.split;
        t.splitTu = row.splitTu[s];
        t.splitTv = row.splitTv[s];
    }
}

int AlphaPassFrom(bool enabled, DWORD func, uint32_t ref) {
    // Worked out from the comparison rather than searched for in the table: draws that
    // alternate two tests (a sprite and the mask screen's composite) need it every call.
    if (!enabled || func < D3DCMP_NEVER || func >= D3DCMP_ALWAYS) return 0;
    const int r = int(ref & 255);
    switch (func) {
        case D3DCMP_NEVER: return 256;
        case D3DCMP_LESS: return r == 0 ? 256 : -1;
        case D3DCMP_EQUAL: return r == 255 ? 255 : -1;
        case D3DCMP_LESSEQUAL: return r == 255 ? 0 : -1;
        case D3DCMP_GREATER: return r == 255 ? 256 : r + 1;
        case D3DCMP_NOTEQUAL: return r == 0 ? 1 : -1;
        default: return r;  // greater or equal
    }
}

FastSpanFn SelectFastSpan(FastSource color, FastSource alpha, FastBlend blend, bool unit, int alphaPassFrom) {
    const size_t index = FastSpanIndex(color, alpha, blend, unit);
    return UseWide(alphaPassFrom) ? kAvx2Spans[index] : kTable[index];
}

FastRowsFn SelectFastRows(FastSource color, FastSource alpha, FastBlend blend, int alphaPassFrom) {
    const size_t index = FastSpanIndex(color, alpha, blend, true) / 2;
    return UseWide(alphaPassFrom) ? kAvx2Rows[index] : kRowsTable[index];
}

FastSteppedRowsFn SelectFastSteppedRows(FastSource color, FastSource alpha, FastBlend blend, int alphaPassFrom) {
    const size_t index = FastSpanIndex(color, alpha, blend, false) / 2;
    return UseWide(alphaPassFrom) ? kAvx2SteppedRows[index] : kSteppedRowsTable[index];
}

void ChooseFastFunctions(DrawState* st) {
    // Everything the choice reads, so that a state kept from call to call chooses again
    // only when one of them changed.
    const uint32_t key = uint32_t(st->fastColor) | uint32_t(st->fastAlpha) << 4 | uint32_t(st->fastBlend) << 8 |
                         uint32_t(D3D9Settings().forceBaselineSpans) << 12 | uint32_t(st->alphaPassFrom + 1) << 16;
    if (key == st->fastFunctionsKey) return;
    std::swap(st->fastFunctions, st->spareFunctions);
    std::swap(st->fastFunctionsKey, st->spareFunctionsKey);
    if (key == st->fastFunctionsKey) return;
    st->fastFunctionsKey = key;
    for (int i = 0; i < 4; ++i) {
        // A product with white is the texel itself.
        FastSource color = st->fastColor, alpha = st->fastAlpha;
        if (color == FastSource::Product && (i & 1)) color = FastSource::Texel;
        if (alpha == FastSource::Product && (i & 2)) alpha = FastSource::Texel;
        FastFunctions& f = st->fastFunctions[i];
        f.unit = SelectFastSpan(color, alpha, st->fastBlend, true, st->alphaPassFrom);
        f.clamped = SelectFastSpan(color, alpha, st->fastBlend, false, st->alphaPassFrom);
        f.rows = SelectFastRows(color, alpha, st->fastBlend, st->alphaPassFrom);
        f.steppedRows = SelectFastSteppedRows(color, alpha, st->fastBlend, st->alphaPassFrom);
        f.textures = alpha == FastSource::Second ? 2 : 1;
    }
}

}  // namespace host
