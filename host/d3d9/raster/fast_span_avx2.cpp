// The AVX2 build of the spans and rectangle rows, compiled with -mavx2 on x86-64 and
// used only when the processor has AVX2. Without the flag this file gives no tables.
#include "host/d3d9/raster/fast_span.h"

#include <utility>

#include "host/system_info.h"

#if defined(__AVX2__)
#define HOST_SPAN_ISA avx2
#include "host/d3d9/raster/span_vector.h"
#undef HOST_SPAN_ISA
#endif

namespace host {

#if defined(__AVX2__)
namespace {

template <size_t I>
void Part(uint32_t* dst, int count, const FastSpan& f) {
    constexpr FastSpanKey k = FastSpanKeyOf(I);
    avx2::SpanVector<avx2::Avx2, k.color, k.alpha, k.blend, k.unit>(dst, count, f);
}

// The rows of unit span 2 * I + 1.
template <size_t I>
void RowsPart(uint32_t* dst, size_t pitch, int rows, int count, const FastSpan& f, const int64_t rowStep[2]) {
    constexpr FastSpanKey k = FastSpanKeyOf(2 * I + 1);
    avx2::RowsVector<avx2::Avx2, k.color, k.alpha, k.blend>(dst, pitch, rows, count, f, rowStep);
}

// The turned rows of stepped span 2 * I.
template <size_t I>
void SteppedRowsPart(const SteppedRow* rows, int n, const FastSpan& f) {
    constexpr FastSpanKey k = FastSpanKeyOf(2 * I);
    avx2::SteppedRowsVector<avx2::Avx2, k.color, k.alpha, k.blend>(rows, n, f);
}

template <size_t... I>
struct Parts {
    static constexpr FastSpanFn kTable[] = {&Part<I>...};
};

template <size_t... I>
struct RowsParts {
    static constexpr FastRowsFn kTable[] = {&RowsPart<I>...};
};

template <size_t... I>
struct SteppedRowsParts {
    static constexpr FastSteppedRowsFn kTable[] = {&SteppedRowsPart<I>...};
};

template <size_t... I>
constexpr const FastSpanFn* TableOf(std::index_sequence<I...>) {
    return Parts<I...>::kTable;
}

template <size_t... I>
constexpr const FastRowsFn* RowsTableOf(std::index_sequence<I...>) {
    return RowsParts<I...>::kTable;
}

template <size_t... I>
constexpr const FastSteppedRowsFn* SteppedRowsTableOf(std::index_sequence<I...>) {
    return SteppedRowsParts<I...>::kTable;
}

}  // namespace

const FastSpanFn* const kAvx2Spans = TableOf(std::make_index_sequence<kFastSpanCount>());
const FastRowsFn* const kAvx2Rows = RowsTableOf(std::make_index_sequence<kFastSpanCount / 2>());
const FastSteppedRowsFn* const kAvx2SteppedRows = SteppedRowsTableOf(std::make_index_sequence<kFastSpanCount / 2>());
bool Avx2SpansUsable() { return ProcessorHas(CpuFeature::Avx2); }
#else
const FastSpanFn* const kAvx2Spans = nullptr;
const FastRowsFn* const kAvx2Rows = nullptr;
const FastSteppedRowsFn* const kAvx2SteppedRows = nullptr;
bool Avx2SpansUsable() { return false; }
#endif

}  // namespace host
