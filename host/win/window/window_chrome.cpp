#include "host/win/window/window_chrome.h"

#include "host/win/window/chrome_state.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"

namespace host {

ChromeState& Chrome() {
    static ChromeState state;
    return state;
}

ChromeView ChromeViewOf(HWND window, int width, int height) {
    return ChromeView{window, GetMenu(window), FindToolbarOf(window), WindowChromeBands(window), width, height};
}

void CloseLists(ChromeState& s) {
    s.openTop = -1;
    s.lists.clear();
    s.hot.clear();
}

void EndMenuMode(ChromeState& s) {
    CloseLists(s);
    s.selectedTop = -1;
    s.keyboard = false;
}

void OpenList(ChromeState& s, const ChromeView& v, size_t depth, HMENU sub, int x, int y) {
    s.lists.resize(depth);
    s.hot.resize(depth);
    s.lists.push_back(LayoutMenuList(sub, x, y, v.width, v.height));
    s.hot.push_back(-1);
}

void OpenTopItem(ChromeState& s, const ChromeView& v, const std::vector<MenuItemBox>& bar, int index) {
    const MenuItemBox& item = bar[size_t(index)];
    CloseLists(s);
    s.selectedTop = index;
    if (!item.sub || item.grayed) return;
    s.openTop = index;
    OpenList(s, v, 0, item.sub, item.rect.x, kMenuBarHeight);
}

void ChooseItem(ChromeState& s, const ChromeView& v, const MenuItemBox& item) {
    const auto id = uint16_t(item.id);  // the item may lie in a list that closes now
    EndMenuMode(s);
    PostMessageA(v.window, WM_COMMAND, WPARAM(id), 0);
}

namespace {

// The deepest open list holding the point, or -1.
int ListAt(const ChromeState& s, int x, int y) {
    for (int i = int(s.lists.size()) - 1; i >= 0; --i)
        if (s.lists[size_t(i)].rect.Contains(x, y)) return i;
    return -1;
}

// A click on an item of open list `depth`.
void ClickListItem(ChromeState& s, const ChromeView& v, size_t depth, int x, int y) {
    const int index = BoxAt(s.lists[depth].items, x, y);
    if (index < 0) return;
    const MenuItemBox item = s.lists[depth].items[size_t(index)];
    if (item.separator || item.grayed) return;
    if (item.sub) OpenList(s, v, depth + 1, item.sub, item.rect.x + item.rect.w, item.rect.y - 1);
    else ChooseItem(s, v, item);
}

bool MenuDown(ChromeState& s, const ChromeView& v, int x, int y) {
    const std::vector<MenuItemBox> bar = v.menu ? LayoutMenuBar(v.menu) : std::vector<MenuItemBox>{};
    if (int list = ListAt(s, x, y); list >= 0) {
        ClickListItem(s, v, size_t(list), x, y);
        return true;
    }
    const int top = y < v.bands.menuBar ? BoxAt(bar, x, y) : -1;
    if (top >= 0) {
        const MenuItemBox& item = bar[size_t(top)];
        if (top == s.openTop) EndMenuMode(s);
        else if (item.sub) OpenTopItem(s, v, bar, top);
        else if (!item.separator && !item.grayed) ChooseItem(s, v, item);
        return true;
    }
    if (s.openTop >= 0 || s.selectedTop >= 0) {  // a click beside the open menu closes it and goes no further
        EndMenuMode(s);
        return true;
    }
    return y < v.bands.menuBar;
}

bool ToolbarDown(ChromeState& s, const ChromeView& v, int x, int y) {
    if (!v.toolbar || y < v.bands.menuBar || y >= v.bands.Total()) return false;
    const std::vector<ToolbarButtonBox> boxes = LayoutToolbar(v.toolbar, v.bands.menuBar);
    const int index = BoxAt(boxes, x, y);
    if (index >= 0) {
        const TBBUTTON& b = boxes[size_t(index)].button;
        if (!(b.fsStyle & BTNS_SEP) && (b.fsState & TBSTATE_ENABLED)) s.pressed = index;
    }
    return true;
}

// Follows the pointer through the open lists: the item under it is lit, a sub-menu under
// it opens, and another top-level item of the bar takes over the open list.
void TrackPointer(ChromeState& s, const ChromeView& v, int x, int y) {
    if (const int list = ListAt(s, x, y); list >= 0) {
        const auto depth = size_t(list);
        const int index = BoxAt(s.lists[depth].items, x, y);
        s.hot[depth] = index;
        if (index < 0) return;
        const MenuItemBox item = s.lists[depth].items[size_t(index)];
        const bool opensNext = item.sub && !item.grayed;
        if (opensNext && (s.lists.size() <= depth + 1 || s.lists[depth + 1].menu != item.sub))
            OpenList(s, v, depth + 1, item.sub, item.rect.x + item.rect.w, item.rect.y - 1);
        else if (!opensNext)
            s.lists.resize(depth + 1), s.hot.resize(depth + 1);
        return;
    }
    if (y >= v.bands.menuBar || !v.menu) return;
    const std::vector<MenuItemBox> bar = LayoutMenuBar(v.menu);
    const int top = BoxAt(bar, x, y);
    if (top >= 0 && top != s.openTop && bar[size_t(top)].sub) OpenTopItem(s, v, bar, top);
}

}  // namespace

ChromeBands WindowChromeBands(HWND window) {
    ChromeBands bands;
    if (!IsWindow(window)) return bands;
    if (GetMenu(window)) bands.menuBar = kMenuBarHeight;
    HWND toolbar = FindToolbarOf(window);
    if (toolbar && (uint32_t(GetWindowLongA(toolbar, GWL_STYLE)) & WS_VISIBLE)) bands.toolbar = kToolbarHeight;
    return bands;
}

bool ChromePointerDown(HWND window, int x, int y, int width, int height, bool* changed) {
    const ChromeView v = ChromeViewOf(window, width, height);
    return WithChromeState(window, changed, [&](ChromeState& s) { return MenuDown(s, v, x, y) || ToolbarDown(s, v, x, y); });
}

bool ChromePointerUp(HWND window, int x, int y, bool* changed) {
    HWND toolbar = FindToolbarOf(window);
    const ChromeBands bands = WindowChromeBands(window);
    int press = -1;
    const bool taken = WithChromeState(window, changed, [&](ChromeState& s) {
        if (s.pressed < 0) return false;
        if (toolbar && BoxAt(LayoutToolbar(toolbar, bands.menuBar), x, y) == s.pressed) press = s.pressed;
        s.pressed = -1;
        return true;
    });
    // Sent outside the lock: the window procedure may draw the chrome again.
    if (press >= 0) PressToolbarButton(toolbar, press);
    return taken;
}

bool ChromePointerMove(HWND window, int x, int y, int width, int height, bool* changed) {
    const ChromeView v = ChromeViewOf(window, width, height);
    return WithChromeState(window, changed, [&](ChromeState& s) {
        if (s.openTop < 0) return false;
        TrackPointer(s, v, x, y);
        return true;
    });
}

bool ChromeMenuOpen() {
    ChromeState& s = Chrome();
    std::lock_guard lock(s.mutex);
    return s.openTop >= 0;
}

void ResetWindowChrome() {
    ChromeState& s = Chrome();
    std::lock_guard lock(s.mutex);
    EndMenuMode(s);
    s.altAlone = false;
    s.pressed = -1;
    s.window = nullptr;
}

}  // namespace host
