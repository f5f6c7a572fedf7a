// Typed characters: the ring of character codes the window procedure fills from WM_CHAR
// and the editing keys, read by text-entry fields.
#pragma once
#include <array>
#include <cstdint>

#include "host/win/types.h"

namespace orvik {

constexpr int kCharCodeBufferSize = 1025;

struct CharCodeBufferState {
    std::array<uint8_t, kCharCodeBufferSize> bytes{};
    int32_t read = 0, write = 0;
};

CharCodeBufferState& CharCodes();

int InitCharCodeBuffer();
// 0, or -1 when the buffer is full (the byte is dropped).
int PushCharCode(uint8_t code);
// Takes the next byte; 1, or 0 when the buffer is empty. With consume 0 it only looks.
int PopCharCode(uint8_t* out, int consume);
// The control code an editing key travels as, or 0 for other keys.
uint8_t EditKeyControlCode(uint32_t virtualKey);
int DeleteAllKeyInputs();
int ProcessKeyInput();
host::LRESULT HandleIMEMessage(host::HWND window, uint32_t message, host::WPARAM wParam, host::LPARAM lParam);

}  // namespace orvik
