// Instancing: an indexed draw repeated for each instance, with streams of instance data
// whose elements advance once every so many instances, through a vertex shader and the
// fixed-function pipeline alike; the settings the device refuses.
#include <cstring>

#include "shader_code.h"

namespace host::test {
namespace {

struct InstanceCorner {
    float x, y, z, w;
};
// Per instance: where its square goes (clip-space offset) and its colour.
struct InstanceData {
    float dx, dy;
    uint32_t color;
};

constexpr uint32_t kInstanceRed = 0xFFFF0000u, kInstanceGreen = 0xFF00FF00u, kInstanceBlue = 0xFF0000FFu, kInstanceBack = 0xFF000000u;

class InstancingTest : public ShaderDrawTest {
protected:
    void TearDown() override {
        for (UINT s = 0; s < 16; ++s) dev->SetStreamSourceFreq(s, 1), dev->SetStreamSource(s, nullptr, 0, 0);
        dev->SetIndices(nullptr);
        ShaderDrawTest::TearDown();
    }
    template <class T, size_t N>
    void Stream(UINT stream, const T (&data)[N]) {
        VertexBuffer* vb = nullptr;
        ASSERT_EQ(dev->CreateVertexBuffer(sizeof(data), 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
        void* p = nullptr;
        vb->Lock(0, sizeof(data), &p, 0);
        std::memcpy(p, data, sizeof(data));
        vb->Unlock();
        made.push_back(vb);
        dev->SetStreamSource(stream, vb, 0, sizeof(T));
    }
    // A square's four corners (pixels 0 to 3 of a 16 x 16 target, in clip space or on the
    // screen) and the six indices of its two triangles.
    void Square(bool onScreen) {
        const InstanceCorner clip[4] = {{-1, 1, 0.5f, 1}, {-0.5f, 1, 0.5f, 1}, {-1, 0.5f, 0.5f, 1}, {-0.5f, 0.5f, 0.5f, 1}};
        const InstanceCorner screen[4] = {{0, 0, 0.5f, 1}, {4, 0, 0.5f, 1}, {0, 4, 0.5f, 1}, {4, 4, 0.5f, 1}};
        Stream(0, onScreen ? screen : clip);
        const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
        IndexBuffer* ib = nullptr;
        ASSERT_EQ(dev->CreateIndexBuffer(sizeof(indices), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
        void* p = nullptr;
        ib->Lock(0, sizeof(indices), &p, 0);
        std::memcpy(p, indices, sizeof(indices));
        ib->Unlock();
        made.push_back(ib);
        dev->SetIndices(ib);
    }
    HRESULT DrawInstances(UINT instances, UINT divisor) {
        EXPECT_EQ(dev->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | instances), D3D_OK);
        EXPECT_EQ(dev->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA | divisor), D3D_OK);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, kInstanceBack, 1.0f, 0);
        dev->BeginScene();
        const HRESULT hr = dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
        dev->EndScene();
        return hr;
    }
};

TEST_F(InstancingTest, AVertexShaderDrawsEachInstanceFromItsData) {
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITION, 0},
                                          {1, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                          {1, 8, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                          D3DDECL_END()};
    dev->SetVertexDeclaration(MakeDeclaration(elements));
    // o0.xy = position + offset, o0.zw = position; o1 = colour.
    dev->SetVertexShader(MakeVs(ShaderCode(kVs30)
                                    .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                    .DclInput(D3DDECLUSAGE_TEXCOORD, 0, 1)
                                    .DclInput(D3DDECLUSAGE_COLOR, 0, 2)
                                    .DclUsage(kFileOutput, D3DDECLUSAGE_POSITION, 0, 0)
                                    .DclUsage(kFileOutput, D3DDECLUSAGE_COLOR, 0, 1)
                                    .Op(kOpAdd, {Dst(kFileOutput, 0, 3), Src(kFileInput, 0), Src(kFileInput, 1)})
                                    .Op(kOpMov, {Dst(kFileOutput, 0, 12), Src(kFileInput, 0)})
                                    .Op(kOpMov, {Dst(kFileOutput, 1), Src(kFileInput, 2)})
                                    .End()));
    UseDiffuseOnly();
    Square(false);
    const InstanceData data[3] = {{0, 0, kInstanceRed}, {1, 0, kInstanceGreen}, {0, -1, kInstanceBlue}};
    Stream(1, data);
    ASSERT_EQ(DrawInstances(3, 1), D3D_OK) << log;
    EXPECT_EQ(Pixel(2, 2), kInstanceRed);
    EXPECT_EQ(Pixel(10, 2), kInstanceGreen);
    EXPECT_EQ(Pixel(2, 10), kInstanceBlue);
    EXPECT_EQ(Pixel(10, 10), kInstanceBack);
    // Every second instance takes the next element: instances 0 and 1 the first.
    ASSERT_EQ(DrawInstances(3, 2), D3D_OK) << log;
    EXPECT_EQ(Pixel(2, 2), kInstanceRed);
    EXPECT_EQ(Pixel(10, 2), kInstanceGreen);
    EXPECT_EQ(Pixel(2, 10), kInstanceBack);
    // A fourth instance would read past the instance data.
    EXPECT_EQ(DrawInstances(4, 1), D3DERR_INVALIDCALL);
    // Without instancing the draw reads the stream per vertex, once.
    dev->SetStreamSourceFreq(0, 1);
    dev->SetStreamSourceFreq(1, 1);
    const InstanceData perVertex[4] = {{0, 0, kInstanceBlue}, {0, 0, kInstanceBlue}, {0, 0, kInstanceBlue}, {0, 0, kInstanceBlue}};
    Stream(1, perVertex);
    dev->BeginScene();
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK) << log;
    dev->EndScene();
    EXPECT_EQ(Pixel(2, 2), kInstanceBlue);
}

TEST_F(InstancingTest, TheFixedFunctionPipelineReadsInstanceData) {
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                          {1, 8, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                          D3DDECL_END()};
    dev->SetVertexDeclaration(MakeDeclaration(elements));
    UseDiffuseOnly();
    Square(true);
    const InstanceData data[2] = {{0, 0, kInstanceRed}, {0, 0, kInstanceGreen}};
    Stream(1, data);
    // Instances 0 and 1 draw red, instance 2 green over them.
    ASSERT_EQ(DrawInstances(3, 2), D3D_OK) << log;
    EXPECT_EQ(Pixel(2, 2), kInstanceGreen);
    EXPECT_EQ(Pixel(6, 6), kInstanceBack);
}

TEST_F(InstancingTest, TheVerticesEveryInstanceRunsAreBounded) {
    // Each instance runs all the draw's vertices again: 64 instances of the most a draw may
    // read are more than one call may do. (The device is lost, so nothing is drawn either way.)
    constexpr UINT kVertices = 0x100000;
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(kVertices * 16, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
    made.push_back(vb);
    Square(true);
    dev->SetStreamSource(0, vb, 0, 16);
    dev->SetFVF(D3DFVF_XYZRHW);
    dev->SimulateDeviceLost();
    dev->BeginScene();
    for (const auto& [instances, result] : {std::pair{63u, D3D_OK}, {64u, D3DERR_INVALIDCALL}}) {
        dev->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | instances);
        EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kVertices, 0, 2), result) << instances;
    }
    dev->EndScene();
}

TEST_F(InstancingTest, SettingsOutsideTheRulesAreRefused) {
    UINT setting = 0;
    EXPECT_EQ(dev->GetStreamSourceFreq(1, &setting), D3D_OK);
    EXPECT_EQ(setting, 1u);
    EXPECT_EQ(dev->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INSTANCEDATA | 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA | D3DSTREAMSOURCE_INDEXEDDATA | 1),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetStreamSourceFreq(16, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetStreamSourceFreq(2, D3DSTREAMSOURCE_INSTANCEDATA | 5), D3D_OK);
    EXPECT_EQ(dev->GetStreamSourceFreq(2, &setting), D3D_OK);
    EXPECT_EQ(setting, D3DSTREAMSOURCE_INSTANCEDATA | 5);
}

}  // namespace
}  // namespace host::test
