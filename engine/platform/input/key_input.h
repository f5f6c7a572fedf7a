// Text-entry fields (key inputs): a table of 256 records handed out as handles of type
// 0x38000000, the one active field, the colours fields are shown in, and the cursor blink.
#pragma once
#include <array>
#include <cstdint>

namespace orvik {

constexpr int kKeyInputCount = 256;
constexpr int32_t kKeyInputHandleType = 0x38000000;
constexpr int kKeyInputMaxLength = 1024;
constexpr int kKeyInputColorCount = 15;
constexpr int32_t kCursorBlinkPeriod = 500;

struct KeyInputRecord {
    int32_t inUse = 0;
    uint32_t check = 0;
    int32_t ended = 0;      // ENTER (or a cancel) finished the input
    int32_t cancelled = 0;  // ESC finished it
    int32_t length = 0;     // bytes of text
    int32_t maxLength = 0;
    int32_t selectionStart = -1, selectionEnd = -1;  // -1: no selection
    int32_t cursor = 0;     // byte position
    char* text = nullptr;   // tracked block of maxLength + 1 bytes, 0-ended
    int32_t cancelAllowed = 0;
    int32_t singleByteOnly = 0;
    int32_t digitsOnly = 0;
};

struct KeyInputState {
    std::array<KeyInputRecord, kKeyInputCount> records{};
    uint32_t checkCounter = 0;
    int32_t active = -1;
    std::array<uint32_t, kKeyInputColorCount> colors{};
    int32_t blinkTime = 0;
    int32_t blinkPeriod = kCursorBlinkPeriod;
    int32_t blinkVisible = 1;
};

KeyInputState& KeyInputs();
// Clears the table (freeing what it holds), no active field, the field colours and a
// visible cursor.
void ResetKeyInputState();
// The record of a valid handle, else null.
KeyInputRecord* FindKeyInput(int handle);
void ResetCursorBlink();
// Removes the selected bytes, puts the cursor where the selection started and clears it.
void DeleteSelectedText(KeyInputRecord& record);
// Edits the active field with the typed characters: 0, or -1 for a bad active handle.
int ProcessKeyInput();

}  // namespace orvik
