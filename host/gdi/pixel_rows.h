// Rows of a bitmap turned into rows of the window picture (0x00RRGGBB). Every layout is
// described by its colour masks; a channel narrower than 8 bits is widened by repeating
// its top bits below it, so full intensity stays full. The layouts screens use (16-bit
// 5-6-5 and 5-5-5, 32-bit 8-8-8) have vector row converters, SSE2 or AVX2 chosen at run
// time, that give the same pixels as the conversion by masks.
#pragma once
#include <cstddef>
#include <cstdint>

namespace host {

struct PixelLayout {
    int bytes = 0;  // 2 or 4
    uint32_t mask[3] = {};  // red, green, blue
    int shift[3] = {}, width[3] = {};
};

PixelLayout MakePixelLayout(int bits, uint32_t red, uint32_t green, uint32_t blue);

// One pixel by the layout's masks.
uint32_t ToXrgb(const PixelLayout& layout, const uint8_t* pixel);

// Converts `count` pixels starting at `from` into `to`.
using PixelRowFn = void (*)(const PixelLayout& layout, uint32_t* to, const uint8_t* from, size_t count);

// The fastest converter for the layout under the instruction set in use: a vector one for
// the screen layouts, else one that goes pixel by pixel through the masks.
PixelRowFn PixelRowConverter(const PixelLayout& layout);

// The instruction sets of the vector converters. AVX2 is used where the processor has it
// and ORVIK_SOFT_NO_AVX2 is not set, as in the software renderer.
enum class PixelRowIsa { Scalar, Sse2, Avx2 };
// The set the converters use now.
PixelRowIsa PixelRowIsaInUse();
// Tests run every converter on each set: makes `isa` the one in use when this build and
// processor have it, and returns whether they do.
bool UsePixelRowIsa(PixelRowIsa isa);
// Back to the choice a fresh program makes.
void ResetPixelRowIsa();

}  // namespace host
