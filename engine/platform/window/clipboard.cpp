// Plain text to and from the clipboard, for the main window.
#include <orvik/text_input.h>

#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/window/window.h"
#include "host/win/system/clipboard.h"

namespace orvik {

namespace {
// Holds the clipboard open for the main window while it lives.
class OpenedClipboard {
public:
    OpenedClipboard() : open_(host::OpenClipboard(Window().rt.mainWindow) != 0) {}
    ~OpenedClipboard() {
        if (open_) host::CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_;
};
}  // namespace

int ReadClipboardText(char* out, int outSize) {
    OpenedClipboard clipboard;
    if (!clipboard) return AddLogText("クリップボードを開けませんでした\n");
    if (!host::IsClipboardFormatAvailable(host::CF_TEXT)) return -1;
    host::HGLOBAL block = host::GetClipboardData(host::CF_TEXT);
    size_t size = host::GlobalSize(block);
    if (!out) return size ? int(size) + 1 : -1;
    // Refused before the lock: each lock wants its unlock.
    if (outSize < 1) return -1;
    const auto* text = static_cast<const char*>(host::GlobalLock(block));
    if (!text) return -1;
    // The copy stops at the text's end, the block's end and the caller's buffer.
    size_t n = std::min(strnlen(text, size), size_t(outSize) - 1);
    std::memcpy(out, text, n);
    out[n] = 0;
    host::GlobalUnlock(block);
    return 0;
}

int WriteClipboardText(const char* text) {
    if (!text) return AddLogText("クリップボードに渡す文字列がありません\n");
    size_t length = std::strlen(text);
    host::HGLOBAL block = host::GlobalAlloc(host::GHND, length + 1);
    auto* bytes = static_cast<char*>(host::GlobalLock(block));
    if (!bytes) {
        host::GlobalFree(block);
        return AddLogText("クリップボード用のメモリが確保できませんでした\n");
    }
    std::memcpy(bytes, text, length + 1);
    host::GlobalUnlock(block);
    OpenedClipboard clipboard;
    if (!clipboard || !host::EmptyClipboard() || !host::SetClipboardData(host::CF_TEXT, block)) {
        host::GlobalFree(block);
        return AddLogText("クリップボードに文字列を設定できませんでした\n");
    }
    return 0;
}

}  // namespace orvik
