// A scope for a one-off draw: it sets device states through its own calls, remembering
// each value it replaces (only those that differ), and writes them back at its end, so
// the render-state cache's copies stay true.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "host/d3d9/device/d3d9_types.h"

namespace host {
class BaseTexture;
class Device;
class Surface;
class Texture;
}  // namespace host

namespace orvik {

class SavedDeviceStates {
public:
    explicit SavedDeviceStates(host::Device* d) : d_(d) {}
    ~SavedDeviceStates();
    SavedDeviceStates(const SavedDeviceStates&) = delete;
    SavedDeviceStates& operator=(const SavedDeviceStates&) = delete;

    void RenderState(host::D3DRENDERSTATETYPE type, host::DWORD value);
    void StageState(host::DWORD stage, host::D3DTEXTURESTAGESTATETYPE type, host::DWORD value);
    void SamplerState(host::DWORD stage, host::D3DSAMPLERSTATETYPE type, host::DWORD value);
    // Stages 0 and 1.
    void Texture(host::DWORD stage, host::Texture* texture);
    void Fvf(host::DWORD fvf);
    // The target keeps the viewport it had before, whatever setting the target does to it.
    void Target(host::Surface* target);
    void Viewport(const host::D3DVIEWPORT9& viewport);

private:
    enum class Kind : uint8_t { Render, Stage, Sampler };
    struct Change {
        Kind kind;
        host::DWORD stage, type, old;
    };
    host::DWORD Read(Kind kind, host::DWORD stage, host::DWORD type) const;
    void Write(Kind kind, host::DWORD stage, host::DWORD type, host::DWORD value);
    // Writes the value unless the device holds it already, remembering the old one.
    void Swap(Kind kind, host::DWORD stage, host::DWORD type, host::DWORD value);

    host::Device* d_;
    // Enough for every state the mask screen's composite sets; more are not written back.
    // Only the first changeCount_ are ever read: the rest stay unwritten.
    std::array<Change, 64> changes_;
    size_t changeCount_ = 0;
    host::BaseTexture* textures_[2] = {};  // what the stages held before
    bool textureSaved_[2] = {};
    host::DWORD fvf_ = 0;
    bool fvfSaved_ = false;
    host::Surface* target_ = nullptr;
    host::D3DVIEWPORT9 viewport_{};
    bool viewportSaved_ = false;
};

}  // namespace orvik
