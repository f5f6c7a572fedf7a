// Texture coordinates from the fixed-function vertex stage: a stage's texture matrix,
// coordinates generated from camera-space positions, and projected coordinates. Point
// sampling of textures whose texels all differ shows which texel each pixel read.
#include "device_fixture.h"

namespace host::test {
namespace {

struct TexturedPosition {
    float x, y, z, u, v;
};

std::vector<uint32_t> DistinctTexels(int count) {
    std::vector<uint32_t> t(size_t(count), 0);
    for (int i = 0; i < count; ++i) t[size_t(i)] = 0xFF000000u | uint32_t(i + 1) * 0x00100804u;
    return t;
}

class TexCoordTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        UseTextureOnly();
    }
    // A quad over the whole target (clip space -1 to 1, identity transforms) with texture
    // coordinates 0 to 1 from left to right and top to bottom.
    void DrawScreenQuad(DWORD fvf = D3DFVF_XYZ | D3DFVF_TEX1) {
        const TexturedPosition v[4] = {
            {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {-1, -1, 0.5f, 0, 1}, {1, -1, 0.5f, 1, 1}};
        dev->SetFVF(fvf);
        dev->BeginScene();
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TexturedPosition)), D3D_OK);
        dev->EndScene();
    }
};

TEST_F(TexCoordTest, TextureMatrixScalesAndOffsetsCoordinates) {
    const std::vector<uint32_t> t = DistinctTexels(4);
    Texture* tex = MakeTexture(4, 1, t);
    dev->SetTexture(0, tex);
    // Untransformed: pixel x reads texel floor(4 (x + 0.5) / 16).
    DrawScreenQuad();
    EXPECT_EQ(Pixel(2, 8), t[0]);
    EXPECT_EQ(Pixel(12, 8), t[3]);
    // u' = 0.5 u + 0.5 (2D coordinates take the third row as the translation): the left
    // half reads texel 2, the right half texel 3.
    D3DMATRIX m = IdentityMatrix();
    m.m[0][0] = 0.5f;
    m.m[2][0] = 0.5f;
    dev->SetTransform(D3DTS_TEXTURE0, &m);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    DrawScreenQuad();
    EXPECT_EQ(Pixel(2, 8), t[2]);
    EXPECT_EQ(Pixel(7, 8), t[2]);
    EXPECT_EQ(Pixel(8, 8), t[3]);
    EXPECT_EQ(Pixel(15, 8), t[3]);
    // The matrix is the stage's: turned off, the plain coordinates come back.
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    DrawScreenQuad();
    EXPECT_EQ(Pixel(2, 8), t[0]);
    tex->Release();
}

TEST_F(TexCoordTest, CameraSpacePositionGeneratesCoordinates) {
    // The quad has no coordinates of its own. The camera-space position (x, y, z, 1)
    // through u = 0.5 x + 0.5, v = 0.5 - 0.5 y maps the screen onto the texture, so
    // pixel (x, y) reads texel (x / 4, y / 4) of a 4 x 4 texture. A view matrix moving
    // everything right by 1 shows the position is the camera's: the matrix then takes
    // 1 off again.
    const std::vector<uint32_t> t = DistinctTexels(16);
    Texture* tex = MakeTexture(4, 4, t);
    dev->SetTexture(0, tex);
    D3DMATRIX view = IdentityMatrix(), projection = IdentityMatrix();
    view.m[3][0] = 1;
    projection.m[3][0] = -1;
    dev->SetTransform(D3DTS_VIEW, &view);
    dev->SetTransform(D3DTS_PROJECTION, &projection);
    D3DMATRIX m = IdentityMatrix();
    m.m[0][0] = 0.5f;
    m.m[1][1] = -0.5f;
    m.m[3][0] = 0.0f;  // 0.5 (x_camera - 1) + 0.5
    m.m[3][1] = 0.5f;
    dev->SetTransform(D3DTS_TEXTURE0, &m);
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    DrawScreenQuad(D3DFVF_XYZ);
    EXPECT_EQ(Pixel(1, 1), t[0]);
    EXPECT_EQ(Pixel(13, 5), t[1 * 4 + 3]);
    EXPECT_EQ(Pixel(6, 14), t[3 * 4 + 1]);
    tex->Release();
}

TEST_F(TexCoordTest, ProjectedCoordinatesAreDividedByTheirLastElement) {
    // (u, v, 1) through a matrix doubling the third element, then divided by it: u / 2.
    // Pixel 12 (u 0.78) reads texel 1 rather than 3.
    const std::vector<uint32_t> t = DistinctTexels(4);
    Texture* tex = MakeTexture(4, 1, t);
    dev->SetTexture(0, tex);
    D3DMATRIX m = IdentityMatrix();
    m.m[2][2] = 2;
    dev->SetTransform(D3DTS_TEXTURE0, &m);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3);
    DrawScreenQuad();
    EXPECT_EQ(Pixel(12, 8), t[3]);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3 | D3DTTFF_PROJECTED);
    DrawScreenQuad();
    EXPECT_EQ(Pixel(12, 8), t[1]);
    EXPECT_EQ(Pixel(2, 8), t[0]);
    tex->Release();
}

TEST_F(TexCoordTest, ProjectedCoordinatesAreDividedAtEachPixel) {
    // Three-element coordinates (u, v, q): u 0 and q 1 on the left, u 2 and q 2 on the
    // right, through the identity with COUNT3 | PROJECTED. Pixel x lies at t = x / 16
    // across, where u / q is 2t / (1 + t), not t as dividing at the corners would give:
    // pixel 3 reads 0.32 (texel 1, not 0), pixel 6 0.55 (texel 2, not 1), pixel 14 0.93
    // (texel 3).
    struct ProjectiveVertex {
        float x, y, z, u, v, q;
    };
    const std::vector<uint32_t> t = DistinctTexels(4);
    Texture* tex = MakeTexture(4, 1, t);
    dev->SetTexture(0, tex);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3 | D3DTTFF_PROJECTED);
    const ProjectiveVertex v[4] = {
        {-1, 1, 0.5f, 0, 0, 1}, {1, 1, 0.5f, 2, 0, 2}, {-1, -1, 0.5f, 0, 1, 1}, {1, -1, 0.5f, 2, 2, 2}};
    constexpr DWORD kThreeElementSet = 1 << 16;  // set 0 holds three floats
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1 | kThreeElementSet);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ProjectiveVertex)), D3D_OK);
    dev->EndScene();
    EXPECT_EQ(Pixel(3, 8), t[1]);
    EXPECT_EQ(Pixel(6, 8), t[2]);
    EXPECT_EQ(Pixel(14, 8), t[3]);
    // A line across the same row divides the same way.
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    const ProjectiveVertex line[2] = {{-1, 0, 0.5f, 0, 0, 1}, {1, 0, 0.5f, 2, 0, 2}};
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(ProjectiveVertex)), D3D_OK);
    dev->EndScene();
    EXPECT_EQ(Pixel(6, 8), t[2]);
    tex->Release();
}

}  // namespace
}  // namespace host::test
