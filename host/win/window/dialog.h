// Modeless dialogs: a message meant for the dialog or one of its controls is handled by it.
#pragma once
#include "host/win/system/types.h"

namespace host {

// A message of `dialog` or of a window inside it is translated and dispatched: 1. A
// message of any other window is left to the caller: 0.
BOOL IsDialogMessageA(HWND dialog, const MSG* msg);

}  // namespace host
