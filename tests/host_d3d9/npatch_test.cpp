// N-patches: the tessellator's vertices lie on the curved (PN) triangle its corners'
// positions and normals make, with the derivatives, cross product, parameters and
// displacement map lookups the declaration's methods ask for; every triangle draw is
// tessellated; declarations whose methods cannot be are refused.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "shader_code.h"

namespace host::test {
namespace {

struct P3 {
    float x, y, z;
};
P3 operator+(P3 a, P3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
P3 operator-(P3 a, P3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P3 operator*(float s, P3 a) { return {s * a.x, s * a.y, s * a.z}; }
float Dot(P3 a, P3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P3 Unit(P3 a) { return (1.0f / std::sqrt(Dot(a, a))) * a; }
P3 CrossOf(P3 a, P3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

struct PatchVertex {
    P3 position, normal;
    uint32_t color;
};
const PatchVertex kCorners[3] = {{{-0.6f, -0.5f, 0.2f}, Unit({-1, -0.5f, 1}), 0xFF000000u},
                                 {{0.5f, -0.6f, 0.0f}, Unit({1, -0.8f, 0.6f}), 0xFFFF8000u},
                                 {{-0.5f, 0.6f, 0.4f}, Unit({-0.3f, 1, 0.9f}), 0xFF00FF40u}};

// The PN triangle of kCorners written out term by term: w, u, v weigh corners 0, 1, 2.
P3 PatchPoint(float u, float v) {
    const P3 p[3] = {kCorners[0].position, kCorners[1].position, kCorners[2].position};
    auto edge = [&](int a, int b) {
        const P3 n = kCorners[a].normal;
        return (1.0f / 3.0f) * (2.0f * p[a] + p[b] - Dot(p[b] - p[a], n) * n);
    };
    const P3 b210 = edge(0, 1), b120 = edge(1, 0), b201 = edge(0, 2), b102 = edge(2, 0), b021 = edge(1, 2),
             b012 = edge(2, 1);
    const P3 e = (1.0f / 6.0f) * (b210 + b120 + b201 + b102 + b021 + b012);
    const P3 b111 = e + 0.5f * (e - (1.0f / 3.0f) * (p[0] + p[1] + p[2]));
    const float w = 1 - u - v;
    return w * w * w * p[0] + u * u * u * p[1] + v * v * v * p[2] + 3 * w * w * u * b210 + 3 * w * u * u * b120 +
           3 * w * w * v * b201 + 3 * w * v * v * b102 + 3 * u * u * v * b021 + 3 * u * v * v * b012 +
           6 * w * u * v * b111;
}

// The quadratic normal: corner normals and one mirrored sum an edge, each weighed by the
// product of its corners' weights, normalised.
P3 QuadraticNormal(float u, float v) {
    auto mid = [](int a, int b) {
        const P3 d = kCorners[b].position - kCorners[a].position, s = kCorners[a].normal + kCorners[b].normal;
        return Unit(s - (2 * Dot(d, s) / Dot(d, d)) * d);
    };
    const float w = 1 - u - v;
    return Unit(w * w * kCorners[0].normal + u * u * kCorners[1].normal + v * v * kCorners[2].normal +
                w * u * mid(0, 1) + w * v * mid(0, 2) + u * v * mid(1, 2));
}

constexpr float kStep = 1e-3f;
P3 SurfaceDu(float u, float v) { return (0.5f / kStep) * (PatchPoint(u + kStep, v) - PatchPoint(u - kStep, v)); }
P3 SurfaceDv(float u, float v) { return (0.5f / kStep) * (PatchPoint(u, v + kStep) - PatchPoint(u, v - kStep)); }

class NPatchTest : public ShaderDrawTest {
protected:
    // The triangle drawn with 4 segments an edge through a shader that puts each tessellated
    // vertex at its (u, v) on the screen and shows input `usage` / `index` as its colour:
    // with flat shading, grid point (i, j) shows in pixel (4i + 1, 4j + 1).
    void DrawShowing(BYTE usage, BYTE index) {
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
            {0, 24, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
            {0, 0, D3DDECLTYPE_UNUSED, D3DDECLMETHOD_UV, D3DDECLUSAGE_TEXCOORD, 0},
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_PARTIALU, D3DDECLUSAGE_TANGENT, 0},
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_PARTIALV, D3DDECLUSAGE_BINORMAL, 0},
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_CROSSUV, D3DDECLUSAGE_NORMAL, 1},
            D3DDECL_END()};
        DrawShowing(elements, usage, index);
    }
    void DrawShowing(const D3DVERTEXELEMENT9* elements, BYTE usage, BYTE index) {
        dev->SetVertexDeclaration(MakeDeclaration(elements));
        ShowInputAtParameters(usage, index);
        dev->SetNPatchMode(4.9f);  // fractions are dropped
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        dev->BeginScene();
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, kCorners, sizeof(PatchVertex)), D3D_OK) << log;
        dev->EndScene();
    }
    // Every grid point of the lower triangles shows `expected` at (u, v).
    template <class F>
    void ExpectGrid(F expected, const char* what) {
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i + j < 4; ++i) {
                const float u = float(i) / 4, v = float(j) / 4;
                const P3 e = expected(u, v);
                const uint32_t got = Pixel(4 * i + 1, 4 * j + 1);
                const int bytes[3] = {int(got >> 16 & 255), int(got >> 8 & 255), int(got & 255)};
                const float want[3] = {e.x, e.y, e.z};
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(bytes[k], ShownByte(want[k]), 1) << what << " at " << u << ", " << v << " component " << k;
            }
    }
};

TEST_F(NPatchTest, TessellatedVerticesLieOnThePatchWithItsDerivativesNormalAndParameters) {
    D3DCAPS9 caps;
    dev->GetDeviceCaps(&caps);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_NPATCHES);
    EXPECT_GE(caps.MaxNpatchTessellationLevel, 4.0f);
    DrawShowing(D3DDECLUSAGE_POSITION, 0);
    ExpectGrid(PatchPoint, "cubic position");
    DrawShowing(D3DDECLUSAGE_TANGENT, 0);
    ExpectGrid(SurfaceDu, "partial u");
    DrawShowing(D3DDECLUSAGE_BINORMAL, 0);
    ExpectGrid(SurfaceDv, "partial v");
    DrawShowing(D3DDECLUSAGE_NORMAL, 1);
    ExpectGrid([](float u, float v) { return CrossOf(SurfaceDu(u, v), SurfaceDv(u, v)); }, "cross product");
    DrawShowing(D3DDECLUSAGE_TEXCOORD, 0);
    ExpectGrid([](float u, float v) { return P3{u, v, 0}; }, "parameters");
    DrawShowing(D3DDECLUSAGE_COLOR, 0);  // other parts are interpolated linearly
    ExpectGrid([](float u, float v) { return P3{u, 0.5f * u + v, 0.25f * v}; }, "colour");
    dev->SetRenderState(D3DRS_NORMALDEGREE, D3DDEGREE_QUADRATIC);
    DrawShowing(D3DDECLUSAGE_NORMAL, 0);
    ExpectGrid(QuadraticNormal, "quadratic normal");
    dev->SetRenderState(D3DRS_NORMALDEGREE, D3DDEGREE_LINEAR);
    DrawShowing(D3DDECLUSAGE_NORMAL, 0);
    auto linear = [](P3 PatchVertex::*part) {
        return [part](float u, float v) {
            return (1 - u - v) * (kCorners[0].*part) + u * (kCorners[1].*part) + v * (kCorners[2].*part);
        };
    };
    ExpectGrid(linear(&PatchVertex::normal), "linear normal");
    dev->SetRenderState(D3DRS_POSITIONDEGREE, D3DDEGREE_LINEAR);
    DrawShowing(D3DDECLUSAGE_POSITION, 0);
    ExpectGrid(linear(&PatchVertex::position), "linear position");
}

TEST_F(NPatchTest, LookupsReadTheDisplacementMapAtTheCoordinateInterpolated) {
    D3DCAPS9 caps;
    dev->GetDeviceCaps(&caps);
    EXPECT_TRUE(caps.DevCaps2 & D3DDEVCAPS2_DMAPNPATCH);
    // An 8 x 5 map, texel (x, y) holding red 30x + 9, green 50y + 7 and blue 200 - 20x; point
    // sampled and wrapped, so that the coordinate (s, t) reads texel (frac(s) 8, frac(t) 5).
    constexpr int kWidth = 8, kHeight = 5;
    std::vector<uint32_t> texels;
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x)
            texels.push_back(0xFF000000u | (30 * x + 9) << 16 | (50 * y + 7) << 8 | (200 - 20 * x));
    Texture* map = MakeTexture(kWidth, kHeight, texels);
    made.push_back(map);
    ASSERT_EQ(dev->SetTexture(D3DDMAPSAMPLER, map), D3D_OK);
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
        {0, 0, D3DDECLTYPE_UNUSED, D3DDECLMETHOD_UV, D3DDECLUSAGE_TEXCOORD, 0},
        {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_LOOKUP, D3DDECLUSAGE_SAMPLE, 0},  // at the position's x, y
        D3DDECL_END()};
    DrawShowing(elements, D3DDECLUSAGE_SAMPLE, 0);
    ExpectGrid([](float u, float v) {
        const float w = 1 - u - v;
        const P3 at = w * kCorners[0].position + u * kCorners[1].position + v * kCorners[2].position;
        const int x = int((at.x - std::floor(at.x)) * kWidth), y = int((at.y - std::floor(at.y)) * kHeight);
        return (1.0f / 255) * P3{float(30 * x + 9), float(50 * y + 7), float(200 - 20 * x)};
    }, "displacement");
}

// The four corners of two patches, drawn by the fixed-function pipeline unlit.
const PatchVertex kQuad[4] = {kCorners[0], kCorners[1], kCorners[2],
                              {{0.6f, 0.5f, 0.1f}, Unit({1, 1, 1}), 0xFF2040FFu}};

class NPatchDrawTest : public NPatchTest {
protected:
    std::vector<uint32_t> Image(float segments, D3DPRIMITIVETYPE type, std::vector<uint16_t> indices = {}) {
        dev->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE);
        dev->SetNPatchMode(segments);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        dev->BeginScene();
        const UINT stride = sizeof(PatchVertex);
        if (indices.empty())
            EXPECT_EQ(dev->DrawPrimitiveUP(type, 2, kQuad, stride), D3D_OK) << log;
        else
            EXPECT_EQ(dev->DrawIndexedPrimitiveUP(type, 0, 4, 2, indices.data(), D3DFMT_INDEX16, kQuad, stride), D3D_OK)
                << log;
        dev->EndScene();
        std::vector<uint32_t> out;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) out.push_back(Pixel(x, y));
        return out;
    }
};

TEST_F(NPatchDrawTest, EveryTriangleDrawIsTessellatedWhileTheModeIsOneSegmentOrMore) {
    const std::vector<uint32_t> flat = Image(0, D3DPT_TRIANGLELIST, {0, 1, 2, 1, 3, 2});
    EXPECT_EQ(Image(0.99f, D3DPT_TRIANGLESTRIP), flat);
    EXPECT_EQ(dev->GetNPatchMode(), 0.99f);
    const std::vector<uint32_t> curved = Image(3, D3DPT_TRIANGLELIST, {0, 1, 2, 1, 3, 2});
    EXPECT_NE(curved, flat);
    EXPECT_EQ(Image(3, D3DPT_TRIANGLESTRIP), curved);
    EXPECT_EQ(Image(3, D3DPT_TRIANGLESTRIP, {0, 1, 2, 3}), curved);
    EXPECT_EQ(Image(3, D3DPT_TRIANGLEFAN, {1, 0, 2, 3}), Image(3, D3DPT_TRIANGLELIST, {1, 0, 2, 1, 2, 3}));
    // The tessellated triangles keep their patch's winding: both turn counter-clockwise.
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    EXPECT_EQ(Image(3, D3DPT_TRIANGLESTRIP), curved);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    EXPECT_EQ(Image(3, D3DPT_TRIANGLESTRIP), std::vector<uint32_t>(256, 0xFF000000u));
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // Pre-transformed vertices are on the screen already and are drawn as they are.
    dev->SetFVF(kTLFvf);
    const TLVertex screen[3] = {V(1, 1), V(15, 2), V(3, 14)};
    dev->SetNPatchMode(0);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, screen), D3D_OK);
    const std::vector<std::string> untessellated = Mask(0xFFFFFFFFu, 16, 16);
    dev->SetNPatchMode(8);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, screen), D3D_OK);
    EXPECT_EQ(Mask(0xFFFFFFFFu, 16, 16), untessellated);
}

TEST_F(NPatchDrawTest, DrawsOfManyPatchesCoverEachPixelOncePerPatch) {
    // Forty flat patches over the whole target, each adding 1 to every pixel it covers: at 64
    // segments they fill several of the tessellator's batches.
    std::vector<PatchVertex> list;
    for (int t = 0; t < 40; ++t)
        for (const P3 p : {P3{-1, -1, 0.5f}, P3{3, -1, 0.5f}, P3{-1, 3, 0.5f}})
            list.push_back({p, {0, 0, -1}, 0xFF010101u});
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    dev->SetNPatchMode(1000);  // held to the caps' 64
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 40, list.data(), sizeof(PatchVertex)), D3D_OK) << log;
    dev->EndScene();
    EXPECT_EQ(Mask(0xFF282828u, 16, 16), std::vector<std::string>(16, std::string(16, '#')));
}

TEST_F(NPatchDrawTest, TheTrianglesOneCallTessellatesAreBounded) {
    // At 64 segments a triangle makes 4096: 16384 of them are as many as one call may draw.
    // (The device is lost, so nothing is drawn either way.)
    const std::vector<PatchVertex> list(3 * 16385, kCorners[0]);
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE);
    dev->SetNPatchMode(64);
    dev->SimulateDeviceLost();
    dev->BeginScene();
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 16384, list.data(), sizeof(PatchVertex)), D3D_OK);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 16385, list.data(), sizeof(PatchVertex)), D3DERR_INVALIDCALL);
    dev->EndScene();
}

TEST_F(NPatchTest, MethodsGoOnlyWithTheirTypesAndOnlyTessellatedDrawsTakeThem) {
    struct Case {
        BYTE type, method, usage;
        WORD offset;
        const char* refusal;  // null: made
    };
    const char* kTangentType = "a tangent or cross product method reads a type other than";
    const Case cases[] = {
        {D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_PARTIALU, D3DDECLUSAGE_TANGENT, 0, kTangentType},
        {D3DDECLTYPE_FLOAT1, D3DDECLMETHOD_CROSSUV, D3DDECLUSAGE_NORMAL, 0, kTangentType},
        {D3DDECLTYPE_SHORT4, D3DDECLMETHOD_PARTIALV, D3DDECLUSAGE_BINORMAL, 0, nullptr},
        {D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_CROSSUV, D3DDECLUSAGE_NORMAL, 0, nullptr},
        {D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_UV, D3DDECLUSAGE_TEXCOORD, 0, "a UV method element must have no type"},
        {D3DDECLTYPE_UNUSED, D3DDECLMETHOD_UV, D3DDECLUSAGE_TEXCOORD, 12, "a UV method element must have no type"},
        {D3DDECLTYPE_UNUSED, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0, "an element without a type"},
        {D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_LOOKUP, D3DDECLUSAGE_SAMPLE, 0, nullptr},
        {D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_LOOKUP, D3DDECLUSAGE_TEXCOORD, 0, "a displacement lookup element's usage"},
        {D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_LOOKUP, D3DDECLUSAGE_SAMPLE, 0, "a displacement lookup element does not"},
        {D3DDECLTYPE_UNUSED, D3DDECLMETHOD_LOOKUPPRESAMPLED, D3DDECLUSAGE_SAMPLE, 0, "an element looks up a"},
        {D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_SAMPLE, 0, "a sample element has no displacement"},
    };
    for (const Case& c : cases) {
        log.clear();
        const D3DVERTEXELEMENT9 list[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                          {0, c.offset, c.type, c.method, c.usage, 0}, D3DDECL_END()};
        VertexDeclaration* decl = reinterpret_cast<VertexDeclaration*>(&log);
        const HRESULT hr = dev->CreateVertexDeclaration(list, &decl);
        if (hr == D3D_OK) made.push_back(decl);
        EXPECT_EQ(hr, c.refusal ? D3DERR_INVALIDCALL : D3D_OK) << int(c.type) << " " << int(c.method) << log;
        if (c.refusal) {
            EXPECT_NE(log.find(std::string("vertex declaration refused: ") + c.refusal), std::string::npos) << log;
        }
    }
    // A method's values come from the tessellator alone.
    const D3DVERTEXELEMENT9 uv[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                    {0, 0, D3DDECLTYPE_UNUSED, D3DDECLMETHOD_UV, D3DDECLUSAGE_TEXCOORD, 0},
                                    D3DDECL_END()};
    dev->SetVertexDeclaration(MakeDeclaration(uv));
    dev->BeginScene();
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, kCorners, sizeof(PatchVertex)), D3DERR_INVALIDCALL);
    dev->SetNPatchMode(2);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_LINELIST, 1, kCorners, sizeof(PatchVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, kCorners, sizeof(PatchVertex)), D3D_OK) << log;
    dev->EndScene();
    EXPECT_NE(log.find("draw refused: the vertex declaration has a tessellation method, and the draw is not "
                       "tessellated"),
              std::string::npos);
}

}  // namespace
}  // namespace host::test
