// A scope that reads the device states a one-off draw changes and writes them back at
// its end, so the render-state cache's copies stay true.
#pragma once
#include <utility>
#include <vector>

#include "host/d3d9/d3d9_types.h"

namespace host {
class Device;
class Surface;
class Texture;
}  // namespace host

namespace orvik {

// Render target, viewport, FVF, the alpha, depth, cull, fog, lighting, scissor and colour
// write states, stages 0 to 2 and the textures and samplers of stages 0 and 1.
class SavedDeviceStates {
public:
    explicit SavedDeviceStates(host::Device* d);
    ~SavedDeviceStates();
    SavedDeviceStates(const SavedDeviceStates&) = delete;
    SavedDeviceStates& operator=(const SavedDeviceStates&) = delete;

private:
    template <class Type>
    struct StageValue {
        host::DWORD stage;
        Type type;
        host::DWORD value;
    };

    host::Device* d_;
    std::vector<std::pair<host::D3DRENDERSTATETYPE, host::DWORD>> render_;
    std::vector<StageValue<host::D3DTEXTURESTAGESTATETYPE>> stages_;
    std::vector<StageValue<host::D3DSAMPLERSTATETYPE>> samplers_;
    host::Texture* textures_[2] = {};
    host::DWORD fvf_ = 0;
    host::D3DVIEWPORT9 viewport_{};
    host::Surface* target_ = nullptr;
};

}  // namespace orvik
