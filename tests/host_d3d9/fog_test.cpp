// Fog against hand-worked factors: vertex fog from camera-space depth or range, table fog
// from z or w per pixel, and pre-transformed vertices' own factor in the specular alpha.
#include <cstring>

#include "device_fixture.h"

namespace host::test {
namespace {

DWORD FloatDword(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

struct FogPosition {
    float x, y, z;
};
struct FogScreenVertex {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
};

class FogTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        UseDiffuseOnly();
        dev->SetRenderState(D3DRS_FOGENABLE, 1);
        dev->SetRenderState(D3DRS_FOGCOLOR, 0);
    }
    void Curve(D3DRENDERSTATETYPE modeState, DWORD mode, float start, float end, float density) {
        dev->SetRenderState(modeState, mode);
        dev->SetRenderState(D3DRS_FOGSTART, FloatDword(start));
        dev->SetRenderState(D3DRS_FOGEND, FloatDword(end));
        dev->SetRenderState(D3DRS_FOGDENSITY, FloatDword(density));
    }
    // A white untransformed triangle at depth z (identity transforms: camera space),
    // corners on the unit circle; the centre pixel.
    uint32_t DrawAtDepth(float z) {
        const FogPosition v[3] = {{0, 1, z}, {-0.8660254f, -0.5f, z}, {0.8660254f, -0.5f, z}};
        return Submit(D3DFVF_XYZ, v, sizeof(FogPosition), 1);
    }
    // A white pre-transformed square over the target with this z, rhw and specular.
    uint32_t DrawScreen(float z, float rhw, uint32_t specular) {
        const FogScreenVertex v[4] = {{0, 0, z, rhw, 0xFFFFFFFFu, specular},
                                      {16, 0, z, rhw, 0xFFFFFFFFu, specular},
                                      {0, 16, z, rhw, 0xFFFFFFFFu, specular},
                                      {16, 16, z, rhw, 0xFFFFFFFFu, specular}};
        return Submit(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR, v, sizeof(FogScreenVertex), 2);
    }
    uint32_t Submit(DWORD fvf, const void* v, UINT stride, UINT triangles) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        dev->SetFVF(fvf);
        dev->BeginScene();
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, triangles, v, stride), D3D_OK);
        dev->EndScene();
        return Pixel(8, 8);
    }
};

TEST_F(FogTest, VertexFogModesAtAKnownDepth) {
    // Depth 0.25. Linear 0 to 1: factor 0.75 (191), blended towards a red fog colour.
    Curve(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR, 0, 1, 1);
    dev->SetRenderState(D3DRS_FOGCOLOR, 0xFFFF0000u);
    EXPECT_EQ(DrawAtDepth(0.25f), 0xFFFFBFBFu);
    dev->SetRenderState(D3DRS_FOGCOLOR, 0);
    // exp(-2 x 0.25) = 0.6065 (155); exp(-(2 x 0.25)^2) = 0.7788 (199).
    Curve(D3DRS_FOGVERTEXMODE, D3DFOG_EXP, 0, 1, 2);
    EXPECT_EQ(DrawAtDepth(0.25f), 0xFF9B9B9Bu);
    Curve(D3DRS_FOGVERTEXMODE, D3DFOG_EXP2, 0, 1, 2);
    EXPECT_EQ(DrawAtDepth(0.25f), 0xFFC7C7C7u);
    // Range fog: every corner lies sqrt(1 + 0.0625) = 1.0308 from the eye; linear 0 to 2
    // gives 0.4846 (124).
    Curve(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR, 0, 2, 1);
    dev->SetRenderState(D3DRS_RANGEFOGENABLE, 1);
    EXPECT_EQ(DrawAtDepth(0.25f), 0xFF7C7C7Cu);
    // Fog disabled leaves the pixel as it was.
    dev->SetRenderState(D3DRS_FOGENABLE, 0);
    EXPECT_EQ(DrawAtDepth(0.25f), 0xFFFFFFFFu);
}

TEST_F(FogTest, TableFogFromZOrW) {
    // The identity projection is affine: fog reads z. Linear 0 to 1 at z 0.25: 191.
    Curve(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR, 0, 1, 1);
    EXPECT_EQ(DrawScreen(0.25f, 1, 0), 0xFFBFBFBFu);
    // A perspective projection (last column 0, 0, 1, 0): fog reads w = 1 / rhw = 2.
    D3DMATRIX perspective = IdentityMatrix();
    perspective.m[2][3] = 1;
    perspective.m[3][3] = 0;
    dev->SetTransform(D3DTS_PROJECTION, &perspective);
    Curve(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR, 0, 8, 1);
    EXPECT_EQ(DrawScreen(0.25f, 0.5f, 0), 0xFFBFBFBFu);
    Curve(D3DRS_FOGTABLEMODE, D3DFOG_EXP, 0, 8, 0.25f);
    EXPECT_EQ(DrawScreen(0.25f, 0.5f, 0), 0xFF9B9B9Bu);
    // The table mode wins over the specular alpha of pre-transformed vertices.
    EXPECT_EQ(DrawScreen(0.25f, 0.5f, 0xFF000000u), 0xFF9B9B9Bu);
}

TEST_F(FogTest, PretransformedVerticesCarryTheirFactorInTheSpecularAlpha) {
    // Factor 0x40 of 255: 64 of the white is kept over black fog.
    EXPECT_EQ(DrawScreen(0, 1, 0x40000000u), 0xFF404040u);
    EXPECT_EQ(DrawScreen(0, 1, 0xFF000000u), 0xFFFFFFFFu);
    dev->SetRenderState(D3DRS_FOGENABLE, 0);
    EXPECT_EQ(DrawScreen(0, 1, 0x40000000u), 0xFFFFFFFFu);
}

TEST_F(FogTest, FoggedSpritesLeaveTheFastSpans) {
    // A textured sprite in the state the fast spans serve, but fogged: it must be fogged.
    Texture* tex = MakeTexture(2, 2, std::vector<uint32_t>(4, 0xFFFFFFFFu));
    dev->SetTexture(0, tex);
    UseTextureOnly();
    dev->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FFu);
    EXPECT_EQ(DrawScreen(0, 1, 0x00000000u), 0xFF0000FFu);
    tex->Release();
}

}  // namespace
}  // namespace host::test
