// GDI's reading of a font's height: a positive height is the cell (ascent + descent), a
// negative one the character (em) height; the cell, leading and widths follow from the
// face's Windows metrics.
#pragma once
#include <cstdint>

#include "host/font/glyph_source.h"

namespace host {

// A face's figures in font units, as its tables hold them (descents positive downward).
struct DesignMetrics {
    int32_t unitsPerEm = 0;
    int32_t winAscent = 0;
    int32_t winDescent = 0;
    int32_t hheaAscent = 0;
    int32_t hheaDescent = 0;
    int32_t lineGap = 0;
    int32_t aveCharWidth = 0;
    int32_t maxAdvance = 0;
};

struct ScaledHeight {
    int32_t pixelsPerEm = 0;
    FaceMetrics metrics;  // ascent, descent, leadings and widths; the rest left as they were
};

// Larger than any font the engine asks for, small enough for FreeType's sizes.
constexpr int32_t kMaxGdiHeight = 4096;

// height must not be 0 nor beyond kMaxGdiHeight either way. False for design figures that cannot be scaled.
bool ScaleToGdiHeight(const DesignMetrics& design, int32_t height, ScaledHeight& out);

}  // namespace host
