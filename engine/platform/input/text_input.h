// Typed characters: the ring of character codes the window procedure fills from WM_CHAR,
// the editing keys and the input method's results, read by text-entry fields.
#pragma once
#include <orvik/text_input.h>

#include <array>
#include <cstdint>

namespace orvik {

constexpr int kCharCodeBufferSize = 1025;  // holds at most 1024 bytes

struct CharCodeBufferState {
    std::array<uint8_t, kCharCodeBufferSize> bytes{};
    int32_t read = 0, write = 0;
    // What becomes of the next typed byte after a lead byte: kept with its lead, or
    // dropped because its lead did not fit.
    enum : int32_t { kNoTrail, kKeepTrail, kDropTrail } trail = kNoTrail;
};

CharCodeBufferState& CharCodes();

// Clears the buffer, the text-entry fields and the input-method state. 0.
int InitCharCodeBuffer();
// 0, or -1 when the buffer is full (the byte is dropped).
int PushCharCode(uint8_t code);
// One byte of typed text: a lead byte goes in only with room for its second byte, and
// the second byte follows its lead, so a full buffer never keeps half a character. 0 or -1.
int PushTypedByte(uint8_t code);
// Whole characters of the text while they fit; the bytes taken.
int PushCharText(const char* text, int length);
// The bytes of the character at `at` of a text of `length` bytes: 2 for a lead byte
// with its second byte inside the text, else 1.
int CharSizeAt(const char* text, int at, int length);
// The bytes of the character that ends at byte `end` (found by stepping from the start,
// as a second byte may look like a lead byte); 0 at the start.
int CharSizeEndingAt(const char* text, int end);
// 1 for the control codes the editing keys travel as.
int IsEditKeyCode(uint8_t code);
// The control code an editing key travels as, or 0 for other keys.
uint8_t EditKeyControlCode(uint32_t virtualKey);

}  // namespace orvik
