// The clipboard: one program opens it at a time, text is handed over as CF_TEXT global
// memory blocks in the system code page. The backend's clipboard (the desktop's, in
// UTF-8) holds the text when it has one; otherwise the text stays in this process.
#pragma once
#include "host/win/system/global_memory.h"
#include "host/win/system/types.h"

namespace host {

constexpr uint32_t CF_TEXT = 1;

// Fails while the clipboard is open already, or when made to fail.
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
BOOL IsClipboardFormatAvailable(uint32_t format);
// The text as a block the clipboard keeps owning (until it next changes); null when
// there is no text or the clipboard is not open.
HGLOBAL GetClipboardData(uint32_t format);
// The clipboard takes the block (the text up to its 0 byte); null on failure, and the
// block stays the caller's.
HGLOBAL SetClipboardData(uint32_t format, HGLOBAL block);

// Tests: a clipboard that cannot be opened, and everything back to a closed, empty one.
void SetClipboardOpenFails(bool fails);
void ResetClipboard();

}  // namespace host
