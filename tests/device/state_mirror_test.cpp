// The render-state cache mirrors its states into the shader constants: material, lights,
// fog, ambient, view with its inverse and projection land in their registers always, and
// on the device only while programmable shaders are used. And the setters that bypass or
// restore the shadows.
#include <array>

#include "device_fixture.h"
#include "engine/graphics/shaders/shader_constants.h"
#include "engine/graphics/shaders/shader_registers.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/matrix.h"

namespace orvik_test {
namespace {

using namespace orvik;
using Reg = std::array<float, 4>;

class StateMirrorTest : public DeviceTest {
protected:
    void Start(bool shaderModel2) {
        host::D3D9Settings().shaderModel = shaderModel2 ? 3 : 0;
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Shaders().programmable, shaderModel2 ? 1 : 0);
    }
    static Reg Vertex(int r) { return ShaderConstants().vertex[size_t(r)]; }
    static Reg Pixel(int r) { return ShaderConstants().pixel[size_t(r)]; }
    static Reg DeviceVertex(int r) {
        Reg v{};
        D3DDevice()->GetVertexShaderConstantF(host::UINT(r), v.data(), 1);
        return v;
    }
    static Matrix4 Translation(float x, float y, float z) {
        Matrix4 m;
        SetUnitMatrix(&m);
        m.m[12] = x, m.m[13] = y, m.m[14] = z;
        return m;
    }
};

TEST_F(StateMirrorTest, MaterialLandsInVertex11To13AndPixel2To4) {
    Start(true);
    host::D3DMATERIAL9 m;
    m.Diffuse = {0.5f, 0.25f, 0.125f, 1.0f};
    m.Ambient = {0.1f, 0.2f, 0.3f, 0.4f};
    m.Specular = {0.9f, 0.8f, 0.7f, 0.6f};
    m.Emissive = {0.0f, 0.5f, 1.0f, 0.0f};
    m.Power = 12.0f;
    ASSERT_EQ(SetMaterialCached(m), 0);
    EXPECT_EQ(Vertex(kVcMaterial), (Reg{0.5f, 0.25f, 0.125f, 1.0f}));
    EXPECT_EQ(Vertex(kVcMaterial + 1), (Reg{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(Vertex(kVcMaterial + 2), (Reg{0.9f, 0.8f, 0.7f, 12.0f}));
    EXPECT_EQ(Pixel(kPcMaterial), (Reg{0.5f, 0.25f, 0.125f, 1.0f}));
    EXPECT_EQ(Pixel(kPcMaterial + 1), (Reg{0.9f, 0.8f, 0.7f, 12.0f}));
    EXPECT_EQ(Pixel(kPcMaterial + 2), (Reg{0.0f, 0.5f, 1.0f, 0.0f}));
    EXPECT_EQ(DeviceVertex(kVcMaterial + 2), Vertex(kVcMaterial + 2));
    Reg p{};
    D3DDevice()->GetPixelShaderConstantF(kPcMaterial + 2, p.data(), 1);
    EXPECT_EQ(p, Pixel(kPcMaterial + 2));
}

TEST_F(StateMirrorTest, LightsLandInViewSpaceWithTheirOnStates) {
    Start(true);
    ASSERT_EQ(SetViewTransform(Translation(10, 20, 30)), 0);
    host::D3DLIGHT9 l;
    l.Type = host::D3DLIGHT_POINT;
    l.Diffuse = {1, 0.5f, 0.25f, 1};
    l.Position = {1, 2, 3};
    l.Direction = {0, 0, 1};
    l.Attenuation1 = 0.5f;
    l.Range = 100;
    ASSERT_EQ(SetLightAndEnable(2, l, 1), 0);
    const int base = kVcLights + 2 * kVcLightRegisters;
    EXPECT_EQ(Vertex(base), (Reg{1, 0.5f, 0.25f, 1}));
    EXPECT_EQ(Vertex(base + 3), (Reg{11, 22, 33, float(host::D3DLIGHT_POINT)}));  // moved by the view
    EXPECT_EQ(Vertex(base + 4), (Reg{0, 0, 1, 0}));                               // directions are not
    EXPECT_EQ(Vertex(base + 5), (Reg{0, 0.5f, 0, 100}));
    EXPECT_EQ(ShaderConstants().vertexBool[kVbLights + 2], 1);
    EXPECT_EQ(ShaderConstants().vertexBool[kVbLights + 3], 0);
    host::BOOL on = 0;
    D3DDevice()->GetVertexShaderConstantB(kVbLights + 2, &on, 1);
    EXPECT_EQ(on, 1);
    // A new view moves the lights with it.
    ASSERT_EQ(SetViewTransform(Translation(0, 0, 0)), 0);
    EXPECT_EQ(Vertex(base + 3), (Reg{1, 2, 3, float(host::D3DLIGHT_POINT)}));
    ASSERT_EQ(SetLightEnableCached(2, 0), 0);
    EXPECT_EQ(ShaderConstants().vertexBool[kVbLights + 2], 0);
}

TEST_F(StateMirrorTest, FogAmbientViewAndProjectionLandInTheirRegisters) {
    Start(true);
    ASSERT_EQ(SetFogRangeCached(100.0f, 500.0f), 0);
    ASSERT_EQ(SetFogDensityCached(0.5f), 0);
    EXPECT_EQ(Vertex(kVcFog), (Reg{100.0f, 500.0f, 0.5f, 1.0f / 400.0f}));
    EXPECT_EQ(DeviceVertex(kVcFog), Vertex(kVcFog));
    ASSERT_EQ(SetFogModeCached(host::D3DFOG_EXP2), 0);
    const auto& b = ShaderConstants().vertexBool;
    EXPECT_EQ((std::array<int32_t, 4>{b[0], b[1], b[2], b[3]}), (std::array<int32_t, 4>{0, 0, 1, 0}));
    ASSERT_EQ(SetAmbientColorCached(0x336699), 0);
    EXPECT_EQ(Vertex(kVcAmbient), (Reg{0x33 / 255.0f, 0x66 / 255.0f, 0x99 / 255.0f, 1.0f}));

    ASSERT_EQ(SetViewTransform(Translation(1, 2, 3)), 0);
    EXPECT_EQ(Vertex(kVcView + 3), (Reg{1, 2, 3, 1}));
    EXPECT_EQ(Vertex(kVcViewInverse + 3), (Reg{-1, -2, -3, 1}));
    EXPECT_EQ(Vertex(kVcViewInverse), (Reg{1, 0, 0, 0}));
    Matrix4 projection;
    BuildFovProjectionMatrix(&projection, 1.0f, 10.0f, 1000.0f, 0.75f);
    ASSERT_EQ(SetProjectionTransform(projection), 0);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(Vertex(kVcProjection + row),
                  (Reg{projection.m[row * 4], projection.m[row * 4 + 1], projection.m[row * 4 + 2], projection.m[row * 4 + 3]}));
    EXPECT_EQ(DeviceVertex(kVcProjection), Vertex(kVcProjection));
}

TEST_F(StateMirrorTest, WithoutProgrammableShadersOnlyTheMirrorTakesThem) {
    Start(false);
    ASSERT_EQ(SetFogRangeCached(2.0f, 4.0f), 0);
    EXPECT_EQ(Vertex(kVcFog)[3], 0.5f);
    EXPECT_EQ(DeviceVertex(kVcFog), (Reg{}));
}

TEST_F(StateMirrorTest, RawSettersLeaveTheShadowsAndA3DBatchRestoresTheWorld) {
    Start(false);
    const Matrix4 world = Translation(5, 0, 0);
    ASSERT_EQ(SetWorldMatrix(world), 0);
    Draw().t3d.world = world;
    ASSERT_NE(ReserveBatchVertices(1, 0, host::D3DPT_TRIANGLELIST, 3), nullptr);
    ASSERT_EQ(FlushVertexBatch(), 0);
    host::D3DMATRIX onDevice;
    D3DDevice()->GetTransform(host::D3DTS_WORLD, &onDevice);
    EXPECT_EQ(onDevice.m[3][0], 5.0f);
    ASSERT_EQ(SetWorldTransformRaw(Translation(7, 0, 0)), 0);
    EXPECT_EQ(StateCache().world.m[3][0], 5.0f);
    // The shadow still says 5, so setting 5 again does not reach the device.
    SetWorldMatrix(world);
    D3DDevice()->GetTransform(host::D3DTS_WORLD, &onDevice);
    EXPECT_EQ(onDevice.m[3][0], 7.0f);

    const uint32_t lighting = StateCache().render[host::D3DRS_LIGHTING];
    ASSERT_EQ(SetLightingEnableRaw(!lighting), 0);
    host::DWORD v = 0;
    D3DDevice()->GetRenderState(host::D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, uint32_t(!lighting));
    EXPECT_EQ(StateCache().render[host::D3DRS_LIGHTING], lighting);
    // The Z enable of the draw state's 2D or 3D setting goes through the one shadow.
    Draw().zEnable2D = 0, Draw().zEnable3D = 1;
    ASSERT_EQ(ApplyZEnableCached(1), 0);
    EXPECT_EQ(StateCache().render[host::D3DRS_ZENABLE], 1u);
    ASSERT_EQ(ApplyZEnableCached(0), 0);
    D3DDevice()->GetRenderState(host::D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, 0u);
}

TEST_F(StateMirrorTest, ADrawStateRecordPutsThePerDrawInputsBack) {
    Start(false);
    ASSERT_EQ(SetDrawTextureParams(nullptr, 1, 128), 0);
    ASSERT_EQ(SetupDrawDeviceState(), 0);
    const DrawStateRecord saved = CurrentDrawStateRecord();
    ASSERT_EQ(SetDrawTextureParams(nullptr, 2, 255), 0);
    ASSERT_EQ(SetupDrawDeviceStateDirty(), 0);
    EXPECT_EQ(StateCache().setupChanged, 1);
    host::DWORD dest = 0;
    D3DDevice()->GetRenderState(host::D3DRS_DESTBLEND, &dest);
    ASSERT_EQ(dest, uint32_t(host::D3DBLEND_ONE));
    ASSERT_EQ(LoadDrawStateRecord(saved), 0);
    EXPECT_EQ(StateCache().blendMode, 1);
    EXPECT_EQ(StateCache().blendParam, 128);
    EXPECT_EQ(StateCache().setupChanged, 0);  // the set-up ran at once
    D3DDevice()->GetRenderState(host::D3DRS_DESTBLEND, &dest);
    EXPECT_EQ(dest, uint32_t(host::D3DBLEND_INVSRCALPHA));
}

}  // namespace
}  // namespace orvik_test
