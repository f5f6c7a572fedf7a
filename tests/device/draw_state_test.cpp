// The draw state after graphics start-up, and the light handles.
#include <cmath>

#include "device_fixture.h"
#include "engine/graphics/draw/camera.h"
#include "engine/graphics/device/present.h"

namespace orvik_test {
namespace {

using namespace orvik;

class DrawStateTest : public DeviceTest {
protected:
    void SetUp() override { ASSERT_EQ(InitLibrary(), 0); }
};

TEST_F(DrawStateTest, StartUpResetsEveryValue) {
    const DrawSettings& d = Draw();
    EXPECT_EQ(d.drawTarget, -4);
    EXPECT_EQ(d.area.x2, 640);
    EXPECT_EQ(d.area.y2, 480);
    EXPECT_EQ(d.area.empty, 0);
    EXPECT_EQ(d.blendMaskGraph, -1);
    EXPECT_EQ(d.blendMode, 0);
    EXPECT_EQ(d.bright, 0xFFFFFFu);
    EXPECT_EQ(d.filterMode, 0);
    EXPECT_EQ(d.maxAnisotropy, 1);
    EXPECT_EQ(d.cullMode, 3);
    EXPECT_EQ(d.colorKeyOn, 1);
    EXPECT_EQ(d.alphaTestRef, -1);
    EXPECT_FLOAT_EQ(d.depth2D, 0.2f);
    EXPECT_EQ(d.zFunc2D, 4);
    EXPECT_EQ(d.zFunc3D, 4);
    EXPECT_EQ(d.zEnable2D, 0);
    EXPECT_EQ(d.maskWanted, 1);
    EXPECT_EQ(d.maskMade, 0);
    for (const auto& stage : d.textureAddress) EXPECT_EQ(stage[2], 3);
    const Transform3D& t = d.t3d;
    EXPECT_EQ(t.fogMode, 3);
    EXPECT_EQ(t.fogColor, 0xFFFFFFFFu);
    EXPECT_EQ(t.fogEnd, 1500.0f);
    // Start-up selected the screen targets afterwards, whose camera sets near and far.
    const float distance = 240 / 0.57735026f;
    EXPECT_FLOAT_EQ(t.nearZ, distance * 0.1f);
    EXPECT_FLOAT_EQ(t.farZ, distance + 20000);
    ResetDrawSettings3D();
    EXPECT_EQ(t.nearZ, 10.0f);
    EXPECT_EQ(t.farZ, 10000.0f);
    EXPECT_FLOAT_EQ(t.fov, 1.0471976f);
    EXPECT_EQ(t.aspectScale, 1.0f);
    EXPECT_EQ(t.orthoSize, 1.0f);
    EXPECT_EQ(t.projectionMode, 0);
    EXPECT_EQ(t.material.diffuse[0], 0.8f);
    EXPECT_EQ(t.material.diffuse[3], 1.0f);
    EXPECT_EQ(t.material.specular[3], 0.0f);
    EXPECT_EQ(t.material.power, 20.0f);
    EXPECT_EQ(t.materialChanged, 1);
    EXPECT_EQ(t.extraScale, 1.0f);
    // The default light points along (1, -1, 1), normalised.
    const LightRecord* light = GetLightRecord(t.defaultLight);
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->type, 3u);
    EXPECT_FLOAT_EQ(light->direction[0], 1 / std::sqrt(3.0f));
    EXPECT_FLOAT_EQ(light->direction[1], -1 / std::sqrt(3.0f));
    EXPECT_EQ(light->range, 2000.0f);
    EXPECT_FLOAT_EQ(light->ambient[0], 0.33f);
}

TEST_F(DrawStateTest, ScreenCameraMakesOneUnitOnePixel) {
    // The target's camera sits (h / 2) / tan 30 in front of the screen's centre: a point
    // on the z = 0 plane lands on its own pixel.
    const Transform3D& t = Draw().t3d;
    Vector3 p{100, 50, 0}, view;
    TransformVector(&view, &p, &t.view);
    float d = 240 / 0.57735026f;
    EXPECT_NEAR(view.z, d, 0.01f);
    EXPECT_NEAR(view.x, 100 - 320, 0.001f);
}

TEST_F(DrawStateTest, VBlankSettingSurvivesTheReset) {
    SetVBlankWaitFlag(0);
    ResetDrawSettings3D();
    EXPECT_EQ(GetVBlankWaitFlag(), 0);
}

TEST_F(DrawStateTest, LightHandlesNormaliseKeepTheDefaultAndReuseSlots) {
    int32_t h = AddDirectionalLight(0, 0, 2);
    const LightRecord* r = GetLightRecord(h);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->direction[2], 1.0f);
    EXPECT_EQ(AddDirectionalLight(0, 0, 0), -1);
    EXPECT_EQ(RemoveLightHandle(h), 0);
    EXPECT_EQ(RemoveLightHandle(h), -1);
    EXPECT_EQ(GetLightRecord(h), nullptr);

    AddDirectionalLight(1, 0, 0);
    DeleteAllLightHandles();
    EXPECT_EQ(GetLightCount(), 1);
    EXPECT_NE(GetLightRecord(Draw().t3d.defaultLight), nullptr);

    // Fill the table; a freed slot is found again, a full table refuses.
    std::vector<int32_t> handles;
    while (GetLightCount() < kLightCapacity) handles.push_back(AllocLightHandle());
    EXPECT_EQ(AllocLightHandle(), -1);
    int32_t freed = handles[10];
    RemoveLightHandle(freed);
    int32_t again = AllocLightHandle();
    EXPECT_EQ(again & 0xFFFF, freed & 0xFFFF);
    EXPECT_NE(again, freed);  // a new check number
}

}  // namespace
}  // namespace orvik_test
