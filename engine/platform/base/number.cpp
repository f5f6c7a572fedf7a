#include "engine/platform/base/number.h"

#include <cmath>

#include "engine/platform/base/log.h"

namespace orvik {

namespace {

template <typename Real>
int32_t TruncateToInt(Real value) {
    // The exclusive bounds are exactly representable; anything outside them (and NaN)
    // would make the C++ conversion undefined.
    if (!(value > Real(-2147483649.0) && value < Real(2147483648.0))) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

int32_t AbsInt(int32_t value) {
    return value < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(value)) : value;
}

float AbsFloat(float value) { return std::fabs(value); }

int32_t FloatToInt(float value) { return TruncateToInt(value); }

int32_t DoubleToInt(double value) { return TruncateToInt(value); }

void DoubleRectToIntRect(double left, double top, double right, double bottom, int32_t* out) {
    if (!out) return;
    out[0] = DoubleToInt(left);
    out[1] = DoubleToInt(top);
    out[2] = DoubleToInt(right);
    out[3] = DoubleToInt(bottom);
}

float SqrtFloat(float value) { return std::sqrt(value); }

void SinCosFloat(float angle, float* sine, float* cosine) {
    // One evaluation in double precision, rounded once to float, as an extended-precision
    // sine-and-cosine instruction would.
    const double a = angle;
    if (sine) *sine = static_cast<float>(std::sin(a));
    if (cosine) *cosine = static_cast<float>(std::cos(a));
}

char* IntToText(int32_t value, char* buffer, int radix) {
    if (!buffer) return nullptr;
    if (radix < 2 || radix > 36) {
        buffer[0] = '\0';
        AddLogFormat("数値を文字列に変換する基数が不正です( %d ) in IntToText", radix);
        return buffer;
    }
    char digits[33];
    int count = 0;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        const uint32_t d = magnitude % uint32_t(radix);
        digits[count++] = char(d < 10 ? '0' + d : 'a' + (d - 10));
        magnitude /= uint32_t(radix);
    } while (magnitude != 0);
    char* p = buffer;
    if (value < 0) *p++ = '-';
    while (count > 0) *p++ = digits[--count];
    *p = '\0';
    return buffer;
}

void Mul64To128(const uint64_t* a, const uint64_t* b, uint64_t out[2]) {
    if (!a || !b || !out) return;
    const unsigned __int128 product = static_cast<unsigned __int128>(*a) * *b;
    out[0] = static_cast<uint64_t>(product);
    out[1] = static_cast<uint64_t>(product >> 64);
}

int Div128By64(const uint64_t numerator[2], const uint64_t* divisor, uint64_t* out) {
    if (!numerator || !divisor || !out) return -1;
    if (*divisor == 0) {
        AddLogText("０で割ろうとしました in Div128By64\n");
        return -1;
    }
    const unsigned __int128 n = (static_cast<unsigned __int128>(numerator[1]) << 64) | numerator[0];
    *out = static_cast<uint64_t>(n / *divisor);
    return 0;
}

}  // namespace orvik
