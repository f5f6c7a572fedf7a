// A pixel shader fed by the fixed-function vertex stage: vertices described by a vertex
// declaration as well as by an FVF, and every component of their texture coordinates,
// q included, reaching the t# registers.
#include "shader_code.h"

namespace host::test {
namespace {

using FixedVertexPixelShader = ShaderDrawTest;

// oC0 = `src` (a register read whole, with `swizzle`).
std::vector<uint32_t> PassThrough(uint32_t file, uint32_t swizzle = kNoSwizzle) {
    return ShaderCode(kPs20).DclPixel(file, 0).Op(kOpMov, {Dst(kFileColorOut, 0), Src(file, 0, swizzle)}).End();
}

TEST_F(FixedVertexPixelShader, ScreenVerticesFromADeclaration) {
    // Elements in an order no FVF has: the texture coordinates before the colour.
    struct Vertex {
        float x, y, z, rhw, u, v;
        uint32_t color;
    };
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                          {0, 16, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                          {0, 24, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                          D3DDECL_END()};
    VertexDeclaration* decl = MakeDeclaration(elements);
    ASSERT_NE(decl, nullptr);
    const uint32_t c = 0xFF336699u;
    const Vertex quad[6] = {{0, 0, 0, 1, 0.4f, 0.6f, c},  {16, 0, 0, 1, 0.4f, 0.6f, c}, {0, 16, 0, 1, 0.4f, 0.6f, c},
                            {16, 16, 0, 1, 0.4f, 0.6f, c}, {0, 16, 0, 1, 0.4f, 0.6f, c}, {16, 0, 0, 1, 0.4f, 0.6f, c}};
    auto draw = [&](const std::vector<uint32_t>& ps) {
        dev->SetPixelShader(MakePs(ps));
        dev->SetVertexDeclaration(decl);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        dev->BeginScene();
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(Vertex)), D3D_OK) << log;
        dev->EndScene();
        return Pixel(8, 8) & 0xFFFFFF;
    };
    EXPECT_EQ(draw(PassThrough(kFileInput)), 0x336699u);
    EXPECT_EQ(draw(PassThrough(kFileTexture)), 0x669900u);  // (0.4, 0.6, 0)
}

TEST_F(FixedVertexPixelShader, FourComponentTexCoordsKeepTheirQ) {
    // t0.wzyx to the colour: red is q, green the third component.
    struct Vertex {
        float x, y, z;
        float tc[4];
    };
    const float tc[4] = {0.1f, 0.8f, 0.6f, 0.2f};
    Vertex quad[6] = {{-1, 1, 0.5f, {}}, {1, 1, 0.5f, {}},  {-1, -1, 0.5f, {}},
                      {1, -1, 0.5f, {}}, {-1, -1, 0.5f, {}}, {1, 1, 0.5f, {}}};
    for (Vertex& v : quad) std::copy(tc, tc + 4, v.tc);
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                          {0, 12, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                          D3DDECL_END()};
    VertexDeclaration* decl = MakeDeclaration(elements);
    ASSERT_NE(decl, nullptr);
    dev->SetPixelShader(MakePs(PassThrough(kFileTexture, Swz(3, 2, 1, 0))));
    for (bool byDeclaration : {false, true}) {
        if (byDeclaration) dev->SetVertexDeclaration(decl);
        else dev->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE4(0));
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        dev->BeginScene();
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(Vertex)), D3D_OK) << log;
        dev->EndScene();
        EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0x3399CCu) << byDeclaration;  // (0.2, 0.6, 0.8)
    }
}

}  // namespace
}  // namespace host::test
