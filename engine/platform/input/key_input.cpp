#include "engine/platform/input/key_input.h"

#include <orvik/text_input.h>

#include <algorithm>
#include <cstring>

#include "engine/graphics/draw/color_data.h"
#include "engine/platform/input/ime.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/input/text_input.h"
#include "engine/platform/startup/timing.h"

namespace orvik {

namespace {
KeyInputState g_keyInputs;

int32_t HandleOf(int slot) {
    return kKeyInputHandleType | int32_t(g_keyInputs.records[size_t(slot)].check << 16) | slot;
}

void SetFieldColors() {
    const int rgb[kKeyInputColorCount][3] = {
        {255, 255, 255}, {255, 255, 0}, {255, 255, 255}, {0, 255, 255}, {255, 255, 255},
        {255, 0, 0},     {255, 255, 20}, {0, 0, 0},      {0, 0, 0},     {0, 0, 0},
        {255, 255, 0},   {0, 0, 0},     {255, 255, 255}, {0, 0, 0},     {128, 128, 128},
    };
    for (int i = 0; i < kKeyInputColorCount; ++i)
        g_keyInputs.colors[size_t(i)] = GetColorValue(rgb[i][0], rgb[i][1], rgb[i][2]);
}

// The record of a handle a caller gave, or null with a log line naming the call.
KeyInputRecord* CallersKeyInput(int handle, const char* call) {
    KeyInputRecord* r = FindKeyInput(handle);
    if (!r) AddLogFormat("キー入力ハンドルが不正です %x in %s", unsigned(handle), call);
    return r;
}

// Fields that take two-byte text want the input method; others want it off.
bool TakesTwoByteText(const KeyInputRecord& r) { return !r.singleByteOnly && !r.digitsOnly; }
}  // namespace

KeyInputState& KeyInputs() { return g_keyInputs; }

void ResetKeyInputState() {
    for (KeyInputRecord& r : g_keyInputs.records)
        if (r.text) TrackedFree(r.text);
    g_keyInputs = KeyInputState{};
    SetFieldColors();
}

KeyInputRecord* FindKeyInput(int handle) {
    if (handle < 0 || (handle & 0x78000000) != kKeyInputHandleType) return nullptr;
    int slot = handle & 0xFFFF;
    if (slot >= kKeyInputCount) return nullptr;
    KeyInputRecord& r = g_keyInputs.records[size_t(slot)];
    if (!r.inUse || r.check != ((uint32_t(handle) >> 16) & 0x7FF)) return nullptr;
    return &r;
}

void ResetCursorBlink() {
    g_keyInputs.blinkTime = GetNowMilliseconds();
    g_keyInputs.blinkVisible = 1;
}

void DeleteSelectedText(KeyInputRecord& r) {
    int from = std::clamp(std::min(r.selectionStart, r.selectionEnd), 0, r.length);
    int to = std::clamp(std::max(r.selectionStart, r.selectionEnd), from, r.length);
    std::memmove(r.text + from, r.text + to, size_t(r.length - to + 1));
    r.length -= to - from;
    r.cursor = from;
    r.selectionStart = r.selectionEnd = -1;
}

int MakeKeyInput(int maxLength, int cancelAllowed, int singleByteOnly, int digitsOnly) {
    if (maxLength < 1 || maxLength > kKeyInputMaxLength)
        return AddLogFormat("キー入力の最大文字数が不正です( %d バイト )", maxLength);
    auto& records = g_keyInputs.records;
    auto free = std::find_if(records.begin(), records.end(), [](const KeyInputRecord& r) { return !r.inUse; });
    if (free == records.end()) return AddLogText("キー入力ハンドルが足りません\n");
    auto* text = static_cast<char*>(ORVIK_TRACKED_CALLOC(size_t(maxLength) + 1));
    if (!text) return AddLogText("キー入力の文字列バッファが確保できませんでした\n");
    *free = KeyInputRecord{};
    free->inUse = 1;
    free->check = g_keyInputs.checkCounter;
    g_keyInputs.checkCounter = (g_keyInputs.checkCounter + 1) % 2048;
    free->maxLength = maxLength;
    free->text = text;
    free->cancelAllowed = cancelAllowed != 0;
    free->singleByteOnly = singleByteOnly != 0;
    free->digitsOnly = digitsOnly != 0;
    return HandleOf(int(free - records.begin()));
}

int DeleteKeyInput(int handle) {
    KeyInputRecord* r = CallersKeyInput(handle, "DeleteKeyInput");
    if (!r) return -1;
    TrackedFree(r->text);
    *r = KeyInputRecord{};
    if (g_keyInputs.active == handle) g_keyInputs.active = -1;
    auto& records = g_keyInputs.records;
    if (std::none_of(records.begin(), records.end(), [](const KeyInputRecord& k) { return k.inUse; })) EnableIME(0);
    return 0;
}

int DeleteAllKeyInputs() {
    for (int slot = 0; slot < kKeyInputCount; ++slot)
        if (g_keyInputs.records[size_t(slot)].inUse) DeleteKeyInput(HandleOf(slot));
    // A candidate list kept from the input method goes too, so nothing outlives the window.
    FreeIMECandidateList();
    g_keyInputs.active = -1;
    return 0;
}

int SetActiveKeyInput(int handle) {
    KeyInputRecord* r = handle == -1 ? nullptr : CallersKeyInput(handle, "SetActiveKeyInput");
    if (handle != -1 && !r) return -1;
    g_keyInputs.active = handle;
    CharCodes() = CharCodeBufferState{};
    if (r) EnableIME(TakesTwoByteText(*r));
    ResetCursorBlink();
    return 0;
}

int CheckKeyInputEnd(int handle) {
    const KeyInputRecord* r = CallersKeyInput(handle, "CheckKeyInputEnd");
    if (!r) return -1;
    return r->cancelled ? 2 : r->ended ? 1 : 0;
}

int GetKeyInputString(int handle, char* out, int outSize) {
    const KeyInputRecord* r = CallersKeyInput(handle, "GetKeyInputString");
    if (!r || !out || outSize < 1) return -1;
    int n = r->length;
    while (n > outSize - 1) n -= CharSizeEndingAt(r->text, n);  // cut between characters
    std::memcpy(out, r->text, size_t(n));
    out[n] = 0;
    return 0;
}

}  // namespace orvik
