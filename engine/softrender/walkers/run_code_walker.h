// Walks a whole stored image by its run codes: a transparent run is skipped whole, an
// opaque run drawn without a keying test, a partly transparent run with each pixel's
// alpha. The run-coded loops follow the general rule of every mode (none of the point
// draw's plain-variant shortcuts) and never touch an alpha-0 pixel: the stretched draw's
// rule set, so they are instantiated on its flavour. With whole registers of pixels,
// neighbouring covered runs are drawn as one stretch, and a source with alpha whose mode
// leaves alpha-0 pixels alone in the point draw's keyed loop too is drawn by that loop.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/softrender/pipeline/pipeline_dispatch.h"
#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/pipeline/run_codes.h"
#include "engine/softrender/simd/simd_rows.h"

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

// The AVX2 walk of the variant in a slot, where it walks its codes with covered stretches
// through block kernels; null when it has none or the build has no AVX2. Call only when
// Avx2RowsInUse().
RunCodeFn Avx2RunCodeLoop(size_t slot);

template <class V>
struct RunCodeWalker {
    // The codes stand in for keying, so only one slot per alpha kind is filled: the
    // unkeyed one for sources without alpha, the keyed one for sources with it.
    static constexpr bool applies = V::keyed == V::alpha;

    // Covered runs (opaque and partly transparent) that follow one another go through a
    // block loop as one stretch, where the block loops serve the variant. Without alpha
    // every covered pixel is drawn alike, as by the textured draw's unkeyed loop. With
    // alpha the point draw's keyed loop serves: it tells opaque pixels from partly
    // transparent ones by their alpha, as the codes do, and draws each by the rule its
    // kind takes here, so a sprite's rim of a pixel or two costs no call of its own. The
    // stretches hold no alpha-0 pixel, where the point draw's rules and these differ.
    // A plain copy without alpha copies each run's bytes.
    using CoveredRun = std::conditional_t<
        V::alpha, Variant<Flavour::Point, V::depth, V::pal, V::kernel, V::blend, V::tint, true, true>,
        Variant<Flavour::Textured, V::depth, V::pal, V::kernel, V::blend, V::tint, false, false>>;
    static constexpr bool kPlainCopy =
        V::kernel == Kernel::Copy && !V::alpha && !V::pal && !V::tint && !V::blend;
    static constexpr bool kCoveredBlocks =
        kSimdRows<CoveredRun> && CoveredRun::srcBytes == V::srcBytes && !kPlainCopy;

    // Where the point draw's keyed loop also leaves alpha-0 pixels alone, as a transparent
    // run is left, its rows give the run-coded draw's pixels exactly, and the codes add
    // nothing to what it reads from the alpha bytes: it tests a block of pixels for alpha 0
    // in fewer cycles than the walk takes to read one code, so the image is drawn by it
    // whole and the codes are not read.
    static constexpr bool kWholeImage = V::alpha && CoveredRun::skipAlphaZero;

    static void Run(const RunCodeJob& j) {
        if constexpr (kCoveredBlocks) {
            if (!GenericPathForced()) {
                if constexpr (kWholeImage)
                    return PickSimdRows<CoveredRun>()(j.cx, j.dst, j.dstPitch, j.src, j.srcPitch, j.width,
                                                      j.height);
                if (Avx2RowsInUse())
                    if (const RunCodeFn wide = Avx2RunCodeLoop(kSlotOf<V>)) return wide(j);
                return RunBlocks<Sse2>(j);
            }
        }
        WalkRuns(j, [&](uint8_t* d, const uint8_t* s, const uint8_t* b, int32_t length, bool partly) {
            DrawRun(j.cx, d, s, b, length, partly);
        });
    }

    // The walk with covered stretches through the block kernels of instruction set I, made
    // once for the draw.
    template <class I>
    static void RunBlocks(const RunCodeJob& j) {
        WithBlocks<I, CoveredRun>(j.cx, [&](const auto& k) {
            DrawStretches(j, [&](uint8_t* d, const uint8_t* s, int32_t length) { k.Row(d, s, length); });
        });
    }

    // Calls draw(dst, src, blend, length, partly) for every opaque or partly transparent
    // run, left to right, top to bottom.
    template <class Fn>
    static void WalkRuns(const RunCodeJob& j, Fn&& draw) {
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
                const int32_t rest = j.width - x, length = (c & 0x3F) + 1 < rest ? (c & 0x3F) + 1 : rest;
                if (c >> 6 != 0)
                    draw(dRow + ptrdiff_t{x} * V::dstBytes, sRow + ptrdiff_t{x} * V::srcBytes,
                         V::blend ? bRow + x : nullptr, length, c >> 6 == 2);
                x += length;
            }
            dRow += j.dstPitch;
            sRow += j.srcPitch;
            if constexpr (V::blend) bRow += j.blendPitch;
        }
    }

    // Calls row(dst, src, length) once for every stretch of covered runs that follow one
    // another in both images.
    template <class Fn>
    static void DrawStretches(const RunCodeJob& j, Fn&& row) {
        uint8_t* d = nullptr;
        const uint8_t* s = nullptr;
        int32_t pending = 0;
        WalkRuns(j, [&](uint8_t* rd, const uint8_t* rs, const uint8_t*, int32_t length, bool) {
            if (pending > 0 && rd == d + ptrdiff_t{pending} * V::dstBytes &&
                rs == s + ptrdiff_t{pending} * V::srcBytes) {
                pending += length;
                return;
            }
            if (pending > 0) row(d, s, pending);
            d = rd;
            s = rs;
            pending = length;
        });
        if (pending > 0) row(d, s, pending);
    }

    // A plain copy goes to the library's copy: it takes a round sprite's runs, of a length
    // that changes from row to row, in less time than a pixel loop or a loop of our own
    // copying sixteen bytes a turn.
    static void DrawRun(const PixelContext& cx, uint8_t* d, const uint8_t* s, const uint8_t* b,
                        int32_t length, bool partly) {
        if constexpr (kPlainCopy) {
            std::memcpy(d, s, static_cast<size_t>(length) * V::dstBytes);
            return;
        }
        for (int32_t i = 0; i < length; ++i) {
            const uint8_t* bi = V::blend ? b + i : nullptr;
            if (partly) BlendCoveredPixel<V, true>(cx, d + i * V::dstBytes, s + i * V::srcBytes, bi);
            else BlendCoveredPixel<V, false>(cx, d + i * V::dstBytes, s + i * V::srcBytes, bi);
        }
    }
};

RunCodeFn FindRunCodeLoop(const VariantKey& key);

}  // namespace orvik::soft
