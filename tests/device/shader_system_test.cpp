// Programmable shaders: the pack compiled into the library walks to the right code, a
// shader model 2 device starts with the two test shaders, the declarations and the
// luminance volume, a fixed-function device without them, a bad pack only switches the
// shaders off, and everything is released and made again with the device.
#include <cstring>
#include <span>

#include "device_fixture.h"
#include "engine/graphics/device/device_buffers.h"
#include "engine/graphics/device/device_recreate.h"
#include "engine/graphics/shaders/shader_constants.h"
#include "engine/graphics/shaders/shader_pack_data.h"
#include "engine/graphics/shaders/shader_system.h"
#include "host/d3d9/shader/shader_objects.h"
#include "tools/shader_pack/shader_pack.h"
#include "tools/shader_pack/shader_tokens.h"

namespace orvik_test {
namespace {

using namespace orvik;
using shaderpack::PackBlob;

constexpr char kUsing[] = "プログラマブルシェーダーを使用します";
constexpr char kNotUsing[] = "プログラマブルシェーダーを使用しません";

std::vector<uint32_t> Blob(uint32_t version, int instructions) {
    shaderpack::TokenWriter w(version);
    for (int i = 0; i < instructions; ++i) w.Op(shaderpack::kMov, {shaderpack::Dest(shaderpack::kTemp, 0), shaderpack::Src(shaderpack::kTemp, 1)});
    return w.End();
}

class ShaderSystemTest : public DeviceTest {
protected:
    // The pack the engine loads next, as the library would carry it.
    void UsePack(const std::vector<uint8_t>& pack) {
        std::string error;
        image_ = shaderpack::PackShaderArchive(pack, &error);
        ASSERT_FALSE(image_.empty()) << error;
        Shaders().packedImage = image_;
    }
    void StartShaderModel2() {
        host::D3D9Settings().shaderModel = 3;
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 1);
    }
    static std::span<const uint8_t> Bytes(const ShaderCode& c) { return {c.code, c.bytes}; }
    static std::span<const uint8_t> Bytes(const std::vector<uint32_t>& t) {
        return {reinterpret_cast<const uint8_t*>(t.data()), t.size() * 4};
    }
    static bool Same(std::span<const uint8_t> a, std::span<const uint8_t> b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
    }
    std::vector<uint8_t> image_;
};

TEST_F(ShaderSystemTest, TheLibrarysPackWalksToItsTwoTestShaders) {
    ASSERT_EQ(LoadShaderPack(), 1);
    const ShaderSystem& s = Shaders();
    // The compiled-in pack is exactly what the maker writes.
    const std::vector<PackBlob> blobs = shaderpack::ShaderPackBlobs();
    const std::vector<uint8_t> expected = shaderpack::BuildShaderPack(blobs);
    ASSERT_EQ(s.packBytes, expected.size());
    EXPECT_EQ(std::memcmp(s.pack, expected.data(), expected.size()), 0);
    // The carried image is the maker's, byte for byte (nothing of the build's time in it).
    std::string error;
    const std::vector<uint8_t> image = shaderpack::PackShaderArchive(expected, &error);
    ASSERT_EQ(image.size(), size_t(kShaderPackImageSize));
    EXPECT_EQ(std::memcmp(image.data(), kShaderPackImage, image.size()), 0);
    const ShaderCode vs = VertexShaderCode(5462, 2), ps = PixelShaderCode(409, 0);
    EXPECT_EQ(vs.code, s.pack + 279552);
    EXPECT_TRUE(Same(Bytes(vs), Bytes(blobs[0].tokens)));
    EXPECT_EQ(ps.code, vs.code + vs.bytes);
    EXPECT_TRUE(Same(Bytes(ps), Bytes(blobs[1].tokens)));
    EXPECT_EQ(host::MeasureShaderCode(reinterpret_cast<const host::DWORD*>(vs.code), vs.bytes), vs.bytes);
    EXPECT_EQ(VertexShaderCode(5462, 1).code, nullptr);
    EXPECT_EQ(PixelShaderCode(409, 1).code, nullptr);
    EXPECT_EQ(VertexShaderCode(16384, 0).code, nullptr);  // outside the table
    EXPECT_EQ(LoadShaderPack(), 1);                        // loaded once
    EXPECT_EQ(Shaders().pack, s.pack);
}

TEST_F(ShaderSystemTest, CodeLiesInEntryOrderThenSlotOrderVertexBeforePixel) {
    const std::vector<PackBlob> blobs = {
        {true, 0, 0, Blob(0xFFFE0200u, 1)},     {true, 0, 5, Blob(0xFFFE0200u, 2)},
        {true, 16383, 5, Blob(0xFFFE0200u, 3)}, {false, 0, 0, Blob(0xFFFF0200u, 4)},
        {false, 6911, 5, Blob(0xFFFF0200u, 5)},
    };
    UsePack(shaderpack::BuildShaderPack(blobs));
    ASSERT_EQ(LoadShaderPack(), 1);
    const ShaderCode found[] = {VertexShaderCode(0, 0), VertexShaderCode(0, 5), VertexShaderCode(16383, 5),
                                PixelShaderCode(0, 0), PixelShaderCode(6911, 5)};
    const uint8_t* at = Shaders().pack + 279552;
    for (size_t i = 0; i < blobs.size(); ++i) {
        EXPECT_EQ(found[i].code, at) << i;
        EXPECT_TRUE(Same(Bytes(found[i]), Bytes(blobs[i].tokens))) << i;
        at += found[i].bytes;
    }
    EXPECT_EQ(at, Shaders().pack + Shaders().packBytes);
}

TEST_F(ShaderSystemTest, AShaderModel2DeviceUsesProgrammableShaders) {
    StartShaderModel2();
    for (const char* line : {kUsing, "ハードウエア頂点演算を使用します", "頂点シェーダーバージョンコード：fffe0300"})
        EXPECT_NE(Log().find(line), std::string::npos) << line;
    const ShaderSystem& s = Shaders();
    EXPECT_EQ(s.programmable, 1);
    EXPECT_NE(s.vertexObjects[5462 * 6 + 2], nullptr);
    EXPECT_NE(s.pixelObjects[409 * 6 + 0], nullptr);
    for (host::VertexDeclaration* d : s.declarations) EXPECT_NE(d, nullptr);
    // The luminance volume's 8 MB are made when first asked for, once.
    EXPECT_EQ(s.luminanceVolume, nullptr);
    host::VolumeTexture* volume = LuminanceVolumeTexture();
    EXPECT_NE(volume, nullptr);
    EXPECT_EQ(LuminanceVolumeTexture(), volume);
    const host::ShaderObjectCounts live = host::LiveShaderObjects();
    EXPECT_EQ(live.vertexShaders, 1);
    EXPECT_EQ(live.pixelShaders, 1);
    EXPECT_EQ(live.declarations, 55);
    // The default constants reached the device as well as the mirror.
    float v[4], p[4];
    D3DDevice()->GetVertexShaderConstantF(0, v, 1);
    D3DDevice()->GetPixelShaderConstantF(0, p, 1);
    EXPECT_EQ(v[1], 1.0f);
    EXPECT_EQ(p[1], 0.5f);
    EXPECT_EQ(p[3], 2.0f);
}

TEST_F(ShaderSystemTest, AFixedFunctionDeviceDoesNotAndLoadsNoPack) {
    host::D3D9Settings().shaderModel = 0;
    ASSERT_EQ(InitLibrary(), 0);
    ASSERT_EQ(Graphics().direct3DMode, 1);
    EXPECT_NE(Log().find(kNotUsing), std::string::npos);
    EXPECT_EQ(Shaders().programmable, 0);
    EXPECT_EQ(Shaders().pack, nullptr);
    EXPECT_EQ(LuminanceVolumeTexture(), nullptr);
    EXPECT_EQ(host::LiveShaderObjects().declarations, 0);
    // The mirror still holds the default constants; the device got none.
    EXPECT_EQ(ShaderConstants().pixel[0][3], 2.0f);
    float p[4];
    D3DDevice()->GetPixelShaderConstantF(0, p, 1);
    EXPECT_EQ(p[3], 0.0f);
}

TEST_F(ShaderSystemTest, BadPacksOnlySwitchProgrammableShadersOff) {
    auto expectOff = [&](const char* why) {
        StartShaderModel2();
        EXPECT_EQ(Shaders().programmable, 0) << why;
        EXPECT_NE(Log().find(kNotUsing), std::string::npos) << why;
        EXPECT_EQ(host::LiveShaderObjects().vertexShaders, 0) << why;
        EXPECT_EQ(host::LiveShaderObjects().declarations, 0) << why;
        EndLibrary();
    };
    // A size running past the pack's end.
    std::vector<PackBlob> blobs = shaderpack::ShaderPackBlobs();
    std::vector<uint8_t> pack = shaderpack::BuildShaderPack(blobs);
    pack[(size_t(16384 + 6911) * 6 + 5) * 2 + 1] = 0x10;
    UsePack(pack);
    expectOff("size past the end");
    EXPECT_NE(Log().find("シェーダーコードを展開するメモリ領域の確保に失敗しました"), std::string::npos);
    // The test vertex shader without its end token.
    blobs = shaderpack::ShaderPackBlobs();
    blobs[0].tokens.back() = shaderpack::kMov | 2u << 24;
    UsePack(shaderpack::BuildShaderPack(blobs));
    expectOff("no end token");
    EXPECT_NE(Log().find("頂点シェーダーのコードが壊れています"), std::string::npos);
    // A packed image cut short fails to unpack.
    UsePack(shaderpack::BuildShaderPack(shaderpack::ShaderPackBlobs()));
    image_.resize(image_.size() / 2);
    Shaders().packedImage = image_;
    expectOff("cut short");
    EXPECT_NE(Log().find("シェーダーパックの展開に失敗しました"), std::string::npos);
}

TEST_F(ShaderSystemTest, TheLuminanceVolumeHoldsEachColourAtFullBrightness) {
    EXPECT_EQ(FillLuminanceVolume(0, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(FillLuminanceVolume(255, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(FillLuminanceVolume(10, 20, 30), 0xFF55AAFFu);
    EXPECT_EQ(FillLuminanceVolume(300, -5, 0), 0xFFFF0000u);  // clamped first
    StartShaderModel2();
    const uint8_t* bits = LuminanceVolumeTexture()->LevelBits(0);
    auto texel = [&](int x, int y, int z) {
        uint32_t v;
        std::memcpy(&v, bits + (size_t(z) * 128 * 128 + size_t(y) * 128 + size_t(x)) * 4, 4);
        return v;
    };
    EXPECT_EQ(texel(0, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(texel(7, 7, 7), 0xFFFFFFFFu);        // dark colours are white
    EXPECT_EQ(texel(8, 0, 0), 0xFFFF0000u);        // (16, 0, 0)
    EXPECT_EQ(texel(7, 7, 8), 0xFFDFDFFFu);        // (14, 14, 16): z is not below 8
    EXPECT_EQ(texel(5, 10, 15), 0xFF55AAFFu);      // (10, 20, 30)
    EXPECT_EQ(texel(127, 0, 0), 0xFFFF0000u);      // (254, 0, 0)
    EXPECT_EQ(texel(127, 127, 127), 0xFFFFFFFFu);  // grey becomes white
    for (int z = 0; z < 128; ++z)
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const bool dark = x < 8 && y < 8 && z < 8;
                const uint32_t want = dark ? 0xFFFFFFFFu : FillLuminanceVolume(2 * x, 2 * y, 2 * z);
                if (texel(x, y, z) != want) FAIL() << x << ", " << y << ", " << z;
            }
}

// Code the device makes no shader of gets no handle, and leaves no slot taken.
TEST_F(ShaderSystemTest, CodeTheDeviceRefusesGetsNoHandle) {
    StartShaderModel2();
    const std::vector<uint32_t> code = shaderpack::ShaderPackBlobs()[0].tokens;
    const int32_t bytes = int32_t(code.size() * 4);
    const int32_t kept = AllocShaderHandle(1, code.data(), bytes);
    ASSERT_NE(kept, -1);
    EXPECT_EQ(AllocShaderHandle(0, code.data(), bytes), -1);  // vertex code as a pixel shader
    EXPECT_NE(Log().find("ピクセルシェーダーの作成に失敗しました"), std::string::npos);
    EXPECT_EQ(AllocShaderHandle(1, code.data(), bytes - 4), -1);  // without its end token
    EXPECT_NE(Log().find("頂点シェーダーのコードが壊れています"), std::string::npos);
    EXPECT_EQ(AllocShaderHandle(1, code.data(), bytes) & 0xFFFF, (kept & 0xFFFF) + 1);
}

TEST_F(ShaderSystemTest, ShadersAndDeclarationsComeBackWithTheDeviceAndNothingLeaks) {
    StartShaderModel2();
    const std::vector<uint32_t> code = shaderpack::ShaderPackBlobs()[0].tokens;
    const int32_t handle = AllocShaderHandle(1, code.data(), int32_t(code.size() * 4));
    ASSERT_NE(handle, -1);
    ASSERT_NE(GetShaderRecord(handle)->object, nullptr);
    EXPECT_EQ(host::LiveShaderObjects().vertexShaders, 2);
    const uint8_t* pack = Shaders().pack;
    ASSERT_NE(LuminanceVolumeTexture(), nullptr);
    ASSERT_EQ(RecreateGraphicsDeviceSameMode(), 0);
    ASSERT_EQ(Graphics().direct3DMode, 1);
    EXPECT_EQ(Shaders().programmable, 1);
    EXPECT_EQ(Shaders().pack, pack);  // kept until graphics ends
    EXPECT_NE(GetShaderRecord(handle)->object, nullptr);
    // The volume went with the old device; the new one makes its own when asked.
    EXPECT_EQ(Shaders().luminanceVolume, nullptr);
    EXPECT_NE(LuminanceVolumeTexture(), nullptr);
    host::ShaderObjectCounts live = host::LiveShaderObjects();
    EXPECT_EQ(live.vertexShaders, 2);
    EXPECT_EQ(live.pixelShaders, 1);
    EXPECT_EQ(live.declarations, 55);
    EndLibrary();
    live = host::LiveShaderObjects();
    EXPECT_EQ(live.vertexShaders + live.pixelShaders + live.declarations, 0);
    EXPECT_EQ(Shaders().pack, nullptr);
}

}  // namespace
}  // namespace orvik_test
