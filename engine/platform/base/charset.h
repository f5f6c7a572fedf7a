// The lead-byte rule of multibyte text: which bytes start a two-byte character.
#pragma once

namespace orvik {

// Character-set codes: 1 Shift-JIS, 2 Korean, 3 Big5, 4 GB. Window creation picks one
// from the system's code page; until then text is treated as Shift-JIS.
enum : int { kCharSetShiftJis = 1, kCharSetKorean = 2, kCharSetBig5 = 3, kCharSetGb = 4 };

int GetTextCharSet();
void SetTextCharSet(int charSet);
// Back to the Shift-JIS default (tests).
void ResetTextCharSet();

// Korean, Big5 and GB: every byte from 0x80 up leads; others: 0x81-0x9F and 0xE0-0xFC.
bool IsDoubleByteLead(const void* byte, int charSet);
// The same under the current character set.
bool IsLeadByte(unsigned char byte);

}  // namespace orvik
