// The toolbar: the room it takes above the picture, its buttons and their clicks.
#include <vector>

#include "../window/engine_fixture.h"
#include "engine/platform/window/window_mode.h"
#include "engine/platform/window/window_toolbar.h"
#include "engine/graphics/draw/color_data.h"
#include "engine/softrender/pipeline/memimg_write.h"
#include "host/win/window/toolbar.h"
#include <orvik/graphics.h>

namespace orvik_test {
namespace {

using orvik::Window;

class ToolbarTest : public EngineTest {
protected:
    // Buttons: 1, a separator, 2 (disabled), 3.
    void SetUp() override {
        Window().settings.toolbarButtons = {{1, 0, 0}, {0, orvik::kToolbarSeparator, 0}, {2, 0, 1}, {3, 0, 0}};
    }
    static host::HWND Toolbar() { return Window().rt.toolbar; }
    // The cursor at a point of the client area, read back in picture pixels.
    static std::pair<int, int> CursorAtClient(int x, int y) {
        const host::RECT& c = Window().rt.clientRect;
        host::SetCursorPos(c.left + x, c.top + y);
        int px = 0, py = 0;
        orvik::GetCursorClientPos(&px, &py);
        return {px, py};
    }
};

TEST_F(ToolbarTest, ToolbarSitsAboveThePictureInTheClientArea) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_NE(Toolbar(), nullptr);
    EXPECT_EQ(orvik::GetToolbarHeight(), host::kToolbarHeight);
    host::RECT client;
    host::GetClientRect(MainWindow(), &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480 + host::kToolbarHeight);
    int32_t rect[4];
    ASSERT_EQ(orvik::GetClientScreenRect(rect), 0);
    const host::RECT& c = Window().rt.clientRect;
    EXPECT_EQ(rect[1], c.top + host::kToolbarHeight);
    EXPECT_EQ(rect[3], c.bottom);  // the picture's bottom, not past the window
    EXPECT_EQ(rect[3] - rect[1], 480);
    EXPECT_EQ(CursorAtClient(100, host::kToolbarHeight + 50), std::make_pair(100, 50));
    // A restyle keeps the toolbar's room.
    ASSERT_EQ(orvik::ChangeWindowStyle(), 0);
    host::GetClientRect(MainWindow(), &client);
    EXPECT_EQ(client.bottom, 480 + host::kToolbarHeight);
}

TEST_F(ToolbarTest, ScaleTwoLeavesTheToolbarUnscaled) {
    orvik::SetWindowScale(2.0, 2.0);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    host::RECT client;
    host::GetClientRect(MainWindow(), &client);
    EXPECT_EQ(client.right, 1280);
    EXPECT_EQ(client.bottom, 960 + host::kToolbarHeight);
    EXPECT_EQ(CursorAtClient(100, host::kToolbarHeight + 50), std::make_pair(50, 25));
}

TEST_F(ToolbarTest, SoftwarePictureIsPresentedBelowTheToolbar) {
    orvik::SetUseHardwareRendering(0);
    orvik::SetGraphMode(640, 480, 32);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    orvik::MEMIMG* screen = orvik::Graphics().softScreen;
    orvik::PaintMemImgRect(screen, nullptr, orvik::GetColorValue(255, 0, 0));
    int32_t lastPixel[4] = {639, 479, 640, 480};
    orvik::PaintMemImgRect(screen, lastPixel, orvik::GetColorValue(0, 0, 255));
    ASSERT_EQ(orvik::PresentScreen(), 0);
    host::headless::Frame f = host::headless::LastFrame();
    ASSERT_EQ(f.width, 640);
    ASSERT_EQ(f.height, 480 + host::kToolbarHeight);
    auto at = [&](int x, int y) { return f.pixels.at(size_t(y) * size_t(f.width) + size_t(x)); };
    EXPECT_NE(at(10, host::kToolbarHeight - 1), 0xFF0000u);
    EXPECT_EQ(at(10, host::kToolbarHeight), 0xFF0000u);
    EXPECT_EQ(at(639, 479 + host::kToolbarHeight), 0x0000FFu);  // unscaled, one to one
}

TEST_F(ToolbarTest, ButtonsAreFoundByIdPastSeparators) {
    Window().settings.toolbarButtons = {{5, orvik::kToolbarSeparator, 0}, {5, 0, 0}, {6, 0, 0}};
    EXPECT_EQ(orvik::FindToolbarButton(5), -1);  // no toolbar yet
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(orvik::FindToolbarButton(5), 1);
    EXPECT_EQ(orvik::FindToolbarButton(6), 2);
    EXPECT_EQ(orvik::FindToolbarButton(7), -1);
}

TEST_F(ToolbarTest, ClicksSetTheFlagOfEnabledButtonsOnly) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_TRUE(host::PressToolbarButton(Toolbar(), 3));    // button 3
    EXPECT_FALSE(host::PressToolbarButton(Toolbar(), 1));   // the separator sends nothing
    EXPECT_FALSE(host::PressToolbarButton(Toolbar(), 2));   // nor does the disabled button
    // A command for the disabled button that arrives anyway is not taken as a click.
    host::SendMessageA(MainWindow(), host::WM_COMMAND, orvik::kToolbarCommandBase + 2, host::LPARAM(Toolbar()));
    EXPECT_EQ(orvik::TakeToolbarButtonClick(3), 1);
    EXPECT_EQ(orvik::TakeToolbarButtonClick(3), 0);
    EXPECT_EQ(orvik::TakeToolbarButtonClick(2), 0);
    EXPECT_EQ(orvik::TakeToolbarButtonClick(1), 0);
    EXPECT_EQ(orvik::TakeToolbarButtonClick(9), -1);
    EXPECT_EQ(Window().rt.chosenMenuIdCount, 0);  // toolbar commands are not menu choices
}

TEST_F(ToolbarTest, DeletingAllButtonsEmptiesTheToolbarAndShutdownRemovesIt) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(host::GetToolbarButtons(Toolbar()).size(), 4u);
    ASSERT_EQ(orvik::DeleteAllToolbarButtons(), 0);
    EXPECT_TRUE(host::GetToolbarButtons(Toolbar()).empty());
    EXPECT_EQ(Window().rt.toolbarButtonCount, 0);
    EXPECT_EQ(orvik::FindToolbarButton(1), -1);
    host::HWND toolbar = Toolbar();
    ASSERT_EQ(orvik::EndLibrary(), 0);
    EXPECT_FALSE(host::IsWindow(toolbar));
    EXPECT_EQ(orvik::DeleteAllToolbarButtons(), -1);
}

TEST_F(ToolbarTest, TooManyButtonsLeaveTheWindowWithoutAToolbar) {
    Window().settings.toolbarButtons.assign(orvik::kToolbarButtonMax + 1, orvik::ToolbarButtonSetting{1, 0, 0});
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(Toolbar(), nullptr);
    EXPECT_EQ(orvik::GetToolbarHeight(), 0);
    EXPECT_NE(Log().find("ツールバーのボタンが多すぎます"), std::string::npos);
}

}  // namespace
}  // namespace orvik_test
