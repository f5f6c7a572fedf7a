#include "host/d3d9/fast_span.h"

#include <algorithm>
#include <array>
#include <utility>

#include "host/d3d9/color_math.h"

namespace host {
namespace {

template <FastSource C, FastSource A, FastBlend B, bool Unit>
void Span(uint32_t* dst, int count, const FastSpan& f) {
    constexpr bool kReadsTexel = C != FastSource::Diffuse || A != FastSource::Diffuse;
    int64_t tu = f.tu, tv = f.tv;
    const uint32_t* row = nullptr;
    if constexpr (Unit && kReadsTexel) row = f.texels + size_t(tv >> 32) * f.pitch + size_t(tu >> 32);
    const uint32_t color = f.color;
    for (int i = 0; i < count; ++i) {
        uint32_t t = 0;
        if constexpr (kReadsTexel) {
            if constexpr (Unit) {
                t = row[i] | f.alphaOr;
            } else {
                const int64_t x = std::clamp<int64_t>(tu >> 32, 0, f.width - 1);
                const int64_t y = std::clamp<int64_t>(tv >> 32, 0, f.height - 1);
                t = f.texels[size_t(y) * f.pitch + size_t(x)] | f.alphaOr;
                tu += f.dtu;
                tv += f.dtv;
            }
        }
        uint32_t rgb;
        if constexpr (C == FastSource::Texel) rgb = t & 0xFFFFFFu;
        else if constexpr (C == FastSource::Diffuse) rgb = color & 0xFFFFFFu;
        else rgb = ModulatePixel(t, color) & 0xFFFFFFu;
        uint32_t a;
        if constexpr (A == FastSource::Texel) a = t >> 24;
        else if constexpr (A == FastSource::Diffuse) a = color >> 24;
        else a = Mul8(t >> 24, color >> 24);
        if (!f.alphaPass[a]) continue;
        const uint32_t src = a << 24 | rgb;
        if constexpr (B == FastBlend::None) dst[i] = src | f.targetAlphaOr;
        else if constexpr (B == FastBlend::Alpha) dst[i] = BlendLerp(src, dst[i], a) | f.targetAlphaOr;
        else dst[i] = BlendAdd(src, dst[i], a) | f.targetAlphaOr;
    }
}

constexpr FastSource kSources[] = {FastSource::Texel, FastSource::Diffuse, FastSource::Product};
constexpr FastBlend kBlends[] = {FastBlend::None, FastBlend::Alpha, FastBlend::Add};

template <size_t I>
constexpr FastSpanFn Entry() {
    constexpr size_t unit = I % 2, b = I / 2 % 3, a = I / 6 % 3, c = I / 18;
    return &Span<kSources[c], kSources[a], kBlends[b], unit != 0>;
}

template <size_t... I>
constexpr auto MakeTable(std::index_sequence<I...>) {
    return std::array<FastSpanFn, sizeof...(I)>{Entry<I>()...};
}

constexpr auto kTable = MakeTable(std::make_index_sequence<54>());

}  // namespace

FastSpanFn SelectFastSpan(FastSource color, FastSource alpha, FastBlend blend, bool unit) {
    const size_t index = ((size_t(color) * 3 + size_t(alpha)) * 3 + size_t(blend)) * 2 + (unit ? 1 : 0);
    return kTable[index];
}

}  // namespace host
