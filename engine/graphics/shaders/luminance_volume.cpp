// The luminance volume texture: for every colour (sampled at steps of 2) the colour of the
// same hue and saturation at full brightness.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/platform/base/log.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {

constexpr int kSide = kLuminanceVolumeSide;

// Texels of colours this dark (every channel below 16) are white.
constexpr int kDarkTexels = 8;

// Texel (x, y, z) holds the colour (2x, 2y, 2z) at full brightness: each channel scaled
// by 255 over the largest, which is texel index t = max(x, y, z). The scaled channels
// for every t and channel index come from one small table, so the volume's two million
// texels take no division each. Along a row, up to x = max(y, z) only red changes.
void FillTexels(const host::D3DLOCKED_BOX& box) {
    std::vector<std::array<uint8_t, kSide>> scaled(kSide);
    for (int t = 1; t < kSide; ++t)
        for (int c = 0; c <= t; ++c) scaled[size_t(t)][size_t(c)] = uint8_t((2 * c * 255 + t) / (2 * t));
    auto* base = static_cast<uint8_t*>(box.pBits);
    std::array<uint32_t, kSide> row;
    for (int z = 0; z < kSide; ++z)
        for (int y = 0; y < kSide; ++y) {
            const int m = std::max(y, z);
            const auto& top = scaled[size_t(m)];
            const uint32_t greenBlue = 0xFF000000u | uint32_t(top[size_t(y)]) << 8 | top[size_t(z)];
            for (int x = 0; x <= m; ++x) row[size_t(x)] = greenBlue | uint32_t(top[size_t(x)]) << 16;
            for (int x = m + 1; x < kSide; ++x) {
                const auto& own = scaled[size_t(x)];
                row[size_t(x)] = 0xFFFF0000u | uint32_t(own[size_t(y)]) << 8 | own[size_t(z)];
            }
            if (m < kDarkTexels) std::fill_n(row.begin(), kDarkTexels, 0xFFFFFFFFu);
            std::memcpy(base + size_t(z) * size_t(box.SlicePitch) + size_t(y) * size_t(box.RowPitch), row.data(),
                        sizeof row);
        }
}

template <class T>
void ReleaseObject(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

}  // namespace

uint32_t FillLuminanceVolume(int red, int green, int blue) {
    const int r = std::clamp(red, 0, 255), g = std::clamp(green, 0, 255), b = std::clamp(blue, 0, 255);
    const int top = std::max({r, g, b});
    if (top == 0) return 0xFFFFFFFFu;
    auto scale = [top](int c) { return uint32_t((c * 255 + top / 2) / top); };
    return 0xFF000000u | scale(r) << 16 | scale(g) << 8 | scale(b);
}

int CreateLuminanceVolumeTexture() {
    host::Device* d = Graphics().dev.device;
    if (!d) return -1;
    host::VolumeTexture*& volume = Shaders().luminanceVolume;
    ReleaseObject(volume);
    if (host::FAILED(d->CreateVolumeTexture(kSide, kSide, kSide, 1, 0, host::D3DFMT_X8R8G8B8, host::D3DPOOL_DEFAULT, &volume)))
        return AddLogText("RGBカラーを輝度を最大にしたRGB値に変換するためのボリュームテクスチャの作成に失敗しました\n");
    host::VolumeTexture* source = nullptr;
    int result = 0;
    host::D3DLOCKED_BOX box;
    if (host::FAILED(d->CreateVolumeTexture(kSide, kSide, kSide, 1, 0, host::D3DFMT_X8R8G8B8, host::D3DPOOL_SYSTEMMEM, &source))) {
        result = AddLogText("RGBカラーを輝度を最大にしたRGB値に変換するための転送元用ボリュームテクスチャの作成に失敗しました\n");
    } else if (host::FAILED(source->LockBox(0, &box, nullptr, 0))) {
        result = AddLogText("RGBカラーを輝度を最大にしたRGB値に変換するための転送元用ボリュームテクスチャのロックに失敗しました\n");
    } else {
        FillTexels(box);
        source->UnlockBox(0);
        if (host::FAILED(d->UpdateTexture(source, volume))) result = -1;
    }
    ReleaseObject(source);
    if (result != 0) ReleaseObject(volume);
    return result;
}

void ReleaseLuminanceVolumeTexture() { ReleaseObject(Shaders().luminanceVolume); }

host::VolumeTexture* LuminanceVolumeTexture() {
    ShaderSystem& s = Shaders();
    if (!s.luminanceVolume && s.programmable) CreateLuminanceVolumeTexture();
    return s.luminanceVolume;
}

}  // namespace orvik
