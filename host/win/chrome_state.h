// What the user has open or held on a window's menu bar and toolbar (shared by the
// pointer handling and the drawing of the chrome).
#pragma once
#include <mutex>
#include <vector>

#include "host/win/chrome_layout.h"

namespace host {

struct ChromeState {
    std::recursive_mutex mutex;
    HWND window = nullptr;
    int openTop = -1;                 // the top-level item whose list is open
    std::vector<MenuListBox> lists;   // the open lists, the top-level one first
    std::vector<int> hot;             // per list, the item under the pointer (-1 none)
    int pressed = -1;                 // the toolbar button held down
};

ChromeState& Chrome();

}  // namespace host
