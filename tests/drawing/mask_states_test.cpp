// The mask screen's composite on the device sets its own states for one draw and must
// leave every device state as the masked draw left it, whatever the draws around it set;
// its recorded blocks of states must give the pixels of the state-by-state way.
#include <orvik/mask.h>

#include <functional>
#include <vector>

#include "../support/back_buffer_pixels.h"
#include "drawing_fixture.h"
#include "engine/graphics/device/com_release.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/device/state_cache.h"

namespace orvik_test {
namespace {

using namespace orvik;
using namespace host;

// Vertical stripes 3 pixels wide, and a diagonal band the other way round.
void MaskStripes() {
    std::vector<uint8_t> bytes(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) bytes[size_t(y) * 640 + size_t(x)] = (x / 3) % 2 != ((x + y) / 40) % 2 ? 0xFF : 0;
    const int32_t mask = MakeMask(640, 480);
    ASSERT_GE(mask, 0);
    ASSERT_EQ(SetDataToMask(640, 480, bytes.data(), mask), 0);
    ASSERT_EQ(DrawMask(0, 0, mask, kMaskTransNone), 0);
    ASSERT_EQ(DeleteMaskHandle(mask), 0);
}

// Each setting changes states that the composite sets too, or that the sprite draw
// needs back after it.
const std::vector<std::function<void()>>& Settings() {
    static const std::vector<std::function<void()>> settings = {
        [] { SetBlendMode(0, 0); },
        [] { SetBlendMode(1, 160); },
        [] { SetBlendMode(2, 255); },
        [] { SetDrawFilterMode(1); },
        [] { SetDrawBrightness(200, 90, 40); },
        [] { SetMaskReverseEffectFlag(1); },
        [] {
            SetDrawFilterMode(0);
            SetBlendMode(1, 80);
        },
    };
    return settings;
}

class MaskStatesTest : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        sprite = MakeGraph(29, 21, [](int x, int y) { return x < 3 || y < 2 ? 0u : uint32_t(x * 9 + y * 17) * 0x10305u; });
        ASSERT_GE(sprite, 0);
        ASSERT_EQ(CreateMaskScreen(), 0);
        MaskStripes();
    }
    // Each setting, then a plain, a turned and a stretched draw, one after another.
    void DrawAll(int shift) {
        SetDrawBrightness(255, 255, 255);
        SetDrawFilterMode(0);
        SetMaskReverseEffectFlag(0);
        int i = 0;
        for (const auto& set : Settings()) {
            set();
            const int x = 13 + i * 83 + shift, y = 7 + i * 61;
            ASSERT_EQ(DrawGraphAt(x, y, sprite, 1), 0);
            ASSERT_EQ(DrawGraphRotated(x + 40, y + 30, 1.5, 0.3 * i, sprite, 1, 0), 0);
            ASSERT_EQ(DrawGraphStretched(x, y + 40, x + 71, y + 90, sprite, 0), 0);
            ++i;
        }
        FlushVertexBatch();
    }
    // Every render, texture stage and sampler state of the device.
    static std::vector<DWORD> DeviceStates() {
        std::vector<DWORD> all;
        for (DWORD s = 0; s < kRenderStateCount; ++s) all.push_back(RenderState(D3DRENDERSTATETYPE(s)));
        for (DWORD stage = 0; stage < kMaxStages; ++stage)
            for (DWORD s = 0; s < kTextureStageStateCount; ++s)
                all.push_back(StageState(stage, D3DTEXTURESTAGESTATETYPE(s)));
        for (DWORD stage = 0; stage < kMaxSamplers; ++stage)
            for (DWORD s = 0; s < kSamplerStateCount; ++s)
                all.push_back(SamplerState(stage, D3DSAMPLERSTATETYPE(s)));
        return all;
    }
    int32_t sprite = -1;
};

TEST_F(MaskStatesTest, AMaskedDrawLeavesEveryDeviceStateAsTheSameDrawUnmasked) {
    int i = 0;
    for (const auto& set : Settings()) {
        set();
        ASSERT_EQ(SetMaskScreenFlag(0), 0);
        ASSERT_EQ(DrawGraphAt(100 + i, 50, sprite, 1), 0);
        FlushVertexBatch();
        const std::vector<DWORD> plain = DeviceStates();
        ASSERT_EQ(SetMaskScreenFlag(1), 0);
        ASSERT_EQ(DrawGraphAt(100 + i, 50, sprite, 1), 0);
        FlushVertexBatch();
        EXPECT_TRUE(DeviceStates() == plain) << "setting " << i;
        // The render-state cache's shadows still say what the device holds.
        for (DWORD s = 0; s < kRenderStateCount; ++s) {
            if (!StateCache().renderKnown[s]) continue;
            EXPECT_EQ(StateCache().render[s], RenderState(D3DRENDERSTATETYPE(s))) << "setting " << i << ", state " << s;
        }
        ++i;
    }
}

TEST_F(MaskStatesTest, RecordedStatesGiveThePixelsOfTheStateByStateWay) {
    ASSERT_NE(MaskState().keptStates, nullptr);
    DrawAll(0);
    const std::vector<uint32_t> recorded = BackBufferPixels();
    const std::vector<DWORD> recordedStates = DeviceStates();
    // Without the blocks the composite falls back to setting and restoring each state.
    MaskScreen& m = MaskState();
    for (StateBlock*& block : m.compositeStates) ReleaseObject(block);
    ReleaseObject(m.keptStates);
    ASSERT_EQ(SetMaskScreenFlag(0), 0);
    ASSERT_EQ(ClearDrawTarget(), 0);
    ASSERT_EQ(SetMaskScreenFlag(1), 0);
    DrawAll(0);
    EXPECT_TRUE(BackBufferPixels() == recorded);
    EXPECT_TRUE(DeviceStates() == recordedStates);
    // The draws did land, and differently elsewhere: the comparison can see a change.
    ASSERT_EQ(SetMaskScreenFlag(0), 0);
    ASSERT_EQ(ClearDrawTarget(), 0);
    ASSERT_EQ(SetMaskScreenFlag(1), 0);
    DrawAll(1);
    EXPECT_FALSE(BackBufferPixels() == recorded);
}

}  // namespace
}  // namespace orvik_test
