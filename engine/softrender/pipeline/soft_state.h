// All global state of the software renderer in one place, with a reset for tests.
#pragma once
#include <array>
#include <cstdint>

#include "engine/graphics/images/color_format.h"
#include "engine/softrender/pipeline/blend_tables.h"

namespace orvik {

struct SoftRenderState {
    BlendTables tables{};
    // Standard formats by kind: 8 for colour types 0 and 1 (alpha x palette), then 2, 3;
    // built on first request and kept for the life of the process.
    std::array<ColorFormat, 10> formats{};
    std::array<bool, 10> formatBuilt{};
    // Palette copies the point and the stretched draw make before a palette draw.
    std::array<uint32_t, 256> workPalette{};
    std::array<uint32_t, 256> stretchWorkPalette{};
    // Set from ORVIK_SOFT_GENERIC: every walker takes its per-pixel path, so a fast
    // path that disagrees shows up by comparing the two.
    bool forceGeneric = false;
    // Set from ORVIK_SOFT_WIDE: rotated draws and triangles take their wide fixed-point
    // form even where the 32-bit one holds, to compare the two.
    bool forceWide = false;
    // The block loops run on AVX2 when the processor has it; tests turn it off to run the
    // SSE2 loops too.
    bool avx2Rows = false;
};

SoftRenderState& SoftRender();
// Clears every table and setting and re-reads the environment switch. The standard
// formats stay: images hold pointers to them, and they never change once built.
void ResetSoftRender();

}  // namespace orvik
