// The character buffer of typed text. No key-input field exists in this program, so the
// editing step has nothing to do and IME messages take their default handling.
#include "engine/platform/text_input.h"

#include "engine/platform/log.h"
#include "host/dinput/key_codes.h"
#include "host/win/window.h"

namespace orvik {

namespace {
CharCodeBufferState g_codes;

struct EditKeyRow {
    uint8_t vk, code;
};
constexpr EditKeyRow kEditKeyCodeTable[] = {
    {host::VK_DELETE, 0x10}, {host::VK_LEFT, 0x1D}, {host::VK_RIGHT, 0x1C},
    {host::VK_UP, 0x1E},     {host::VK_DOWN, 0x1F}, {host::VK_HOME, 0x1A},
    {host::VK_END, 0x19},    {host::VK_PRIOR, 0x17}, {host::VK_NEXT, 0x15},
    {0, 0},
};

int Next(int position) { return (position + 1) % kCharCodeBufferSize; }
}  // namespace

CharCodeBufferState& CharCodes() { return g_codes; }

int InitCharCodeBuffer() {
    AddLogText("文字コードバッファの初期化を行います... ");
    g_codes = CharCodeBufferState{};
    AddLogText("完了しました\n");
    return 0;
}

int PushCharCode(uint8_t code) {
    if (Next(g_codes.write) == g_codes.read) return -1;
    g_codes.bytes[size_t(g_codes.write)] = code;
    g_codes.write = Next(g_codes.write);
    return 0;
}

int PopCharCode(uint8_t* out, int consume) {
    if (g_codes.read == g_codes.write) return 0;
    if (out) *out = g_codes.bytes[size_t(g_codes.read)];
    if (consume) g_codes.read = Next(g_codes.read);
    return 1;
}

uint8_t EditKeyControlCode(uint32_t virtualKey) {
    for (const EditKeyRow* row = kEditKeyCodeTable; row->vk; ++row)
        if (row->vk == virtualKey) return row->code;
    return 0;
}

int DeleteAllKeyInputs() { return 0; }
int ProcessKeyInput() { return 0; }

host::LRESULT HandleIMEMessage(host::HWND window, uint32_t message, host::WPARAM wParam, host::LPARAM lParam) {
    return host::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace orvik
