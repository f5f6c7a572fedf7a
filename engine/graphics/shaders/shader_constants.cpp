#include "engine/graphics/shaders/shader_constants.h"

#include <algorithm>
#include <span>

#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/platform/base/log.h"
#include "host/d3d9/device/device.h"

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

// The engine's constants reach the device while programmable shaders are in use and no
// caller's set is on it.
bool DeviceTakes() { return Graphics().dev.device && Shaders().programmable && !g_constants.userSetActive; }

bool RangeFits(int32_t start, size_t count, int registers) {
    return start >= 0 && count <= size_t(registers) && start <= registers - int32_t(count);
}

bool RangesFit(const ShaderConstantRanges& r, int floatRegisters) {
    return RangeFits(r.floatStart, r.floats.size(), floatRegisters) &&
           RangeFits(r.intStart, r.ints.size(), kIntConstantRegisters) &&
           RangeFits(r.boolStart, r.bools.size(), kBoolConstantRegisters);
}

// Writes one kind's ranges with that kind's three device setters.
template <class SetF, class SetI, class SetB>
void UploadRanges(const ShaderConstantRanges& r, SetF setF, SetI setI, SetB setB) {
    if (!r.floats.empty()) setF(host::UINT(r.floatStart), r.floats[0].data(), host::UINT(r.floats.size()));
    if (!r.ints.empty()) setI(host::UINT(r.intStart), r.ints[0].data(), host::UINT(r.ints.size()));
    if (!r.bools.empty()) setB(host::UINT(r.boolStart), r.bools.data(), host::UINT(r.bools.size()));
}

void UploadUserSet(host::Device* d, const UserShaderConstantSet& set) {
    const DeviceObjects& dev = Graphics().dev;
    if (dev.vertexShader20)
        UploadRanges(
            set.vertex, [&](auto s, auto p, auto n) { d->SetVertexShaderConstantF(s, p, n); },
            [&](auto s, auto p, auto n) { d->SetVertexShaderConstantI(s, p, n); },
            [&](auto s, auto p, auto n) { d->SetVertexShaderConstantB(s, p, n); });
    if (dev.pixelShader20)
        UploadRanges(
            set.pixel, [&](auto s, auto p, auto n) { d->SetPixelShaderConstantF(s, p, n); },
            [&](auto s, auto p, auto n) { d->SetPixelShaderConstantI(s, p, n); },
            [&](auto s, auto p, auto n) { d->SetPixelShaderConstantB(s, p, n); });
}

void UploadEngineSet(host::Device* d) {
    if (!Shaders().programmable) return;
    d->SetVertexShaderConstantF(0, g_constants.vertex[0].data(), kVertexConstantRegisters);
    d->SetVertexShaderConstantB(0, g_constants.vertexBool.data(), kBoolConstantRegisters);
    d->SetPixelShaderConstantF(0, g_constants.pixel[0].data(), kPixelConstantRegisters);
}

}  // namespace

ShaderConstantMirror& ShaderConstants() { return g_constants; }

void ResetShaderConstants() { g_constants = ShaderConstantMirror{}; }

int SetVertexShaderConstants(int start, const float* data, int count) {
    return StoreConstants(g_constants.vertex, start, data, count, "頂点", [&] {
        if (DeviceTakes()) Graphics().dev.device->SetVertexShaderConstantF(host::UINT(start), data, host::UINT(count));
    });
}

int SetPixelShaderConstants(int start, const float* data, int count) {
    return StoreConstants(g_constants.pixel, start, data, count, "ピクセル", [&] {
        if (DeviceTakes()) Graphics().dev.device->SetPixelShaderConstantF(host::UINT(start), data, host::UINT(count));
    });
}

int SetVertexShaderBools(int start, const int32_t* data, int count) {
    if (!data || count < 0 || !RangeFits(start, size_t(count), kBoolConstantRegisters))
        return AddLogFormat("頂点シェーダーのブール定数の範囲が不正です 開始 %d 個数 %d", start, count);
    std::copy_n(data, count, g_constants.vertexBool.begin() + start);
    if (DeviceTakes()) Graphics().dev.device->SetVertexShaderConstantB(host::UINT(start), data, host::UINT(count));
    return 0;
}

void SetDefaultShaderConstants() {
    constexpr float kVertex[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    constexpr float kPixel[4] = {0.0f, 0.5f, 1.0f, 2.0f};
    SetVertexShaderConstants(0, kVertex, 1);
    SetPixelShaderConstants(0, kPixel, 1);
}

int UploadShaderConstants(const UserShaderConstantSet* set) {
    host::Device* d = Graphics().dev.device;
    if (!d) return -1;
    if (set && (!RangesFit(set->vertex, kVertexConstantRegisters) || !RangesFit(set->pixel, kPixelConstantRegisters)))
        return AddLogText("シェーダー定数セットの範囲が不正です\n");
    if (set) UploadUserSet(d, *set);
    else UploadEngineSet(d);
    g_constants.userSetActive = set ? 1 : 0;
    return 0;
}

}  // namespace orvik
