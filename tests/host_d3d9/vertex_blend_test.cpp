// Vertex blending and tweening in the fixed-function pipeline: positions from world
// matrices weighted by the vertices' blend weights, picked by their blend indices when
// indexed, normals blended alike, and two positions mixed by the tween factor.
#include <cstring>

#include "declaration_fixture.h"

namespace host::test {
namespace {

D3DMATRIX Moved(float dx, float dy) {
    D3DMATRIX m = IdentityMatrix();
    m.m[3][0] = dx;
    m.m[3][1] = dy;
    return m;
}

// A square of clip-space corners half a unit wide (4 pixels of 16) at the centre, its six
// vertices made by `make(x, y)`.
template <class V, class Make>
std::vector<V> CentreSquare(Make make) {
    std::vector<V> out;
    for (const auto& [x, y] : {std::pair{-0.25f, 0.25f}, {0.25f, 0.25f}, {-0.25f, -0.25f}, {-0.25f, -0.25f},
                               {0.25f, 0.25f}, {0.25f, -0.25f}})
        out.push_back(make(x, y));
    return out;
}

constexpr uint32_t kBlendOn = 0xFF80FF40u;

class VertexBlendTest : public DeclarationTest {
protected:
    void SetUp() override {
        DeclarationTest::SetUp();
        UseDiffuseOnly();
        dev->SetRenderState(D3DRS_LIGHTING, 0);
    }
    // A white light shining into the screen on a white material, and `ambient`.
    void LightFromTheFront(D3DCOLOR ambient = 0) {
        dev->SetRenderState(D3DRS_LIGHTING, 1);
        dev->SetRenderState(D3DRS_AMBIENT, ambient);
        D3DMATERIAL9 material{};
        material.Diffuse = material.Ambient = {1, 1, 1, 1};
        dev->SetMaterial(&material);
        dev->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
        D3DLIGHT9 light{};
        light.Direction = {0, 0, 1};
        light.Diffuse = {1, 1, 1, 1};
        dev->SetLight(0, &light);
        dev->LightEnable(0, 1);
    }
    // The left and top of the drawn square (-1, -1 when nothing is drawn).
    std::pair<int, int> Corner() {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if ((Pixel(x, y) & 0xFFFFFF) != 0) return {x, y};
        return {-1, -1};
    }
    template <class V>
    std::pair<int, int> DrawSquare(const std::vector<V>& square) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        EXPECT_EQ(DrawUp(D3DPT_TRIANGLELIST, 2, square.data(), sizeof(V)), D3D_OK) << log;
        return Corner();
    }
};

TEST_F(VertexBlendTest, WeightsMixTheWorldMatrices) {
    struct Weighted {
        float x, y, z, weight;
        uint32_t color;
    };
    dev->SetFVF(D3DFVF_XYZB1 | D3DFVF_DIFFUSE);
    const D3DMATRIX right = Moved(0.5f, 0), left = Moved(-0.5f, 0);  // 4 pixels either way
    dev->SetTransform(D3DTS_WORLDMATRIX(0), &right);
    dev->SetTransform(D3DTS_WORLDMATRIX(1), &left);
    auto square = [](float weight) {
        return CentreSquare<Weighted>([&](float x, float y) { return Weighted{x, y, 0.5f, weight, kBlendOn}; });
    };
    // Without blending world matrix 0 alone places it: corner (10, 6), not (6, 6).
    EXPECT_EQ(DrawSquare(square(0.25f)), std::pair(10, 6));
    dev->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    EXPECT_EQ(DrawSquare(square(1)), std::pair(10, 6));
    EXPECT_EQ(DrawSquare(square(0)), std::pair(2, 6));
    EXPECT_EQ(DrawSquare(square(0.75f)), std::pair(8, 6));  // moved 0.25: two pixels right
    D3DCAPS9 caps;
    dev->GetDeviceCaps(&caps);
    EXPECT_EQ(caps.MaxVertexBlendMatrices, 4u);
    EXPECT_EQ(caps.MaxVertexBlendMatrixIndex, 255u);
    EXPECT_TRUE(caps.VertexProcessingCaps & D3DVTXPCAPS_TWEENING);
}

TEST_F(VertexBlendTest, IndicesPickTheMatricesAndNormalsBlendToo) {
    struct Indexed {
        float x, y, z, weight;
        uint8_t indices[4];
        float nx, ny, nz;
        uint32_t color;
    };
    dev->SetFVF(D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_DIFFUSE);
    dev->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    dev->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, 1);
    const D3DMATRIX down = Moved(0, -0.5f);  // 4 pixels down
    dev->SetTransform(D3DTS_WORLDMATRIX(200), &down);
    D3DMATRIX mirror = Moved(0.5f, 0);
    mirror.m[2][2] = -1;  // turns the normal away from the light
    dev->SetTransform(D3DTS_WORLDMATRIX(37), &mirror);
    auto square = [](float weight) {
        return CentreSquare<Indexed>(
            [&](float x, float y) { return Indexed{x, y, 0, weight, {200, 37, 0, 0}, 0, 0, -1, 0xFFFFFFFFu}; });
    };
    EXPECT_EQ(DrawSquare(square(1)), std::pair(6, 10));
    EXPECT_EQ(DrawSquare(square(0)), std::pair(10, 6));
    // Lit: full where the blended normal faces the light, none where matrix 37 turned it away.
    LightFromTheFront();
    DrawSquare(square(1));
    EXPECT_EQ(Pixel(7, 11), 0xFFFFFFFFu);
    DrawSquare(square(0));
    EXPECT_EQ(Pixel(11, 7), 0xFF000000u);
}

TEST_F(VertexBlendTest, TweeningMixesTheTwoPositionsAndNormals) {
    struct Tweened {
        float x, y, z, x2, y2, z2, n[3], n2[3];
        uint32_t color;
    };
    constexpr BYTE kPos = D3DDECLUSAGE_POSITION, kNormal = D3DDECLUSAGE_NORMAL;
    dev->SetVertexDeclaration(Declare({{0, 0, D3DDECLTYPE_FLOAT3, 0, kPos, 0},
                                       {0, 12, D3DDECLTYPE_FLOAT3, 0, kPos, 1},
                                       {0, 24, D3DDECLTYPE_FLOAT3, 0, kNormal, 0},
                                       {0, 36, D3DDECLTYPE_FLOAT3, 0, kNormal, 1},
                                       {0, 48, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0}}));
    // The second position lies 1 unit (8 pixels) to the right and half a unit lower; the
    // first normal faces the viewer, the second away.
    const auto square = CentreSquare<Tweened>([](float x, float y) {
        return Tweened{x, y, 0, x + 1, y - 0.5f, 0, {0, 0, -1}, {0, 0, 1}, kBlendOn};
    });
    dev->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_TWEENING);
    EXPECT_EQ(DrawSquare(square), std::pair(6, 6));
    dev->SetRenderState(D3DRS_TWEENFACTOR, FloatState(0.5f));
    EXPECT_EQ(DrawSquare(square), std::pair(10, 8));
    dev->SetRenderState(D3DRS_TWEENFACTOR, FloatState(0.25f));
    EXPECT_EQ(DrawSquare(square), std::pair(8, 7));
    // Normal (0, 0, -0.25) at 0.375 is lit a quarter, (0, 0, 0.5) at 0.75 not at all.
    LightFromTheFront(0xFF404040u);
    dev->SetRenderState(D3DRS_TWEENFACTOR, FloatState(0.375f));
    DrawSquare(square);
    EXPECT_EQ(Pixel(10, 9), 0xFF808080u);
    dev->SetRenderState(D3DRS_TWEENFACTOR, FloatState(0.75f));
    DrawSquare(square);
    EXPECT_EQ(Pixel(13, 10), 0xFF404040u);
}

}  // namespace
}  // namespace host::test
