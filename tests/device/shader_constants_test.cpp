// The shader-constant mirror: registers land in the mirror always, in the device only
// when it runs programmable shaders, and out-of-range writes change nothing.
#include "device_fixture.h"
#include "engine/graphics/shaders/shader_constants.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/graphics/device/state_cache.h"

namespace orvik_test {
namespace {

using namespace orvik;

class ShaderConstantsTest : public DeviceTest {
protected:
    void SetUp() override { ASSERT_EQ(InitLibrary(), 0); }
};

TEST_F(ShaderConstantsTest, MirrorTakesRegistersAndDeviceOnlyWithShaders) {
    const float two[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Shaders().programmable = 0;
    ASSERT_EQ(SetVertexShaderConstants(254, two, 2), 0);
    EXPECT_EQ(ShaderConstants().vertex[254][0], 1.0f);
    EXPECT_EQ(ShaderConstants().vertex[255][3], 8.0f);
    float onDevice[4] = {};
    D3DDevice()->GetVertexShaderConstantF(255, onDevice, 1);
    EXPECT_EQ(onDevice[3], 0.0f);

    Shaders().programmable = 1;
    ASSERT_EQ(SetPixelShaderConstants(5, two + 4, 1), 0);
    D3DDevice()->GetPixelShaderConstantF(5, onDevice, 1);
    EXPECT_EQ(onDevice[0], 5.0f);
    EXPECT_EQ(onDevice[3], 8.0f);
    EXPECT_EQ(ShaderConstants().pixel[5][2], 7.0f);
}

TEST_F(ShaderConstantsTest, RangesOutsideTheRegistersChangeNothing) {
    const float v[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    const ShaderConstantMirror before = ShaderConstants();
    EXPECT_EQ(SetVertexShaderConstants(255, v, 2), -1);
    EXPECT_EQ(SetVertexShaderConstants(-1, v, 1), -1);
    EXPECT_EQ(SetPixelShaderConstants(32, v, 1), -1);
    EXPECT_EQ(SetPixelShaderConstants(0, v, -1), -1);
    EXPECT_EQ(SetPixelShaderConstants(0, nullptr, 1), -1);
    EXPECT_EQ(ShaderConstants().vertex, before.vertex);
    EXPECT_EQ(ShaderConstants().pixel, before.pixel);
}

TEST_F(ShaderConstantsTest, ReapplyRestoresTheDefaultConstants) {
    const float junk[4] = {7, 7, 7, 7};
    SetVertexShaderConstants(0, junk, 1);
    SetPixelShaderConstants(0, junk, 1);
    ASSERT_EQ(ReapplyDeviceStates(), 0);
    using Reg = std::array<float, 4>;
    EXPECT_EQ(ShaderConstants().vertex[0], (Reg{0.0f, 1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(ShaderConstants().pixel[0], (Reg{0.0f, 0.5f, 1.0f, 2.0f}));
}

}  // namespace
}  // namespace orvik_test
