// Child windows (a toolbar), menu bars taking room from the client area, accelerators and
// modeless dialogs.
#include "host/win/window/accelerator.h"
#include "host/win/window/dialog.h"
#include "host/win/window/menu.h"
#include "host/win/window/toolbar.h"
#include "host_fixture.h"

namespace host_test {
namespace {

using namespace host;

using ChildWindowTest = HostTest;

TEST_F(ChildWindowTest, MenuBarTakesItsHeightFromTheClientAreaAndTellsTheWindow) {
    HWND w = MakeWindow();
    RECT before, after, outer;
    GetClientRect(w, &before);
    HMENU menu = CreateMenu();
    Received().clear();
    ASSERT_TRUE(SetMenu(w, menu));
    GetClientRect(w, &after);
    GetWindowRect(w, &outer);
    EXPECT_EQ(after.bottom, before.bottom - 20);
    EXPECT_EQ(outer.bottom - outer.top, 100);  // the outer size stays
    EXPECT_NE(std::find(Received().begin(), Received().end(), WM_SIZE), Received().end());
    ASSERT_TRUE(SetMenu(w, nullptr));
    GetClientRect(w, &after);
    EXPECT_EQ(after.bottom, before.bottom);
    DestroyMenu(menu);
}

TEST_F(ChildWindowTest, ToolbarGoesWithItsParentAndDeletesButtonsByIndex) {
    HWND w = MakeWindow();
    const TBBUTTON buttons[] = {{0, 0x501, TBSTATE_ENABLED, BTNS_BUTTON}, {0, 0x502, 0, BTNS_BUTTON}};
    HWND toolbar = CreateToolbarEx(w, 1, buttons, 2);
    ASSERT_NE(toolbar, nullptr);
    RECT r, client;
    GetWindowRect(toolbar, &r);
    GetClientRect(w, &client);
    EXPECT_EQ(r.bottom - r.top, kToolbarHeight);
    EXPECT_EQ(r.right - r.left, client.right);
    EXPECT_EQ(GetParent(toolbar), w);
    EXPECT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(toolbar, TB_DELETEBUTTON, 2, 0), 0);  // no such index
    EXPECT_EQ(SendMessageA(toolbar, TB_DELETEBUTTON, 0, 0), 1);
    ASSERT_EQ(GetToolbarButtons(toolbar).size(), 1u);
    EXPECT_EQ(GetToolbarButtons(toolbar)[0].idCommand, 0x502);
    EXPECT_EQ(CreateToolbarEx(nullptr, 1, buttons, 2), nullptr);
    ASSERT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(IsWindow(toolbar));
    EXPECT_TRUE(GetToolbarButtons(toolbar).empty());
}

TEST_F(ChildWindowTest, AcceleratorsAndDialogsTakeOnlyTheirOwnMessages) {
    HWND w = MakeWindow(), dialog = MakeWindow("DialogClass", false);
    const ACCEL keys[] = {{FVIRTKEY, 0x70, 7}};
    HACCEL table = CreateAcceleratorTableA(keys, 1);
    MSG key{w, WM_KEYDOWN, 0x70, 0, 0, {}};
    MSG other{w, WM_KEYDOWN, 0x71, 0, 0, {}};
    Received().clear();
    EXPECT_EQ(TranslateAcceleratorA(w, table, &other), 0);
    EXPECT_EQ(TranslateAcceleratorA(w, table, &key), 1);
    EXPECT_EQ(Received(), std::vector<uint32_t>{WM_COMMAND});
    EXPECT_TRUE(DestroyAcceleratorTable(table));
    EXPECT_EQ(TranslateAcceleratorA(w, table, &key), 0);  // a destroyed table is not read
    EXPECT_EQ(CreateAcceleratorTableA(keys, 0), nullptr);

    MSG forDialog{dialog, WM_USER, 0, 0, 0, {}};
    Received().clear();
    EXPECT_FALSE(IsDialogMessageA(dialog, &key));
    EXPECT_TRUE(IsDialogMessageA(dialog, &forDialog));
    EXPECT_EQ(Received(), std::vector<uint32_t>{WM_USER});
}

}  // namespace
}  // namespace host_test
