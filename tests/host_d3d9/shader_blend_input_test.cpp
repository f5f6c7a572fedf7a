// Inputs of vertex shaders from an FVF with blend weights: the last beta of a
// LASTBETA_UBYTE4 or LASTBETA_D3DCOLOR format holds the blend indices, not a weight.
#include "shader_code.h"

namespace host::test {
namespace {

using BlendInputTest = ShaderDrawTest;

TEST_F(BlendInputTest, TheLastBetaCarriesTheBlendIndices) {
    // oD0 = (weight0, weight1, index0 / 255); a third weight would read (0, 0, 0, 1) into w.
    struct Vertex {
        float x, y, z, weights[2];
        uint8_t indices[4];
    };
    const float scale[4] = {1.0f / 255, 1.0f / 255, 1.0f / 255, 1.0f / 255};
    ASSERT_EQ(dev->SetVertexShaderConstantF(0, scale, 1), D3D_OK);
    dev->SetVertexShader(MakeVs(ShaderCode(kVs20)
                                    .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                    .DclInput(D3DDECLUSAGE_BLENDWEIGHT, 0, 1)
                                    .DclInput(D3DDECLUSAGE_BLENDINDICES, 0, 2)
                                    .Op(kOpMov, {Dst(kFileRastOut, 0), Src(kFileInput, 0)})
                                    .Op(kOpMov, {Dst(kFileTemp, 0), Src(kFileInput, 1)})
                                    .Op(kOpMul, {Dst(kFileTemp, 0, 4), Src(kFileInput, 2, Rep(0)), Src(kFileConst, 0)})
                                    .Op(kOpMov, {Dst(kFileAttrOut, 0), Src(kFileTemp, 0)})
                                    .End()));
    UseDiffuseOnly();
    Vertex quad[6] = {{-1, 1, 0.5f, {}, {}}, {1, 1, 0.5f, {}, {}},  {-1, -1, 0.5f, {}, {}},
                      {1, -1, 0.5f, {}, {}}, {-1, -1, 0.5f, {}, {}}, {1, 1, 0.5f, {}, {}}};
    for (Vertex& v : quad) {
        v.weights[0] = 0.2f;
        v.weights[1] = 0.4f;
        v.indices[0] = 153;
    }
    dev->SetFVF(D3DFVF_XYZB3 | D3DFVF_LASTBETA_UBYTE4);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(Vertex)), D3D_OK) << log;
    dev->EndScene();
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0x336699u);
}

}  // namespace
}  // namespace host::test
