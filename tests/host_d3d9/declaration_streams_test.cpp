// Declarations drawn by the fixed-function pipeline: one that says what an FVF says draws
// exactly the FVF's pixels whatever the order of its elements, and parts are read from
// any stream with its own offset and stride, checked against the buffers.
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "declaration_fixture.h"

namespace host::test {
namespace {

struct FvfPart {
    BYTE usage, index, type;
};

struct FvfCase {
    DWORD fvf;
    std::vector<FvfPart> parts;  // in the FVF's order
    bool lit;
    DWORD texCoordIndex;
};

int PartBytes(BYTE type) { return type == D3DDECLTYPE_D3DCOLOR ? 4 : 4 * (type + 1); }

// Four corners of a quad that is no rectangle, on the screen (pixels) and in clip space.
constexpr float kCornerPx[4][2] = {{1, 2}, {14, 1}, {2, 15}, {15, 13}};

// The bytes of vertex `corner`'s part, varied from corner to corner and part to part.
void FillPart(const FvfPart& p, int corner, uint8_t* out) {
    const float x = kCornerPx[corner][0], y = kCornerPx[corner][1];
    float f[4] = {0, 0, 0, 0};
    switch (p.usage) {
        case D3DDECLUSAGE_POSITIONT: f[0] = x, f[1] = y, f[2] = 0.25f, f[3] = 1; break;
        case D3DDECLUSAGE_POSITION: f[0] = x / 8 - 1, f[1] = 1 - y / 8, f[2] = 0.5f; break;
        case D3DDECLUSAGE_NORMAL: f[0] = 0.3f * float(corner) - 0.4f, f[1] = 0.2f, f[2] = -1; break;
        case D3DDECLUSAGE_COLOR: {
            const uint32_t c = 0x80402010u * uint32_t(corner + 1) + 0x1F3D5B79u * uint32_t(p.index + 1);
            std::memcpy(out, &c, 4);
            return;
        }
        default:
            for (int k = 0; k < 4; ++k) f[k] = float((corner * 7 + k * 3 + p.index * 5) % 10) / 9.0f;
    }
    std::memcpy(out, f, size_t(PartBytes(p.type)));
}

class FvfDeclarationTest : public DeclarationTest {
protected:
    // The 16 x 16 image of a two-triangle list drawn with `fvf`, then with the declaration
    // of the same parts listed last to first.
    std::pair<std::vector<uint32_t>, std::vector<uint32_t>> DrawBoth(const FvfCase& c) {
        std::vector<D3DVERTEXELEMENT9> elements;
        WORD stride = 0;
        for (const FvfPart& p : c.parts) {
            elements.insert(elements.begin(), {0, stride, p.type, 0, p.usage, p.index});
            stride = WORD(stride + PartBytes(p.type));
        }
        elements.push_back(D3DDECL_END());
        std::vector<uint8_t> corners(size_t(stride) * 4);
        for (int corner = 0; corner < 4; ++corner)
            for (const D3DVERTEXELEMENT9& e : elements)
                if (e.Stream == 0)
                    FillPart({e.Usage, e.UsageIndex, e.Type}, corner, &corners[size_t(corner) * stride + e.Offset]);
        // The quad order of the engine's batches: corners 0, 1, 2, then 3, 2, 1.
        std::vector<uint8_t> list;
        for (int corner : {0, 1, 2, 3, 2, 1})
            list.insert(list.end(), corners.begin() + corner * stride, corners.begin() + (corner + 1) * stride);
        dev->SetRenderState(D3DRS_LIGHTING, c.lit);
        dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, c.texCoordIndex);
        std::pair<std::vector<uint32_t>, std::vector<uint32_t>> images;
        dev->SetFVF(c.fvf);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF202020u, 1.0f, 0);
        EXPECT_EQ(DrawUp(D3DPT_TRIANGLELIST, 2, list.data(), stride), D3D_OK) << log;
        images.first = Image();
        VertexDeclaration* decl = nullptr;
        EXPECT_EQ(dev->CreateVertexDeclaration(elements.data(), &decl), D3D_OK) << log;
        if (!decl) return images;
        made.push_back(decl);
        dev->SetVertexDeclaration(decl);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF202020u, 1.0f, 0);
        EXPECT_EQ(DrawUp(D3DPT_TRIANGLELIST, 2, list.data(), stride), D3D_OK) << log;
        images.second = Image();
        dev->SetVertexDeclaration(nullptr);
        return images;
    }
};

TEST_F(FvfDeclarationTest, ADeclarationSayingWhatAnFvfSaysDrawsItsPixels) {
    constexpr BYTE F1 = D3DDECLTYPE_FLOAT1, F2 = D3DDECLTYPE_FLOAT2, F3 = D3DDECLTYPE_FLOAT3,
                   F4 = D3DDECLTYPE_FLOAT4, C = D3DDECLTYPE_D3DCOLOR;
    constexpr BYTE kPosT = D3DDECLUSAGE_POSITIONT, kPos = D3DDECLUSAGE_POSITION, kNormal = D3DDECLUSAGE_NORMAL,
                   kColor = D3DDECLUSAGE_COLOR, kTex = D3DDECLUSAGE_TEXCOORD;
    const FvfCase cases[] = {
        {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, {{kPosT, 0, F4}, {kColor, 0, C}, {kTex, 0, F2}}, false, 0},
        {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(1),
         {{kPosT, 0, F4}, {kColor, 0, C}, {kColor, 1, C}, {kTex, 0, F2}, {kTex, 1, F3}},
         false,
         1},
        {D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE1(0), {{kPosT, 0, F4}, {kTex, 0, F1}}, false, 0},
        {D3DFVF_XYZ | D3DFVF_SPECULAR, {{kPos, 0, F3}, {kColor, 1, C}}, false, 0},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1,
         {{kPos, 0, F3}, {kNormal, 0, F3}, {kColor, 0, C}, {kTex, 0, F2}},
         true,
         0},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1 |
             D3DFVF_TEXCOORDSIZE4(0),
         {{kPos, 0, F3}, {kNormal, 0, F3}, {D3DDECLUSAGE_PSIZE, 0, F1}, {kColor, 0, C}, {kColor, 1, C}, {kTex, 0, F4}},
         true,
         0},
        {D3DFVF_XYZB2 | D3DFVF_NORMAL | D3DFVF_TEX2,
         {{kPos, 0, F3}, {D3DDECLUSAGE_BLENDWEIGHT, 0, F2}, {kNormal, 0, F3}, {kTex, 0, F2}, {kTex, 1, F2}},
         true,
         1},
    };
    BindPlaceTexture();
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev->SetRenderState(D3DRS_SPECULARENABLE, 1);
    D3DMATERIAL9 material;
    material.Diffuse = {1, 1, 1, 1};
    material.Specular = {0.5f, 0.5f, 0.5f, 1};
    material.Power = 4;
    dev->SetMaterial(&material);
    D3DLIGHT9 light;
    light.Direction = {0.2f, -0.3f, 1};
    light.Diffuse = {0.9f, 0.6f, 0.3f, 1};
    light.Specular = {1, 1, 1, 1};
    dev->SetLight(0, &light);
    dev->LightEnable(0, 1);
    for (const FvfCase& c : cases) {
        const auto [fvf, declared] = DrawBoth(c);
        EXPECT_EQ(declared, fvf) << std::hex << c.fvf;
        int drawn = 0;
        for (uint32_t p : fvf) drawn += p != 0xFF202020u;
        EXPECT_GT(drawn, 100) << std::hex << c.fvf;
    }
}

struct ScreenPos {
    float x, y, z, rhw;
};
struct ColoredPos {
    float x, y, z, rhw;
    uint32_t color;
};

// A quad from (2, 3) to (11, 12) as a triangle list, after one vertex that is not drawn.
constexpr ScreenPos kQuadPos[7] = {{-50, -50, 0, 1}, {2, 3, 0, 1}, {11, 3, 0, 1}, {2, 12, 0, 1},
                                   {11, 12, 0, 1},   {2, 12, 0, 1}, {11, 3, 0, 1}};

TEST_F(DeclarationTest, ScreenPositionsComeFromStreamOneAndColoursFromStreamZero) {
    UseDiffuseOnly();
    // The same quad from one stream through its FVF: the image to match.
    ColoredPos interleaved[6];
    for (int i = 0; i < 6; ++i) {
        const ScreenPos& p = kQuadPos[i + 1];
        interleaved[i] = {p.x, p.y, p.z, p.rhw, 0xFF3060C0u};
    }
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    ASSERT_EQ(DrawUp(D3DPT_TRIANGLELIST, 2, interleaved, sizeof(ColoredPos)), D3D_OK);
    const std::vector<uint32_t> expected = Image();
    EXPECT_EQ(Pixel(6, 7), 0xFF3060C0u);

    const uint32_t colors[7] = {0xFF3060C0u, 0xFF3060C0u, 0xFF3060C0u, 0xFF3060C0u,
                                0xFF3060C0u, 0xFF3060C0u, 0xFF3060C0u};
    dev->SetVertexDeclaration(Declare({{0, 0, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                       {1, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0}}));
    VertexBuffer* colorBuffer = Buffer(colors, sizeof(colors));
    VertexBuffer* positions = Buffer(kQuadPos, sizeof(kQuadPos));
    ASSERT_EQ(dev->SetStreamSource(0, colorBuffer, 0, 4), D3D_OK);
    // The stream offset steps over the first position.
    ASSERT_EQ(dev->SetStreamSource(1, positions, sizeof(ScreenPos), sizeof(ScreenPos)), D3D_OK);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev->BeginScene();
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK) << log;
    dev->EndScene();
    EXPECT_EQ(Image(), expected);

    // Indexed: the base vertex moves through every stream alike.
    ASSERT_EQ(dev->SetStreamSource(1, positions, 0, sizeof(ScreenPos)), D3D_OK);
    const uint16_t indices[6] = {0, 1, 2, 3, 4, 5};
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(dev->CreateIndexBuffer(sizeof(indices), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    made.push_back(ib);
    void* p = nullptr;
    ASSERT_EQ(ib->Lock(0, sizeof(indices), &p, 0), D3D_OK);
    std::memcpy(p, indices, sizeof(indices));
    ib->Unlock();
    dev->SetIndices(ib);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev->BeginScene();
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 6, 0, 2), D3D_OK) << log;
    dev->EndScene();
    EXPECT_EQ(Image(), expected);
}

TEST_F(DeclarationTest, DrawsWhoseStreamsCannotGiveTheVerticesAreRefused) {
    const uint32_t colors[6] = {};
    dev->SetVertexDeclaration(Declare({{1, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                       {0, 0, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0}}));
    ASSERT_EQ(dev->SetStreamSource(0, Buffer(colors, sizeof(colors)), 0, 4), D3D_OK);
    VertexBuffer* positions = Buffer(kQuadPos, sizeof(kQuadPos));
    // The log of a refused draw from vertex `start` on, or "drawn".
    const auto refusal = [&](UINT start) {
        log.clear();
        dev->BeginScene();
        const HRESULT hr = dev->DrawPrimitive(D3DPT_TRIANGLELIST, start, 2);
        dev->EndScene();
        return hr == D3DERR_INVALIDCALL ? log : std::string("drawn");
    };
    // Stream 1 not set.
    EXPECT_NE(refusal(0).find("draw refused: a vertex part lies in a stream that is not set"), std::string::npos);
    // Set with a stride shorter than the position it holds.
    ASSERT_EQ(dev->SetStreamSource(1, positions, 0, 8), D3D_OK);
    EXPECT_NE(refusal(0).find("draw refused: a vertex part reaches past its stream's stride"), std::string::npos);
    // Ending before the draw's last vertex: 7 positions, but vertices 2 to 7 asked for.
    ASSERT_EQ(dev->SetStreamSource(1, positions, 0, sizeof(ScreenPos)), D3D_OK);
    EXPECT_EQ(refusal(0), "drawn");
    EXPECT_NE(refusal(2).find("a vertex part lies in a stream that is not set, is locked or ends"), std::string::npos);
    // Locked.
    void* p = nullptr;
    ASSERT_EQ(positions->Lock(0, 0, &p, 0), D3D_OK);
    EXPECT_NE(refusal(0).find("a vertex part lies in a stream"), std::string::npos);
    positions->Unlock();
    // A draw from memory has stream 0 only.
    log.clear();
    EXPECT_EQ(DrawUp(D3DPT_TRIANGLELIST, 2, colors, 4), D3DERR_INVALIDCALL);
    EXPECT_NE(log.find("a vertex part lies in a stream that is not set"), std::string::npos);
}

TEST_F(DeclarationTest, LitVerticesFromThreeStreamsMatchTheirFvf) {
    // Positions in stream 2, normals in stream 1 as 10-bit fixed point, colours in stream 0.
    struct LitVertex {
        float x, y, z;
        float nx, ny, nz;
        uint32_t color;
    };
    const float normals[4][3] = {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {0, 0, 1}};
    std::array<LitVertex, 4> strip;
    std::array<float, 12> positions;
    std::array<uint32_t, 4> packed, colors;
    for (int i = 0; i < 4; ++i) {
        const float x = kCornerPx[i][0] / 8 - 1, y = 1 - kCornerPx[i][1] / 8;
        const float* n = normals[i];
        colors[size_t(i)] = 0xFF000000u | 0x00405080u * uint32_t(i + 1);
        strip[size_t(i)] = {x, y, 0.5f, n[0], n[1], n[2], colors[size_t(i)]};
        positions[size_t(3 * i)] = x, positions[size_t(3 * i + 1)] = y, positions[size_t(3 * i + 2)] = 0.5f;
        auto field = [](float v) { return uint32_t(int(v * 511) & 1023); };
        packed[size_t(i)] = field(n[0]) | field(n[1]) << 10 | field(n[2]) << 20;
    }
    dev->SetRenderState(D3DRS_LIGHTING, 1);
    D3DMATERIAL9 material;
    material.Diffuse = {1, 1, 1, 1};
    dev->SetMaterial(&material);
    D3DLIGHT9 light;
    light.Direction = {0.3f, 0.4f, 1};
    light.Diffuse = {1, 0.8f, 0.6f, 1};
    dev->SetLight(0, &light);
    dev->LightEnable(0, 1);
    UseDiffuseOnly();
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE);
    ASSERT_EQ(DrawUp(D3DPT_TRIANGLESTRIP, 2, strip.data(), sizeof(LitVertex)), D3D_OK);
    const std::vector<uint32_t> expected = Image();

    dev->SetVertexDeclaration(Declare({{1, 0, D3DDECLTYPE_DEC3N, 0, D3DDECLUSAGE_NORMAL, 0},
                                       {0, 0, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                       {2, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}}));
    dev->SetStreamSource(0, Buffer(colors.data(), 16), 0, 4);
    dev->SetStreamSource(1, Buffer(packed.data(), 16), 0, 4);
    dev->SetStreamSource(2, Buffer(positions.data(), 48), 0, 12);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev->BeginScene();
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK) << log;
    dev->EndScene();
    EXPECT_EQ(Image(), expected);
    int lit = 0;
    for (uint32_t p : expected) lit += (p & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 50);
}

}  // namespace
}  // namespace host::test
