#include "engine/platform/window/window_menu.h"

#include <algorithm>
#include <cstring>

#include "engine/graphics/device/d3d_device.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/base/log.h"
#include "engine/platform/window/window_mode.h"
#include "host/win/window/desktop.h"
#include "host/win/window/menu.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {
using namespace host;

// In full screen the menu shows while the pointer is within this many pixels of the top.
constexpr int kNearTopPixels = 60;
// The listed item's text, read afresh from its menu; -1 when no listed item has the id.
int ReadListedText(uint32_t id, char* text) {
    for (const MenuListEntry& item : Window().rt.menuItems) {
        if (item.id != id) continue;
        MenuListEntry fresh;
        if (GetMenuItemByPos(item.menu, item.position, &fresh) != 0) return -1;
        std::memcpy(text, fresh.text, kMenuTextBytes);
        return 0;
    }
    return -1;
}

void RecordMenuChoice(uint32_t id) {
    auto& rt = Window().rt;
    auto chosen = rt.chosenMenuIds.begin(), end = chosen + rt.chosenMenuIdCount;
    if (std::find(chosen, end, id) != end || rt.chosenMenuIdCount == kChosenMenuIdCount) return;
    rt.chosenMenuIds[size_t(rt.chosenMenuIdCount++)] = id;
}
}  // namespace

int ShouldShowMenu() {
    auto& w = Window();
    if (!w.rt.mainWindow || !w.settings.menu || w.rt.menuHidden) return 0;
    return w.settings.menuAlwaysShow || w.settings.windowMode || w.rt.pointerNearTop;
}

void AttachMenuBar(bool attach) {
    auto& w = Window();
    if (!w.rt.mainWindow || !w.settings.menu) return;
    HMENU wanted = attach ? w.settings.menu : nullptr;
    w.rt.menuShown = attach;
    if (GetMenu(w.rt.mainWindow) == wanted) return;
    // The bar changes the client area; the window is fitted around the picture again.
    w.rt.ownResize = 1;
    SetMenu(w.rt.mainWindow, wanted);
    w.rt.ownResize = 0;
}

int ApplyMenuVisibility(int hide) {
    auto& w = Window();
    if (!w.settings.menu) return 0;
    w.rt.menuHidden = hide ? 1 : 0;
    int show = ShouldShowMenu();
    if (show == w.rt.menuShown || !w.rt.mainWindow) return 0;
    AttachMenuBar(show != 0);
    if (w.settings.windowMode) ChangeWindowStyle();
    UpdateWindow(w.rt.mainWindow);
    return 0;
}

void AutoShowMenuInFullScreen() {
    auto& w = Window();
    if (w.settings.windowMode || !w.rt.mainWindow) return;
    POINT p;
    GetCursorPos(&p);
    if (Graphics().direct3DMode) {
        if (w.settings.menu && !w.rt.menuShown) AttachMenuBar(true);
        if (p.y > kNearTopPixels) SetCursorVisibility(-1);
        return;
    }
    w.rt.pointerNearTop = p.y < kNearTopPixels;
    SetDialogBoxModeFlag(0);
    SetCursorVisibility(-1);
    // The hide request stays as it is: only the pointer decides here.
    ApplyMenuVisibility(w.rt.menuHidden);
}

void RemoveMenuBar() {
    auto& w = Window();
    if (!w.settings.menu) return;
    AttachMenuBar(false);
    DestroyMenu(w.settings.menu);
    w.settings.menu = nullptr;
    w.rt.menuItems.clear();
}

int ListMenuItems(HMENU menu) {
    int count = GetMenuItemCount(menu);
    if (count < 0) return AddLogText("メニューの項目を読み取れませんでした in ListMenuItems\n");
    auto& items = Window().rt.menuItems;
    for (int position = 0; position < count; ++position) {
        MenuListEntry entry;
        int kind = GetMenuItemByPos(menu, position, &entry);
        if (kind != 0) continue;
        items.push_back(entry);
        MENUITEMINFOA info;
        info.fMask = MIIM_SUBMENU;
        if (GetMenuItemInfoA(menu, uint32_t(position), 1, &info) && info.hSubMenu &&
            ListMenuItems(info.hSubMenu) < 0)
            return -1;
    }
    return 0;
}

int GetMenuItemByPos(HMENU menu, int position, MenuListEntry* out) {
    if (!out || position < 0) return -1;
    MENUITEMINFOA info;
    info.fMask = MIIM_FTYPE;
    if (!GetMenuItemInfoA(menu, uint32_t(position), 1, &info)) return -1;
    if (info.fType & MFT_SEPARATOR) return 1;
    info.fMask = MIIM_ID | MIIM_STRING;
    info.dwTypeData = out->text;
    info.cch = kMenuTextBytes;
    if (!GetMenuItemInfoA(menu, uint32_t(position), 1, &info)) return -1;
    out->menu = menu;
    out->position = position;
    out->id = info.wID;
    return 0;
}

int GetMenuItemTextById(uint32_t id, char* text) {
    if (!text) return AddLogText("テキストの格納先がありません in GetMenuItemTextById\n");
    if (!Window().settings.menu) return AddLogText("メニューがありません in GetMenuItemTextById\n");
    if (ReadListedText(id, text) < 0) return AddLogFormat("ID %u のメニュー項目がありません in GetMenuItemTextById", id);
    return 0;
}

void HandleMenuCommand(uint32_t id) {
    auto& s = Window().settings;
    if (s.menuCallback) {
        // An accelerator's command may have no menu item: its text is empty then.
        char text[kMenuTextBytes] = {};
        if (s.menu) ReadListedText(id, text);
        s.menuCallback(text, int(id), s.menuUser);
    }
    RecordMenuChoice(id);
}

}  // namespace orvik
