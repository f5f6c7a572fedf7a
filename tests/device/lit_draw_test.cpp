// The engine's 3D set-up end to end: after SetupGraphDrawD3D with the 3D flag, an
// untransformed polygon with normals drawn on the device is lit by the engine's default
// light and material.
#include <orvik/graphics.h>
#include <orvik/scene3d.h>

#include <cmath>

#include "device_fixture.h"
#include "engine/graphics/draw/draw_d3d.h"
#include "engine/graphics/device/state_cache.h"

namespace orvik_test {
namespace {

using namespace orvik;
using namespace host;

struct LitPolygonVertex {
    float x, y, z, nx, ny, nz;
};

class LitDrawTest : public DeviceTest {
protected:
    void SetUp() override {
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 1);
        // The camera at the origin looking along +z: camera space is world space.
        const Matrix4 identity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
        ASSERT_EQ(SetViewMatrix(identity), 0);
    }
    // A large triangle 500 in front of the camera, every corner with normal n; the
    // back buffer's pixel at the screen's centre.
    uint32_t DrawLitTriangle(float nx, float ny, float nz) {
        SetupGraphDrawD3D(nullptr, nullptr, kSetup3D);
        const LitPolygonVertex v[3] = {
            {-300, -300, 500, nx, ny, nz}, {0, 300, 500, nx, ny, nz}, {300, -300, 500, nx, ny, nz}};
        Device* d = D3DDevice();
        d->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        BeginSceneIfNeeded();
        EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(LitPolygonVertex)), D3D_OK);
        return BackBufferPixel(320, 240);
    }
};

TEST_F(LitDrawTest, DefaultLightAndMaterialLightAPolygon) {
    // The default light shines along (1, -1, 1) / sqrt(3) in white; the default material
    // is diffuse 0.8 with no ambient or emissive. A normal facing the light straight on
    // gets 0.8 (204); one at right angles to it nothing.
    const float k = 1.0f / std::sqrt(3.0f);
    EXPECT_EQ(DrawLitTriangle(-k, k, -k), 0xCCCCCCu);
    EXPECT_EQ(DrawLitTriangle(k, k, 0), 0x000000u);
    // (-1, 0, 0) against the light's (-1, 1, -1) / sqrt(3): cos = 1 / sqrt(3) = 0.577, so
    // 0.8 x 0.577 x 255 = 117.8.
    EXPECT_EQ(DrawLitTriangle(-1, 0, 0), 0x767676u);
}

}  // namespace
}  // namespace orvik_test
