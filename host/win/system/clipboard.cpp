#include "host/win/system/clipboard.h"

#include <cstring>
#include <string>

#include "host/backends/backend.h"
#include "host/win/system/codepage.h"

namespace host {

namespace {
struct ClipboardState {
    bool open = false;
    bool openFails = false;
    std::string localText;       // the text when the backend has no clipboard
    HGLOBAL handedOut = nullptr;  // the block GetClipboardData last gave, owned here
};
ClipboardState g_clip;

const Backend* ClipboardBackend() {
    const Backend* b = ActiveBackend();
    return b && (b->caps & kBackendHasClipboard) ? b : nullptr;
}

std::string CurrentText() {
    const Backend* b = ClipboardBackend();
    return b ? Utf8ToCp932(b->get_clipboard_text()) : g_clip.localText;
}

bool StoreText(const std::string& text) {
    const Backend* b = ClipboardBackend();
    if (b) return b->set_clipboard_text(Cp932ToUtf8(text).c_str());
    g_clip.localText = text;
    return true;
}

void DropHandedOut() {
    if (g_clip.handedOut) GlobalFree(g_clip.handedOut);
    g_clip.handedOut = nullptr;
}

// The text of a block: its bytes up to the first 0, never past its end.
std::string TextOf(HGLOBAL block) {
    const size_t size = GlobalSize(block);
    const auto* bytes = static_cast<const char*>(GlobalLock(block));
    if (!bytes) return {};
    std::string text(bytes, strnlen(bytes, size));
    GlobalUnlock(block);
    return text;
}
}  // namespace

BOOL OpenClipboard(HWND) {
    if (g_clip.open || g_clip.openFails) return 0;
    g_clip.open = true;
    return 1;
}

BOOL CloseClipboard() {
    if (!g_clip.open) return 0;
    g_clip.open = false;
    return 1;
}

BOOL EmptyClipboard() {
    if (!g_clip.open) return 0;
    DropHandedOut();
    return StoreText({});
}

BOOL IsClipboardFormatAvailable(uint32_t format) { return format == CF_TEXT && !CurrentText().empty(); }

HGLOBAL GetClipboardData(uint32_t format) {
    if (!g_clip.open || format != CF_TEXT) return nullptr;
    std::string text = CurrentText();
    if (text.empty()) return nullptr;
    DropHandedOut();
    HGLOBAL block = GlobalAlloc(GHND, text.size() + 1);
    if (auto* bytes = static_cast<char*>(GlobalLock(block))) {
        std::memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(block);
    }
    g_clip.handedOut = block;
    return block;
}

HGLOBAL SetClipboardData(uint32_t format, HGLOBAL block) {
    if (!g_clip.open || format != CF_TEXT || !GlobalSize(block)) return nullptr;
    if (!StoreText(TextOf(block))) return nullptr;
    GlobalFree(block);
    return block;
}

void SetClipboardOpenFails(bool fails) { g_clip.openFails = fails; }

void ResetClipboard() {
    DropHandedOut();
    g_clip = ClipboardState{};
}

}  // namespace host
