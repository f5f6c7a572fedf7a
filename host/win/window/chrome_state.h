// What the user has open or held on a window's menu bar and toolbar (shared by the
// pointer handling and the drawing of the chrome).
#pragma once
#include <mutex>
#include <vector>

#include "host/win/window/chrome_layout.h"
#include "host/win/window/window_chrome.h"

namespace host {

struct ChromeState {
    std::recursive_mutex mutex;
    HWND window = nullptr;
    int openTop = -1;                 // the top-level item whose list is open
    std::vector<MenuListBox> lists;   // the open lists, the top-level one first
    std::vector<int> hot;             // per list, the item under the pointer (-1 none)
    int pressed = -1;                 // the toolbar button held down
    int selectedTop = -1;             // the top-level item the keyboard has lit (-1 none)
    bool keyboard = false;            // the keyboard works the menu: access keys are underlined
    bool altAlone = false;            // ALT is down and no other key came since
};

ChromeState& Chrome();

// The window's chrome as one step sees it: its picture is width x height pixels.
struct ChromeView {
    HWND window;
    HMENU menu;
    HWND toolbar;
    ChromeBands bands;
    int width, height;
};
ChromeView ChromeViewOf(HWND window, int width, int height);

void CloseLists(ChromeState& s);
// Closes the lists and leaves the menu: nothing on the bar stays lit.
void EndMenuMode(ChromeState& s);
// Opens the list of `sub` as the one after list `depth - 1` (0: the top-level list).
void OpenList(ChromeState& s, const ChromeView& v, size_t depth, HMENU sub, int x, int y);
void OpenTopItem(ChromeState& s, const ChromeView& v, const std::vector<MenuItemBox>& bar, int index);
// Leaves the menu and sends the item's command.
void ChooseItem(ChromeState& s, const ChromeView& v, const MenuItemBox& item);

// Runs `step` on the window's state and reports whether what is drawn changed.
template <typename Step>
bool WithChromeState(HWND window, bool* changed, Step step) {
    ChromeState& s = Chrome();
    std::lock_guard lock(s.mutex);
    if (s.window != window) {
        EndMenuMode(s);
        s.pressed = -1;
        s.window = window;
    }
    const int openTop = s.openTop, pressed = s.pressed, selectedTop = s.selectedTop;
    const bool keyboard = s.keyboard;
    const size_t lists = s.lists.size();
    const std::vector<int> hot = s.hot;
    const bool taken = step(s);
    if (changed)
        *changed = openTop != s.openTop || pressed != s.pressed || lists != s.lists.size() || hot != s.hot ||
                   selectedTop != s.selectedTop || keyboard != s.keyboard;
    return taken;
}

}  // namespace host
