// The AVX2 build of the spans' vector half, compiled with -mavx2 on x86-64 and used only
// when the processor has AVX2. Without the flag this file gives no table.
#include "host/d3d9/fast_span.h"

#include <utility>

#if defined(__AVX2__)
#define HOST_SPAN_ISA avx2
#include "host/d3d9/span_vector.h"
#undef HOST_SPAN_ISA
#endif

namespace host {

#if defined(__AVX2__)
namespace {

template <size_t I>
int Part(uint32_t* dst, int count, const FastSpan& f) {
    constexpr FastSpanKey k = FastSpanKeyOf(I);
    return avx2::SpanVector<avx2::Avx2, k.color, k.alpha, k.blend, k.unit>(dst, count, f);
}

// The rows of unit span 2 * I + 1.
template <size_t I>
int RowsPart(uint32_t* dst, size_t pitch, int rows, int count, const FastSpan& f, const int64_t rowStep[2]) {
    constexpr FastSpanKey k = FastSpanKeyOf(2 * I + 1);
    return avx2::RowsVector<avx2::Avx2, k.color, k.alpha, k.blend>(dst, pitch, rows, count, f, rowStep);
}

template <size_t... I>
struct Parts {
    static constexpr FastVectorFn kTable[] = {&Part<I>...};
};

template <size_t... I>
struct RowsParts {
    static constexpr FastVectorRowsFn kTable[] = {&RowsPart<I>...};
};

template <size_t... I>
constexpr const FastVectorFn* TableOf(std::index_sequence<I...>) {
    return Parts<I...>::kTable;
}

template <size_t... I>
constexpr const FastVectorRowsFn* RowsTableOf(std::index_sequence<I...>) {
    return RowsParts<I...>::kTable;
}

}  // namespace

const FastVectorFn* const kAvx2VectorSpans = TableOf(std::make_index_sequence<kFastSpanCount>());
const FastVectorRowsFn* const kAvx2VectorRows = RowsTableOf(std::make_index_sequence<kFastSpanCount / 2>());
bool Avx2SpansUsable() { return __builtin_cpu_supports("avx2"); }
#else
const FastVectorFn* const kAvx2VectorSpans = nullptr;
const FastVectorRowsFn* const kAvx2VectorRows = nullptr;
bool Avx2SpansUsable() { return false; }
#endif

}  // namespace host
