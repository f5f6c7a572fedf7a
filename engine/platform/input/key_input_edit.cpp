// The editing step of the pump: typed characters and editing keys applied to the active
// text-entry field. Positions always fall between whole characters: a two-byte character
// is stepped over, deleted and cut as one.
#include <orvik/input.h>
#include <orvik/text_input.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/platform/input/ime.h"
#include "engine/platform/input/key_input.h"
#include "engine/platform/input/text_input.h"

namespace orvik {

namespace {
enum : uint8_t {
    kCopy = 3, kBackspace = 8, kTab = 9, kEnter = 13, kDelete = 0x10, kPaste = 0x16, kCut = 0x18,
    kEnd = 0x19, kHome = 0x1A, kEscape = 0x1B, kRight = 0x1C, kLeft = 0x1D, kUp = 0x1E, kDown = 0x1F,
};

int CharSizeAt(const KeyInputRecord& r, int at) { return orvik::CharSizeAt(r.text, at, r.length); }

int CharSizeBefore(const KeyInputRecord& r, int at) { return CharSizeEndingAt(r.text, at); }

bool HasSelection(const KeyInputRecord& r) {
    return r.selectionStart >= 0 && r.selectionEnd >= 0 && r.selectionStart != r.selectionEnd;
}

bool ShiftHeld() { return IsKeyHeld(KEY_LSHIFT) || IsKeyHeld(KEY_RSHIFT); }

void RemoveBytes(KeyInputRecord& r, int at, int count) {
    std::memmove(r.text + at, r.text + at + count, size_t(r.length - at - count + 1));
    r.length -= count;
    if (r.cursor > at) r.cursor = r.cursor >= at + count ? r.cursor - count : at;
}

// The cursor moves; with SHIFT the selection grows from where it was, else it goes.
void MoveCursor(KeyInputRecord& r, int to) {
    if (ShiftHeld()) {
        if (r.selectionStart < 0) r.selectionStart = r.cursor;
        r.selectionEnd = to;
    } else {
        r.selectionStart = r.selectionEnd = -1;
    }
    r.cursor = to;
}

void CopySelection(const KeyInputRecord& r) {
    if (!HasSelection(r)) return;
    int from = std::min(r.selectionStart, r.selectionEnd), to = std::max(r.selectionStart, r.selectionEnd);
    std::string text(r.text + from, size_t(to - from));
    WriteClipboardText(text.c_str());
}

void DeleteBackward(KeyInputRecord& r) {
    if (HasSelection(r)) return DeleteSelectedText(r);
    if (r.cursor > 0) {
        int size = CharSizeBefore(r, r.cursor);
        RemoveBytes(r, r.cursor - size, size);
    }
}

void DeleteForward(KeyInputRecord& r) {
    if (HasSelection(r)) return DeleteSelectedText(r);
    if (r.cursor < r.length) RemoveBytes(r, r.cursor, CharSizeAt(r, r.cursor));
}

bool Accepts(const KeyInputRecord& r, const uint8_t* bytes, int count) {
    if (count > r.maxLength) return false;
    if (r.digitsOnly) return count == 1 && bytes[0] >= '0' && bytes[0] <= '9';
    return !(r.singleByteOnly && count != 1);
}

// A character typed at the cursor: the selection goes first, and while the text would
// grow past its maximum, whole characters come off its end.
void Insert(KeyInputRecord& r, const uint8_t* bytes, int count) {
    if (!Accepts(r, bytes, count)) return;
    if (HasSelection(r)) DeleteSelectedText(r);
    r.selectionStart = r.selectionEnd = -1;
    while (r.length + count > r.maxLength) {
        int size = CharSizeBefore(r, r.length);
        RemoveBytes(r, r.length - size, size);
    }
    std::memmove(r.text + r.cursor + count, r.text + r.cursor, size_t(r.length - r.cursor + 1));
    std::memcpy(r.text + r.cursor, bytes, size_t(count));
    r.length += count;
    r.cursor += count;
}

// The clipboard's text typed in, character by character; its control codes (line ends)
// are left out, as a field holds one line.
void Paste(KeyInputRecord& r) {
    int size = ReadClipboardText(nullptr, 0);
    if (size <= 0) return;
    std::vector<char> text(size_t(size), 0);
    if (ReadClipboardText(text.data(), size) != 0) return;
    int length = int(std::strlen(text.data()));
    for (int at = 0; at < length;) {
        int n = orvik::CharSizeAt(text.data(), at, length);
        if (uint8_t(text[size_t(at)]) >= 0x20) Insert(r, reinterpret_cast<const uint8_t*>(&text[size_t(at)]), n);
        at += n;
    }
}

void Apply(KeyInputRecord& r, const uint8_t* bytes, int count) {
    if (count == 2) return Insert(r, bytes, 2);
    switch (bytes[0]) {
    case kCopy: CopySelection(r); break;
    case kBackspace: DeleteBackward(r); break;
    case kEnter: r.ended = 1; break;
    case kTab: case kUp: case kDown: break;
    case kDelete: DeleteForward(r); break;
    case kPaste: Paste(r); break;
    case kCut:
        CopySelection(r);
        if (HasSelection(r)) DeleteSelectedText(r);
        break;
    case kEnd: MoveCursor(r, r.length); break;
    case kHome: MoveCursor(r, 0); break;
    case kEscape:
        if (r.cancelAllowed) r.cancelled = r.ended = 1;
        break;
    case kRight:
        if (r.cursor < r.length) MoveCursor(r, r.cursor + CharSizeAt(r, r.cursor));
        else MoveCursor(r, r.cursor);
        break;
    case kLeft:
        if (r.cursor > 0) MoveCursor(r, r.cursor - CharSizeBefore(r, r.cursor));
        else MoveCursor(r, r.cursor);
        break;
    default: Insert(r, bytes, 1); break;
    }
}
}  // namespace

int ProcessKeyInput() {
    ReopenIMEIfAsked();
    KeyInputState& k = KeyInputs();
    if (k.active == -1) return 0;
    KeyInputRecord* r = FindKeyInput(k.active);
    if (!r) return -1;
    uint8_t bytes[2];
    // An ended field leaves what follows ENTER for the next one.
    for (int count; !r->ended && (count = PopCharCode(bytes, 1)) > 0;) {
        Apply(*r, bytes, count);
        ResetCursorBlink();
    }
    return 0;
}

}  // namespace orvik
