// Rows of Y'CbCr 4:2:0 pictures (chroma at half the width and height) into 0xFFRRGGBB
// pixels a vector at a time: BT.601 video range in integer steps of 1/16384, each
// channel's sum truncated toward zero and clamped to 0 ... 255. The host's video surfaces
// and the engine's Theora frames both convert so; each keeps its own pixel-by-pixel rule
// for the pixels the vector steps leave.
#pragma once
#include <cstdint>

namespace host {

// The leading pixels of a row whose pixel x takes chroma sample x / 2, in as many whole
// vector steps as the row holds, under the instruction set the row converters use
// (host/gdi/pixel_rows.h); the number of pixels written (0 where there is no vector
// build), the rest left to the caller.
int ConvertYuv420RowHead(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint32_t* out, int width);

// The AVX2 build (yuv_rows_avx2.cpp), reached only where the processor has it: 0 pixels
// written without the build.
int ConvertYuv420RowHeadAvx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint32_t* out, int width);

}  // namespace host
