// A new device gets the engine's start states: the reset writes each through its cached
// setter even where the shadow already agrees, the addressing of every stage comes back
// from the shadows, and the shader constants switch between the engine's set and a
// caller's.
#include <bit>

#include <orvik/graphics.h>

#include "device_fixture.h"
#include "engine/graphics/shaders/shader_constants.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/graphics/device/state_cache.h"

namespace orvik_test {
namespace {

using namespace orvik;
using namespace host;

class StateResetTest : public DeviceTest {
protected:
    void SetUp() override {
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 1);
    }
};

// The start values of the render states the reset owns.
const std::pair<D3DRENDERSTATETYPE, uint32_t> kStartStates[] = {
    {D3DRS_DITHERENABLE, 0},
    {D3DRS_CULLMODE, D3DCULL_NONE},
    {D3DRS_SHADEMODE, D3DSHADE_FLAT},
    {D3DRS_FOGENABLE, 0},
    {D3DRS_FOGVERTEXMODE, D3DFOG_NONE},
    {D3DRS_FOGCOLOR, 0},
    {D3DRS_FOGSTART, std::bit_cast<uint32_t>(0.0f)},
    {D3DRS_FOGEND, std::bit_cast<uint32_t>(1.0f)},
    {D3DRS_FOGDENSITY, std::bit_cast<uint32_t>(1.0f)},
    {D3DRS_ZENABLE, 1},
    {D3DRS_ZWRITEENABLE, 1},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_DEPTHBIAS, 0},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_SPECULARENABLE, 1},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
    {D3DRS_AMBIENT, 0},
    {D3DRS_LIGHTING, 1},
};

TEST_F(StateResetTest, EveryStateGoesBackToItsStartValueAndReachesTheDeviceOnce) {
    // The program moved some states away; others still hold their start value.
    SetCullModeCached(D3DCULL_CW);
    SetFogEnableCached(1);
    SetFogColorCached(0xFF123456);
    SetZFuncCached(D3DCMP_ALWAYS);
    SetRenderStateCached(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    SetTextureAddressU(D3DTADDRESS_WRAP, 5);
    const auto before = D3D9Counters().renderStateWrites;
    ASSERT_EQ(ResetDeviceStates(), 0);
    const auto& after = D3D9Counters().renderStateWrites;
    for (auto [state, value] : kStartStates) {
        EXPECT_EQ(StateCache().render[state], value) << "state " << state;
        EXPECT_EQ(RenderState(state), value) << "state " << state;
        EXPECT_EQ(after[state] - before[state], 1u) << "state " << state;
    }
    EXPECT_EQ(StateCache().force, 0);
    // Sampling follows the draw state: point filtering, and each stage's addressing.
    for (DWORD s = 0; s < 8; ++s) {
        EXPECT_EQ(StateCache().sampler[s][D3DSAMP_MAGFILTER], uint32_t(D3DTEXF_POINT));
        EXPECT_EQ(StateCache().sampler[s][D3DSAMP_ADDRESSU], uint32_t(Draw().textureAddress[s][0]));
        EXPECT_EQ(StateCache().texCoordIndex[s], s);
    }
    EXPECT_EQ(StateCache().sampler[5][D3DSAMP_ADDRESSU], uint32_t(D3DTADDRESS_WRAP));
    D3DMATERIAL9 m;
    D3DDevice()->GetMaterial(&m);
    EXPECT_EQ(m.Diffuse.r, 0.8f);
    EXPECT_EQ(m.Power, 20.0f);
}

TEST_F(StateResetTest, ResetSetsTheViewportToTheDrawAreaAndLightsTheDefaultLight) {
    ASSERT_EQ(SetDrawClipRect(10, 20, 110, 70), 0);
    D3DVIEWPORT9 wrong{};
    wrong.Width = wrong.Height = 1;
    D3DDevice()->SetViewport(&wrong);
    ASSERT_EQ(ResetDeviceStates(), 0);
    D3DVIEWPORT9 v;
    D3DDevice()->GetViewport(&v);
    EXPECT_EQ(v.X, 10u);
    EXPECT_EQ(v.Y, 20u);
    EXPECT_EQ(v.Width, 100u);
    EXPECT_EQ(v.Height, 50u);
    BOOL on = 0;
    D3DDevice()->GetLightEnable(0, &on);
    EXPECT_EQ(on, 1);
    D3DLIGHT9 light;
    D3DDevice()->GetLight(0, &light);
    EXPECT_NEAR(light.Direction.x, 0.57735f, 1e-5);
    EXPECT_NEAR(light.Direction.y, -0.57735f, 1e-5);
}

TEST_F(StateResetTest, SamplerAddressingComesBackFromTheShadows) {
    SetTextureAddressV(D3DTADDRESS_MIRROR, 7);
    for (DWORD s = 0; s < 8; ++s) D3DDevice()->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_BORDER);
    ASSERT_EQ(ResetSamplerAddressStates(), 0);
    DWORD v = 0;
    D3DDevice()->GetSamplerState(7, D3DSAMP_ADDRESSV, &v);
    EXPECT_EQ(v, uint32_t(D3DTADDRESS_MIRROR));
    D3DDevice()->GetSamplerState(0, D3DSAMP_ADDRESSV, &v);
    EXPECT_EQ(v, uint32_t(D3DTADDRESS_CLAMP));
}

TEST_F(StateResetTest, ShaderConstantsSwitchBetweenTheEngineSetAndACallersSet) {
    Graphics().dev.vertexShader20 = Graphics().dev.pixelShader20 = 1;
    Shaders().programmable = 1;
    const float engine[4] = {1, 2, 3, 4};
    ASSERT_EQ(SetVertexShaderConstants(3, engine, 1), 0);
    UserShaderConstantSet user;
    user.vertex.floatStart = 3;
    user.vertex.floats = {{9, 8, 7, 6}};
    user.vertex.intStart = 2;
    user.vertex.ints = {{1, -1, 5, 0}};
    user.pixel.boolStart = 15;
    user.pixel.bools = {1};
    ASSERT_EQ(UploadShaderConstants(&user), 0);
    float reg[4];
    D3DDevice()->GetVertexShaderConstantF(3, reg, 1);
    EXPECT_EQ(reg[0], 9.0f);
    int ints[4];
    D3DDevice()->GetVertexShaderConstantI(2, ints, 1);
    EXPECT_EQ(ints[1], -1);
    BOOL b = 0;
    D3DDevice()->GetPixelShaderConstantB(15, &b, 1);
    EXPECT_EQ(b, 1);
    // While the caller's set is on, the engine's writes wait in the mirror.
    const float later[4] = {5, 5, 5, 5};
    ASSERT_EQ(SetVertexShaderConstants(3, later, 1), 0);
    D3DDevice()->GetVertexShaderConstantF(3, reg, 1);
    EXPECT_EQ(reg[0], 9.0f);
    ASSERT_EQ(UploadShaderConstants(nullptr), 0);
    D3DDevice()->GetVertexShaderConstantF(3, reg, 1);
    EXPECT_EQ(reg[0], 5.0f);
    D3DDevice()->GetPixelShaderConstantF(0, reg, 1);
    EXPECT_EQ(reg[1], 0.5f);
}

TEST_F(StateResetTest, ACallersSetOutsideTheRegistersChangesNothing) {
    Graphics().dev.vertexShader20 = Graphics().dev.pixelShader20 = 1;
    Shaders().programmable = 1;
    UserShaderConstantSet user;
    user.pixel.floatStart = 31;
    user.pixel.floats = {{1, 1, 1, 1}, {2, 2, 2, 2}};
    user.vertex.floats = {{7, 7, 7, 7}};
    EXPECT_EQ(UploadShaderConstants(&user), -1);
    EXPECT_NE(Log().find("シェーダー定数セットの範囲が不正です"), std::string::npos);
    float reg[4];
    D3DDevice()->GetVertexShaderConstantF(0, reg, 1);
    EXPECT_EQ(reg[0], 0.0f);
    EXPECT_EQ(ShaderConstants().userSetActive, 0);
    user.pixel.floatStart = 0;
    user.pixel.bools.assign(17, 1);
    EXPECT_EQ(UploadShaderConstants(&user), -1);
}

}  // namespace
}  // namespace orvik_test
