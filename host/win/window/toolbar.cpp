#include "host/win/window/toolbar.h"

#include <map>
#include <mutex>

#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"

namespace host {

namespace {
constexpr const char* kToolbarClass = "ToolbarWindow32";

struct ToolbarRecord {
    std::vector<TBBUTTON> buttons;
    HBITMAP bitmap = nullptr;
};

std::mutex g_mutex;
std::map<uintptr_t, ToolbarRecord> g_toolbars;  // by toolbar window

LRESULT ToolbarProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    std::unique_lock lock(g_mutex);
    auto it = g_toolbars.find(IdFromHandle(window));
    switch (message) {
    case TB_BUTTONCOUNT:
        return it == g_toolbars.end() ? 0 : LRESULT(it->second.buttons.size());
    case TB_DELETEBUTTON: {
        if (it == g_toolbars.end() || wParam >= it->second.buttons.size()) return 0;
        auto& buttons = it->second.buttons;
        buttons.erase(buttons.begin() + std::ptrdiff_t(wParam));
        return 1;
    }
    case WM_NCDESTROY:
        if (it != g_toolbars.end()) g_toolbars.erase(it);
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
    g_toolbars[IdFromHandle(toolbar)].buttons.assign(buttons, buttons + count);
    return toolbar;
}

BOOL SetToolbarBitmap(HWND toolbar, HBITMAP bitmap) {
    std::lock_guard lock(g_mutex);
    auto it = g_toolbars.find(IdFromHandle(toolbar));
    if (it == g_toolbars.end()) return 0;
    it->second.bitmap = bitmap;
    return 1;
}

HBITMAP GetToolbarBitmap(HWND toolbar) {
    std::lock_guard lock(g_mutex);
    auto it = g_toolbars.find(IdFromHandle(toolbar));
    return it == g_toolbars.end() ? nullptr : it->second.bitmap;
}

HWND FindToolbarOf(HWND parent) {
    std::vector<uintptr_t> ids;
    {
        std::lock_guard lock(g_mutex);
        for (const auto& entry : g_toolbars) ids.push_back(entry.first);
    }
    for (uintptr_t id : ids) {
        HWND toolbar = HandleFromId<HWND>(id);
        if (GetParent(toolbar) == parent) return toolbar;
    }
    return nullptr;
}

std::vector<TBBUTTON> GetToolbarButtons(HWND toolbar) {
    std::lock_guard lock(g_mutex);
    auto it = g_toolbars.find(IdFromHandle(toolbar));
    return it == g_toolbars.end() ? std::vector<TBBUTTON>{} : it->second.buttons;
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
