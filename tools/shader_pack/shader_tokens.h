// Writing shader model 2 token streams by hand: the version token, instructions with their
// length field, register parameters, comments and the end token.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace shaderpack {

constexpr uint32_t kVertexShader20 = 0xFFFE0200u, kPixelShader20 = 0xFFFF0200u;
constexpr uint32_t kEndToken = 0x0000FFFFu;

// Register types and the opcodes the pack's shaders use.
enum RegisterType : uint32_t {
    kTemp = 0, kInput = 1, kConst = 2, kTexture = 3, kRastOut = 4, kAttrOut = 5, kTexCoordOut = 6,
    kColorOut = 8, kSampler = 10,
};
enum Opcode : uint32_t { kMov = 1, kAdd = 2, kMad = 4, kMul = 5, kDp4 = 9, kDcl = 31, kTexld = 66 };
// Declaration usages (vertex inputs).
enum Usage : uint32_t { kPosition = 0, kColor = 10, kTexcoord = 5 };

constexpr uint32_t RegisterBits(RegisterType type, uint32_t number) {
    return 0x80000000u | (uint32_t(type) & 7) << 28 | (uint32_t(type) >> 3 & 3) << 11 | (number & 0x7FF);
}
// A destination writing every component.
constexpr uint32_t Dest(RegisterType type, uint32_t number) { return RegisterBits(type, number) | 0xFu << 16; }
// A source read without swizzle.
constexpr uint32_t Src(RegisterType type, uint32_t number) { return RegisterBits(type, number) | 0xE4u << 16; }

class TokenWriter {
public:
    explicit TokenWriter(uint32_t version) { tokens_.push_back(version); }

    // An instruction and its parameter tokens; the length field counts the parameters.
    TokenWriter& Op(uint32_t opcode, std::initializer_list<uint32_t> params) {
        tokens_.push_back(opcode | uint32_t(params.size()) << 24);
        // Token by token: at -O3 GCC reads a list insert after a push as an overflow.
        for (uint32_t p : params) tokens_.push_back(p);
        return *this;
    }
    // Vertex input declaration: dcl_<usage><index> v#.
    TokenWriter& DclInput(Usage usage, uint32_t index, uint32_t reg) {
        return Op(kDcl, {0x80000000u | uint32_t(usage) | index << 16, Dest(kInput, reg)});
    }
    // Pixel input declaration (colour or texture coordinate register).
    TokenWriter& DclPixelInput(RegisterType type, uint32_t reg) { return Op(kDcl, {0x80000000u, Dest(type, reg)}); }
    // A 2D sampler declaration: dcl_2d s#.
    TokenWriter& DclSampler2D(uint32_t reg) { return Op(kDcl, {0x80000000u | 2u << 27, Dest(kSampler, reg)}); }
    // A comment holding text, padded with zeros to whole tokens.
    TokenWriter& Comment(std::string_view text) {
        const uint32_t words = uint32_t((text.size() + 4) / 4);
        tokens_.push_back(0xFFFEu | words << 16);
        std::vector<uint32_t> body(words, 0);
        for (size_t i = 0; i < text.size(); ++i) body[i / 4] |= uint32_t(uint8_t(text[i])) << (8 * (i % 4));
        tokens_.insert(tokens_.end(), body.begin(), body.end());
        return *this;
    }
    std::vector<uint32_t> End() {
        tokens_.push_back(kEndToken);
        return tokens_;
    }

private:
    std::vector<uint32_t> tokens_;
};

}  // namespace shaderpack
