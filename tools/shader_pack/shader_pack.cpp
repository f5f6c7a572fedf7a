#include "tools/shader_pack/shader_pack.h"

#include "tools/okvpack/archive_writer.h"
#include "tools/okvpack/lz_encoder.h"
#include "tools/shader_pack/shader_tokens.h"

namespace shaderpack {
namespace {

// Positions already on the screen, the vertex colour and one set of texture coordinates
// passed through.
std::vector<uint32_t> ScreenVertexShader() {
    return TokenWriter(kVertexShader20)
        .Comment("Orvik screen-space colour and texture pass")
        .DclInput(kPosition, 0, 0)
        .DclInput(kColor, 0, 1)
        .DclInput(kTexcoord, 0, 2)
        .Op(kMov, {Dest(kRastOut, 0), Src(kInput, 0)})
        .Op(kMov, {Dest(kAttrOut, 0), Src(kInput, 1)})
        .Op(kMov, {Dest(kTexCoordOut, 0), Src(kInput, 2)})
        .End();
}

// The texture modulated by the vertex colour.
std::vector<uint32_t> ModulatePixelShader() {
    return TokenWriter(kPixelShader20)
        .Comment("Orvik texture times diffuse")
        .DclPixelInput(kTexture, 0)
        .DclPixelInput(kInput, 0)
        .DclSampler2D(0)
        .Op(kTexld, {Dest(kTemp, 0), Src(kTexture, 0), Src(kSampler, 0)})
        .Op(kMul, {Dest(kTemp, 0), Src(kTemp, 0), Src(kInput, 0)})
        .Op(kMov, {Dest(kColorOut, 0), Src(kTemp, 0)})
        .End();
}

void PutU16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = uint8_t(value);
    out[at + 1] = uint8_t(value >> 8);
}

}  // namespace

std::vector<PackBlob> ShaderPackBlobs() {
    return {
        {true, kTestVertexEntry, kTestVertexSlot, ScreenVertexShader()},
        {false, kTestPixelEntry, kTestPixelSlot, ModulatePixelShader()},
    };
}

std::vector<uint8_t> BuildShaderPack(const std::vector<PackBlob>& blobs) {
    std::vector<uint8_t> pack(kHeaderBytes, 0);
    for (const PackBlob& b : blobs) {
        const size_t entry = size_t(b.vertex ? b.entry : kVertexEntries + b.entry);
        PutU16(pack, (entry * kSlots + size_t(b.slot)) * 2, uint32_t(b.tokens.size() * 4));
        for (uint32_t t : b.tokens)
            for (int i = 0; i < 4; ++i) pack.push_back(uint8_t(t >> (8 * i)));
    }
    return pack;
}

std::vector<uint8_t> PackShaderArchive(const std::vector<uint8_t>& pack, std::string* error) {
    okvpack::PackDir root;
    root.files.push_back(okvpack::PackFile{"OrShaderPack.bin", pack, 0});
    const std::vector<uint8_t> archive = okvpack::BuildArchive(root, okvpack::PackOptions{}, error);
    if (archive.empty()) return {};
    return okvpack::LzEncode(archive.data(), archive.size());
}

}  // namespace shaderpack
