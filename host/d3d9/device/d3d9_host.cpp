#include "host/d3d9/device/d3d9_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/d3d9/resources/pixel_format.h"
#include "host/env_switch.h"

namespace host {
namespace {

D3D9HostSettings FreshSettings() {
    D3D9HostSettings s;
    s.moduleMissing = EnvSwitchOn("ORVIK_NO_D3D9");
    s.forceGenericPath = EnvSwitchOn("ORVIK_D3D9_GENERIC");
    const char* model = std::getenv("ORVIK_D3D9_SHADER_MODEL");
    if (model && (std::strcmp(model, "0") == 0 || std::strcmp(model, "2") == 0)) s.shaderModel = model[0] - '0';
    s.forceBaselineSpans = EnvSwitchOn("ORVIK_D3D9_NO_AVX2");
    return s;
}

struct D3D9HostState {
    D3D9HostSettings settings = FreshSettings();
    D3D9Stats stats;
    PresentHook hook;
};

D3D9HostState& State() {
    static D3D9HostState state;
    return state;
}

}  // namespace

D3D9HostSettings& D3D9Settings() { return State().settings; }
D3D9Stats& D3D9Counters() { return State().stats; }

void ResetD3D9Host() {
    State().settings = FreshSettings();
    State().stats = D3D9Stats{};
}

bool IsD3D9Available() { return !State().settings.moduleMissing; }

bool IsFormatRefused(D3DFORMAT format) {
    const auto& refused = State().settings.refusedFormats;
    return std::find(refused.begin(), refused.end(), format) != refused.end();
}

bool TakeInjectedFailure(int& count) {
    if (count <= 0) return false;
    --count;
    return true;
}

void PresentedFrameToXrgb(const PresentedFrame& f, std::vector<uint32_t>* out) {
    const int32_t width = f.source.right - f.source.left, height = f.source.bottom - f.source.top;
    const PixelFormatInfo* info = FindPixelFormat(f.format);
    out->clear();
    if (!info || info->compressed || info->depth || width <= 0 || height <= 0) return;
    out->resize(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = f.pixels + size_t(f.source.top + y) * size_t(f.pitch) +
                             size_t(f.source.left) * size_t(info->bytes);
        for (int32_t x = 0; x < width; ++x)
            (*out)[size_t(y) * size_t(width) + size_t(x)] =
                ReadPixelArgb(f.format, row + size_t(x) * size_t(info->bytes)) & 0xFFFFFFu;
    }
}

void SetD3D9PresentHook(PresentHook hook) { State().hook = std::move(hook); }
const PresentHook& D3D9PresentHook() { return State().hook; }

}  // namespace host
