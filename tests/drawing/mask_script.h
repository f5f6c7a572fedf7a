// The frame of the mask screen's random-script tests: a script of draws runs twice under
// two settings that must not change a pixel, each run from the same start, and the two
// screens and canvases are compared.
#pragma once
#include <orvik/mask.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "../support/back_buffer_pixels.h"
#include "drawing_fixture.h"

namespace orvik_test {

class MaskScriptTest : public DrawingTest {
protected:
    // A mask of `stripe`-pixel stripes with one byte in `noise` set at random, over a random
    // part of the mask screen.
    static void PutRandomMask(std::mt19937& random, size_t stripe, unsigned noise) {
        const int w = 8 + int(random() % 120), h = 8 + int(random() % 90);
        std::vector<uint8_t> bytes(size_t(w) * size_t(h));
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = (i % size_t(w)) / stripe % 2 || random() % noise == 0 ? 0xFF : 0;
        const int32_t mask = orvik::MakeMask(w, h);
        ASSERT_EQ(orvik::SetDataToMask(w, h, bytes.data(), mask), 0);
        ASSERT_EQ(orvik::DrawMask(int(random() % 660) - 20, int(random() % 500) - 20, mask, orvik::kMaskTransNone), 0);
        ASSERT_EQ(orvik::DeleteMaskHandle(mask), 0);
    }

    // `steps` steps of the script from a cleared screen and 320 x 240 canvas with the mask
    // screen open and on; then the screen's pixels followed by the canvas's. A step gets
    // whether drawing goes to the canvas and may switch it.
    static std::vector<uint32_t> RunMaskScript(int32_t canvas, uint32_t seed, int steps,
                                               const std::function<void(std::mt19937&, bool&)>& step) {
        using namespace orvik;
        EXPECT_EQ(SetMaskScreenFlag(0), 0);
        EXPECT_EQ(SetBlendMode(0, 0), 0);
        for (int32_t target : {canvas, int32_t(kDrawTargetBackBuffer)}) {
            EXPECT_EQ(SetDrawTarget(target), 0);
            EXPECT_EQ(ClearDrawTarget(), 0);
        }
        EXPECT_EQ(FillMaskScreen(0), 0);
        EXPECT_EQ(SetMaskReverseEffectFlag(0), 0);
        EXPECT_EQ(SetMaskScreenFlag(1), 0);
        std::mt19937 random(seed);
        bool onCanvas = false;
        for (int i = 0; i < steps && !::testing::Test::HasFatalFailure(); ++i) step(random, onCanvas);
        EXPECT_EQ(SetMaskScreenFlag(0), 0);
        EXPECT_EQ(SetDrawClipRect(0, 0, 640, 480), 0);
        EXPECT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
        std::vector<uint32_t> pixels = BackBufferPixels();
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) pixels.push_back(GraphPixel(canvas, x, y));
        return pixels;
    }

    // The two runs leave the same pixels, and the script drew on both targets.
    static void ExpectSameScriptPixels(const std::vector<uint32_t>& expected, const std::vector<uint32_t>& actual) {
        ASSERT_EQ(expected.size(), actual.size());
        size_t wrong = 0, first = 0;
        for (size_t i = 0; i < actual.size(); ++i)
            if (actual[i] != expected[i] && wrong++ == 0) first = i;
        EXPECT_EQ(wrong, 0u) << "first at pixel " << first;
        const auto lit = [](auto from, auto to) { return std::count_if(from, to, [](uint32_t p) { return p != kBlack; }); };
        EXPECT_GT(lit(expected.begin(), expected.begin() + 640 * 480), 20000);
        EXPECT_GT(lit(expected.begin() + 640 * 480, expected.end()), 5000);
    }
};

}  // namespace orvik_test
