// State blocks keep the states of every setter, not only the render, stage and sampler
// states: textures, streams, indices, shaders and their constants, transforms, viewport,
// lights and the N-patch mode. Recording them leaves the device alone, Apply sets them,
// Capture takes the device's values of them, and the block holds a reference on each
// object it keeps.
#include "device_fixture.h"
#include "tools/shader_pack/shader_tokens.h"

namespace host::test {
namespace {

using namespace shaderpack;

ULONG Refs(Unknown* object) {
    object->AddRef();
    return object->Release();
}

D3DMATRIX Scale(float s) {
    D3DMATRIX m;
    for (int i = 0; i < 4; ++i) m.m[i][i] = i < 3 ? s : 1.0f;
    return m;
}

class StateBlockSettingsTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
        ASSERT_EQ(dev->CreateVertexBuffer(256, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
        ASSERT_EQ(dev->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
        const std::vector<uint32_t> code = TokenWriter(kVertexShader20)
                                               .DclInput(kPosition, 0, 0)
                                               .Op(kMov, {Dest(kRastOut, 0), Src(kInput, 0)})
                                               .End();
        ASSERT_EQ(dev->CreateVertexShader(code.data(), code.size() * 4, &vs), D3D_OK);
    }
    void TearDown() override {
        for (Unknown* object : std::initializer_list<Unknown*>{tex, vb, ib, vs}) {
            EXPECT_EQ(object->Release(), 0u);  // nothing else holds one any longer
        }
        DeviceTest::TearDown();
    }
    // Sets (or records) a state of each kind: `k` picks the values.
    void SetAll(float k, bool objects) {
        dev->SetTexture(1, objects ? tex : nullptr);
        dev->SetStreamSource(2, objects ? vb : nullptr, 16, 32);
        dev->SetIndices(objects ? ib : nullptr);
        dev->SetVertexShader(objects ? vs : nullptr);
        const float c[8] = {k, 2, 3, 4, 5, 6, 7, 8}, last[4] = {k + 1, 0, 0, 0};
        dev->SetVertexShaderConstantF(3, c, 2);
        dev->SetVertexShaderConstantF(4, last, 1);  // register 4 again: its last value counts
        const BOOL on = k > 1;
        dev->SetPixelShaderConstantB(2, &on, 1);
        const D3DMATRIX world = Scale(k), view = Scale(k + 1);
        dev->SetTransform(D3DTS_WORLDMATRIX(1), &world);
        dev->SetTransform(D3DTS_VIEW, &view);
        D3DVIEWPORT9 vp;
        vp.X = DWORD(k);
        vp.Width = vp.Height = 8;
        dev->SetViewport(&vp);
        D3DLIGHT9 light;
        light.Range = k;
        dev->SetLight(2, &light);
        dev->LightEnable(2, on);
        dev->SetNPatchMode(k);
    }
    // Whether the device holds the states SetAll(k, objects) sets.
    void ExpectAll(float k, bool objects) {
        BaseTexture* t = nullptr;
        VertexBuffer* b = nullptr;
        IndexBuffer* i = nullptr;
        VertexShader* s = nullptr;
        UINT offset = 0, stride = 0;
        dev->GetTexture(1, &t);
        dev->GetStreamSource(2, &b, &offset, &stride);
        dev->GetIndices(&i);
        dev->GetVertexShader(&s);
        EXPECT_EQ(t, objects ? tex : nullptr);
        EXPECT_EQ(b, objects ? vb : nullptr);
        EXPECT_EQ(stride, 32u);
        EXPECT_EQ(i, objects ? ib : nullptr);
        EXPECT_EQ(s, objects ? vs : nullptr);
        for (Unknown* got : std::initializer_list<Unknown*>{t, b, i, s})
            if (got) got->Release();
        float c[8];
        dev->GetVertexShaderConstantF(3, c, 2);
        EXPECT_EQ(c[0], k);
        EXPECT_EQ(c[3], 4.0f);
        EXPECT_EQ(c[4], k + 1);
        BOOL on = -1;
        dev->GetPixelShaderConstantB(2, &on, 1);
        EXPECT_EQ(on, BOOL(k > 1));
        D3DMATRIX m;
        dev->GetTransform(D3DTS_WORLDMATRIX(1), &m);
        EXPECT_EQ(m.m[0][0], k);
        dev->GetTransform(D3DTS_VIEW, &m);
        EXPECT_EQ(m.m[1][1], k + 1);
        D3DVIEWPORT9 vp;
        dev->GetViewport(&vp);
        EXPECT_EQ(vp.X, DWORD(k));
        D3DLIGHT9 light;
        ASSERT_EQ(dev->GetLight(2, &light), D3D_OK);
        EXPECT_EQ(light.Range, k);
        dev->GetLightEnable(2, &on);
        EXPECT_EQ(on, BOOL(k > 1));
        EXPECT_EQ(dev->GetNPatchMode(), k);
    }

    Texture* tex = nullptr;
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    VertexShader* vs = nullptr;
};

TEST_F(StateBlockSettingsTest, RecordingLeavesTheDeviceAndApplyAndCaptureCoverEverySetter) {
    StateBlock* block = nullptr;
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    SetAll(2, true);
    ASSERT_EQ(dev->EndStateBlock(&block), D3D_OK);
    // Nothing reached the device, and the block holds one reference on each object.
    BaseTexture* bound = nullptr;
    dev->GetTexture(1, &bound);
    EXPECT_EQ(bound, nullptr);
    D3DLIGHT9 light;
    EXPECT_EQ(dev->GetLight(2, &light), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->GetNPatchMode(), 0.0f);
    D3DVIEWPORT9 vp;
    dev->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 16u);
    EXPECT_EQ(Refs(tex), 2u);
    EXPECT_EQ(Refs(vs), 2u);

    ASSERT_EQ(block->Apply(), D3D_OK);
    ExpectAll(2, true);
    EXPECT_EQ(Refs(tex), 3u);  // ours, the device's and the block's

    // Capture takes the device's values and objects (none here), giving back its own.
    SetAll(1, false);
    ASSERT_EQ(block->Capture(), D3D_OK);
    EXPECT_EQ(Refs(tex), 1u);
    SetAll(3, true);
    ASSERT_EQ(block->Apply(), D3D_OK);
    ExpectAll(1, false);
    // Releasing the block gives back the references it took when capturing.
    SetAll(3, true);
    ASSERT_EQ(block->Capture(), D3D_OK);
    EXPECT_EQ(Refs(vb), 3u);
    block->Release();
    EXPECT_EQ(Refs(vb), 2u);
    SetAll(1, false);
}

}  // namespace
}  // namespace host::test
