// The menu bar and toolbar as the window draws them and the pointer uses them: where the
// parts lie, what a click on each sends, and their pictures.
#include <algorithm>
#include <vector>

#include "../window/engine_fixture.h"
#include "menu_builder.h"
#include "engine/platform/window/window_menu.h"
#include "engine/platform/window/window_toolbar.h"
#include "host/backends/headless/headless.h"
#include "host/font/gdi_font.h"
#include "host/gdi/dib_section.h"
#include "host/win/window/chrome_layout.h"
#include "host/win/window/menu.h"
#include "host/win/window/window.h"
#include "host/win/window/window_chrome.h"

namespace orvik_test {
namespace {

using orvik::Window;

constexpr int kWidth = 640, kHeight = 548;  // the window's picture: bar, toolbar, screen
constexpr uint32_t kBar = 0xFFF0F0F0;

// Three 16 x 15 button pictures side by side: red, green and blue, each with a corner of
// the face colour that the bar shows through.
struct ButtonPictures {
    ButtonPictures() {
        host::BITMAPINFO info;
        info.bmiHeader.biWidth = 3 * host::kToolbarImageWidth;
        info.bmiHeader.biHeight = -host::kToolbarImageHeight;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = host::BI_RGB;
        void* bits = nullptr;
        bitmap = host::CreateDIBSection(nullptr, &info, host::DIB_RGB_COLORS, &bits, nullptr, 0);
        auto* px = static_cast<uint32_t*>(bits);
        const uint32_t colours[3] = {0xFF0000, 0x00FF00, 0x0000FF};
        for (int y = 0; y < host::kToolbarImageHeight; ++y)
            for (int x = 0; x < 3 * host::kToolbarImageWidth; ++x)
                px[y * 3 * host::kToolbarImageWidth + x] =
                    (x % host::kToolbarImageWidth == 0 && y == 0) ? 0xC0C0C0 : colours[x / host::kToolbarImageWidth];
    }
    ~ButtonPictures() { host::DeleteObject(bitmap); }
    host::HBITMAP bitmap = nullptr;
};

class ChromeTest : public EngineTest {
protected:
    // File(Open 10, Saved 12 checked, -, Recent(a.txt 20), Locked 13 greyed), Help 30.
    // Toolbar: 1 (red), separator, 2 disabled (green), 3 (blue).
    void SetUp() override {
        Window().settings.menu = BuildMenu({
            Popup("File", {Command(10, "Open"), Command(12, "Saved", host::MF_CHECKED), Separator(),
                           Popup("Recent", {Command(20, "a.txt")}), Command(13, "Locked", host::MF_GRAYED)}),
            Command(30, "Help"),
        });
        Window().settings.toolbarButtons = {{1, 0, 0, 0}, {0, orvik::kToolbarSeparator, 0, 0}, {2, 0, 1, 1}, {3, 0, 0, 2}};
        Window().settings.toolbarBitmap = pictures_.bitmap;
        host::ResetWindowChrome();
        ASSERT_EQ(orvik::InitLibrary(), 0);
        DrainQueue();
    }
    void TearDown() override { host::ResetWindowChrome(); }

    static std::vector<host::MenuItemBox> Bar() { return host::LayoutMenuBar(host::GetMenu(MainWindow())); }
    static bool Down(int x, int y) { return host::ChromePointerDown(MainWindow(), x, y, kWidth, kHeight); }
    static bool Up(int x, int y) { return host::ChromePointerUp(MainWindow(), x, y); }
    static void Click(int x, int y) {
        Down(x, y);
        Up(x, y);
    }
    static void Move(int x, int y) { host::ChromePointerMove(MainWindow(), x, y, kWidth, kHeight); }
    template <typename Box>
    static void ClickMiddle(const Box& box) { Click(box.rect.x + box.rect.w / 2, box.rect.y + box.rect.h / 2); }
    // The file list as it opens below "File".
    static host::MenuListBox FileList() {
        return host::LayoutMenuList(Bar()[0].sub, Bar()[0].rect.x, host::kMenuBarHeight, kWidth, kHeight);
    }
    static bool Chosen(uint32_t id) {
        orvik::PumpMessages();
        const auto& rt = Window().rt;
        return std::count(rt.chosenMenuIds.begin(), rt.chosenMenuIds.begin() + rt.chosenMenuIdCount, id) == 1;
    }
    static std::vector<uint32_t> Draw() {
        std::vector<uint32_t> pixels(size_t(kWidth) * kHeight, 0);
        host::ChromeCanvas canvas{pixels.data(), kWidth, kHeight};
        host::DrawWindowChrome(MainWindow(), canvas);
        return pixels;
    }
    static uint32_t At(const std::vector<uint32_t>& p, int x, int y) { return p[size_t(y) * kWidth + size_t(x)]; }
    static bool AnyIn(const std::vector<uint32_t>& p, host::ChromeRect r, uint32_t argb) {
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                if (At(p, x, y) == argb) return true;
        return false;
    }

    ButtonPictures pictures_;
};

TEST_F(ChromeTest, BarsTakeTheirRoomAboveThePictureAndTheWindowGrowsForTheMenuBar) {
    const host::ChromeBands bands = host::WindowChromeBands(MainWindow());
    EXPECT_EQ(bands.menuBar, host::kMenuBarHeight);
    EXPECT_EQ(bands.toolbar, host::kToolbarHeight);
    host::RECT client;
    host::GetClientRect(MainWindow(), &client);
    EXPECT_EQ(host::headless::WindowHeight(), client.bottom + host::kMenuBarHeight);

    const auto bar = Bar();
    ASSERT_EQ(bar.size(), 2u);
    EXPECT_EQ(bar[0].rect.x, 0);
    EXPECT_EQ(bar[1].rect.x, bar[0].rect.w);  // side by side
    EXPECT_EQ(bar[0].rect.w, host::ChromeTextWidth("File") + 2 * host::kMenuBarItemPadding);
    EXPECT_EQ(bar[1].rect.h, host::kMenuBarHeight);

    // The list below "File": item heights, the separator thinner, each item below the last.
    const host::MenuListBox list = FileList();
    EXPECT_EQ(list.rect.y, host::kMenuBarHeight);
    ASSERT_EQ(list.items.size(), 5u);
    EXPECT_EQ(list.items[2].rect.h, host::kMenuSeparatorHeight);
    EXPECT_EQ(list.items[3].rect.y, list.items[2].rect.y + host::kMenuSeparatorHeight);
    EXPECT_GE(list.rect.w, host::kMenuCheckColumn + host::ChromeTextWidth("Locked") + host::kMenuArrowColumn);
    // Near the right edge a list is moved in to stay whole.
    const host::MenuListBox edge = host::LayoutMenuList(Bar()[0].sub, kWidth - 5, 20, kWidth, kHeight);
    EXPECT_EQ(edge.rect.x + edge.rect.w, kWidth);

    // Toolbar buttons in a row below the menu bar; the separator is narrower.
    const auto buttons = host::LayoutToolbar(Window().rt.toolbar, bands.menuBar);
    ASSERT_EQ(buttons.size(), 4u);
    EXPECT_EQ(buttons[0].rect.y, host::kMenuBarHeight + host::kToolbarButtonsTop);
    EXPECT_EQ(buttons[1].rect.w, host::kToolbarSeparatorWidth);
    EXPECT_EQ(buttons[2].rect.x, buttons[1].rect.x + host::kToolbarSeparatorWidth);
}

TEST_F(ChromeTest, ClickingAnItemSendsItsIdAndGreyedItemsAndSeparatorsSendNothing) {
    EXPECT_FALSE(Down(300, 300));  // the picture is not the chrome's
    ClickMiddle(Bar()[0]);
    ASSERT_TRUE(host::ChromeMenuOpen());
    const host::MenuListBox list = FileList();
    ClickMiddle(list.items[4]);  // Locked
    ClickMiddle(list.items[2]);  // the separator
    EXPECT_TRUE(host::ChromeMenuOpen());
    EXPECT_FALSE(Chosen(13));
    ClickMiddle(list.items[0]);  // Open
    EXPECT_FALSE(host::ChromeMenuOpen());
    EXPECT_TRUE(Chosen(10));

    // A command on the bar itself is chosen at once.
    ClickMiddle(Bar()[1]);
    EXPECT_TRUE(Chosen(30));
}

TEST_F(ChromeTest, PointingAtASubMenuOpensItBesideItsItem) {
    ClickMiddle(Bar()[0]);
    const host::MenuItemBox recent = FileList().items[3];
    Move(recent.rect.x + 4, recent.rect.y + 4);
    const host::MenuListBox sub = host::LayoutMenuList(recent.sub, recent.rect.x + recent.rect.w, recent.rect.y - 1,
                                                       kWidth, kHeight);
    ClickMiddle(sub.items[0]);
    EXPECT_TRUE(Chosen(20));
    EXPECT_FALSE(host::ChromeMenuOpen());
}

TEST_F(ChromeTest, AClickBesideAnOpenListClosesItAndGoesNoFurther) {
    ClickMiddle(Bar()[0]);
    EXPECT_TRUE(Down(400, 400));
    Up(400, 400);
    EXPECT_FALSE(host::ChromeMenuOpen());
    // A second click on the open item closes it too.
    ClickMiddle(Bar()[0]);
    ClickMiddle(Bar()[0]);
    EXPECT_FALSE(host::ChromeMenuOpen());
}

TEST_F(ChromeTest, ToolbarButtonsAreClickedByPressAndReleaseOnThemUnlessDisabled) {
    const auto buttons = host::LayoutToolbar(Window().rt.toolbar, host::kMenuBarHeight);
    ClickMiddle(buttons[0]);
    EXPECT_EQ(orvik::TakeToolbarButtonClick(1), 1);
    ClickMiddle(buttons[2]);
    EXPECT_EQ(orvik::TakeToolbarButtonClick(2), 0);
    // Released beside the button: no click.
    const host::ChromeRect r = buttons[3].rect;
    EXPECT_TRUE(Down(r.x + 2, r.y + 2));
    EXPECT_TRUE(Up(r.x + r.w + 30, r.y + 2));
    EXPECT_EQ(orvik::TakeToolbarButtonClick(3), 0);
}

TEST_F(ChromeTest, PicturesShowChecksGreyedTextAndTheButtonsCutFromTheBitmap) {
    std::vector<uint32_t> p = Draw();
    EXPECT_EQ(At(p, 1, 1), kBar);
    EXPECT_EQ(At(p, 300, 300) >> 24, 0u);  // the picture shows through
    // Button pictures: the bitmap's cells, the face-coloured corner left to the bar.
    const auto buttons = host::LayoutToolbar(Window().rt.toolbar, host::kMenuBarHeight);
    auto imageAt = [&](const host::ToolbarButtonBox& b, int shift) {
        return std::make_pair(b.rect.x + (b.rect.w - host::kToolbarImageWidth) / 2 + shift,
                              b.rect.y + (b.rect.h - host::kToolbarImageHeight) / 2 + shift);
    };
    auto [rx, ry] = imageAt(buttons[0], 0);
    EXPECT_EQ(At(p, rx + 1, ry), 0xFFFF0000u);
    EXPECT_EQ(At(p, rx, ry), kBar);
    auto [bx, by] = imageAt(buttons[3], 0);
    EXPECT_EQ(At(p, bx + 1, by), 0xFF0000FFu);
    // The disabled green button is grey.
    auto [gx, gy] = imageAt(buttons[2], 0);
    const uint32_t grey = At(p, gx + 1, gy);
    EXPECT_EQ(grey & 0xFF, grey >> 8 & 0xFF);
    EXPECT_EQ(grey & 0xFF, grey >> 16 & 0xFF);
    EXPECT_NE(grey, 0xFF00FF00u);
    // Held down, the picture moves one pixel down and right.
    Down(buttons[0].rect.x + 3, buttons[0].rect.y + 3);
    p = Draw();
    EXPECT_EQ(At(p, rx + 1, ry), kBar);  // the face corner now lies here
    EXPECT_EQ(At(p, rx + 2, ry + 1), 0xFFFF0000u);
    Up(0, 0);

    // The open list: a check only beside the checked item, black text only on enabled ones.
    ClickMiddle(Bar()[0]);
    p = Draw();
    const host::MenuListBox list = FileList();
    auto checkColumn = [](const host::MenuItemBox& item) {
        return host::ChromeRect{item.rect.x, item.rect.y, host::kMenuCheckColumn, item.rect.h};
    };
    auto textArea = [](const host::MenuItemBox& item) {
        return host::ChromeRect{item.rect.x + host::kMenuCheckColumn, item.rect.y,
                                item.rect.w - host::kMenuCheckColumn, item.rect.h};
    };
    EXPECT_TRUE(AnyIn(p, checkColumn(list.items[1]), 0xFF000000u));
    EXPECT_FALSE(AnyIn(p, checkColumn(list.items[0]), 0xFF000000u));
    EXPECT_TRUE(AnyIn(p, textArea(list.items[0]), 0xFF000000u));
    EXPECT_FALSE(AnyIn(p, textArea(list.items[4]), 0xFF000000u));
    EXPECT_TRUE(AnyIn(p, textArea(list.items[4]), 0xFF8D8D8Du));
}

}  // namespace
}  // namespace orvik_test
