// Text typed into the main window: the typed characters themselves, text-entry fields
// edited from them once per frame (with selection, clipboard and the input method), the
// clipboard's text, and the names of files dropped on the window. Text is code page 932.
#pragma once
#include <cstdint>

namespace orvik {

// Takes the next typed character into out (two bytes): 1 or 2 bytes, or 0 when nothing
// whole is there (a two-byte character waits for its second byte). With consume 0 the
// character stays (a peek).
int PopCharCode(uint8_t* out, int consume);

// A text-entry field of at most maxLength bytes (1 to 1024); flags: ESC may cancel it, it
// takes one-byte characters only, it takes the digits only. The handle, or -1.
int MakeKeyInput(int maxLength, int cancelAllowed, int singleByteOnly, int digitsOnly);
int DeleteKeyInput(int handle);
int DeleteAllKeyInputs();
// The field that takes the typed characters from now on (-1: none). Characters typed
// before it became active are dropped. 0, or -1 for a bad handle.
int SetActiveKeyInput(int handle);
// 0 while typing, 1 once ENTER ended it, 2 once ESC cancelled it, -1 for a bad handle.
int CheckKeyInputEnd(int handle);
// Copies the field's text (cut to fit, always 0-ended) into out; 0 or -1.
int GetKeyInputString(int handle, char* out, int outSize);
// Switches the input method for the main window on or off. 0.
int EnableIME(int on);

// With out null: the size a buffer needs for the clipboard's text; with out: copies the
// text (at most outSize bytes, 0-ended) and returns 0. -1 when there is no text or the
// clipboard cannot be opened.
int ReadClipboardText(char* out, int outSize);
// 0, or -1 when the clipboard cannot be opened or takes no text.
int WriteClipboardText(const char* text);

// Files dropped on the main window, in the order they came (at most 1000).
int GetDroppedFileCount();
// The name's address, valid until the window goes; null for an index out of range.
const char* GetDroppedFileName(int index);

}  // namespace orvik
