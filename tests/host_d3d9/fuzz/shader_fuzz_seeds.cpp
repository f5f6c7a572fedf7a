// Writes the starting corpus of the shader fuzz target: the shader pack's two programs, and
// programs of models 2.0 and 3.0 using flow control, predication, relative addressing,
// derivatives and every kind of texture lookup, with constants that run their loops and
// branches.
#include <cstdio>
#include <string>
#include <vector>

#include "host/d3d9/shader/shader_program.h"
#include "tests/host_d3d9/fuzz/shader_input.h"
#include "tools/shader_pack/shader_pack.h"
#include "tools/shader_pack/shader_tokens.h"

namespace {

using shaderpack::RegisterType;
using shaderpack::TokenWriter;

RegisterType File(host::ShaderFile f) { return RegisterType(f); }
uint32_t D(host::ShaderFile f, uint32_t n) { return shaderpack::Dest(File(f), n); }
uint32_t S(host::ShaderFile f, uint32_t n) { return shaderpack::Src(File(f), n); }

std::vector<uint32_t> FlowVertexShader() {
    const uint32_t relative = S(host::kFileConst, 4) | 1u << 13;
    const uint32_t loopCounter = shaderpack::RegisterBits(File(host::kFileLoop), 0);
    return TokenWriter(0xFFFE0200u)
        .DclInput(shaderpack::kPosition, 0, 0)
        .DclInput(shaderpack::kColor, 0, 1)
        .Op(host::kOpMov, {D(host::kFileRastOut, 0), S(host::kFileInput, 0)})
        .Op(host::kOpMov, {D(host::kFileTemp, 0), S(host::kFileInput, 1)})
        .Op(host::kOpLoop, {S(host::kFileLoop, 0), S(host::kFileConstInt, 0)})
        .Op(host::kOpAdd, {D(host::kFileTemp, 0), S(host::kFileTemp, 0), relative, loopCounter})
        .Op(host::kOpEndLoop, {})
        .Op(host::kOpRep, {S(host::kFileConstInt, 1)})
        .Op(host::kOpMad, {D(host::kFileTemp, 0), S(host::kFileTemp, 0), S(host::kFileConst, 1), S(host::kFileConst, 2)})
        .Op(host::kOpEndRep, {})
        .Op(host::kOpMova, {shaderpack::RegisterBits(File(host::kFileAddr), 0) | 1u << 16, S(host::kFileConst, 3)})
        .Op(host::kOpIf, {S(host::kFileConstBool, 0)})
        .Op(host::kOpCall, {S(host::kFileLabel, 1)})
        .Op(host::kOpElse, {})
        .Op(host::kOpNrm, {D(host::kFileTemp, 0), S(host::kFileTemp, 0)})
        .Op(host::kOpEndIf, {})
        .Op(host::kOpMov, {D(host::kFileAttrOut, 0), S(host::kFileTemp, 0)})
        .Op(host::kOpMov, {D(host::kFileTexCrdOut, 0), S(host::kFileTemp, 0)})
        .Op(host::kOpMov, {shaderpack::RegisterBits(File(host::kFileRastOut), 1) | 1u << 16, S(host::kFileTemp, 0)})
        .Op(host::kOpRet, {})
        .Op(host::kOpLabel, {S(host::kFileLabel, 1)})
        .Op(host::kOpSinCos, {D(host::kFileTemp, 1) & ~(0xCu << 16), S(host::kFileTemp, 0), S(host::kFileConst, 5),
                              S(host::kFileConst, 6)})
        .Op(host::kOpLit, {D(host::kFileTemp, 0), S(host::kFileTemp, 1)})
        .Op(host::kOpRet, {})
        .End();
}

// texld, texldp or texldb through s0 and s1, then texkill, cmp and dp2add.
std::vector<uint32_t> LookupPixelShader(uint32_t variant) {
    return TokenWriter(0xFFFF0200u)
        .DclPixelInput(shaderpack::kTexture, 0)
        .DclPixelInput(shaderpack::kInput, 0)
        .DclSampler2D(0)
        .DclSampler2D(1)
        .Op(host::kOpTex | variant << 16, {D(host::kFileTemp, 0), S(host::kFileTexture, 0), S(host::kFileSampler, 0)})
        .Op(host::kOpTex, {D(host::kFileTemp, 1), S(host::kFileTemp, 0), S(host::kFileSampler, 1)})
        .Op(host::kOpTexKill, {D(host::kFileTemp, 1)})
        .Op(host::kOpCmp, {D(host::kFileTemp, 2), S(host::kFileConst, 0), S(host::kFileTemp, 0), S(host::kFileInput, 0)})
        .Op(host::kOpDp2Add, {D(host::kFileTemp, 3), S(host::kFileTemp, 2), S(host::kFileConst, 1), S(host::kFileConst, 2)})
        .Op(host::kOpMul, {D(host::kFileColorOut, 0), S(host::kFileTemp, 3), S(host::kFileTemp, 1)})
        .End();
}

// Model 3.0 vertex code: outputs by usage, one written through o[aL], a predicated write,
// texldl from a vertex sampler and a loop left by breakc.
std::vector<uint32_t> Model3VertexShader() {
    const uint32_t byLoop = shaderpack::RegisterBits(File(host::kFileLoop), 0);
    TokenWriter w(0xFFFE0300u);
    w.DclInput(shaderpack::kPosition, 0, 0).DclInput(shaderpack::kTexcoord, 0, 1);
    // Position in o0, colour 0 in o1, texture set 0 in o2.
    for (const auto& [usage, reg] : {std::pair{0u, 0u}, std::pair{10u, 1u}, std::pair{5u, 2u}})
        w.Op(host::kOpDcl, {0x80000000u | usage, D(host::kFileOutput, reg)});
    return w.Op(host::kOpDcl, {0x80000000u | 2u << 27, D(host::kFileSampler, 0)})
        .Op(host::kOpMov, {D(host::kFileOutput, 0), S(host::kFileInput, 0)})
        .Op(host::kOpTexLdl, {D(host::kFileOutput, 1), S(host::kFileInput, 1), S(host::kFileSampler, 0)})
        .Op(host::kOpSetP | host::kCmpLt << 16, {D(host::kFilePredicate, 0), S(host::kFileInput, 1), S(host::kFileConst, 0)})
        .Op(host::kOpMov | 1u << 28, {D(host::kFileOutput, 2), S(host::kFilePredicate, 0), S(host::kFileConst, 1)})
        .Op(host::kOpLoop, {S(host::kFileLoop, 0), S(host::kFileConstInt, 0)})
        .Op(host::kOpMov, {D(host::kFileOutput, 1) | 1u << 13, byLoop, S(host::kFileConst, 2) | 1u << 13, byLoop})
        .Op(host::kOpBreakC | host::kCmpGt << 16, {S(host::kFileConst, 3), S(host::kFileConst, 4)})
        .Op(host::kOpEndLoop, {})
        .End();
}

// Model 3.0 pixel code: inputs by usage, vPos and vFace, derivatives, texldd and texldl,
// ifc, and a rep left by breakp.
std::vector<uint32_t> Model3PixelShader() {
    const uint32_t misc = host::kFileMisc;
    return TokenWriter(0xFFFF0300u)
        .Op(host::kOpDcl, {0x80000000u | 10u, D(host::kFileInput, 0)})
        .Op(host::kOpDcl, {0x80000000u | 5u, D(host::kFileInput, 1)})
        .Op(host::kOpDcl, {0x80000000u, D(host::ShaderFile(misc), 0)})
        .Op(host::kOpDcl, {0x80000000u, D(host::ShaderFile(misc), 1)})
        .DclSampler2D(0)
        .Op(host::kOpDsx, {D(host::kFileTemp, 0), S(host::kFileInput, 1)})
        .Op(host::kOpDsy, {D(host::kFileTemp, 1), S(host::ShaderFile(misc), 0)})
        .Op(host::kOpTexLdd, {D(host::kFileTemp, 2), S(host::kFileInput, 1), S(host::kFileSampler, 0),
                              S(host::kFileTemp, 0), S(host::kFileTemp, 1)})
        .Op(host::kOpTexLdl, {D(host::kFileTemp, 3), S(host::kFileTemp, 2), S(host::kFileSampler, 0)})
        .Op(host::kOpIfC | host::kCmpGe << 16, {S(host::ShaderFile(misc), 1), S(host::kFileConst, 0)})
        .Op(host::kOpTex, {D(host::kFileTemp, 3), S(host::kFileTemp, 3), S(host::kFileSampler, 0)})
        .Op(host::kOpEndIf, {})
        .Op(host::kOpRep, {S(host::kFileConstInt, 1)})
        .Op(host::kOpAdd, {D(host::kFileTemp, 4), S(host::kFileTemp, 4), S(host::kFileInput, 0)})
        .Op(host::kOpSetP | host::kCmpGt << 16, {D(host::kFilePredicate, 0), S(host::kFileTemp, 4), S(host::kFileConst, 1)})
        .Op(host::kOpBreakP, {S(host::kFilePredicate, 0)})
        .Op(host::kOpEndRep, {})
        .Op(host::kOpMad, {D(host::kFileColorOut, 0), S(host::kFileTemp, 3), S(host::kFileTemp, 4), S(host::kFileInput, 0)})
        .End();
}

std::vector<uint8_t> Constants() {
    std::vector<uint8_t> bytes(shaderfuzz::kVertexFloats * 4 + shaderfuzz::kPixelFloats * 4);
    std::vector<float> floats(bytes.size() / 4);
    for (size_t i = 0; i < floats.size(); ++i) floats[i] = float(int(i % 7) - 3) * 0.25f;
    std::memcpy(bytes.data(), floats.data(), bytes.size());
    const int ints[8] = {3, 0, 1, 0, 2, 0, 0, 0};
    const auto* p = reinterpret_cast<const uint8_t*>(ints);
    bytes.insert(bytes.end(), p, p + sizeof(ints));
    bytes.resize(bytes.size() + (shaderfuzz::kInts - 8) * 4, 0);
    const int yes = 1;
    p = reinterpret_cast<const uint8_t*>(&yes);
    bytes.insert(bytes.end(), p, p + 4);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    std::vector<uint32_t> packVertex, packPixel;
    for (const shaderpack::PackBlob& b : shaderpack::ShaderPackBlobs()) (b.vertex ? packVertex : packPixel) = b.tokens;
    const std::vector<std::vector<uint8_t>> seeds = {
        shaderfuzz::WriteInput(packVertex, packPixel, Constants()),
        shaderfuzz::WriteInput(FlowVertexShader(), LookupPixelShader(0), Constants()),
        shaderfuzz::WriteInput(FlowVertexShader(), LookupPixelShader(1), Constants()),
        shaderfuzz::WriteInput({}, LookupPixelShader(2), Constants()),
        shaderfuzz::WriteInput(FlowVertexShader(), {}, Constants()),
        shaderfuzz::WriteInput(Model3VertexShader(), Model3PixelShader(), Constants()),
        shaderfuzz::WriteInput(FlowVertexShader(), Model3PixelShader(), Constants()),
    };
    for (size_t i = 0; i < seeds.size(); ++i) {
        const std::string path = std::string(argv[1]) + "/seed" + std::to_string(i);
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(seeds[i].data(), 1, seeds[i].size(), f) != seeds[i].size()) return 1;
        std::fclose(f);
    }
    return 0;
}
