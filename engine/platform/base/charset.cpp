#include "engine/platform/base/charset.h"

#include <atomic>

namespace orvik {

namespace {
std::atomic<int> g_charSet{kCharSetShiftJis};
}

int GetTextCharSet() { return g_charSet; }
void SetTextCharSet(int charSet) { g_charSet = charSet; }
void ResetTextCharSet() { g_charSet = kCharSetShiftJis; }

bool IsDoubleByteLead(const void* byte, int charSet) {
    if (!byte) return false;
    const unsigned char c = *static_cast<const unsigned char*>(byte);
    if (charSet >= kCharSetKorean && charSet <= kCharSetGb) return c >= 0x80;
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsLeadByte(unsigned char byte) { return IsDoubleByteLead(&byte, g_charSet); }

}  // namespace orvik
