// Walks a whole stored image by its run codes: a transparent run is skipped whole, an
// opaque run drawn without a keying test, a partly transparent run with each pixel's
// alpha. The run-coded loops follow the general rule of every mode (none of the point
// draw's plain-variant shortcuts) and never touch an alpha-0 pixel: the stretched draw's
// rule set, so they are instantiated on its flavour.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/softrender/pipeline_dispatch.h"
#include "engine/softrender/pixel_context.h"
#include "engine/softrender/run_codes.h"
#include "engine/softrender/simd_rows.h"

namespace orvik::soft {

struct RunCodeJob {
    PixelContext cx;
    uint8_t* dst = nullptr;
    ptrdiff_t dstPitch = 0;
    const uint8_t* src = nullptr;
    ptrdiff_t srcPitch = 0;
    const uint8_t* blend = nullptr;
    ptrdiff_t blendPitch = 0;
    const uint8_t* codes = nullptr;
    const uint8_t* codesEnd = nullptr;  // one past the last code byte the store holds
    int32_t width = 0;
    int32_t height = 0;
};

using RunCodeFn = void (*)(const RunCodeJob&);

template <class V>
struct RunCodeWalker {
    // The codes stand in for keying, so only one slot per alpha kind is filled: the
    // unkeyed one for sources without alpha, the keyed one for sources with it.
    static constexpr bool applies = V::keyed == V::alpha;

    // Runs go through the block loops, as many whole blocks as they hold, where those loops
    // serve the variant: an opaque run as a source without alpha, a partly transparent one
    // as a source whose alpha weights every pixel. Such runs are never keyed and hold no
    // alpha-0 pixel, so the textured rules these loops follow are the run-coded ones. An
    // opaque copy is left to the pixel loop, which the compiler already makes a block copy.
    template <bool Alpha>
    using RunVariant =
        Variant<Flavour::Textured, V::depth, V::pal, V::kernel, V::blend, V::tint, Alpha, false>;
    using OpaqueRun = RunVariant<false>;
    using PartlyRun = RunVariant<V::alpha>;
    static constexpr bool kBlockRuns =
        kSimdRows<OpaqueRun> && kSimdRows<PartlyRun> && OpaqueRun::srcBytes == V::srcBytes;
    static constexpr int32_t kRunBlock = 32 / V::dstBytes;  // a whole number of blocks on any set

    struct RunLoops {
        SimdRowFn opaque = nullptr, partly = nullptr;  // null: pixel by pixel
    };

    static RunLoops PickRunLoops() {
        RunLoops loops;
        if constexpr (kBlockRuns) {
            if (GenericPathForced()) return loops;
            if constexpr (V::kernel != Kernel::Copy) loops.opaque = PickSimdRows<OpaqueRun>();
            if constexpr (V::alpha) loops.partly = PickSimdRows<PartlyRun>();
        }
        return loops;
    }

    static void Run(const RunCodeJob& j) {
        const PixelContext cx = j.cx;
        const RunLoops loops = PickRunLoops();
        const uint8_t* code = j.codes;
        uint8_t* dRow = j.dst;
        const uint8_t* sRow = j.src;
        const uint8_t* bRow = j.blend;
        for (int32_t y = 0; y < j.height; ++y) {
            // Codes are not trusted: a line never draws past the image's width, and the
            // walk never reads past the codes the store holds.
            int32_t x = 0;
            for (;;) {
                if (code == j.codesEnd) return;
                const uint8_t c = *code++;
                if (c >= kRunRowEnd) break;
                const int32_t length = std::min<int32_t>((c & 0x3F) + 1, j.width - x);
                if (c >> 6 != 0)
                    DrawRun(cx, loops, dRow + ptrdiff_t{x} * V::dstBytes,
                            sRow + ptrdiff_t{x} * V::srcBytes, V::blend ? bRow + x : nullptr, length,
                            c >> 6 == 2);
                x += length;
            }
            dRow += j.dstPitch;
            sRow += j.srcPitch;
            if constexpr (V::blend) bRow += j.blendPitch;
        }
    }

    static void DrawRun(const PixelContext& cx, const RunLoops& loops, uint8_t* d, const uint8_t* s,
                        const uint8_t* b, int32_t length, bool partly) {
        int32_t i = 0;
        if (const SimdRowFn blocks = partly ? loops.partly : loops.opaque) {
            i = length - length % kRunBlock;
            if (i > 0) blocks(cx, d, 0, s, 0, i, 1);
        }
        for (; i < length; ++i) {
            const uint8_t* bi = V::blend ? b + i : nullptr;
            if (partly) BlendCoveredPixel<V, true>(cx, d + i * V::dstBytes, s + i * V::srcBytes, bi);
            else BlendCoveredPixel<V, false>(cx, d + i * V::dstBytes, s + i * V::srcBytes, bi);
        }
    }
};

RunCodeFn FindRunCodeLoop(const VariantKey& key);

}  // namespace orvik::soft
