// Dispatch tables: one entry per variant of the pipeline, filled from the kernel list, so
// a walker is instantiated for exactly the variants that have a loop.
#pragma once
#include <array>
#include <cstddef>
#include <utility>

#include "engine/softrender/pipeline/pixel_pipeline.h"

namespace orvik::soft {

// The per-draw answers that pick a loop.
struct VariantKey {
    int depth = 32;  // destination (and source) depth: 16 or 32
    bool pal = false;
    Kernel kernel = Kernel::Copy;
    bool blend = false;
    bool tint = false;
    bool alpha = false;
    bool keyed = false;
};

inline constexpr size_t kVariantSlots = 2 * 2 * kKernelCount * 16;

constexpr size_t VariantSlot(const VariantKey& k) {
    size_t i = k.depth == 32 ? 1 : 0;
    i = i * 2 + k.pal;
    i = i * kKernelCount + static_cast<size_t>(k.kernel);
    i = i * 2 + k.blend;
    i = i * 2 + k.tint;
    i = i * 2 + k.alpha;
    return i * 2 + k.keyed;
}

template <Flavour F, size_t I>
using VariantAt = Variant<F, ((I / (16 * kKernelCount * 2)) & 1) ? 32 : 16,
                          ((I / (16 * kKernelCount)) & 1) != 0,
                          static_cast<Kernel>((I / 16) % kKernelCount), ((I >> 3) & 1) != 0,
                          ((I >> 2) & 1) != 0, ((I >> 1) & 1) != 0, (I & 1) != 0>;

// Walker<V>::Run has the signature Fn; the table holds it for every valid variant the
// walker takes (Walker<V>::applies).
template <template <class> class Walker, Flavour F, class Fn>
struct DispatchTable {
    template <size_t I>
    static constexpr Fn EntryAt() {
        using V = VariantAt<F, I>;
        if constexpr (V::valid && Walker<V>::applies) return &Walker<V>::Run;
        else return nullptr;
    }
    template <size_t... I>
    static constexpr std::array<Fn, kVariantSlots> Build(std::index_sequence<I...>) {
        return {{EntryAt<I>()...}};
    }
    static constexpr std::array<Fn, kVariantSlots> entries =
        Build(std::make_index_sequence<kVariantSlots>{});

    static Fn Find(const VariantKey& key) { return entries[VariantSlot(key)]; }
};

}  // namespace orvik::soft
