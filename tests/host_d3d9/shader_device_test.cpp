// The device's shader side: shader model 2 caps behind the host setting, bytecode checked
// before a shader object is made, declarations checked up to their end marker, a bound
// pixel shader taking the stages' place, and volume textures locked by box and copied.
#include <cstdlib>
#include <cstring>
#include <string>

#include "shader_code.h"
#include "host/debug_output.h"
#include "tools/shader_pack/shader_tokens.h"

namespace host::test {
namespace {

using namespace shaderpack;

std::vector<uint32_t> ValidVertexCode() {
    return TokenWriter(kVertexShader20)
        .Comment("note")
        .DclInput(kPosition, 0, 0)
        .Op(kMov, {Dest(kRastOut, 0), Src(kInput, 0)})
        .End();
}

std::vector<uint32_t> ValidPixelCode() {
    return TokenWriter(kPixelShader20).DclPixelInput(kInput, 0).Op(kMov, {Dest(kColorOut, 0), Src(kInput, 0)}).End();
}

using ShaderDeviceTest = ShaderDrawTest;

TEST_F(ShaderDeviceTest, CapsReportTheShaderModelOfTheSetting) {
    D3DCAPS9 caps;
    dev->GetDeviceCaps(&caps);
    EXPECT_EQ(caps.VertexShaderVersion, 0xFFFE0300u);
    EXPECT_EQ(caps.PixelShaderVersion, 0xFFFF0300u);
    EXPECT_EQ(caps.MaxVertexShaderConst, 256u);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_VOLUMEMAP);
    // Everything 2.x code may ask for, within the limits the interpreter holds code to.
    EXPECT_EQ(caps.VS20Caps.Caps, D3DVS20CAPS_PREDICATION);
    EXPECT_EQ(caps.VS20Caps.DynamicFlowControlDepth, 24);
    EXPECT_EQ(caps.VS20Caps.NumTemps, 32);
    EXPECT_EQ(caps.VS20Caps.StaticFlowControlDepth, 4);
    EXPECT_EQ(caps.PS20Caps.Caps, D3DPS20CAPS_ARBITRARYSWIZZLE | D3DPS20CAPS_GRADIENTINSTRUCTIONS |
                                      D3DPS20CAPS_PREDICATION | D3DPS20CAPS_NODEPENDENTREADLIMIT |
                                      D3DPS20CAPS_NOTEXINSTRUCTIONLIMIT);
    EXPECT_EQ(caps.PS20Caps.NumInstructionSlots, 512);
    EXPECT_EQ(caps.PS20Caps.NumTemps, 32);
    EXPECT_GE(caps.MaxVertexShader30InstructionSlots, 512u);
    EXPECT_GE(caps.MaxPixelShader30InstructionSlots, 512u);
    EXPECT_GE(caps.MaxVShaderInstructionsExecuted, 65535u);
    EXPECT_GE(caps.MaxPShaderInstructionsExecuted, 65535u);
    EXPECT_EQ(caps.NumSimultaneousRTs, 1u);
    // Model 2: version 2.0 and nothing beyond it, so 2.x code is refused.
    D3D9Settings().shaderModel = 2;
    dev->GetDeviceCaps(&caps);
    EXPECT_EQ(caps.VertexShaderVersion, 0xFFFE0200u);
    EXPECT_EQ(caps.PixelShaderVersion, 0xFFFF0200u);
    EXPECT_EQ(caps.PS20Caps.Caps, 0u);
    EXPECT_EQ(caps.MaxPixelShader30InstructionSlots, 0u);
    std::vector<uint32_t> extended = ValidVertexCode();
    extended[0] = 0xFFFE0201u;
    VertexShader* refused = nullptr;
    EXPECT_EQ(dev->CreateVertexShader(extended.data(), extended.size() * 4, &refused), D3DERR_INVALIDCALL);
    D3D9Settings().shaderModel = 0;
    dev->GetDeviceCaps(&caps);
    EXPECT_EQ(caps.VertexShaderVersion & 0xFFFF, 0u);
    EXPECT_FALSE(caps.TextureCaps & D3DPTEXTURECAPS_VOLUMEMAP);
    // Without the caps no shader or volume can be made.
    VertexShader* vs = nullptr;
    EXPECT_EQ(dev->CreateVertexShader(ValidVertexCode().data(), ValidVertexCode().size() * 4, &vs), D3DERR_INVALIDCALL);
    VolumeTexture* vol = nullptr;
    EXPECT_EQ(dev->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &vol), D3DERR_INVALIDCALL);
}

TEST(ShaderModelSetting, ThreeUnlessTheEnvironmentSaysTwoOrZero) {
    const char* before = std::getenv("ORVIK_D3D9_SHADER_MODEL");
    const std::string saved = before ? before : "";
    unsetenv("ORVIK_D3D9_SHADER_MODEL");
    ResetD3D9Host();
    EXPECT_EQ(D3D9Settings().shaderModel, 3);
    const std::pair<const char*, int> cases[] = {{"0", 0}, {"2", 2}, {"3", 3}, {"7", 3}, {"", 3}};
    for (const auto& [text, model] : cases) {
        setenv("ORVIK_D3D9_SHADER_MODEL", text, 1);
        ResetD3D9Host();
        EXPECT_EQ(D3D9Settings().shaderModel, model) << text;
    }
    if (before) setenv("ORVIK_D3D9_SHADER_MODEL", saved.c_str(), 1);
    else unsetenv("ORVIK_D3D9_SHADER_MODEL");
    ResetD3D9Host();
}

TEST_F(ShaderDeviceTest, BytecodeIsCheckedBeforeAShaderIsMade) {
    const std::vector<uint32_t> good = ValidVertexCode();
    VertexShader* vs = nullptr;
    ASSERT_EQ(dev->CreateVertexShader(good.data(), good.size() * 4, &vs), D3D_OK);
    UINT bytes = 0;
    vs->GetFunction(nullptr, &bytes);
    EXPECT_EQ(bytes, good.size() * 4);
    EXPECT_EQ(MeasureShaderCode(good.data(), good.size() * 4), good.size() * 4);
    EXPECT_EQ(LiveShaderObjects().vertexShaders, 1);
    vs->Release();
    EXPECT_EQ(LiveShaderObjects().vertexShaders, 0);

    auto refused = [&](std::vector<uint32_t> code) {
        VertexShader* s = nullptr;
        const HRESULT hr = dev->CreateVertexShader(code.data(), code.size() * 4, &s);
        return hr == D3DERR_INVALIDCALL && s == nullptr;
    };
    std::vector<uint32_t> bad = good;
    bad[0] = 0xFFFE0300u;  // vs_3_0: above the caps
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad[0] = 0xFFFF0200u;  // pixel code given as a vertex shader
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad[good.size() - 4] = kMov | 1u << 24;  // length field says one parameter, two follow
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad[1] = 0xFFFEu | 0x4000u << 16;  // a comment running past the stream
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad[good.size() - 4] = 0x1234u | 2u << 24;  // no such opcode
    EXPECT_TRUE(refused(bad));
    // Without its end token within the given size the stream is refused.
    bad = good;
    bad.back() = kMov | 2u << 24;
    EXPECT_TRUE(refused(bad));
    EXPECT_EQ(MeasureShaderCode(good.data(), good.size() * 4 - 4), 0u);
}

TEST_F(ShaderDeviceTest, ABoundPixelShaderDrawsInPlaceOfTheStages) {
    PixelShader* ps = nullptr;
    ASSERT_EQ(dev->CreatePixelShader(ValidPixelCode().data(), ValidPixelCode().size() * 4, &ps), D3D_OK);
    UseDiffuseOnly();
    TLVertex quad[6];
    Quad(quad, 0, 0, 4, 4, 0xFF00FF00u);
    // The stages would give the texture factor; the shader passes the vertex colour on.
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF0000FFu);
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, quad), D3D_OK);
    EXPECT_EQ(Pixel(1, 1) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(log.find("draw refused"), std::string::npos);
    // Unbinding it gives the fixed-function stages back.
    ASSERT_EQ(dev->SetPixelShader(nullptr), D3D_OK);
    EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, quad), D3D_OK);
    EXPECT_EQ(Pixel(1, 1) & 0xFFFFFF, 0x0000FFu);
    ps->Release();
}

TEST_F(ShaderDeviceTest, DeclarationsAreCheckedUpToTheEndMarker) {
    const D3DVERTEXELEMENT9 good[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                      {0, 12, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                      D3DDECL_END()};
    VertexDeclaration* decl = nullptr;
    ASSERT_EQ(dev->CreateVertexDeclaration(good, &decl), D3D_OK);
    UINT count = 0;
    decl->GetDeclaration(nullptr, &count);
    EXPECT_EQ(count, 3u);
    // The last of a declaration and an FVF set describes the vertices.
    ASSERT_EQ(dev->SetVertexDeclaration(decl), D3D_OK);
    DWORD fvf = 1;
    dev->GetFVF(&fvf);
    EXPECT_EQ(fvf, 0u);
    dev->SetFVF(kTLFvf);
    VertexDeclaration* bound = decl;
    dev->GetVertexDeclaration(&bound);
    EXPECT_EQ(bound, nullptr);
    decl->Release();
    EXPECT_EQ(LiveShaderObjects().declarations, 0);

    auto refused = [&](std::vector<D3DVERTEXELEMENT9> list) {
        VertexDeclaration* d = nullptr;
        return dev->CreateVertexDeclaration(list.data(), &d) == D3DERR_INVALIDCALL && !d;
    };
    EXPECT_TRUE(refused({{0, 2, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()}));  // misaligned
    EXPECT_TRUE(refused({{0, 0, D3DDECLTYPE_UNUSED, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()}));
    EXPECT_TRUE(refused({{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                         {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()}));  // twice
    std::vector<D3DVERTEXELEMENT9> endless;
    for (int i = 0; i <= MAXD3DDECLLENGTH; ++i)
        endless.push_back({0, WORD(4 * i), D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_TEXCOORD, BYTE(i % 16)});
    endless.push_back(D3DDECL_END());
    EXPECT_TRUE(refused(endless));
}

TEST_F(ShaderDeviceTest, VolumesAreLockedByBoxAndCopiedToTheDevice) {
    VolumeTexture* source = nullptr;
    VolumeTexture* target = nullptr;
    ASSERT_EQ(dev->CreateVolumeTexture(4, 2, 3, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &source), D3D_OK);
    ASSERT_EQ(dev->CreateVolumeTexture(4, 2, 3, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target), D3D_OK);
    D3DLOCKED_BOX box;
    EXPECT_EQ(target->LockBox(0, &box, nullptr, 0), D3DERR_INVALIDCALL);  // lives on the device
    const D3DBOX one{1, 1, 2, 2, 2, 3};
    ASSERT_EQ(source->LockBox(0, &box, &one, 0), D3D_OK);
    EXPECT_EQ(box.RowPitch, 16);
    EXPECT_EQ(box.SlicePitch, 32);
    const uint32_t texel = 0xFF102030u;
    std::memcpy(box.pBits, &texel, 4);
    EXPECT_EQ(dev->UpdateTexture(source, target), D3DERR_INVALIDCALL);  // still locked
    ASSERT_EQ(source->UnlockBox(0), D3D_OK);
    ASSERT_EQ(dev->UpdateTexture(source, target), D3D_OK);
    uint32_t copied = 0;
    std::memcpy(&copied, target->LevelBits(0) + 2 * 32 + 1 * 16 + 1 * 4, 4);
    EXPECT_EQ(copied, texel);
    const D3DBOX outside{0, 0, 5, 1, 0, 1};
    EXPECT_EQ(source->LockBox(0, &box, &outside, 0), D3DERR_INVALIDCALL);
    // A default-pool volume keeps Reset from succeeding until it is released.
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferWidth = pp.BackBufferHeight = 16;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.Windowed = 1;
    back->Release();
    back = nullptr;
    D3DPRESENT_PARAMETERS again = pp;
    EXPECT_EQ(dev->Reset(&again), D3DERR_INVALIDCALL);
    target->Release();
    source->Release();
    again = pp;
    EXPECT_EQ(dev->Reset(&again), D3D_OK);
}

}  // namespace
}  // namespace host::test
