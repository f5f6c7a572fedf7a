// Fixed-function lighting against hand-worked colours. The transforms are identities, so
// camera space is the vertices' own space; every triangle is lit the same at its three
// corners (same normal, corners equally far from the light), so the pixel at the centre
// shows one vertex's colour exactly.
#include <cmath>

#include "device_fixture.h"

namespace host::test {
namespace {

struct NormalVertex {
    float x, y, z, nx, ny, nz;
};
struct ColorNormalVertex {
    float x, y, z, nx, ny, nz;
    uint32_t diffuse, specular;
};
constexpr DWORD kNormalFvf = D3DFVF_XYZ | D3DFVF_NORMAL;
constexpr DWORD kColorNormalFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR;

// Corners on the unit circle around the z axis (so all at one distance from a light on
// that axis), covering the centre pixel.
constexpr float kCornerX[3] = {0.0f, -0.8660254f, 0.8660254f};
constexpr float kCornerY[3] = {1.0f, -0.5f, -0.5f};

D3DCOLORVALUE LightColor(float r, float g, float b, float a = 1) { return D3DCOLORVALUE{r, g, b, a}; }

class LightingTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        dev->SetRenderState(D3DRS_LIGHTING, 1);
        D3DMATERIAL9 m;
        m.Diffuse = LightColor(1, 1, 1);
        SetMaterial(m);
    }
    void SetMaterial(const D3DMATERIAL9& m) { ASSERT_EQ(dev->SetMaterial(&m), D3D_OK); }
    void SetLight(const D3DLIGHT9& light) {
        ASSERT_EQ(dev->SetLight(0, &light), D3D_OK);
        ASSERT_EQ(dev->LightEnable(0, 1), D3D_OK);
    }
    static D3DLIGHT9 Directional(float dx, float dy, float dz, D3DCOLORVALUE diffuse) {
        D3DLIGHT9 l;
        l.Type = D3DLIGHT_DIRECTIONAL;
        l.Direction = {dx, dy, dz};
        l.Diffuse = diffuse;
        return l;
    }
    // A light 3 in front of the corners (at z 0.5) shining along +z, with attenuation
    // terms 1, 0, `quadratic`.
    static D3DLIGHT9 OnAxis(D3DLIGHTTYPE type, float quadratic) {
        D3DLIGHT9 l;
        l.Type = type;
        l.Position = {0, 0, -2.5f};
        l.Direction = {0, 0, 1};
        l.Diffuse = LightColor(1, 1, 1);
        l.Range = 100;
        l.Attenuation0 = 1;
        l.Attenuation2 = quadratic;
        l.Falloff = 1;
        return l;
    }
    // The triangle with every corner's normal `n`; the centre pixel's colour.
    uint32_t DrawWithNormal(float nx, float ny, float nz) {
        NormalVertex v[3];
        for (int i = 0; i < 3; ++i) v[i] = {kCornerX[i], kCornerY[i], 0.5f, nx, ny, nz};
        return DrawVertices(kNormalFvf, v, sizeof(NormalVertex));
    }
    uint32_t DrawColored(uint32_t diffuse, uint32_t specular) {
        ColorNormalVertex v[3];
        for (int i = 0; i < 3; ++i) v[i] = {kCornerX[i], kCornerY[i], 0.5f, 0, 0, -1, diffuse, specular};
        return DrawVertices(kColorNormalFvf, v, sizeof(ColorNormalVertex));
    }
    uint32_t DrawVertices(DWORD fvf, const void* v, UINT stride) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        dev->SetFVF(fvf);
        dev->BeginScene();
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, stride), D3D_OK);
        dev->EndScene();
        return Pixel(8, 8);
    }
};

TEST_F(LightingTest, DirectionalLightFollowsTheAngleToTheNormal) {
    // Light (0.8, 0.4, 0) on a white material: facing it 204, 102, 0; at 60 degrees half
    // of that; from behind nothing.
    SetLight(Directional(0, 0, 1, LightColor(0.8f, 0.4f, 0)));
    EXPECT_EQ(DrawWithNormal(0, 0, -1), 0xFFCC6600u);
    EXPECT_EQ(DrawWithNormal(0.8660254f, 0, -0.5f), 0xFF663300u);
    EXPECT_EQ(DrawWithNormal(0, 0, 1), 0xFF000000u);
    // A normal that is not a number lights nothing (and reads no undefined conversion).
    EXPECT_EQ(DrawWithNormal(std::nanf(""), 0, -1), 0xFF000000u);
    // A disabled light gives nothing; lighting off gives the vertex's own white.
    dev->LightEnable(0, 0);
    EXPECT_EQ(DrawWithNormal(0, 0, -1), 0xFF000000u);
    dev->SetRenderState(D3DRS_LIGHTING, 0);
    EXPECT_EQ(DrawWithNormal(0, 0, -1), 0xFFFFFFFFu);
}

TEST_F(LightingTest, NormalsTurnByTheInverseTransposeAndMayBeNormalised) {
    // World scale (2, 1, 1): the normal (1, 0, -1) becomes (0.5, 0, -1), which normalised
    // faces the light along -z at 2 / sqrt(5): 255 x 0.894 = 228. Carried by the world
    // matrix itself it would give (2, 0, -1) and 114.
    SetLight(Directional(0, 0, 1, LightColor(1, 1, 1)));
    D3DMATRIX world = IdentityMatrix();
    world.m[0][0] = 2;
    dev->SetTransform(D3DTS_WORLD, &world);
    dev->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    EXPECT_EQ(DrawWithNormal(1, 0, -1), 0xFFE4E4E4u);
    // Unnormalised, the transformed normal's length 1 is kept as it is: 255 x 1.
    dev->SetRenderState(D3DRS_NORMALIZENORMALS, 0);
    EXPECT_EQ(DrawWithNormal(1, 0, -1), 0xFFFFFFFFu);
}

TEST_F(LightingTest, PointLightAttenuatesWithDistanceAndRange) {
    // Corners sqrt(10) from the light, which they face at cos = 3 / sqrt(10);
    // attenuation 1 / (1 + 0.1 x 10) = 0.5: 255 x 0.9487 x 0.5 = 120.96.
    SetLight(OnAxis(D3DLIGHT_POINT, 0.1f));
    EXPECT_EQ(DrawWithNormal(0, 0, -1), 0xFF797979u);
    D3DLIGHT9 near = OnAxis(D3DLIGHT_POINT, 0.1f);
    near.Range = 3;  // short of sqrt(10)
    SetLight(near);
    EXPECT_EQ(DrawWithNormal(0, 0, -1), 0xFF000000u);
}

TEST_F(LightingTest, SpotLightConeAndFalloff) {
    // The corners lie 18.43 degrees off the spot's axis (cos 0.9487).
    D3DLIGHT9 spot = OnAxis(D3DLIGHT_SPOT, 0);
    spot.Theta = 1.0471976f;  // 60 degrees: half angle 30, inside
    spot.Phi = 1.5707964f;
    SetLight(spot);
    EXPECT_EQ(DrawWithNormal(0, 0, -1), 0xFFF2F2F2u);  // 255 x 0.9487 = 241.9
    // Between theta 20 (cos 10 = 0.98481) and phi 60 (cos 30 = 0.86603) with falloff 1:
    // (0.94868 - 0.86603) / (0.98481 - 0.86603) = 0.69588: 255 x 0.9487 x 0.6959 = 168.3.
    spot.Theta = 0.3490659f;
    spot.Phi = 1.0471976f;
    SetLight(spot);
    EXPECT_EQ(DrawWithNormal(0, 0, -1), 0xFFA8A8A8u);
    // Outside phi 30 (half angle 15): dark.
    spot.Theta = 0.2f;
    spot.Phi = 0.5235988f;
    SetLight(spot);
    EXPECT_EQ(DrawWithNormal(0, 0, -1), 0xFF000000u);
}

TEST_F(LightingTest, SpecularHighlightWithPowerIsAddedAfterTexturing) {
    // Normal (0.6, 0, -0.8) under a light along +z with a distant viewer: the half vector
    // is (0, 0, -1), cos 0.8, power 4: 0.4096 x 255 = 104.4. A black diffuse material
    // leaves the specular alone on the screen.
    D3DLIGHT9 light = Directional(0, 0, 1, LightColor(1, 1, 1));
    light.Specular = LightColor(1, 1, 1);
    SetLight(light);
    D3DMATERIAL9 m;
    m.Specular = LightColor(1, 1, 1);
    m.Power = 4;
    SetMaterial(m);
    dev->SetRenderState(D3DRS_LOCALVIEWER, 0);
    dev->SetRenderState(D3DRS_SPECULARENABLE, 1);
    EXPECT_EQ(DrawWithNormal(0.6f, 0, -0.8f), 0xFF686868u);
    dev->SetRenderState(D3DRS_SPECULARENABLE, 0);
    EXPECT_EQ(DrawWithNormal(0.6f, 0, -0.8f), 0xFF000000u);
}

TEST_F(LightingTest, MaterialSourcesTakeTheVertexColours) {
    // Diffuse from vertex colour 1 (0x80FF8040) under a white light facing it; alpha too.
    SetLight(Directional(0, 0, 1, LightColor(1, 1, 1)));
    dev->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    EXPECT_EQ(DrawColored(0x80FF8040u, 0xFF000000u) & 0xFFFFFFu, 0xFF8040u);
    // Emissive from colour 2 over a black material diffuse: the specular colour shows.
    D3DMATERIAL9 black;
    SetMaterial(black);
    dev->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    dev->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_COLOR2);
    EXPECT_EQ(DrawColored(0xFFFFFFFFu, 0xFF123456u), 0xFF123456u);
    // With D3DRS_COLORVERTEX off every source is the material: all black.
    dev->SetRenderState(D3DRS_COLORVERTEX, 0);
    EXPECT_EQ(DrawColored(0xFFFFFFFFu, 0xFF123456u), 0xFF000000u);
}

TEST_F(LightingTest, VerticesWithoutNormalsGetAmbientAndEmissiveOnly) {
    // Material ambient (0.4, 0.2, 0) under global ambient 1 plus the light's ambient 0.2:
    // 0.48 and 0.24 (122, 61); emissive blue 0.2 (51). The light's diffuse has no normal
    // to fall on.
    D3DLIGHT9 light = Directional(0, 0, 1, LightColor(1, 1, 1));
    light.Ambient = LightColor(0.2f, 0.2f, 0.2f);
    SetLight(light);
    D3DMATERIAL9 m;
    m.Diffuse = LightColor(1, 1, 1);
    m.Ambient = LightColor(0.4f, 0.2f, 0);
    m.Emissive = LightColor(0, 0, 0.2f);
    SetMaterial(m);
    dev->SetRenderState(D3DRS_AMBIENT, 0x00FFFFFFu);
    float v[3][3];
    for (int i = 0; i < 3; ++i) v[i][0] = kCornerX[i], v[i][1] = kCornerY[i], v[i][2] = 0.5f;
    EXPECT_EQ(DrawVertices(D3DFVF_XYZ, v, sizeof(v[0])), 0xFF7A3D33u);
}

TEST_F(LightingTest, PretransformedVerticesAreNeverLit) {
    SetLight(Directional(0, 0, 1, LightColor(1, 1, 1)));
    dev->SetRenderState(D3DRS_AMBIENT, 0);
    TLVertex q[6];
    Quad(q, 0, 0, 16, 16, 0xFF336699u);
    dev->SetFVF(kTLFvf);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Pixel(8, 8), 0xFF336699u);
}

}  // namespace
}  // namespace host::test
