// The luminance volume texture: for every colour (sampled at steps of 2) the colour of the
// same hue and saturation at full brightness.
#include <algorithm>
#include <cstring>

#include "engine/graphics/graphics_system.h"
#include "engine/graphics/shader_system.h"
#include "engine/platform/log.h"
#include "host/d3d9/device.h"

namespace orvik {

namespace {

constexpr int kSide = kLuminanceVolumeSide;

// Texels of colours this dark (every channel below 16) are white.
constexpr int kDarkTexels = 8;

void FillTexels(const host::D3DLOCKED_BOX& box) {
    auto* base = static_cast<uint8_t*>(box.pBits);
    for (int z = 0; z < kSide; ++z)
        for (int y = 0; y < kSide; ++y) {
            auto* row = base + size_t(z) * size_t(box.SlicePitch) + size_t(y) * size_t(box.RowPitch);
            for (int x = 0; x < kSide; ++x) {
                const bool dark = x < kDarkTexels && y < kDarkTexels && z < kDarkTexels;
                const uint32_t texel = dark ? 0xFFFFFFFFu : FillLuminanceVolume(2 * x, 2 * y, 2 * z);
                std::memcpy(row + size_t(x) * 4, &texel, 4);
            }
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

}  // namespace orvik
