#include "host/gdi/pixel_rows.h"

#include <atomic>

#include "host/env_switch.h"
#include "host/gdi/pixel_rows_avx2.h"

#if defined(__SSE2__)
#define HOST_SPAN_ISA sse2
#include "host/gdi/pixel_rows_vector.h"
#undef HOST_SPAN_ISA
#endif

namespace host {
namespace {

void Measure(uint32_t mask, int* shift, int* width) {
    *shift = 0;
    *width = 0;
    if (!mask) return;
    while (!(mask >> *shift & 1)) ++*shift;
    while (*shift + *width < 32 && (mask >> (*shift + *width) & 1)) ++*width;
}

uint32_t Expand(uint32_t v, int width) {
    if (width >= 8) return v >> (width - 8);
    uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += width) out = out << width | v;
    int total = (8 + width - 1) / width * width;
    return out >> (total - 8);
}

void ByMasks(const PixelLayout& layout, uint32_t* to, const uint8_t* from, size_t count) {
    for (size_t i = 0; i < count; ++i) to[i] = ToXrgb(layout, from + i * size_t(layout.bytes));
}

bool Masks(const PixelLayout& l, int bytes, uint32_t red, uint32_t green, uint32_t blue) {
    return l.bytes == bytes && l.mask[0] == red && l.mask[1] == green && l.mask[2] == blue;
}

// The screen layouts with vector converters.
enum class Known { Rgb565, Rgb555, Xrgb8888, None };

Known KnownLayout(const PixelLayout& l) {
    if (Masks(l, 2, 0xF800, 0x7E0, 0x1F)) return Known::Rgb565;
    if (Masks(l, 2, 0x7C00, 0x3E0, 0x1F)) return Known::Rgb555;
    if (Masks(l, 4, 0xFF0000, 0xFF00, 0xFF)) return Known::Xrgb8888;
    return Known::None;
}

bool Available(PixelRowIsa isa) {
    if (isa == PixelRowIsa::Avx2) return Avx2PixelRowsUsable();
#if defined(__SSE2__)
    return true;
#else
    return isa == PixelRowIsa::Scalar;
#endif
}

PixelRowIsa FreshChoice() {
    if (!EnvSwitchOn("ORVIK_SOFT_NO_AVX2") && Available(PixelRowIsa::Avx2)) return PixelRowIsa::Avx2;
    return Available(PixelRowIsa::Sse2) ? PixelRowIsa::Sse2 : PixelRowIsa::Scalar;
}

std::atomic<PixelRowIsa>& InUse() {
    static std::atomic<PixelRowIsa> isa{FreshChoice()};
    return isa;
}

}  // namespace

PixelLayout MakePixelLayout(int bits, uint32_t red, uint32_t green, uint32_t blue) {
    PixelLayout l;
    l.bytes = bits / 8;
    l.mask[0] = red, l.mask[1] = green, l.mask[2] = blue;
    for (int i = 0; i < 3; ++i) Measure(l.mask[i], &l.shift[i], &l.width[i]);
    return l;
}

uint32_t ToXrgb(const PixelLayout& l, const uint8_t* p) {
    uint32_t v = l.bytes == 2 ? uint32_t(p[0] | p[1] << 8) : uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) out = out << 8 | (l.width[i] ? Expand((v & l.mask[i]) >> l.shift[i], l.width[i]) : 0);
    return out;
}

PixelRowFn PixelRowConverter(const PixelLayout& layout) {
    const Known known = KnownLayout(layout);
    if (known == Known::None) return &ByMasks;
    switch (PixelRowIsaInUse()) {
    case PixelRowIsa::Avx2: return kAvx2PixelRows[size_t(known)];
#if defined(__SSE2__)
    case PixelRowIsa::Sse2: return sse2::pixel_rows::kRows<sse2::Sse2>[size_t(known)];
#endif
    default: return &ByMasks;
    }
}

PixelRowIsa PixelRowIsaInUse() { return InUse().load(std::memory_order_relaxed); }

bool UsePixelRowIsa(PixelRowIsa isa) {
    if (!Available(isa)) return false;
    InUse() = isa;
    return true;
}

void ResetPixelRowIsa() { InUse() = FreshChoice(); }

}  // namespace host
