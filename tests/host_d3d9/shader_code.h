// Shader model 2.0 code written token by token for the interpreter's tests, and a device
// fixture with shader model 2 on that draws through bound shaders and reads pixels back.
#pragma once
#include <bit>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "device_fixture.h"
#include "host/d3d9/shader/shader_program.h"
#include "host/debug_output.h"
#include "tools/shader_pack/shader_tokens.h"

namespace host::test {

constexpr uint32_t RegToken(uint32_t file, uint32_t n) {
    return 0x80000000u | (file & 7) << 28 | (file >> 3 & 3) << 11 | (n & 0x7FF);
}
// A destination with write mask (bit 0 x .. bit 3 w) and saturation.
constexpr uint32_t Dst(uint32_t file, uint32_t n, uint32_t mask = 0xF, bool saturate = false) {
    return RegToken(file, n) | mask << 16 | (saturate ? 1u << 20 : 0u);
}
constexpr uint32_t Swz(uint32_t x, uint32_t y, uint32_t z, uint32_t w) { return x | y << 2 | z << 4 | w << 6; }
constexpr uint32_t kNoSwizzle = 0xE4;
// A source with swizzle and modifier (1 negate, 11 abs).
constexpr uint32_t Src(uint32_t file, uint32_t n, uint32_t swizzle = kNoSwizzle, uint32_t modifier = 0) {
    return RegToken(file, n) | swizzle << 16 | modifier << 24;
}
// The scalar component c replicated.
constexpr uint32_t Rep(uint32_t c) { return Swz(c, c, c, c); }

class ShaderCode {
public:
    explicit ShaderCode(uint32_t version) : w_(version) {}
    ShaderCode& Op(uint32_t op, std::initializer_list<uint32_t> params) {
        w_.Op(op, params);
        return *this;
    }
    ShaderCode& Def(uint32_t index, float x, float y, float z, float w) {
        return Op(kOpDef, {Dst(kFileConst, index), std::bit_cast<uint32_t>(x), std::bit_cast<uint32_t>(y),
                           std::bit_cast<uint32_t>(z), std::bit_cast<uint32_t>(w)});
    }
    ShaderCode& DefI(uint32_t index, int x, int y, int z, int w) {
        return Op(kOpDefI, {Dst(kFileConstInt, index), uint32_t(x), uint32_t(y), uint32_t(z), uint32_t(w)});
    }
    ShaderCode& DefB(uint32_t index, bool value) { return Op(kOpDefB, {Dst(kFileConstBool, index), value ? 1u : 0u}); }
    // dcl_usage<index> v#
    ShaderCode& DclInput(uint32_t usage, uint32_t index, uint32_t reg) {
        return Op(kOpDcl, {0x80000000u | usage | index << 16, Dst(kFileInput, reg)});
    }
    // dcl_usage<index> of a model 3.0 input or output register, in the components of `mask`.
    ShaderCode& DclUsage(uint32_t file, uint32_t usage, uint32_t index, uint32_t reg, uint32_t mask = 0xF) {
        return Op(kOpDcl, {0x80000000u | usage | index << 16, Dst(file, reg, mask)});
    }
    // dcl t# or dcl v# in pixel code.
    ShaderCode& DclPixel(uint32_t file, uint32_t reg) { return Op(kOpDcl, {0x80000000u, Dst(file, reg)}); }
    ShaderCode& DclSampler(uint32_t reg, uint32_t textureType = 2) {
        return Op(kOpDcl, {0x80000000u | textureType << 27, Dst(kFileSampler, reg)});
    }
    std::vector<uint32_t> End() { return w_.End(); }

private:
    shaderpack::TokenWriter w_;
};

constexpr uint32_t kVs20 = 0xFFFE0200u, kPs20 = 0xFFFF0200u, kVs30 = 0xFFFE0300u, kPs30 = 0xFFFF0300u;

// One instruction as tokens, its length field set from its operands.
inline std::vector<uint32_t> I(uint32_t op, std::initializer_list<uint32_t> params) {
    std::vector<uint32_t> out = {op | uint32_t(params.size()) << 24};
    out.insert(out.end(), params);
    return out;
}


// A 16 x 16 texture whose five levels are solid red, green, blue, white and black, so a
// pixel's colour names the level it was sampled from. The caller releases it.
inline Texture* LevelColoredTexture(Device* dev) {
    const uint32_t colors[5] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u};
    Texture* tex = nullptr;
    EXPECT_EQ(dev->CreateTexture(16, 16, 5, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    for (UINT level = 0; tex && level < 5; ++level) {
        D3DLOCKED_RECT lr;
        EXPECT_EQ(tex->LockRect(level, &lr, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < (16u >> level); ++y)
            for (UINT x = 0; x < (16u >> level); ++x)
                std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &colors[level], 4);
        tex->UnlockRect(level);
    }
    return tex;
}

// A vertex in clip space with one colour, for draws through a vertex shader or the
// fixed-function transform.
struct ClipSpaceVertex {
    float x, y, z;
    uint32_t color;
    float u, v;
};
constexpr DWORD kClipFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class ShaderDrawTest : public DeviceTest {
protected:
    void SetUp() override {
        ResetD3D9Host();
        D3D9Settings().shaderModel = 3;
        DeviceTest::SetUp();
        D3D9Settings().shaderModel = 3;
        SetDebugOutputSink(&Capture, this);
    }
    void TearDown() override {
        SetDebugOutputSink(nullptr, nullptr);
        dev->SetVertexShader(nullptr);
        dev->SetPixelShader(nullptr);
        dev->SetVertexDeclaration(nullptr);
        for (Unknown* u : made) u->Release();
        DeviceTest::TearDown();
    }
    VertexShader* MakeVs(const std::vector<uint32_t>& code) {
        VertexShader* vs = nullptr;
        EXPECT_EQ(dev->CreateVertexShader(code.data(), code.size() * 4, &vs), D3D_OK) << log;
        if (vs) made.push_back(vs);
        return vs;
    }
    PixelShader* MakePs(const std::vector<uint32_t>& code) {
        PixelShader* ps = nullptr;
        EXPECT_EQ(dev->CreatePixelShader(code.data(), code.size() * 4, &ps), D3D_OK) << log;
        if (ps) made.push_back(ps);
        return ps;
    }
    // A declaration of `elements` (ending in D3DDECL_END), released after the test.
    VertexDeclaration* MakeDeclaration(const D3DVERTEXELEMENT9* elements) {
        VertexDeclaration* decl = nullptr;
        EXPECT_EQ(dev->CreateVertexDeclaration(elements, &decl), D3D_OK);
        if (decl) made.push_back(decl);
        return decl;
    }
    bool PixelRefused(const std::vector<uint32_t>& code) {
        PixelShader* ps = nullptr;
        return dev->CreatePixelShader(code.data(), code.size() * 4, &ps) == D3DERR_INVALIDCALL && !ps;
    }
    bool VertexRefused(const std::vector<uint32_t>& code) {
        VertexShader* vs = nullptr;
        return dev->CreateVertexShader(code.data(), code.size() * 4, &vs) == D3DERR_INVALIDCALL && !vs;
    }
    // The whole 16 x 16 target as two clip-space triangles, drawn with what is bound.
    HRESULT DrawClipQuad(uint32_t color = 0xFFFFFFFFu) {
        const ClipSpaceVertex q[6] = {{-1, 1, 0.5f, color, 0, 0},  {1, 1, 0.5f, color, 1, 0},
                                      {-1, -1, 0.5f, color, 0, 1}, {1, -1, 0.5f, color, 1, 1},
                                      {-1, -1, 0.5f, color, 0, 1}, {1, 1, 0.5f, color, 1, 0}};
        dev->SetFVF(kClipFvf);
        dev->BeginScene();
        const HRESULT hr = dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, q, sizeof(ClipSpaceVertex));
        dev->EndScene();
        return hr;
    }
    // A vertex shader that passes the position through, then runs `body` (which writes oD0)
    // over a full-target quad; the colour of a pixel in the middle.
    uint32_t VertexResult(const std::vector<std::vector<uint32_t>>& body) {
        std::vector<uint32_t> code = {kVs20, kOpDcl | 2u << 24, 0x80000000u, Dst(kFileInput, 0),
                                      kOpMov | 2u << 24, Dst(kFileRastOut, 0), Src(kFileInput, 0)};
        for (const auto& op : body) code.insert(code.end(), op.begin(), op.end());
        code.push_back(0xFFFFu);
        VertexShader* vs = MakeVs(code);
        dev->SetVertexShader(vs);
        UseDiffuseOnly();
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        EXPECT_EQ(DrawClipQuad(), D3D_OK) << log;
        return Pixel(8, 8) & 0xFFFFFF;
    }
    static void Capture(const char* text, void* self) { static_cast<ShaderDrawTest*>(self)->log += text; }

    std::string log;
    std::vector<Unknown*> made;
};

}  // namespace host::test
