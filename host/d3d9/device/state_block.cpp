#include "host/d3d9/device/state_block.h"

#include <type_traits>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"

namespace host {

StateBlock::StateBlock(Device* device) : device_(device) { device_->AddRef(); }

StateBlock::~StateBlock() {
    settings_.reset();
    device_->Release();
}

void StateBlock::Record(Kind kind, DWORD stage, DWORD type, DWORD value) {
    Device& d = *device_;
    DWORD* cell = kind == kRender  ? &d.renderStates_[type]
                  : kind == kStage ? &d.stageStates_[stage][type]
                                   : &d.samplerStates_[stage][type];
    std::vector<Entry>& entries = kind == kRender ? render_ : cells_;
    for (Entry& e : entries)
        if (e.cell == cell) {
            e.value = value;
            return;
        }
    entries.push_back(Entry{cell, value});
    if (kind == kRender) renderTypes_.push_back(uint16_t(type));
}

HRESULT StateBlock::Keep(KeptSetting setting) {
    if (!settings_) settings_ = std::make_unique<std::vector<KeptSetting>>();
    std::vector<KeptSetting>& settings = *settings_;
    for (auto it = settings.begin(); it != settings.end(); ++it)
        if (it->what == setting.what && it->slot == setting.slot) {
            settings.erase(it);
            break;
        }
    settings.push_back(std::move(setting));
    return D3D_OK;
}

template <class T>
HRESULT StateBlock::KeepRegisters(Setting what, UINT width, UINT start, UINT count, const T* from) {
    for (UINT r = 0; r < count; ++r, from += width) {
        KeptSetting::Value value;
        if constexpr (std::is_same_v<T, float>)
            value = std::array<float, 4>{from[0], from[1], from[2], from[3]};
        else if (width == 4)
            value = std::array<int, 4>{from[0], from[1], from[2], from[3]};
        else
            value = DWORD(from[0]);
        Keep(KeptSetting(what, start + r, value));
    }
    return D3D_OK;
}
template HRESULT StateBlock::KeepRegisters(Setting, UINT, UINT, UINT, const float*);
template HRESULT StateBlock::KeepRegisters(Setting, UINT, UINT, UINT, const int*);

// The stages and states were checked against the tables when they were recorded.
HRESULT StateBlock::Apply() {
    if (device_->recording_) return D3DERR_INVALIDCALL;
    auto& writes = D3D9Counters().renderStateWrites;
    for (size_t i = 0; i < render_.size(); ++i) {
        *render_[i].cell = render_[i].value;
        ++writes[renderTypes_[i]];
    }
    for (const Entry& e : cells_) *e.cell = e.value;
    if (settings_) ApplySettings(*device_, *settings_);
    return D3D_OK;
}

HRESULT StateBlock::Capture() {
    if (device_->recording_) return D3DERR_INVALIDCALL;
    for (Entry& e : render_) e.value = *e.cell;
    for (Entry& e : cells_) e.value = *e.cell;
    if (settings_) CaptureSettings(*device_, *settings_);
    return D3D_OK;
}

HRESULT Device::BeginStateBlock() {
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = new StateBlock(this);
    return D3D_OK;
}

HRESULT Device::EndStateBlock(StateBlock** block) {
    if (!block || !recording_) return D3DERR_INVALIDCALL;
    *block = recording_;
    recording_ = nullptr;
    return D3D_OK;
}

}  // namespace host
