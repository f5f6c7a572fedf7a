// The AVX2 build of the row converters (pixel_rows_avx2.cpp, the only file built for
// AVX2), reached only where the processor has it.
#pragma once
#include "host/gdi/pixel_rows.h"

namespace host {

// True when this build has the AVX2 converters and the processor runs them.
bool Avx2PixelRowsUsable();
// The converters of 5-6-5, 5-5-5 and 8-8-8 pixels, in that order; null without AVX2.
extern const PixelRowFn* const kAvx2PixelRows;

}  // namespace host
