// Window regions: a region given to a window is the window's, a refused one stays the
// caller's.
#include "host/win/window/region.h"
#include "host_fixture.h"

namespace host_test {
namespace {

using namespace host;

class RegionTest : public HostTest {};

TEST_F(RegionTest, AWindowTakesItsRegionOverAndReportsItsBox) {
    HWND w = MakeWindow();
    size_t live = CountLiveRegions();
    HRGN region = CreateRectRgn(5, 6, 105, 56);
    EXPECT_EQ(GetWindowRgnBox(w, nullptr), RGN_ERROR);
    ASSERT_NE(SetWindowRgn(w, region, 0), 0);
    EXPECT_EQ(CountLiveRegions(), live);
    EXPECT_EQ(DeleteObject(region), 0);  // no longer the caller's to delete
    RECT box;
    ASSERT_EQ(GetWindowRgnBox(w, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 5);
    EXPECT_EQ(box.top, 6);
    EXPECT_EQ(box.right, 105);
    EXPECT_EQ(box.bottom, 56);
    // The same region cannot be given twice; a null one removes the cut.
    EXPECT_EQ(SetWindowRgn(w, region, 0), 0);
    EXPECT_EQ(GetWindowRgnBox(w, &box), SIMPLEREGION);
    EXPECT_NE(SetWindowRgn(w, nullptr, 0), 0);
    EXPECT_EQ(GetWindowRgnBox(w, &box), RGN_ERROR);
}

TEST_F(RegionTest, AnUnknownWindowLeavesTheRegionToTheCaller) {
    size_t live = CountLiveRegions();
    HRGN region = CreateRectRgn(0, 0, 10, 10);
    EXPECT_EQ(SetWindowRgn(HandleFromId<HWND>(0x7777), region, 1), 0);
    EXPECT_EQ(GetWindowRgnBox(HandleFromId<HWND>(0x7777), nullptr), RGN_ERROR);
    EXPECT_EQ(CountLiveRegions(), live + 1);
    EXPECT_NE(DeleteObject(region), 0);
    EXPECT_EQ(CountLiveRegions(), live);
}

}  // namespace
}  // namespace host_test
