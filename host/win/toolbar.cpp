#include "host/win/toolbar.h"

#include <map>
#include <mutex>

#include "host/win/message_queue.h"
#include "host/win/window.h"

namespace host {

namespace {
constexpr const char* kToolbarClass = "ToolbarWindow32";

std::mutex g_mutex;
std::map<uintptr_t, std::vector<TBBUTTON>> g_buttons;  // by toolbar window

LRESULT ToolbarProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    std::unique_lock lock(g_mutex);
    auto it = g_buttons.find(IdFromHandle(window));
    switch (message) {
    case TB_BUTTONCOUNT:
        return it == g_buttons.end() ? 0 : LRESULT(it->second.size());
    case TB_DELETEBUTTON:
        if (it == g_buttons.end() || wParam >= it->second.size()) return 0;
        it->second.erase(it->second.begin() + std::ptrdiff_t(wParam));
        return 1;
    case WM_NCDESTROY:
        if (it != g_buttons.end()) g_buttons.erase(it);
        return 0;
    default:
        lock.unlock();
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
}  // namespace

HWND CreateToolbarEx(HWND parent, uint32_t, const TBBUTTON* buttons, int count) {
    RECT client;
    if (!GetClientRect(parent, &client) || count < 0 || (count > 0 && !buttons)) return nullptr;
    WNDCLASSEXA wc;
    wc.lpfnWndProc = ToolbarProc;
    wc.lpszClassName = kToolbarClass;
    RegisterClassExA(&wc);  // once per process; a second registration is refused harmlessly
    HWND toolbar = CreateWindowExA(0, kToolbarClass, "", 0, 0, 0, client.right, kToolbarHeight, parent, nullptr,
                                   nullptr, nullptr);
    if (!toolbar) return nullptr;
    std::lock_guard lock(g_mutex);
    g_buttons[IdFromHandle(toolbar)] = std::vector<TBBUTTON>(buttons, buttons + count);
    return toolbar;
}

std::vector<TBBUTTON> GetToolbarButtons(HWND toolbar) {
    std::lock_guard lock(g_mutex);
    auto it = g_buttons.find(IdFromHandle(toolbar));
    return it == g_buttons.end() ? std::vector<TBBUTTON>{} : it->second;
}

bool PressToolbarButton(HWND toolbar, int index) {
    std::vector<TBBUTTON> buttons = GetToolbarButtons(toolbar);
    if (index < 0 || size_t(index) >= buttons.size()) return false;
    const TBBUTTON& b = buttons[size_t(index)];
    if ((b.fsStyle & BTNS_SEP) || !(b.fsState & TBSTATE_ENABLED)) return false;
    SendMessageA(GetParent(toolbar), WM_COMMAND, WPARAM(uint16_t(b.idCommand)), LPARAM(IdFromHandle(toolbar)));
    return true;
}

}  // namespace host
