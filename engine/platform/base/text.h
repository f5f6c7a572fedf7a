// Text functions over 0-terminated multibyte text. Two-byte characters are stepped over
// whole, so a trail byte is never taken for an ASCII character; a lead byte right before
// the terminator counts as one character and the scan stops at the terminator.
#pragma once

namespace orvik {

// Copies the source and its terminator.
void TxtCopy(char* destination, const char* source);
// Copies at most n bytes, stopping at the terminator, then terminates; n < 1 gives "".
void TxtCopyN(char* destination, const char* source, int n);
// The first single-byte character equal to the byte, or null.
char* TxtFindChar(const char* text, int byte);
// 0 when equal, 1 otherwise.
int TxtCompare(const char* a, const char* b);
// Compares at most n bytes, stopping where both texts end together; 0 when equal,
// 1 otherwise; n = 0 gives 0 and a negative n gives 1.
int TxtCompareN(const char* a, const char* b, int n);
// a-z to A-Z in place, leaving two-byte characters alone; returns the terminator.
char* TxtToUpper(char* text);
// Characters in the first n bytes (a two-byte character counts once; stops at the end).
int CountMultiByteChars(const char* text, int n);

}  // namespace orvik
