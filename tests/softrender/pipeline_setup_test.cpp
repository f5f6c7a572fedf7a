// Per-draw set-up of the pipeline: the mode gates, the blend-image cover check and the
// switch that forces the generic path.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/softrender/pipeline/blend_kernels.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/pipeline/soft_state.h"

namespace {

using namespace orvik;
using namespace orvik::soft;

TEST(ModeGate, ParametersThatDrawNothingOrBorrowAnotherMode) {
    struct Case {
        int mode, param;
        Flavour flavour;
        bool plain;
        int depth;
        bool draw;
        Kernel kernel;
    } cases[] = {
        {1, 0, Flavour::Textured, true, 32, false, Kernel::Copy},
        {1, 255, Flavour::Point, false, 32, true, Kernel::Copy},
        {1, 128, Flavour::Point, true, 32, true, Kernel::HalfSum},
        {1, 128, Flavour::Point, false, 32, true, Kernel::Alpha},
        {1, 128, Flavour::Stretch, true, 32, true, Kernel::Alpha},
        {1, 100, Flavour::Point, true, 16, true, Kernel::Mix6},
        {1, 100, Flavour::Point, true, 32, true, Kernel::Alpha},
        {2, 0, Flavour::Point, true, 32, false, Kernel::Copy},
        {2, 255, Flavour::Point, true, 16, true, Kernel::AddNoLowBits},
        {2, 255, Flavour::Stretch, true, 16, true, Kernel::Add},
        {3, 0, Flavour::Point, true, 32, false, Kernel::Copy},
        {3, 255, Flavour::Point, true, 32, true, Kernel::Subtract},
        {4, 0, Flavour::Point, true, 32, true, Kernel::Multiply},
        {10, 0, Flavour::Point, true, 32, true, Kernel::InvertAlpha},
        {11, 0, Flavour::Point, true, 32, true, Kernel::MultiplyAlpha},
        {5, 128, Flavour::Point, true, 32, false, Kernel::Copy},
        {9, 128, Flavour::Point, true, 32, false, Kernel::Copy},
        {12, 128, Flavour::Point, true, 32, false, Kernel::Copy},
        {-1, 128, Flavour::Point, true, 32, false, Kernel::Copy},
    };
    for (const Case& c : cases) {
        const KernelChoice k = SelectKernel(c.mode, c.param, c.flavour, c.plain, c.depth);
        EXPECT_EQ(k.draw, c.draw) << "mode " << c.mode << " p " << c.param;
        if (c.draw) { EXPECT_EQ(k.kernel, c.kernel) << "mode " << c.mode << " p " << c.param; }
    }
}

TEST(BlendImageCover, SmallerOrWrongKindIsRefused) {
    ResetSoftRender();
    MEMIMG src{}, exact{}, narrow{}, shorter{}, wide{};
    ASSERT_EQ(SetupMemImg(&src, 10, 6, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr), 0);
    ASSERT_EQ(SetupMemImg(&exact, 10, 6, -1, 0, kMemImgSingle8, 0, 0, 0, nullptr), 0);
    ASSERT_EQ(SetupMemImg(&narrow, 9, 8, -1, 0, kMemImgSingle8, 0, 0, 0, nullptr), 0);
    ASSERT_EQ(SetupMemImg(&shorter, 12, 5, -1, 0, kMemImgSingle8, 0, 0, 0, nullptr), 0);
    ASSERT_EQ(SetupMemImg(&wide, 12, 6, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr), 0);
    EXPECT_TRUE(BlendImageCovers(&exact, &src));
    EXPECT_FALSE(BlendImageCovers(&narrow, &src));
    EXPECT_FALSE(BlendImageCovers(&shorter, &src));
    EXPECT_FALSE(BlendImageCovers(&wide, &src));
    EXPECT_FALSE(BlendImageCovers(nullptr, &src));
    for (MEMIMG* m : {&src, &exact, &narrow, &shorter, &wide}) ReleaseMemImg(m);
}

TEST(GenericSwitch, EnvironmentVariableIsReadAtReset) {
    setenv("ORVIK_SOFT_GENERIC", "1", 1);
    ResetSoftRender();
    EXPECT_TRUE(GenericPathForced());
    setenv("ORVIK_SOFT_GENERIC", "0", 1);
    ResetSoftRender();
    EXPECT_FALSE(GenericPathForced());
    unsetenv("ORVIK_SOFT_GENERIC");
}

}  // namespace
