#include "host/win/window/menu.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace host {

struct MenuItem {
    uint32_t type = MFT_STRING;
    uint32_t id = 0;
    uint32_t state = 0;
    HMENU sub = nullptr;
    std::string text;
};

struct MenuTag {
    std::vector<MenuItem> items;
};

namespace {
std::recursive_mutex g_menusLock;
std::set<HMENU> g_menus;

bool Live(HMENU menu) { return g_menus.count(menu) != 0; }

// Whether `target` is `menu` or lies somewhere below it.
bool Contains(HMENU menu, HMENU target) {
    if (menu == target) return true;
    for (const MenuItem& item : menu->items)
        if (item.sub && Contains(item.sub, target)) return true;
    return false;
}
}  // namespace

HMENU CreateMenu() {
    std::lock_guard hold(g_menusLock);
    return *g_menus.insert(new MenuTag).first;
}

BOOL AppendMenuA(HMENU menu, uint32_t flags, uintptr_t item, const char* text) {
    std::lock_guard hold(g_menusLock);
    if (!Live(menu)) return 0;
    MenuItem entry;
    if (flags & MF_SEPARATOR) {
        entry.type = MFT_SEPARATOR;
    } else {
        if (flags & MF_POPUP) {
            entry.sub = reinterpret_cast<HMENU>(item);
            // A menu may not end up inside itself.
            if (!Live(entry.sub) || Contains(entry.sub, menu)) return 0;
        } else {
            entry.id = uint32_t(item);
        }
        entry.text = text ? text : "";
        entry.state = (flags & MF_GRAYED ? MFS_GRAYED : 0) | (flags & MF_CHECKED ? MFS_CHECKED : 0);
    }
    menu->items.push_back(std::move(entry));
    return 1;
}

int GetMenuItemCount(HMENU menu) {
    std::lock_guard hold(g_menusLock);
    return Live(menu) ? int(menu->items.size()) : -1;
}

BOOL GetMenuItemInfoA(HMENU menu, uint32_t position, BOOL byPosition, MENUITEMINFOA* info) {
    std::lock_guard hold(g_menusLock);
    if (!Live(menu) || !byPosition || !info || position >= menu->items.size()) return 0;
    const MenuItem& item = menu->items[position];
    if (info->fMask & MIIM_FTYPE) info->fType = item.type;
    if (info->fMask & MIIM_STATE) info->fState = item.state;
    if (info->fMask & MIIM_ID) info->wID = item.id;
    if (info->fMask & MIIM_SUBMENU) info->hSubMenu = item.sub;
    if (info->fMask & MIIM_STRING) {
        if (info->dwTypeData && info->cch > 0) {
            size_t n = std::min<size_t>(item.text.size(), info->cch - 1);
            std::memcpy(info->dwTypeData, item.text.data(), n);
            info->dwTypeData[n] = 0;
        }
        info->cch = uint32_t(item.text.size());
    }
    return 1;
}

namespace {
// The item with the command id in the menu or below it (depth first), or null.
MenuItem* FindCommand(HMENU menu, uint32_t id) {
    for (MenuItem& item : menu->items) {
        if (item.sub) {
            if (MenuItem* found = FindCommand(item.sub, id)) return found;
        } else if (item.type != MFT_SEPARATOR && item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

// Sets or clears `bits` of the item's state; the previous state of those bits, or -1.
int32_t ChangeState(HMENU menu, uint32_t id, uint32_t bits, bool on) {
    std::lock_guard hold(g_menusLock);
    MenuItem* item = Live(menu) ? FindCommand(menu, id) : nullptr;
    if (!item) return -1;
    const uint32_t before = item->state & bits;
    item->state = on ? item->state | bits : item->state & ~bits;
    return int32_t(before);
}
}  // namespace

int32_t CheckMenuItem(HMENU menu, uint32_t id, uint32_t check) {
    const int32_t before = ChangeState(menu, id, MFS_CHECKED, check & MF_CHECKED);
    return before < 0 ? -1 : (before ? int32_t(MF_CHECKED) : 0);
}

int32_t EnableMenuItem(HMENU menu, uint32_t id, uint32_t enable) {
    const int32_t before = ChangeState(menu, id, MFS_GRAYED, enable & MF_GRAYED);
    return before < 0 ? -1 : (before ? int32_t(MF_GRAYED) : 0);
}

BOOL DestroyMenu(HMENU menu) {
    std::lock_guard hold(g_menusLock);
    if (!Live(menu)) return 0;
    for (const MenuItem& item : menu->items)
        if (item.sub) DestroyMenu(item.sub);
    g_menus.erase(menu);
    delete menu;
    return 1;
}

size_t CountLiveMenus() {
    std::lock_guard hold(g_menusLock);
    return g_menus.size();
}

}  // namespace host
