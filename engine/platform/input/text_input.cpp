#include "engine/platform/input/text_input.h"

#include "engine/platform/base/charset.h"
#include "engine/platform/input/ime.h"
#include "engine/platform/input/key_input.h"
#include "engine/platform/base/log.h"
#include "host/dinput/key_codes.h"

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

int FreeBytes() {
    int used = (g_codes.write - g_codes.read + kCharCodeBufferSize) % kCharCodeBufferSize;
    return kCharCodeBufferSize - 1 - used;
}
}  // namespace

CharCodeBufferState& CharCodes() { return g_codes; }

int InitCharCodeBuffer() {
    AddLogText("文字コードバッファの初期化を行います... ");
    g_codes = CharCodeBufferState{};
    ResetKeyInputState();
    ResetIMEState();
    AddLogText("完了しました\n");
    return 0;
}

int PushCharCode(uint8_t code) {
    if (FreeBytes() == 0) return -1;
    g_codes.bytes[size_t(g_codes.write)] = code;
    g_codes.write = Next(g_codes.write);
    return 0;
}

int PushTypedByte(uint8_t code) {
    if (g_codes.trail != CharCodeBufferState::kNoTrail) {
        bool keep = g_codes.trail == CharCodeBufferState::kKeepTrail;
        g_codes.trail = CharCodeBufferState::kNoTrail;
        return keep ? PushCharCode(code) : -1;
    }
    if (!IsLeadByte(code)) return PushCharCode(code);
    if (FreeBytes() < 2) {
        g_codes.trail = CharCodeBufferState::kDropTrail;
        return -1;
    }
    g_codes.trail = CharCodeBufferState::kKeepTrail;
    return PushCharCode(code);
}

int PushCharText(const char* text, int length) {
    int taken = 0;
    while (taken < length) {
        int n = CharSizeAt(text, taken, length);
        if (FreeBytes() < n) break;
        for (int i = 0; i < n; ++i) PushCharCode(uint8_t(text[taken + i]));
        taken += n;
    }
    return taken;
}

int PopCharCode(uint8_t* out, int consume) {
    if (g_codes.read == g_codes.write) return 0;
    uint8_t first = g_codes.bytes[size_t(g_codes.read)];
    int count = 1;
    if (!IsEditKeyCode(first) && IsLeadByte(first)) {
        // The second byte has not come yet: the character waits whole.
        if (Next(g_codes.read) == g_codes.write) return 0;
        count = 2;
    }
    int at = g_codes.read;
    for (int i = 0; i < count; ++i, at = Next(at))
        if (out) out[i] = g_codes.bytes[size_t(at)];
    if (consume) g_codes.read = at;
    return count;
}

int CharSizeAt(const char* text, int at, int length) {
    return at + 1 < length && IsLeadByte(uint8_t(text[at])) ? 2 : 1;
}

int CharSizeEndingAt(const char* text, int end) {
    int start = 0, size = 0;
    while (start < end) {
        size = CharSizeAt(text, start, end);
        start += size;
    }
    return size;
}

int IsEditKeyCode(uint8_t code) {
    for (const EditKeyRow* row = kEditKeyCodeTable; row->vk; ++row)
        if (row->code == code) return 1;
    return 0;
}

uint8_t EditKeyControlCode(uint32_t virtualKey) {
    for (const EditKeyRow* row = kEditKeyCodeTable; row->vk; ++row)
        if (row->vk == virtualKey) return row->code;
    return 0;
}

}  // namespace orvik
