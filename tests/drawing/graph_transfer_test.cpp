// Transfers of a rectangle of an image into a graphic at an origin, the recorded source
// point, draws waiting on a reloaded graphic, the restore callback's presence, and a
// stretched rectangle draw whose part cannot be made.
#include "drawing_fixture.h"
#include "engine/graphics/images/pixel_convert.h"

namespace orvik_test {
namespace {

using namespace orvik;

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00;

// 8 x 8: red on the left half, blue on the right.
BaseImage HalvesImage() {
    BaseImage image{};
    EXPECT_EQ(NewXrgb32BaseImage(8, 8, &image), 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) WriteBaseImagePixel(&image, x, y, x < 4 ? 255 : 0, 0, x < 4 ? 0 : 255, 255);
    return image;
}

TEST_F(DrawingTest, ARectangleOfAnImageLandsAtTheOrigin) {
    const int32_t graph = SolidGraph(8, 8, kGreen);
    ASSERT_GE(graph, 0);
    BaseImage image = HalvesImage();
    const PixelRect blue{4, 0, 8, 4};
    ASSERT_EQ(TransferImageToGraphEx(nullptr, &image, nullptr, &blue, 2, 3, graph, 0), 0);
    EXPECT_EQ(GetGraphRecord(graph)->sourceX, 2);  // the rectangle's corner minus the origin
    EXPECT_EQ(GetGraphRecord(graph)->sourceY, -3);
    ASSERT_EQ(DrawGraphAt(0, 0, graph, 0), 0);
    EXPECT_EQ(Pixel(1, 1), kGreen);
    EXPECT_EQ(Pixel(2, 3), kBlue);
    EXPECT_EQ(Pixel(5, 6), kBlue);
    EXPECT_EQ(Pixel(6, 6), kGreen);  // four columns wide
    EXPECT_EQ(Pixel(2, 7), kGreen);  // four rows high
    // Without a rectangle the graphic's size comes from the image's corner.
    ASSERT_EQ(TransferImageToGraphEx(nullptr, &image, nullptr, nullptr, 0, 0, graph, 0), 0);
    EXPECT_EQ(GetGraphRecord(graph)->sourceX, 0);
    ASSERT_EQ(DrawGraphAt(0, 0, graph, 0), 0);
    EXPECT_EQ(Pixel(3, 7), kRed);
    EXPECT_EQ(Pixel(4, 0), kBlue);
    EXPECT_EQ(TransferImageToGraphEx(nullptr, &image, nullptr, nullptr, 0, 0, -1, 0), -1);
    FreeBaseImage(&image);
}

// Draws waiting in the batch that write into or sample a graphic are drawn before an
// image replaces its pixels.
TEST_F(DrawingTest, DrawsWaitingOnAGraphicComeBeforeItsReload) {
    const int32_t sprite = SolidGraph(8, 8, kGreen), canvas = CreateDrawableGraph(8, 8);
    ASSERT_GE(canvas, 0);
    BaseImage image = HalvesImage();
    ASSERT_EQ(SetDrawTarget(canvas), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, sprite, 0), 0);
    ASSERT_EQ(ReloadGraphFromBaseImage(&image, canvas), 0);
    EXPECT_EQ(GraphPixel(canvas, 1, 1), kRed);
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, sprite, 0), 0);
    ASSERT_EQ(ReloadGraphFromBaseImage(&image, sprite), 0);
    EXPECT_EQ(Pixel(1, 1), kGreen);
    FreeBaseImage(&image);
}

TEST_F(DrawingTest, TheLibrarysStartStoresARestoreFunction) {
    EXPECT_EQ(IsGraphRestoreCallbackSet(), 1);
    ASSERT_EQ(SetGraphRestoreCallback(nullptr), 0);
    EXPECT_EQ(IsGraphRestoreCallbackSet(), 1);  // null stores the default
    Graphics().restoreCallback = nullptr;
    EXPECT_EQ(IsGraphRestoreCallbackSet(), 0);
}

TEST_F(DrawingTest, AStretchedRectangleOutsideItsGraphicDrawsNothingAndSucceeds) {
    const int32_t graph = SolidGraph(8, 8, kRed);
    ASSERT_GE(graph, 0);
    const int handles = GraphTable().count;
    EXPECT_EQ(DrawGraphRectStretchedF(0, 0, 16, 16, 9, 0, 4, 4, graph, 0), 0);
    EXPECT_EQ(Pixel(4, 4), kBlack);
    EXPECT_EQ(GraphTable().count, handles);
    EXPECT_EQ(DrawGraphRectStretchedF(0, 0, 16, 16, 4, 4, 4, 4, graph, 0), 0);
    EXPECT_EQ(Pixel(4, 4), kRed);
    EXPECT_EQ(GraphTable().count, handles);  // the part is deleted again
}

}  // namespace
}  // namespace orvik_test
