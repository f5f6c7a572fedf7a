#include "engine/graphics/shader_constants.h"

#include <algorithm>
#include <span>

#include "engine/graphics/graphics_system.h"
#include "engine/platform/log.h"
#include "host/d3d9/device.h"

namespace orvik {

namespace {

ShaderConstantMirror g_constants;

template <size_t N, class Upload>
int StoreConstants(std::array<std::array<float, 4>, N>& mirror, int start, const float* data, int count,
                   const char* kind, Upload upload) {
    if (!data || start < 0 || count < 0 || count > int(N) - start)
        return AddLogFormat("%sシェーダー定数の範囲が不正です 開始 %d 個数 %d", kind, start, count);
    std::span<const float> values(data, size_t(count) * 4);
    for (int r = 0; r < count; ++r)
        std::copy_n(values.begin() + r * 4, 4, mirror[size_t(start + r)].begin());
    upload();
    return 0;
}

}  // namespace

ShaderConstantMirror& ShaderConstants() { return g_constants; }

void ResetShaderConstants() { g_constants = ShaderConstantMirror{}; }

int SetVertexShaderConstants(int start, const float* data, int count) {
    return StoreConstants(g_constants.vertex, start, data, count, "頂点", [&] {
        const DeviceObjects& dev = Graphics().dev;
        if (dev.device && dev.vertexShader20) dev.device->SetVertexShaderConstantF(host::UINT(start), data, host::UINT(count));
    });
}

int SetPixelShaderConstants(int start, const float* data, int count) {
    return StoreConstants(g_constants.pixel, start, data, count, "ピクセル", [&] {
        const DeviceObjects& dev = Graphics().dev;
        if (dev.device && dev.pixelShader20) dev.device->SetPixelShaderConstantF(host::UINT(start), data, host::UINT(count));
    });
}

void SetDefaultShaderConstants() {
    constexpr float kVertex[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    constexpr float kPixel[4] = {0.0f, 0.5f, 1.0f, 2.0f};
    SetVertexShaderConstants(0, kVertex, 1);
    SetPixelShaderConstants(0, kPixel, 1);
}

}  // namespace orvik
