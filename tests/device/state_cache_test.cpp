// The render-state cache: unchanged values cost nothing, a change draws the pending batch
// exactly once before reaching the device, and the force flag writes unchanged values.
#include "device_fixture.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/matrix.h"

namespace orvik_test {
namespace {

using namespace orvik;

class StateCacheTest : public DeviceTest {
protected:
    void SetUp() override {
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 1);
        FlushVertexBatch();
    }
    // One pending triangle in the batch.
    static void Pend() { ASSERT_NE(ReserveBatchVertices(0, 0, host::D3DPT_TRIANGLELIST, 3), nullptr); }
};

TEST_F(StateCacheTest, UnchangedValueKeepsTheBatchChangedValueDrawsItOnce) {
    ASSERT_EQ(SetCullModeCached(host::D3DCULL_CW), 0);
    Pend();
    uint64_t draws = DrawCalls();
    EXPECT_EQ(SetCullModeCached(host::D3DCULL_CW), 0);
    EXPECT_EQ(DrawCalls(), draws);
    EXPECT_EQ(Batch().pending, 3u);

    EXPECT_EQ(SetCullModeCached(host::D3DCULL_CCW), 0);
    EXPECT_EQ(DrawCalls(), draws + 1);
    EXPECT_EQ(Batch().pending, 0u);
    EXPECT_EQ(RenderState(host::D3DRS_CULLMODE), uint32_t(host::D3DCULL_CCW));
    // Nothing pending: a further change reaches the device without a draw.
    EXPECT_EQ(SetFogColorCached(0xFF102030), 0);
    EXPECT_EQ(DrawCalls(), draws + 1);
    EXPECT_EQ(RenderState(host::D3DRS_FOGCOLOR), 0xFF102030u);
}

TEST_F(StateCacheTest, ShadowsHoldWhatTheDeviceHoldsAfterStartUp) {
    // A shadow that disagrees with the device makes a setter skip a needed write.
    for (auto s : {host::D3DRS_ZENABLE, host::D3DRS_CULLMODE, host::D3DRS_LIGHTING, host::D3DRS_FOGENABLE,
                   host::D3DRS_ALPHABLENDENABLE, host::D3DRS_SHADEMODE, host::D3DRS_FOGEND})
        EXPECT_EQ(StateCache().render[s], RenderState(s)) << "state " << s;
    ASSERT_EQ(RenderState(host::D3DRS_ZENABLE), 1u);
    SetZEnableCached(0);
    EXPECT_EQ(RenderState(host::D3DRS_ZENABLE), 0u);
}

TEST_F(StateCacheTest, ForceFlagWritesUnchangedValues) {
    ASSERT_EQ(SetZFuncCached(host::D3DCMP_LESS), 0);
    // Someone wrote the device behind the cache's back (as a new device would start).
    D3DDevice()->SetRenderState(host::D3DRS_ZFUNC, host::D3DCMP_ALWAYS);
    SetZFuncCached(host::D3DCMP_LESS);
    EXPECT_EQ(RenderState(host::D3DRS_ZFUNC), uint32_t(host::D3DCMP_ALWAYS));
    StateCache().force = 1;
    Pend();
    uint64_t draws = DrawCalls();
    SetZFuncCached(host::D3DCMP_LESS);
    StateCache().force = 0;
    EXPECT_EQ(RenderState(host::D3DRS_ZFUNC), uint32_t(host::D3DCMP_LESS));
    EXPECT_EQ(DrawCalls(), draws + 1);
}

TEST_F(StateCacheTest, ReapplyPutsEveryCachedValueBackOnTheDevice) {
    SetCullModeCached(host::D3DCULL_CW);
    SetZEnableCached(0);
    SetTextureAddressU(host::D3DTADDRESS_WRAP, 2);
    // A device that lost its states, as a re-created one starts.
    D3DDevice()->SetRenderState(host::D3DRS_CULLMODE, host::D3DCULL_CCW);
    D3DDevice()->SetRenderState(host::D3DRS_ZENABLE, 1);
    D3DDevice()->SetSamplerState(2, host::D3DSAMP_ADDRESSU, host::D3DTADDRESS_MIRROR);
    ASSERT_EQ(ReapplyDeviceStates(), 0);
    EXPECT_EQ(RenderState(host::D3DRS_CULLMODE), uint32_t(host::D3DCULL_CW));
    EXPECT_EQ(RenderState(host::D3DRS_ZENABLE), 0u);
    host::DWORD address = 0;
    D3DDevice()->GetSamplerState(2, host::D3DSAMP_ADDRESSU, &address);
    EXPECT_EQ(address, uint32_t(host::D3DTADDRESS_WRAP));
    EXPECT_EQ(StateCache().force, 0);
}

TEST_F(StateCacheTest, FloatStatesCompareTheirBits) {
    ASSERT_EQ(SetFogRangeCached(0.0f, 1500.0f), 0);
    Pend();
    uint64_t draws = DrawCalls();
    SetFogRangeCached(0.0f, 1500.0f);
    EXPECT_EQ(DrawCalls(), draws);
    SetFogRangeCached(0.0f, 1500.5f);
    EXPECT_EQ(DrawCalls(), draws + 1);
    float end;
    uint32_t bits = RenderState(host::D3DRS_FOGEND);
    std::memcpy(&end, &bits, 4);
    EXPECT_EQ(end, 1500.5f);
}

TEST_F(StateCacheTest, DrawTextureSwitchesSetOnlyTheFlagsTheyNeed) {
    host::Texture *a = nullptr, *b = nullptr;
    ASSERT_EQ(D3DDevice()->CreateTexture(8, 8, 1, 0, host::D3DFMT_A8R8G8B8, host::D3DPOOL_MANAGED, &a), host::D3D_OK);
    ASSERT_EQ(D3DDevice()->CreateTexture(8, 8, 1, 0, host::D3DFMT_A8R8G8B8, host::D3DPOOL_MANAGED, &b), host::D3D_OK);
    SetDrawTextureCached(nullptr);
    SetupDrawDeviceState();
    SetDrawTextureCached(a);
    EXPECT_EQ(StateCache().textureChanged, 1);
    EXPECT_EQ(StateCache().setupChanged, 1);
    SetupDrawDeviceState();
    EXPECT_EQ(StateCache().setupChanged, 0);
    SetDrawTextureCached(b);
    EXPECT_EQ(StateCache().textureChanged, 1);
    EXPECT_EQ(StateCache().setupChanged, 0);
    SetDrawTextureCached(nullptr);
    a->Release();
    b->Release();
}

TEST_F(StateCacheTest, BlendModesBecomeBlendFactors) {
    SetDrawBlendModeCached(1, 128);
    SetupDrawDeviceState();
    EXPECT_EQ(RenderState(host::D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(RenderState(host::D3DRS_SRCBLEND), uint32_t(host::D3DBLEND_SRCALPHA));
    EXPECT_EQ(RenderState(host::D3DRS_DESTBLEND), uint32_t(host::D3DBLEND_INVSRCALPHA));
    // Subtraction is a true reverse subtraction on a device with blend operations.
    SetDrawBlendModeCached(3, 255);
    SetupDrawDeviceState();
    EXPECT_EQ(RenderState(host::D3DRS_SRCBLEND), uint32_t(host::D3DBLEND_SRCALPHA));
    EXPECT_EQ(RenderState(host::D3DRS_DESTBLEND), uint32_t(host::D3DBLEND_ONE));
    EXPECT_EQ(RenderState(host::D3DRS_BLENDOP), uint32_t(host::D3DBLENDOP_REVSUBTRACT));
    SetDrawBlendModeCached(0, 255);
    SetupDrawDeviceState();
    EXPECT_EQ(RenderState(host::D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(RenderState(host::D3DRS_BLENDOP), uint32_t(host::D3DBLENDOP_ADD));
}

TEST_F(StateCacheTest, ViewportChangeEndsABegunSceneAndSameRectangleIsSkipped) {
    BeginSceneIfNeeded();
    ASSERT_EQ(Graphics().dev.sceneBegun, 1);
    host::D3DVIEWPORT9 v;
    D3DDevice()->GetViewport(&v);
    SetViewportRect(int(v.X), int(v.Y), int(v.Width), int(v.Height));
    EXPECT_EQ(Graphics().dev.sceneBegun, 1);
    SetViewportRect(0, 0, 320, 240);
    EXPECT_EQ(Graphics().dev.sceneBegun, 0);
    D3DDevice()->GetViewport(&v);
    EXPECT_EQ(v.Width, 320u);
    EXPECT_EQ(v.Height, 240u);
}

TEST_F(StateCacheTest, FilterModesSetEveryStage) {
    ApplyDrawFilterMode(1);
    host::DWORD mag = 0, mip = 9;
    D3DDevice()->GetSamplerState(7, host::D3DSAMP_MAGFILTER, &mag);
    D3DDevice()->GetSamplerState(7, host::D3DSAMP_MIPFILTER, &mip);
    EXPECT_EQ(mag, uint32_t(host::D3DTEXF_LINEAR));
    EXPECT_EQ(mip, uint32_t(host::D3DTEXF_NONE));
    ApplyDrawFilterMode(2);
    D3DDevice()->GetSamplerState(3, host::D3DSAMP_MINFILTER, &mag);
    EXPECT_EQ(mag, uint32_t(host::D3DTEXF_ANISOTROPIC));
    EXPECT_EQ(SetTextureAddressU(1, 8), -1);
    EXPECT_EQ(SetTextureAddressU(1, -1), 0);
    D3DDevice()->GetSamplerState(5, host::D3DSAMP_ADDRESSU, &mag);
    EXPECT_EQ(mag, 1u);
}

TEST_F(StateCacheTest, TextureTransformsReachTheirStageAndSkipRepeats) {
    orvik::Matrix4 scale;
    SetUnitMatrix(&scale);
    scale.m[0] = 2.0f;
    ASSERT_EQ(SetTextureTransformCached(3, 1, scale), 0);
    host::D3DMATRIX onDevice{};
    D3DDevice()->GetTransform(host::D3DTS_TEXTURE3, &onDevice);
    EXPECT_EQ(onDevice.m[0][0], 2.0f);
    host::DWORD flags = 0;
    D3DDevice()->GetTextureStageState(3, host::D3DTSS_TEXTURETRANSFORMFLAGS, &flags);
    EXPECT_EQ(flags, uint32_t(host::D3DTTFF_COUNT3));
    // Stage 2 is untouched by a stage-3 transform.
    D3DDevice()->GetTextureStageState(2, host::D3DTSS_TEXTURETRANSFORMFLAGS, &flags);
    EXPECT_EQ(flags, uint32_t(host::D3DTTFF_DISABLE));

    Pend();
    uint64_t draws = DrawCalls();
    SetTextureTransformCached(3, 1, scale);
    EXPECT_EQ(DrawCalls(), draws);
    // Switching off with the same matrix is a change: the batch is drawn first.
    SetTextureTransformCached(3, 0, scale);
    EXPECT_EQ(DrawCalls(), draws + 1);
    D3DDevice()->GetTextureStageState(3, host::D3DTSS_TEXTURETRANSFORMFLAGS, &flags);
    EXPECT_EQ(flags, uint32_t(host::D3DTTFF_DISABLE));

    EXPECT_EQ(SetTextureTransformCached(4, 1, scale), -1);
    EXPECT_EQ(SetTextureTransformCached(-1, 1, scale), -1);
}

}  // namespace
}  // namespace orvik_test
