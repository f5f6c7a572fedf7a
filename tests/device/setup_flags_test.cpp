// The device draw set-up: each flag produces its device states (shading, vertex alpha,
// fog, skipping the texture set-up, lights and material, specular, 3D depth, the draw
// state's addressing, keeping shaders), and 2D draws keep their own states.
#include <orvik/graphics.h>

#include "device_fixture.h"
#include "engine/graphics/draw/draw_d3d.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/graphics/device/state_cache.h"

namespace orvik_test {
namespace {

using namespace orvik;
using namespace host;

class SetupFlagsTest : public DeviceTest {
protected:
    void SetUp() override {
        D3D9Settings().shaderModel = 3;
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 1);
        const int32_t graph = CreateDrawableGraph(8, 8);
        ASSERT_NE(graph, -1);
        texture = GetGraphRecord(graph)->images->pieces[0].texture;
        set = GetGraphRecord(graph)->images;
    }
    void Setup(uint32_t flags) { SetupGraphDrawD3D(set, texture, flags); }
    Texture* texture = nullptr;
    const GraphImageSet* set = nullptr;
};

TEST_F(SetupFlagsTest, ShadingFogAndSpecularFollowTheirFlags) {
    Setup(kSetupGouraud | kSetupFog | kSetupSpecular);
    EXPECT_EQ(RenderState(D3DRS_SHADEMODE), DWORD(D3DSHADE_GOURAUD));
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), 1u);
    EXPECT_EQ(RenderState(D3DRS_SPECULARENABLE), 1u);
    Setup(0);
    EXPECT_EQ(RenderState(D3DRS_SHADEMODE), DWORD(D3DSHADE_FLAT));
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(RenderState(D3DRS_SPECULARENABLE), 0u);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), 0u);  // 2D vertices come lit
}

TEST_F(SetupFlagsTest, VertexAlphaBlendsEvenInBlendModeZero) {
    ASSERT_EQ(Draw().blendMode, 0);
    Setup(0);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    Setup(kSetupVertexAlpha);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
}

TEST_F(SetupFlagsTest, SkippingTheTextureSetUpLeavesTheDrawTexture) {
    SetupGraphDrawD3D(nullptr, nullptr, 0);
    ASSERT_EQ(StateCache().drawTexture, nullptr);
    Setup(kSetupNoTexture);
    EXPECT_EQ(StateCache().drawTexture, nullptr);
    Setup(0);
    EXPECT_EQ(StateCache().drawTexture, texture);
}

TEST_F(SetupFlagsTest, ThreeDDrawsTakeLightsMaterialCullingAndTheirDepthSettings) {
    DrawSettings& ds = Draw();
    ds.zEnable3D = 1, ds.zWrite3D = 1, ds.zFunc3D = D3DCMP_LESS;
    ds.t3d.material.diffuse[1] = 0.25f;
    ds.t3d.materialChanged = 1;
    Setup(kSetup3D | kSetupDepth3D | kSetupSpecular | kSetupVertexColor);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), 1u);
    D3DMATERIAL9 m;
    D3DDevice()->GetMaterial(&m);
    EXPECT_EQ(m.Diffuse.g, 0.25f);
    EXPECT_EQ(ds.t3d.materialChanged, 0);
    BOOL on = 0;
    ASSERT_EQ(D3DDevice()->GetLightEnable(0, &on), D3D_OK);  // the default light
    EXPECT_EQ(on, 1);
    EXPECT_EQ(RenderState(D3DRS_DIFFUSEMATERIALSOURCE), DWORD(D3DMCS_COLOR1));
    EXPECT_EQ(RenderState(D3DRS_SPECULARMATERIALSOURCE), DWORD(D3DMCS_COLOR2));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(ds.cullMode));
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(RenderState(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(RenderState(D3DRS_ZFUNC), DWORD(D3DCMP_LESS));
    // Back to 2D: the 2D depth settings (off) and no culling, so mirrored draws show.
    Setup(0);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(RenderState(D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
}

TEST_F(SetupFlagsTest, AddressingClampsUnlessTheDrawStatesModesAreAsked) {
    Draw().textureAddress[0] = {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_WRAP};
    Draw().textureAddress[5] = {D3DTADDRESS_MIRROR, D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP};
    Setup(0);
    EXPECT_EQ(SamplerState(0, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
    EXPECT_EQ(SamplerState(0, D3DSAMP_ADDRESSV), DWORD(D3DTADDRESS_CLAMP));
    Setup(kSetupDrawAddressing);
    EXPECT_EQ(SamplerState(0, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_WRAP));
    EXPECT_EQ(SamplerState(0, D3DSAMP_ADDRESSV), DWORD(D3DTADDRESS_MIRROR));
    EXPECT_EQ(SamplerState(5, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_MIRROR));
    // The draw state keeps its modes through a clamped draw.
    Setup(0);
    EXPECT_EQ(Draw().textureAddress[0][0], int32_t(D3DTADDRESS_WRAP));
}

TEST_F(SetupFlagsTest, ShadersAreUnsetUnlessKept) {
    VertexShader* shader = Shaders().vertexObjects[5462 * 6 + 2];
    ASSERT_NE(shader, nullptr);
    ASSERT_EQ(SetVertexShaderCached(shader), 0);
    Setup(kSetupKeepShaders);
    VertexShader* bound = nullptr;
    D3DDevice()->GetVertexShader(&bound);
    EXPECT_EQ(bound, shader);
    if (bound) bound->Release();
    Setup(0);
    D3DDevice()->GetVertexShader(&bound);
    EXPECT_EQ(bound, nullptr);
    // Re-applying the states unsets a bound shader and its shadow alike.
    ASSERT_EQ(SetVertexShaderCached(shader), 0);
    ASSERT_EQ(ReapplyDeviceStates(), 0);
    EXPECT_EQ(StateCache().vertexShader, nullptr);
    D3DDevice()->GetVertexShader(&bound);
    EXPECT_EQ(bound, nullptr);
}

}  // namespace
}  // namespace orvik_test

namespace orvik_test {
namespace {

// A run of equal draws skips the steps that would write nothing; a change of the draw
// state or of any shadow in between still reaches the device.
TEST_F(SetupFlagsTest, ARunOfEqualDrawsStillSeesChangesInBetween) {
    Setup(0);
    Setup(0);
    Draw().filterMode = 1;
    Setup(0);
    EXPECT_EQ(SamplerState(0, D3DSAMP_MAGFILTER), DWORD(D3DTEXF_LINEAR));
    ASSERT_EQ(SetTextureAddressU(D3DTADDRESS_WRAP, 0), 0);
    ASSERT_EQ(SamplerState(0, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_WRAP));
    Setup(0);
    EXPECT_EQ(SamplerState(0, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
    ASSERT_EQ(SetLightingEnable(1), 0);
    Setup(0);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), 0u);
    Draw().zEnable2D = 1;
    Setup(0);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), 1u);
}

// Draws that apply the draw state's texture addressing see a change of it between two
// otherwise equal draws, on any stage.
TEST_F(SetupFlagsTest, ARunOfAddressedDrawsSeesTheirAddressingChange) {
    Setup(kSetupDrawAddressing);
    Setup(kSetupDrawAddressing);
    EXPECT_EQ(SamplerState(3, D3DSAMP_ADDRESSV), DWORD(D3DTADDRESS_CLAMP));
    Draw().textureAddress[3] = {D3DTADDRESS_CLAMP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP};
    Setup(kSetupDrawAddressing);
    EXPECT_EQ(SamplerState(3, D3DSAMP_ADDRESSV), DWORD(D3DTADDRESS_MIRROR));
    Setup(0);
    EXPECT_EQ(SamplerState(3, D3DSAMP_ADDRESSV), DWORD(D3DTADDRESS_CLAMP));
    Setup(kSetupDrawAddressing);
    EXPECT_EQ(SamplerState(3, D3DSAMP_ADDRESSV), DWORD(D3DTADDRESS_MIRROR));
}

}  // namespace
}  // namespace orvik_test
