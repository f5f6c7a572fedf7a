// The words of the ending: the story captions and the staff roll.
#pragma once
#include <array>

namespace vantorix {

constexpr int kCaptionCount = 26;
constexpr int kCreditCount = 24;

struct CreditLine {
    int startY;  // the line's y on the first frame of the roll
    const char* text;
};

extern const std::array<const char*, kCaptionCount> kEndingCaptions;
extern const std::array<CreditLine, kCreditCount> kCreditLines;

}  // namespace vantorix
