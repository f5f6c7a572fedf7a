// Programmable shaders: the shader pack compiled into the library (an archive image holding
// "OrShaderPack.bin"), its code pointers, the shader objects made from it, the vertex
// declarations and the luminance volume texture. Every failure here only switches
// programmable shaders off; the fixed-function path then serves all drawing.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/graphics/shaders/zeroed_table.h"
#include "engine/platform/archive/archive.h"

namespace host {
class VertexShader;
class PixelShader;
class VertexDeclaration;
class VolumeTexture;
}  // namespace host

namespace orvik {

constexpr int kVertexShaderEntries = 16384, kPixelShaderEntries = 6912, kShaderSlots = 6;
constexpr uint32_t kShaderPackHeaderBytes = uint32_t(kVertexShaderEntries + kPixelShaderEntries) * kShaderSlots * 2;
// 2 vertex kinds x 3 variants x 0 to 8 blend weights, and the screen vertex.
constexpr int kShaderDeclarationCount = 2 * 3 * 9 + 1;
constexpr int kLuminanceVolumeSide = 128;

// One blob of the pack: where its code lies and how many bytes it has.
struct ShaderCode {
    const uint8_t* code = nullptr;
    uint32_t bytes = 0;
};

struct ShaderSystem {
    // Where the packed archive image comes from: the library's own data unless a test
    // gives another.
    std::span<const uint8_t> packedImage;
    ArchiveObject archive{};
    uint8_t* archiveImage = nullptr;  // the unpacked archive (tracked memory)
    uint8_t* pack = nullptr;          // the unpacked "OrShaderPack.bin" (tracked memory)
    uint32_t packBytes = 0;
    ZeroedTable<ShaderCode> vertexCode, pixelCode;  // entry x 6 + slot
    ZeroedTable<host::VertexShader*> vertexObjects;
    ZeroedTable<host::PixelShader*> pixelObjects;
    int32_t programmable = 0;
    std::array<host::VertexDeclaration*, kShaderDeclarationCount> declarations{};
    host::VolumeTexture* luminanceVolume = nullptr;
};

ShaderSystem& Shaders();
// Frees the pack and forgets every object (tests; the device objects must be gone).
void ResetShaderSystem();

// 1 when the pack is (already) loaded, 0 on failure (logged).
int LoadShaderPack();
// Closes the in-memory archive and frees the unpacked archive and pack.
void CloseShaderPack();
// Decides whether programmable shaders are used, by test-creating one vertex and one pixel
// shader of the pack. Returns 0.
int SetupProgrammableShaders();
// The 55 vertex declarations. 0, or -1 when one could not be made.
int CreateShaders();
int CreateLuminanceVolumeTexture();
void ReleaseLuminanceVolumeTexture();
// The luminance volume, made on the first call with programmable shaders in use (it
// holds 8 MB that a program drawing through the fixed-function pipeline never reads);
// null without them or when it cannot be made.
host::VolumeTexture* LuminanceVolumeTexture();
// The colour (red, green, blue, each clamped to 255) at full brightness with its hue and
// saturation kept, as 0xFFRRGGBB; black gives white.
uint32_t FillLuminanceVolume(int red, int green, int blue);
// Unsets the shaders and releases the vertex declarations.
void ReleasePixelShaders();
// Unsets the shaders, clears the cached ones and releases every shader object.
void ReleaseAllShaders();
// A shader object from code of `bytes` bytes, checked first so that nothing past the code
// is read. Null (logged) without a device, for malformed code or when the device refuses.
host::VertexShader* MakeVertexShader(const uint8_t* code, size_t bytes);
host::PixelShader* MakePixelShader(const uint8_t* code, size_t bytes);
// The pack's code for an entry and slot (null code when there is none).
ShaderCode VertexShaderCode(int entry, int slot);
ShaderCode PixelShaderCode(int entry, int slot);

}  // namespace orvik
