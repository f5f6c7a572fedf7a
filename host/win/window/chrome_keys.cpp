// The menu worked from the keyboard: the bar lit without a list, the lists walked with the
// arrows, access keys, and the same WM_COMMAND a click sends.
#include "host/dinput/key_codes.h"
#include "host/win/window/chrome_state.h"
#include "host/win/window/window.h"
#include "host/win/window/window_chrome.h"

namespace host {

namespace {

constexpr uint8_t kF10 = VK_F1 + 9;

bool IsAlt(uint8_t vk) { return vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU; }

// The next selectable item from `from` in direction `step` (+1 or -1), round the end; from
// -1 the first (or the last). -1 when none can be chosen.
int NextSelectable(const std::vector<MenuItemBox>& items, int from, int step) {
    const int n = int(items.size());
    const int start = from >= 0 ? from : (step > 0 ? -1 : n);
    for (int i = 1; i <= n; ++i) {
        const int at = ((start + step * i) % n + n) % n;
        if (items[size_t(at)].Selectable()) return at;
    }
    return -1;
}

// The first selectable item whose access key is the key's letter, or -1.
int AccessItem(const std::vector<MenuItemBox>& items, uint8_t vk) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].accessKey && uint8_t(items[i].accessKey) == vk && items[i].Selectable()) return int(i);
    return -1;
}

struct MenuKeys {
    ChromeState& s;
    const ChromeView& v;
    std::vector<MenuItemBox> bar;

    int Lit() const { return s.openTop >= 0 ? s.openTop : s.selectedTop; }

    void LightBar() {
        const int first = NextSelectable(bar, -1, 1);
        if (first < 0) return;
        CloseLists(s);
        s.selectedTop = first;
        s.keyboard = true;
    }

    // Opens the bar's item with its first item lit, or chooses a command on the bar.
    void OpenTop(int index) {
        s.keyboard = true;
        const MenuItemBox& item = bar[size_t(index)];
        if (!item.sub) return ChooseItem(s, v, item);
        OpenTopItem(s, v, bar, index);
        if (!s.lists.empty()) s.hot[0] = NextSelectable(s.lists[0].items, -1, 1);
    }

    // Opens the sub-menu of an item of the deepest list, or chooses the item (a copy: the
    // lists change under it).
    void Enter(MenuItemBox item) {
        if (!item.sub) return ChooseItem(s, v, item);
        OpenList(s, v, s.lists.size(), item.sub, item.rect.x + item.rect.w, item.rect.y - 1);
        s.hot.back() = NextSelectable(s.lists.back().items, -1, 1);
    }

    const MenuItemBox* HotItem() const {
        if (s.lists.empty() || s.hot.back() < 0) return nullptr;
        return &s.lists.back().items[size_t(s.hot.back())];
    }

    void MoveAlongBar(int step) {
        const int next = NextSelectable(bar, Lit(), step);
        if (next < 0) return;
        // From an open list the next menu opens too; a command on the bar is only lit.
        if (s.openTop >= 0 && bar[size_t(next)].sub) {
            OpenTop(next);
        } else {
            CloseLists(s);
            s.selectedTop = next;
        }
    }

    void Left() {
        if (s.lists.size() > 1) {
            s.lists.pop_back();
            s.hot.pop_back();
        } else {
            MoveAlongBar(-1);
        }
    }

    void Right() {
        const MenuItemBox* hot = HotItem();
        if (hot && hot->sub) Enter(*hot);
        else MoveAlongBar(1);
    }

    void UpDown(int step) {
        if (s.lists.empty()) {
            if (bar[size_t(s.selectedTop)].sub) OpenTop(s.selectedTop);
            return;
        }
        s.hot.back() = NextSelectable(s.lists.back().items, s.hot.back(), step);
    }

    void Return() {
        if (s.lists.empty()) return OpenTop(s.selectedTop);
        if (const MenuItemBox* hot = HotItem()) Enter(*hot);
    }

    void Escape() {
        if (s.lists.size() > 1) {
            s.lists.pop_back();
            s.hot.pop_back();
        } else if (s.openTop >= 0) {
            const int top = s.openTop;
            CloseLists(s);
            s.selectedTop = top;
        } else {
            EndMenuMode(s);
        }
    }

    void Letter(uint8_t vk) {
        if (s.lists.empty()) {
            if (const int top = AccessItem(bar, vk); top >= 0) OpenTop(top);
            return;
        }
        const std::vector<MenuItemBox>& items = s.lists.back().items;
        if (const int at = AccessItem(items, vk); at >= 0) {
            s.hot.back() = at;
            Enter(items[size_t(at)]);
        }
    }

    // A key while the menu is lit or open: every key is the menu's.
    void Active(uint8_t vk) {
        s.keyboard = true;
        switch (vk) {
        case VK_LEFT: return Left();
        case VK_RIGHT: return Right();
        case VK_UP: return UpDown(-1);
        case VK_DOWN: return UpDown(1);
        case VK_RETURN: return Return();
        case VK_ESCAPE: return Escape();
        default: return Letter(vk);
        }
    }

    bool Down(const ChromeKey& key) {
        const bool active = Lit() >= 0;
        if (IsAlt(key.vk)) {
            if (key.repeat) return active;
            s.altAlone = !active;
            if (active) EndMenuMode(s);
            return active;
        }
        s.altAlone = false;
        if (key.vk == kF10) {
            if (active) EndMenuMode(s);
            else LightBar();
            return true;
        }
        if (active) {
            Active(key.vk);
            return true;
        }
        const int top = key.alt ? AccessItem(bar, key.vk) : -1;
        if (top >= 0) OpenTop(top);
        return top >= 0;
    }

    bool Up(const ChromeKey& key) {
        if (IsAlt(key.vk) && s.altAlone) {
            s.altAlone = false;
            LightBar();
            return true;
        }
        return Lit() >= 0 || key.vk == kF10;
    }
};

}  // namespace

bool ChromeKeyEvent(HWND window, const ChromeKey& key, int width, int height, bool* changed) {
    const ChromeView v = ChromeViewOf(window, width, height);
    return WithChromeState(window, changed, [&](ChromeState& s) {
        if (!v.menu || !v.bands.menuBar) {
            s.altAlone = false;
            return false;
        }
        MenuKeys keys{s, v, LayoutMenuBar(v.menu)};
        return key.down ? keys.Down(key) : keys.Up(key);
    });
}

}  // namespace host
