// Both shader stages together: four-component texture coordinates from a vertex shader
// read by texldp and texldb, oDepth against the depth buffer, lines and points through a
// pixel shader, and vertex elements gathered from several vertex buffers.
#include "host/d3d9/resources/cube_texture.h"
#include "shader_code.h"

namespace host::test {
namespace {

constexpr uint32_t kSR = kFileTemp, kSC = kFileConst, kT0 = kFileTexture;

class ShaderStagesTest : public ShaderDrawTest {
protected:
    // A vertex shader passing the position on, with oT0 = v1 * c0 + c1 from the FVF's
    // texture coordinates (u, v, 0, 1).
    void ScaleTexCoords(float scale, float w) {
        const float k[8] = {scale, scale, scale, scale, 0, 0, 0, w};
        ASSERT_EQ(dev->SetVertexShaderConstantF(0, k, 2), D3D_OK);
        dev->SetVertexShader(MakeVs(ShaderCode(kVs20)
                                        .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                        .DclInput(D3DDECLUSAGE_TEXCOORD, 0, 1)
                                        .Op(kOpMov, {Dst(kFileRastOut, 0), Src(kFileInput, 0)})
                                        .Op(kOpMad, {Dst(kFileTexCrdOut, 0), Src(kFileInput, 1), Src(kSC, 0),
                                                     Src(kSC, 1)})
                                        .End()));
    }
    // texld (variant 0), texldp (1) or texldb (2) of t0 through s0, written to oC0; s0 is
    // declared 2D (texture type 2), cube (3) or volume (4).
    PixelShader* Lookup(uint32_t variant, uint32_t textureType = 2) {
        return MakePs(ShaderCode(kPs20)
                          .DclPixel(kT0, 0)
                          .DclSampler(0, textureType)
                          .Op(kOpTex | variant << 16, {Dst(kSR, 0), Src(kT0, 0), Src(kFileSampler, 0)})
                          .Op(kOpMov, {Dst(kFileColorOut, 0), Src(kSR, 0)})
                          .End());
    }
    // A square texture bound to stage 0: `colors` texel by texel for one level, or one
    // colour per level.
    void Texels(UINT side, UINT levels, const std::vector<uint32_t>& colors) {
        Texture* tex = nullptr;
        ASSERT_EQ(dev->CreateTexture(side, side, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
        made.push_back(tex);
        for (UINT l = 0; l < levels; ++l) {
            D3DLOCKED_RECT lr;
            ASSERT_EQ(tex->LockRect(l, &lr, nullptr, 0), D3D_OK);
            const UINT s = side >> l;
            for (UINT i = 0; i < s * s; ++i) {
                const uint32_t c = levels == 1 ? colors[i] : colors[l];
                std::memcpy(static_cast<uint8_t*>(lr.pBits) + (i / s) * lr.Pitch + (i % s) * 4, &c, 4);
            }
            tex->UnlockRect(l);
        }
        dev->SetTexture(0, tex);
    }
    std::string Row(int y, uint32_t rgb, int width) {
        std::string row;
        for (int x = 0; x < width; ++x) row += (Pixel(x, y) & 0xFFFFFF) == rgb ? '#' : '.';
        return row;
    }
};

TEST_F(ShaderStagesTest, ProjectedAndBiasedLookups) {
    Texels(2, 1, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    // oT0 = (2u, 2v, 0, 2): texldp divides by w and reads (u, v); texld reads (2u, 2v).
    ScaleTexCoords(2, 0);
    dev->SetPixelShader(Lookup(1));
    ASSERT_EQ(DrawClipQuad(), D3D_OK) << log;
    EXPECT_EQ(Pixel(6, 3) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Pixel(6, 12) & 0xFFFFFF, 0x0000FFu);
    dev->SetPixelShader(Lookup(0));
    ASSERT_EQ(DrawClipQuad(), D3D_OK);
    EXPECT_EQ(Pixel(6, 3) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(Pixel(6, 12) & 0xFFFFFF, 0xFFFFFFu);
    // The same four components from an FVF's four-component set, without a vertex shader.
    struct Projected {
        float x, y, z, rhw;
        uint32_t color;
        float t[4];
    };
    const Projected corners[4] = {{0, 0, 0, 1, ~0u, {0, 0, 0, 2}},
                                  {16, 0, 0, 1, ~0u, {2, 0, 0, 2}},
                                  {0, 16, 0, 1, ~0u, {0, 2, 0, 2}},
                                  {16, 16, 0, 1, ~0u, {2, 2, 0, 2}}};
    dev->SetVertexShader(nullptr);
    dev->SetPixelShader(Lookup(1));
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1 | D3DFVF_TEXTUREFORMAT4 << 16);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, corners, sizeof(Projected)), D3D_OK) << log;
    dev->EndScene();
    EXPECT_EQ(Pixel(6, 3) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Pixel(6, 12) & 0xFFFFFF, 0x0000FFu);

    // Four texels over 16 pixels magnify (level 0, red); texldb's bias of w = 3 moves the
    // choice to level 1 (green).
    Texels(4, 2, {0xFFFF0000u, 0xFF00FF00u});
    dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    ScaleTexCoords(1, 2);  // w = 1 + 2
    dev->SetPixelShader(Lookup(2));
    ASSERT_EQ(DrawClipQuad(), D3D_OK);
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0x00FF00u);
    dev->SetPixelShader(Lookup(0));
    ASSERT_EQ(DrawClipQuad(), D3D_OK);
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(ShaderStagesTest, ODepthReplacesTheInterpolatedDepth) {
    Surface* depth = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, 1, &depth, nullptr), D3D_OK);
    made.push_back(depth);
    dev->SetDepthStencilSurface(depth);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    auto writesDepth = [&](float z, uint32_t color) {
        const float c[8] = {z, z, z, z, float(color >> 16 & 255) / 255, float(color >> 8 & 255) / 255,
                            float(color & 255) / 255, 1};
        dev->SetPixelShaderConstantF(0, c, 2);
        return MakePs(ShaderCode(kPs20)
                          .Op(kOpMov, {Dst(kFileDepthOut, 0, 1), Src(kSC, 0)})
                          .Op(kOpMov, {Dst(kFileColorOut, 0), Src(kSC, 1)})
                          .End());
    };
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 0.5f, 0);
    dev->SetFVF(kTLFvf);
    TLVertex quad[6];
    Quad(quad, 0, 0, 16, 16, 0xFFFFFFFFu);  // interpolated z 0: would pass everywhere
    dev->SetPixelShader(writesDepth(0.75f, 0xFF0000u));
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, quad), D3D_OK);
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0u);
    dev->SetPixelShader(writesDepth(0.25f, 0x00FF00u));
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, quad), D3D_OK);
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(ShaderStagesTest, LinesAndPointsRunThePixelShader) {
    // oC0 = v0 + blue.
    dev->SetPixelShader(MakePs(ShaderCode(kPs20)
                                   .DclPixel(kFileInput, 0)
                                   .Def(0, 0, 0, 1, 0)
                                   .Op(kOpAdd, {Dst(kFileColorOut, 0), Src(kFileInput, 0), Src(kSC, 0)})
                                   .End()));
    dev->SetFVF(kTLFvf);
    const TLVertex line[2] = {V(1.5f, 2, 0xFFFF0000u), V(9.5f, 2, 0xFFFF0000u)};
    ASSERT_EQ(Draw(D3DPT_LINELIST, 1, line), D3D_OK) << log;
    EXPECT_EQ(Row(2, 0xFF00FF, 12), "..########..");
    const TLVertex point[1] = {V(5, 7, 0xFF00FF00u)};
    ASSERT_EQ(Draw(D3DPT_POINTLIST, 1, point), D3D_OK);
    EXPECT_EQ(Row(7, 0x00FFFF, 8), ".....#..");
    // A wireframe triangle is its three edges, drawn as lines.
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    TLVertex quad[6];
    Quad(quad, 2, 2, 10, 10, 0xFF000000u);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, quad), D3D_OK);
    // The top edge ends before (10, 2), where the diagonal edge starts.
    EXPECT_EQ(Row(2, 0x0000FF, 12), "..#########.");
    EXPECT_EQ(Pixel(5, 5) & 0xFFFFFF, 0u);
}

TEST_F(ShaderStagesTest, ElementsFromSeveralVertexBuffers) {
    // Positions in stream 0 (a quad over the left half, then one over the right half),
    // a colour per vertex in stream 1 at an offset of 8 bytes, a stride of 8.
    const float positions[8][3] = {{-1, 1, 0.5f}, {0, 1, 0.5f}, {-1, -1, 0.5f}, {0, -1, 0.5f},
                                   {0, 1, 0.5f},  {1, 1, 0.5f}, {0, -1, 0.5f},  {1, -1, 0.5f}};
    const uint32_t kLeft = 0xFF336699u, kRight = 0xFF996633u;
    std::vector<uint32_t> colors = {0, 0};  // the offset
    for (int i = 0; i < 8; ++i) colors.insert(colors.end(), {i < 4 ? kLeft : kRight, 0xDEADBEEFu});
    auto buffer = [&](const void* data, UINT bytes) {
        VertexBuffer* vb = nullptr;
        EXPECT_EQ(dev->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
        made.push_back(vb);
        void* p = nullptr;
        EXPECT_EQ(vb->Lock(0, bytes, &p, 0), D3D_OK);
        std::memcpy(p, data, bytes);
        vb->Unlock();
        return vb;
    };
    VertexBuffer* first = buffer(positions, sizeof(positions));
    VertexBuffer* second = buffer(colors.data(), UINT(colors.size() * 4));
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                          {1, 0, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                          D3DDECL_END()};
    VertexDeclaration* decl = nullptr;
    ASSERT_EQ(dev->CreateVertexDeclaration(elements, &decl), D3D_OK);
    made.push_back(decl);
    dev->SetVertexDeclaration(decl);
    dev->SetVertexShader(MakeVs(ShaderCode(kVs20)
                                    .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                    .DclInput(D3DDECLUSAGE_COLOR, 0, 1)
                                    .Op(kOpMov, {Dst(kFileRastOut, 0), Src(kFileInput, 0)})
                                    .Op(kOpMov, {Dst(kFileAttrOut, 0), Src(kFileInput, 1)})
                                    .End()));
    UseDiffuseOnly();
    ASSERT_EQ(dev->SetStreamSource(0, first, 0, 12), D3D_OK);
    ASSERT_EQ(dev->SetStreamSource(1, second, 8, 8), D3D_OK);
    const uint16_t strip[4] = {0, 1, 2, 3};
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(dev->CreateIndexBuffer(sizeof(strip), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    made.push_back(ib);
    void* p = nullptr;
    ASSERT_EQ(ib->Lock(0, sizeof(strip), &p, 0), D3D_OK);
    std::memcpy(p, strip, sizeof(strip));
    ib->Unlock();
    dev->SetIndices(ib);
    dev->BeginScene();
    // Both streams follow the draw's first vertex: 0 on the left, 4 on the right.
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK) << log;
    ASSERT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 4, 0, 4, 0, 2), D3D_OK) << log;
    EXPECT_EQ(Row(8, kLeft & 0xFFFFFF, 16), "########........");
    EXPECT_EQ(Row(8, kRight & 0xFFFFFF, 16), "........########");
    // A second stream too short for the draw, or one given to a draw from memory, refuses it.
    ASSERT_EQ(dev->SetStreamSource(1, second, 40, 8), D3D_OK);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2), D3DERR_INVALIDCALL);
    EXPECT_NE(log.find("without the draw's vertices"), std::string::npos);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, positions, 12), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetStreamSource(16, second, 0, 8), D3DERR_INVALIDCALL);
    dev->EndScene();
}

TEST_F(ShaderStagesTest, CubeAndVolumeSamplers) {
    // A volume of 2 x 2 x 2 texels: red from x, green from y, blue from z.
    VolumeTexture* volume = nullptr;
    ASSERT_EQ(dev->CreateVolumeTexture(2, 2, 2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &volume), D3D_OK);
    made.push_back(volume);
    D3DLOCKED_BOX box;
    ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
    for (int i = 0; i < 8; ++i) {
        const int x = i & 1, y = i >> 1 & 1, z = i >> 2;
        const uint32_t c = uint32_t(x * 255) << 16 | uint32_t(y * 255) << 8 | uint32_t(z * 255);
        std::memcpy(static_cast<uint8_t*>(box.pBits) + z * box.SlicePitch + y * box.RowPitch + x * 4, &c, 4);
    }
    volume->UnlockBox(0);
    ASSERT_EQ(dev->SetTexture(0, volume), D3D_OK);
    // oT0 = (u, v, depth, 1).
    auto depth = [&](float w) {
        ScaleTexCoords(1, 0);
        const float k[8] = {1, 1, 0, 1, 0, 0, w, 0};
        dev->SetVertexShaderConstantF(0, k, 2);
    };
    dev->SetPixelShader(Lookup(0, 4));
    depth(0.75f);
    ASSERT_EQ(DrawClipQuad(), D3D_OK) << log;
    EXPECT_EQ(Pixel(3, 3) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(Pixel(12, 12) & 0xFFFFFF, 0xFFFFFFu);
    depth(0.25f);
    ASSERT_EQ(DrawClipQuad(), D3D_OK);
    EXPECT_EQ(Pixel(12, 3) & 0xFFFFFF, 0xFF0000u);
    // A 2D sampler reads no volume: opaque black.
    dev->SetPixelShader(Lookup(0, 2));
    ASSERT_EQ(DrawClipQuad(), D3D_OK);
    EXPECT_EQ(Pixel(12, 3) & 0xFFFFFF, 0u);

    // A cube whose six faces have six colours, read in the direction oT0 = c0 * 0 + c1.
    CubeTexture* cube = nullptr;
    ASSERT_EQ(dev->CreateCubeTexture(2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
    made.push_back(cube);
    const uint32_t faces[6] = {0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFF00u, 0x00FFFFu, 0xFF00FFu};
    for (uint32_t f = 0; f < 6; ++f) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACES(f), 0, &lr, nullptr, 0), D3D_OK);
        for (int i = 0; i < 4; ++i)
            std::memcpy(static_cast<uint8_t*>(lr.pBits) + (i / 2) * lr.Pitch + (i % 2) * 4, &faces[f], 4);
        cube->UnlockRect(D3DCUBEMAP_FACES(f), 0);
    }
    ASSERT_EQ(dev->SetTexture(0, cube), D3D_OK);
    dev->SetPixelShader(Lookup(0, 3));
    ScaleTexCoords(0, 0);
    const float directions[6][4] = {{2, 0.5f, 0, 0}, {-2, 0, 1, 0}, {0, 3, 0, 0},
                                    {0.1f, -3, 0, 0}, {0, 0, 1, 0}, {0, 0.5f, -1, 0}};
    for (int f = 0; f < 6; ++f) {
        dev->SetVertexShaderConstantF(1, directions[f], 1);
        ASSERT_EQ(DrawClipQuad(), D3D_OK);
        EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, faces[f]) << f;
    }
    // texldp divides the direction too, which leaves its face alone: w = -1 turns it round.
    const float back[4] = {2, 0.5f, 0, -1};
    dev->SetVertexShaderConstantF(1, back, 1);
    dev->SetPixelShader(Lookup(1, 3));
    ASSERT_EQ(DrawClipQuad(), D3D_OK);
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, faces[1]);
    // A volume sampler reads no cube.
    dev->SetPixelShader(Lookup(0, 4));
    ASSERT_EQ(DrawClipQuad(), D3D_OK);
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0u);
}

}  // namespace
}  // namespace host::test
