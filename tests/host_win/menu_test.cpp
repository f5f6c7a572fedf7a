// Menus: items read back by position, texts cut to the caller's buffer, sub-menus owned by
// their parent.
#include <cstring>

#include "host/win/window/menu.h"
#include "host_fixture.h"

namespace host_test {
namespace {

using namespace host;

MENUITEMINFOA Ask(uint32_t mask, char* text = nullptr, uint32_t size = 0) {
    MENUITEMINFOA info;
    info.fMask = mask;
    info.dwTypeData = text;
    info.cch = size;
    return info;
}

TEST(MenuTest, ItemsReadBackByPositionWithTheirKindIdAndText) {
    size_t live = CountLiveMenus();
    HMENU bar = CreateMenu();
    HMENU file = CreateMenu();
    ASSERT_TRUE(AppendMenuA(file, MF_STRING, 101, "Open"));
    ASSERT_TRUE(AppendMenuA(file, MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(AppendMenuA(bar, MF_POPUP, uintptr_t(file), "File"));
    ASSERT_TRUE(AppendMenuA(bar, MF_STRING, 200, "Help"));
    EXPECT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(GetMenuItemCount(file), 2);

    MENUITEMINFOA info = Ask(MIIM_FTYPE | MIIM_SUBMENU);
    ASSERT_TRUE(GetMenuItemInfoA(bar, 0, 1, &info));
    EXPECT_EQ(info.fType, MFT_STRING);
    EXPECT_EQ(info.hSubMenu, file);
    info = Ask(MIIM_FTYPE);
    ASSERT_TRUE(GetMenuItemInfoA(file, 1, 1, &info));
    EXPECT_EQ(info.fType, MFT_SEPARATOR);

    char text[8];
    std::memset(text, 'x', sizeof text);
    info = Ask(MIIM_ID | MIIM_STRING, text, 3);
    ASSERT_TRUE(GetMenuItemInfoA(bar, 1, 1, &info));
    EXPECT_EQ(info.wID, 200u);
    EXPECT_STREQ(text, "He");  // cut to the buffer, still ended by a 0
    EXPECT_EQ(text[3], 'x');
    EXPECT_EQ(info.cch, 4u);

    EXPECT_FALSE(GetMenuItemInfoA(bar, 2, 1, &info));
    EXPECT_FALSE(GetMenuItemInfoA(bar, 0, 0, &info));
    // Destroying the bar takes its sub-menu with it.
    EXPECT_EQ(CountLiveMenus(), live + 2);
    EXPECT_TRUE(DestroyMenu(bar));
    EXPECT_EQ(CountLiveMenus(), live);
    EXPECT_EQ(GetMenuItemCount(file), -1);
}

TEST(MenuTest, UnknownMenusAndBadSubMenusAreRefused) {
    HMENU menu = CreateMenu();
    EXPECT_FALSE(AppendMenuA(menu, MF_POPUP, uintptr_t(menu), "self"));
    // Nor may a menu go into one of its own sub-menus further down: destroying it would
    // never end.
    HMENU inner = CreateMenu(), middle = CreateMenu();
    ASSERT_TRUE(AppendMenuA(middle, MF_POPUP, uintptr_t(inner), "inner"));
    ASSERT_TRUE(AppendMenuA(menu, MF_POPUP, uintptr_t(middle), "middle"));
    EXPECT_FALSE(AppendMenuA(inner, MF_POPUP, uintptr_t(menu), "loop"));
    EXPECT_EQ(GetMenuItemCount(inner), 0);
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_EQ(GetMenuItemCount(inner), -1);  // gone with it
    menu = CreateMenu();
    EXPECT_FALSE(AppendMenuA(menu, MF_POPUP, 0x1234, "unknown"));
    EXPECT_EQ(GetMenuItemCount(menu), 0);
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_FALSE(DestroyMenu(menu));
    EXPECT_FALSE(AppendMenuA(menu, MF_STRING, 1, "gone"));
    EXPECT_EQ(GetMenuItemCount(nullptr), -1);
    MENUITEMINFOA info = Ask(MIIM_ID);
    EXPECT_FALSE(GetMenuItemInfoA(menu, 0, 1, &info));
}

}  // namespace
}  // namespace host_test
