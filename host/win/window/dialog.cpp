#include "host/win/window/dialog.h"

#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"

namespace host {

BOOL IsDialogMessageA(HWND dialog, const MSG* msg) {
    if (!msg || !IsWindow(dialog) || (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd))) return 0;
    TranslateMessage(msg);
    DispatchMessageA(msg);
    return 1;
}

}  // namespace host
