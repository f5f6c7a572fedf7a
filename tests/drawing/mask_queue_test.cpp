// Small masked draws on the device wait and go back to the target together. A long
// random script of draws, mask changes, target switches, fills and area changes must
// leave exactly the pixels it leaves when every draw is put back at once; and a fill of
// a graphic comes after the draws made into it before.
#include <orvik/mask.h>

#include <random>
#include <vector>

#include "engine/graphics/mask/mask_screen.h"
#include "mask_script.h"

namespace orvik_test {
namespace {

using namespace orvik;

class MaskQueueTest : public MaskScriptTest {
protected:
    void SetUp() override {
        MaskScriptTest::SetUp();
        sprite_ = MakeGraph(32, 32, [](int x, int y) { return uint32_t(x * 0x070503 + y * 0x0B0D11) & 0xFFFFFF; });
        big_ = MakeGraph(40, 30, [](int x, int y) { return uint32_t(x * 0x1F0301 ^ y * 0x050B3D) & 0xFFFFFF; });
        canvas_ = CreateDrawableGraph(320, 240);
        ASSERT_GE(sprite_, 0);
        ASSERT_GE(big_, 0);
        ASSERT_GE(canvas_, 0);
        ASSERT_EQ(CreateMaskScreen(), 0);
    }

    void Step(std::mt19937& random, bool& onCanvas) {
        const int x = int(random() % 680) - 40, y = int(random() % 520) - 40;
        const unsigned pick = random() % 100;
        if (pick < 60) {
            ASSERT_EQ(DrawGraphAt(x, y, sprite_, 1), 0);
        } else if (pick < 63) {
            const int modes[3][2] = {{0, 0}, {1, 160}, {2, 200}};
            const auto& m = modes[random() % 3];
            ASSERT_EQ(SetBlendMode(m[0], m[1]), 0);
        } else if (pick < 66) {
            ASSERT_EQ(DrawGraphStretched(x, y, x + 60 + int(random() % 200), y + 40 + int(random() % 150), big_, 0), 0);
        } else if (pick < 72) {
            ASSERT_EQ(DrawGraphRotated(x, y, 1.0, double(random() % 628) / 100.0, sprite_, 1, 0), 0);
        } else if (pick < 77) {
            ASSERT_EQ(DrawFilledBox(x, y, x + int(random() % 50), y + int(random() % 50), random() & 0xFFFFFF), 0);
        } else if (pick < 84) {
            PutRandomMask(random, 5, 7);
        } else if (pick < 88) {
            ASSERT_EQ(SetMaskReverseEffectFlag(int(random() % 2)), 0);
        } else if (pick < 92) {
            onCanvas = !onCanvas;
            ASSERT_EQ(SetDrawTarget(onCanvas ? canvas_ : kDrawTargetBackBuffer), 0);
        } else if (pick < 94) {
            ASSERT_EQ(FillGraphColor(canvas_, int(random() % 256), 40, 90, 255), 0);
        } else if (pick < 97) {
            const int x1 = int(random() % 300), y1 = int(random() % 200);
            if (random() % 2) ASSERT_EQ(SetDrawClipRect(x1, y1, x1 + 200, y1 + 150), 0);
            else ASSERT_EQ(SetDrawClipRect(0, 0, 640, 480), 0);
        } else {
            ASSERT_EQ(SetMaskScreenFlag(0), 0);
            ASSERT_EQ(DrawGraphAt(x, y, sprite_, 0), 0);
            ASSERT_EQ(SetMaskScreenFlag(1), 0);
        }
    }

    // The screen and the canvas after the script, with at most `limit` composites waiting.
    std::vector<uint32_t> RunScript(int32_t limit) {
        MaskState().compositeBatchLimit = limit;
        return RunMaskScript(canvas_, 11, 600, [this](std::mt19937& random, bool& onCanvas) { Step(random, onCanvas); });
    }

    int32_t sprite_ = -1, big_ = -1, canvas_ = -1;
};

TEST_F(MaskQueueTest, QueuedCompositesLeaveThePixelsOfCompositingEveryDrawAtOnce) {
    const std::vector<uint32_t> atOnce = RunScript(1);
    ExpectSameScriptPixels(atOnce, RunScript(kCompositeBatchLimit));
}

TEST_F(MaskQueueTest, QueuedCompositesAreDrawnBeforeTheScreenIsRead) {
    // Open everywhere: every sprite lands.
    ASSERT_EQ(FillMaskScreen(0), 0);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(DrawGraphAt(50 * i, 10, sprite_, 0), 0);
    ASSERT_FALSE(MaskState().queued.empty());
    EXPECT_NE(Pixel(160, 20), kBlack);
    EXPECT_TRUE(MaskState().queued.empty());
}

TEST_F(MaskQueueTest, ADrawOverAQueuedOneAfterTheMaskChangedKeepsTheFirstWhereTheMaskNowCloses) {
    const auto colour = [](int x, int y) { return uint32_t(x * 0x070503 + y * 0x0B0D11) & 0xFFFFFF; };
    ASSERT_EQ(FillMaskScreen(0), 0);
    ASSERT_EQ(DrawGraphAt(100, 100, sprite_, 0), 0);
    // Closed from (110, 100) on: the second sprite lands only left of that.
    const std::vector<uint8_t> closed(40 * 40, 0xFF);
    const int32_t mask = MakeMask(40, 40);
    ASSERT_EQ(SetDataToMask(40, 40, closed.data(), mask), 0);
    ASSERT_EQ(DrawMask(110, 100, mask, kMaskTransNone), 0);
    ASSERT_EQ(DrawGraphAt(105, 110, sprite_, 0), 0);
    EXPECT_EQ(Pixel(115, 115), colour(15, 15));  // the first's, under the closed part
    EXPECT_EQ(Pixel(107, 115), colour(2, 5));    // the second's, where it is still open
    EXPECT_EQ(Pixel(105, 105), colour(5, 5));    // the first's, outside the second
}

TEST_F(DrawingTest, AFillOfAGraphicComesAfterTheDrawsMadeIntoItBefore) {
    const int32_t canvas = CreateDrawableGraph(64, 64);
    const int32_t sprite = SolidGraph(16, 16, 0x00FF00);
    ASSERT_EQ(SetDrawTarget(canvas), 0);
    ASSERT_EQ(DrawGraphAt(8, 8, sprite, 0), 0);
    ASSERT_EQ(FillGraphColor(canvas, 255, 0, 0, 255), 0);
    EXPECT_EQ(GraphPixel(canvas, 12, 12), 0xFF0000u);
    EXPECT_EQ(GraphPixel(canvas, 40, 40), 0xFF0000u);
}

}  // namespace
}  // namespace orvik_test
