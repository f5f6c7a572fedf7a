// The device's states read back at their defaults, and the checks that refuse states out of
// range and bad draw arguments.
#include <cstring>

#include "device_fixture.h"

namespace host::test {
namespace {

TEST_F(ObjectsTest, StatesReadBackAndRangesAreChecked) {
    DWORD v = 0;
    dev->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, DWORD(D3DBLEND_ONE));
    dev->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_MODULATE));
    dev->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_DISABLE));
    dev->GetSamplerState(3, D3DSAMP_ADDRESSU, &v);
    EXPECT_EQ(v, DWORD(D3DTADDRESS_WRAP));
    ASSERT_EQ(dev->SetSamplerState(7, D3DSAMP_MAXANISOTROPY, 4), D3D_OK);
    dev->GetSamplerState(7, D3DSAMP_MAXANISOTROPY, &v);
    EXPECT_EQ(v, 4u);
    // Sixteen samplers (pixel shaders read past the eight stages).
    EXPECT_EQ(dev->SetSamplerState(15, D3DSAMP_MAGFILTER, 1), D3D_OK);
    EXPECT_EQ(dev->SetSamplerState(16, D3DSAMP_MAGFILTER, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetRenderState(D3DRENDERSTATETYPE(500), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(40), 1), D3DERR_INVALIDCALL);
    D3DMATRIX m = IdentityMatrix();
    m.m[3][0] = 5;
    ASSERT_EQ(dev->SetTransform(D3DTS_WORLD, &m), D3D_OK);
    D3DMATRIX out;
    dev->GetTransform(D3DTS_WORLD, &out);
    EXPECT_EQ(out.m[3][0], 5.0f);
    EXPECT_EQ(dev->SetTransform(D3DTRANSFORMSTATETYPE(100), &m), D3DERR_INVALIDCALL);
    const float reg[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(dev->SetVertexShaderConstantF(254, reg, 2), D3D_OK);
    EXPECT_EQ(dev->SetVertexShaderConstantF(255, reg, 2), D3DERR_INVALIDCALL);
    float back4[4];
    dev->GetVertexShaderConstantF(255, back4, 1);
    EXPECT_EQ(back4[3], 8.0f);
    EXPECT_EQ(dev->SetPixelShader(nullptr), D3D_OK);
    DWORD fvf = 0;
    dev->GetFVF(&fvf);
    EXPECT_EQ(fvf, kTLFvf);
}

TEST_F(ObjectsTest, DrawArgumentsAreChecked) {
    TLVertex tri[3] = {V(0, 0), V(4, 0), V(0, 4)};
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(TLVertex)), D3DERR_INVALIDCALL);  // no scene
    dev->BeginScene();
    EXPECT_EQ(dev->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, 8), D3DERR_INVALIDCALL);  // stride too small
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPRIMITIVETYPE(9), 1, tri, sizeof(TLVertex)), D3DERR_INVALIDCALL);
    const uint16_t bad[3] = {0, 1, 7};
    EXPECT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, bad, D3DFMT_INDEX16, tri, sizeof(TLVertex)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // no stream
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(sizeof(tri), D3DUSAGE_WRITEONLY, kTLFvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, tri, sizeof(tri));
    vb->Unlock();
    dev->SetStreamSource(0, vb, 0, sizeof(TLVertex));
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);  // past the buffer's end
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    EXPECT_EQ(vb->Lock(sizeof(tri), 4, &data, 0), D3DERR_INVALIDCALL);
    dev->EndScene();
    EXPECT_EQ(Pixel(1, 1), 0xFFFFFFFFu);
    vb->Release();
}

}  // namespace
}  // namespace host::test
