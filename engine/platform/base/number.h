// Number helpers: absolute values, truncating conversions, roots and angles, integer to
// text, and the 128-bit product and quotient the microsecond clock needs.
#pragma once
#include <cstdint>

namespace orvik {

int32_t AbsInt(int32_t value);
float AbsFloat(float value);
// Truncated toward 0. NaN and values outside the i32 range give INT32_MIN, the value the
// processor's own conversion gives.
int32_t FloatToInt(float value);
int32_t DoubleToInt(double value);
void DoubleRectToIntRect(double left, double top, double right, double bottom, int32_t* out);
float SqrtFloat(float value);
void SinCosFloat(float angle, float* sine, float* cosine);

// Writes the value in the radix (2 to 36): "0" for 0, a leading "-" when negative,
// digits above 9 as lower-case letters. Returns the buffer, which must hold 34 bytes for
// radix 2. A radix outside 2..36 writes "" and logs the fault.
char* IntToText(int32_t value, char* buffer, int radix);

// The full unsigned 128-bit product, low 8 bytes first.
void Mul64To128(const uint64_t* a, const uint64_t* b, uint64_t out[2]);
// The low 64 bits of the unsigned quotient of a 128-bit numerator (low half first) by a
// 64-bit divisor. -1 (and the output untouched) for a zero divisor, else 0.
int Div128By64(const uint64_t numerator[2], const uint64_t* divisor, uint64_t* out);

}  // namespace orvik
