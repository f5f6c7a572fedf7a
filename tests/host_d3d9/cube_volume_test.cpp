// Cube and volume textures on the fixed-function path: the cube's objects and rules, face
// selection along every axis and near edges, and a volume sampled slice by slice with
// point and linear filters and its addressing across the slices, from an FVF's
// three-component sets and from a vertex declaration.
#include <utility>
#include <vector>

#include "device_fixture.h"
#include "host/d3d9/resources/cube_texture.h"

namespace host::test {
namespace {

struct DirVertex {
    float x, y, z, rhw;
    uint32_t color;
    float s, t, r;
};
constexpr DWORD kDirFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0);

// Texel (i, j) of face f of the test cube: the face in red, the texel in green and blue.
uint32_t CubeTexel(uint32_t face, uint32_t i, uint32_t j) { return 0xFF000000u | (face * 40) << 16 | i << 8 | j; }

class TextureKindsTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        dev->SetFVF(kDirFvf);
        UseTextureOnly();
    }
    // A managed cube whose faces are `edge` x `edge` texels of CubeTexel.
    CubeTexture* MakeCube(UINT edge) {
        CubeTexture* cube = nullptr;
        EXPECT_EQ(dev->CreateCubeTexture(edge, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
        for (uint32_t f = 0; f < kCubeFaces; ++f) {
            D3DLOCKED_RECT lr;
            EXPECT_EQ(cube->LockRect(D3DCUBEMAP_FACES(f), 0, &lr, nullptr, 0), D3D_OK);
            for (uint32_t j = 0; j < edge; ++j)
                for (uint32_t i = 0; i < edge; ++i)
                    static_cast<uint32_t*>(lr.pBits)[j * uint32_t(lr.Pitch) / 4 + i] = CubeTexel(f, i, j);
            EXPECT_EQ(cube->UnlockRect(D3DCUBEMAP_FACES(f), 0), D3D_OK);
        }
        return cube;
    }
    // Draws one point at pixel (x, 0) reading texture coordinates (s, t, r).
    uint32_t PointAt(int x, float s, float t, float r) {
        const DirVertex v{float(x), 0, 0, 1, 0xFFFFFFFFu, s, t, r};
        dev->BeginScene();
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &v, sizeof(v)), D3D_OK);
        dev->EndScene();
        return Pixel(x, 0);
    }
    void Filter(DWORD filter) {
        dev->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
        dev->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
    }
};

TEST_F(TextureKindsTest, CubeObjectsFollowTheTextureRules) {
    D3DCAPS9 caps;
    dev->GetDeviceCaps(&caps);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_CUBEMAP);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_MIPCUBEMAP);
    CubeTexture* cube = nullptr;
    ASSERT_EQ(dev->CreateCubeTexture(8, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &cube, nullptr), D3D_OK);
    EXPECT_EQ(cube->GetLevelCount(), 4u);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(cube->GetLevelDesc(2, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(cube->GetLevelDesc(4, &desc), D3DERR_INVALIDCALL);
    // Faces and levels out of range, and bad rectangles.
    Surface* face = nullptr;
    EXPECT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(6), 0, &face), D3DERR_INVALIDCALL);
    EXPECT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Z, 4, &face), D3DERR_INVALIDCALL);
    EXPECT_EQ(face, nullptr);
    D3DLOCKED_RECT lr;
    EXPECT_EQ(cube->LockRect(D3DCUBEMAP_FACES(7), 0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(cube->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_X, 0), D3DERR_INVALIDCALL);  // not locked
    const RECT outside{0, 0, 9, 1}, inside{1, 1, 3, 3};
    EXPECT_EQ(cube->AddDirtyRect(D3DCUBEMAP_FACE_POSITIVE_Y, &outside), D3DERR_INVALIDCALL);
    EXPECT_EQ(cube->AddDirtyRect(D3DCUBEMAP_FACES(6), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(cube->AddDirtyRect(D3DCUBEMAP_FACE_POSITIVE_Y, &inside), D3D_OK);
    // A face's surface shares the cube's count.
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Y, 1, &face), D3D_OK);
    EXPECT_EQ(face->Width(), 4u);
    ASSERT_EQ(face->LockRect(&lr, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(lr.pBits)[0] = 0xFF123456u;
    face->UnlockRect();
    face->Release();
    // UpdateTexture copies every face into a default-pool cube of the same shape.
    CubeTexture* onDevice = nullptr;
    ASSERT_EQ(dev->CreateCubeTexture(8, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &onDevice, nullptr), D3D_OK);
    EXPECT_EQ(onDevice->LockRect(D3DCUBEMAP_FACE_POSITIVE_X, 0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->UpdateTexture(cube, onDevice), D3D_OK);
    EXPECT_EQ(reinterpret_cast<const uint32_t*>(onDevice->Face(D3DCUBEMAP_FACE_NEGATIVE_Y, 1)->Bits())[0],
              0xFF123456u);
    CubeTexture* smaller = nullptr;
    ASSERT_EQ(dev->CreateCubeTexture(4, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &smaller, nullptr), D3D_OK);
    EXPECT_EQ(dev->UpdateTexture(cube, smaller), D3DERR_INVALIDCALL);
    // Bound and read back; a system-memory cube cannot be bound.
    EXPECT_EQ(dev->SetTexture(0, cube), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->SetTexture(0, onDevice), D3D_OK);
    BaseTexture* bound = nullptr;
    ASSERT_EQ(dev->GetTexture(0, &bound), D3D_OK);
    EXPECT_EQ(bound, onDevice);
    EXPECT_EQ(bound->GetType(), D3DRTYPE_CUBETEXTURE);
    bound->Release();
    // Default-pool cubes keep Reset from succeeding until they are released.
    dev->SetTexture(0, nullptr);
    D3DPRESENT_PARAMETERS pp;
    back->Release();
    back = nullptr;
    pp.BackBufferWidth = pp.BackBufferHeight = 16;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.Windowed = 1;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    onDevice->Release();
    smaller->Release();
    EXPECT_EQ(dev->Reset(&pp), D3D_OK);
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    cube->Release();
    // Creation's own refusals.
    EXPECT_EQ(dev->CreateCubeTexture(0, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateCubeTexture(8, 5, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateCubeTexture(8, 1, D3DUSAGE_DEPTHSTENCIL, D3DFMT_D16, D3DPOOL_DEFAULT, &cube, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateCubeTexture(8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(cube, nullptr);
}

TEST_F(TextureKindsTest, RenderTargetCubeFacesAreDrawnOn) {
    CubeTexture* cube = nullptr;
    ASSERT_EQ(dev->CreateCubeTexture(4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &cube, nullptr),
              D3D_OK);
    Surface* face = nullptr;
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_X, 0, &face), D3D_OK);
    ASSERT_EQ(dev->SetRenderTarget(0, face), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0), D3D_OK);
    dev->SetRenderTarget(0, back);
    ASSERT_EQ(dev->SetTexture(0, cube), D3D_OK);
    EXPECT_EQ(PointAt(0, -1, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(PointAt(1, 1, 0, 0), 0xFF000000u);  // the other faces stay cleared to zero
    face->Release();
    dev->SetTexture(0, nullptr);
    cube->Release();
}

TEST_F(TextureKindsTest, CubeFacesAlongEachAxisAndNearEdges) {
    CubeTexture* cube = MakeCube(2);
    ASSERT_EQ(dev->SetTexture(0, cube), D3D_OK);
    // Straight along each axis the face's middle lies between its four texels; pointing a
    // little off the middle picks one. The texel across (i) and down (j) follows each
    // face's own axes: +x runs along -z and -y, -x along +z and -y, +y along +x and +z,
    // -y along +x and -z, +z along +x and -y, -z along -x and -y.
    const float o = 0.5f;
    EXPECT_EQ(PointAt(0, 1, o, o), CubeTexel(0, 0, 0));
    EXPECT_EQ(PointAt(1, 1, -o, -o), CubeTexel(0, 1, 1));
    EXPECT_EQ(PointAt(2, -1, o, o), CubeTexel(1, 1, 0));
    EXPECT_EQ(PointAt(3, o, 1, o), CubeTexel(2, 1, 1));
    EXPECT_EQ(PointAt(4, o, -1, o), CubeTexel(3, 1, 0));
    EXPECT_EQ(PointAt(5, o, o, 1), CubeTexel(4, 1, 0));
    EXPECT_EQ(PointAt(6, o, o, -1), CubeTexel(5, 0, 0));
    EXPECT_EQ(PointAt(7, -o, -o, -1), CubeTexel(5, 1, 1));
    // The largest component decides, whatever the length.
    EXPECT_EQ(PointAt(8, 30, 29.9f, -0.1f), CubeTexel(0, 1, 0));
    EXPECT_EQ(PointAt(9, 29.9f, 30, -0.1f), CubeTexel(2, 1, 0));
    // Linear filtering clamps at the face's edges, whatever the sampler's own addressing:
    // near a corner it reads the corner texel alone, not the texel across the face.
    Filter(D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    EXPECT_EQ(PointAt(10, 1, 0.999f, 0.999f), CubeTexel(0, 0, 0));
    EXPECT_EQ(PointAt(11, 1, -0.999f, -0.999f), CubeTexel(0, 1, 1));
    // And halfway between two texels it averages them.
    const uint32_t a = CubeTexel(4, 0, 0), b = CubeTexel(4, 1, 0);
    EXPECT_EQ(PointAt(12, 0, 0.5f, 1), (a & 0xFFFF00FFu) | ((((a >> 8) & 255) + ((b >> 8) & 255) + 1) / 2) << 8);
    dev->SetTexture(0, nullptr);
    cube->Release();
}

TEST_F(TextureKindsTest, CubeTrianglesReadTheFacesTheyPointAt) {
    CubeTexture* cube = MakeCube(1);
    ASSERT_EQ(dev->SetTexture(0, cube), D3D_OK);
    // A quad whose directions sweep from -x through +z to +x along the row: the left part
    // shows -x, the middle +z, the right +x.
    const DirVertex q[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFFu, -1, 0, 0.2f},
                            {15.5f, -0.5f, 0, 1, 0xFFFFFFFFu, 1, 0, 0.2f},
                            {-0.5f, 1.5f, 0, 1, 0xFFFFFFFFu, -1, 0, 0.2f},
                            {15.5f, 1.5f, 0, 1, 0xFFFFFFFFu, 1, 0, 0.2f}};
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(DirVertex)), D3D_OK);
    dev->EndScene();
    EXPECT_EQ(Pixel(0, 0), CubeTexel(1, 0, 0));
    EXPECT_EQ(Pixel(7, 1), CubeTexel(4, 0, 0));
    EXPECT_EQ(Pixel(15, 0), CubeTexel(0, 0, 0));
    dev->SetTexture(0, nullptr);
    cube->Release();
}

TEST_F(TextureKindsTest, ReflectionVectorsLookUpTheCube) {
    // A quad facing the viewer reflects the view straight back: the -z face; a texture
    // matrix turning z into x sends it to -x instead.
    struct PositionNormal {
        float x, y, z, nx, ny, nz;
    };
    const PositionNormal v[4] = {{-1, 1, 0.5f, 0, 0, -1}, {1, 1, 0.5f, 0, 0, -1}, {-1, -1, 0.5f, 0, 0, -1},
                                 {1, -1, 0.5f, 0, 0, -1}};
    CubeTexture* cube = MakeCube(1);
    ASSERT_EQ(dev->SetTexture(0, cube), D3D_OK);
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    auto draw = [&]() {
        dev->BeginScene();
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(PositionNormal)), D3D_OK);
        dev->EndScene();
        return Pixel(8, 8);
    };
    EXPECT_EQ(draw(), CubeTexel(5, 0, 0));
    D3DMATRIX zToX;
    zToX.m[2][0] = 1, zToX.m[0][2] = 1, zToX.m[1][1] = 1, zToX.m[3][3] = 1;
    dev->SetTransform(D3DTS_TEXTURE0, &zToX);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3);
    EXPECT_EQ(draw(), CubeTexel(1, 0, 0));
    dev->SetTexture(0, nullptr);
    cube->Release();
}

class VolumeSamplingTest : public TextureKindsTest {
protected:
    void SetUp() override {
        D3D9Settings().shaderModel = 3;  // volume textures come with the shader caps
        TextureKindsTest::SetUp();
        D3D9Settings().shaderModel = 3;
        ASSERT_EQ(dev->CreateVolumeTexture(2, 2, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &volume, nullptr),
                  D3D_OK);
        D3DLOCKED_BOX box;
        ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
        for (int z = 0; z < 4; ++z)
            for (int i = 0; i < 4; ++i)
                static_cast<uint32_t*>(box.pBits)[z * box.SlicePitch / 4 + (i / 2) * box.RowPitch / 4 + i % 2] =
                    SliceColor(z) + uint32_t(i);
        ASSERT_EQ(volume->UnlockBox(0), D3D_OK);
        ASSERT_EQ(dev->SetTexture(0, volume), D3D_OK);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSW, D3DTADDRESS_CLAMP);
    }
    void TearDown() override {
        dev->SetTexture(0, nullptr);
        volume->Release();
        TextureKindsTest::TearDown();
    }
    // Slice z's colour (plus the texel's number 0 to 3 in blue).
    static uint32_t SliceColor(int z) { return 0xFF000000u | uint32_t(z * 80) << 16 | uint32_t(200 - z * 40) << 8; }
    VolumeTexture* volume = nullptr;
};

TEST_F(VolumeSamplingTest, SlicesByPointAndLinearFilters) {
    D3DCAPS9 caps;
    dev->GetDeviceCaps(&caps);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_VOLUMEMAP);
    // Point: the slice whose centre is nearest; texel (1, 0) of it.
    for (int z = 0; z < 4; ++z) EXPECT_EQ(PointAt(z, 0.75f, 0.25f, (float(z) + 0.4f) / 4), SliceColor(z) + 1) << z;
    // Linear at a slice's centre reads that slice alone; halfway between two centres it
    // averages them; at the outer half slices the clamp keeps the last slice.
    Filter(D3DTEXF_LINEAR);
    EXPECT_EQ(PointAt(4, 0.25f, 0.75f, 2.5f / 4), SliceColor(2) + 2);
    EXPECT_EQ(PointAt(5, 0.25f, 0.25f, 2.0f / 4), 0xFF000000u | 120u << 16 | 140u << 8);
    EXPECT_EQ(PointAt(6, 0.25f, 0.25f, 3.9f / 4), SliceColor(3));
    // A quarter of the way from slice 0's centre to slice 1's.
    EXPECT_EQ(PointAt(7, 0.25f, 0.25f, 0.75f / 4), 0xFF000000u | 20u << 16 | 190u << 8);
}

TEST_F(VolumeSamplingTest, AddressingAcrossTheSlices) {
    const float beyond = 1.0f + 1.4f / 4;  // past the last slice by one and a bit
    EXPECT_EQ(PointAt(0, 0.25f, 0.25f, beyond), SliceColor(3));
    dev->SetSamplerState(0, D3DSAMP_ADDRESSW, D3DTADDRESS_WRAP);
    EXPECT_EQ(PointAt(1, 0.25f, 0.25f, beyond), SliceColor(1));
    EXPECT_EQ(PointAt(2, 0.25f, 0.25f, -0.6f / 4), SliceColor(3));
    dev->SetSamplerState(0, D3DSAMP_ADDRESSW, D3DTADDRESS_MIRROR);
    EXPECT_EQ(PointAt(3, 0.25f, 0.25f, beyond), SliceColor(2));
    dev->SetSamplerState(0, D3DSAMP_ADDRESSW, D3DTADDRESS_BORDER);
    dev->SetSamplerState(0, D3DSAMP_BORDERCOLOR, 0xFF0000FFu);
    EXPECT_EQ(PointAt(4, 0.25f, 0.25f, beyond), 0xFF0000FFu);
    EXPECT_EQ(PointAt(5, 0.25f, 0.25f, 0.9f), SliceColor(3));
    // U and V keep their own addressing within a slice.
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    EXPECT_EQ(PointAt(6, 1.25f, 0.25f, 0.1f), SliceColor(0));
}

TEST_F(VolumeSamplingTest, TrianglesStepThroughTheSlices) {
    // A quad whose third coordinate runs from 0 to 1 across four columns: one slice each.
    const DirVertex q[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFFu, 0.25f, 0.25f, 0},
                            {3.5f, -0.5f, 0, 1, 0xFFFFFFFFu, 0.25f, 0.25f, 1},
                            {-0.5f, 1.5f, 0, 1, 0xFFFFFFFFu, 0.25f, 0.25f, 0},
                            {3.5f, 1.5f, 0, 1, 0xFFFFFFFFu, 0.25f, 0.25f, 1}};
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(DirVertex)), D3D_OK);
    dev->EndScene();
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(Pixel(x, 0), SliceColor(x)) << x;
        EXPECT_EQ(Pixel(x, 1), SliceColor(x)) << x;
    }
    EXPECT_EQ(Pixel(4, 0), 0xFF000000u);

    // The same vertices described by a declaration, with the three floats of their set.
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                          {0, 16, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                          {0, 20, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                          D3DDECL_END()};
    VertexDeclaration* declaration = nullptr;
    ASSERT_EQ(dev->CreateVertexDeclaration(elements, &declaration), D3D_OK);
    ASSERT_EQ(dev->SetVertexDeclaration(declaration), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(DirVertex)), D3D_OK);
    dev->EndScene();
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Pixel(x, 1), SliceColor(x)) << x;
    declaration->Release();
    // Parts the fixed-function stages have no use for (a blend weight without vertex
    // blending) are passed over, and a position may lie anywhere in the vertex.
    const D3DVERTEXELEMENT9 weighted[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                          {0, 16, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_BLENDWEIGHT, 0},
                                          {0, 20, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                          D3DDECL_END()};
    // The set first and the position after it, with no colour: white, as the quad's.
    struct LateVertex {
        float s, t, r;
        float x, y, z, rhw;
    };
    LateVertex late[4];
    for (int i = 0; i < 4; ++i) late[i] = {q[i].s, q[i].t, q[i].r, q[i].x, q[i].y, q[i].z, q[i].rhw};
    const D3DVERTEXELEMENT9 lateElements[] = {{0, 12, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                              {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                              D3DDECL_END()};
    const std::pair<const D3DVERTEXELEMENT9*, const void*> draws[] = {{weighted, q}, {lateElements, late}};
    for (const auto& [list, vertices] : draws) {
        ASSERT_EQ(dev->CreateVertexDeclaration(list, &declaration), D3D_OK);
        dev->SetVertexDeclaration(declaration);
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
        dev->BeginScene();
        const UINT stride = vertices == q ? sizeof(DirVertex) : sizeof(LateVertex);
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, vertices, stride), D3D_OK);
        dev->EndScene();
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Pixel(x, 1), SliceColor(x)) << x;
        declaration->Release();
    }
    dev->SetVertexDeclaration(nullptr);
}

}  // namespace
}  // namespace host::test
