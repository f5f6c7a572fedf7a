#include "host/d3d9/device/state_block.h"

#include <utility>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"

namespace host {

StateBlock::StateBlock(Device* device) : device_(device) {}

StateBlock::~StateBlock() {
    if (holdsDevice_) device_->Release();
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

// The stages and states were checked against the tables when they were recorded.
HRESULT StateBlock::Apply() {
    if (device_->recording_) return D3DERR_INVALIDCALL;
    auto& writes = D3D9Counters().renderStateWrites;
    for (size_t i = 0; i < render_.size(); ++i) {
        *render_[i].cell = render_[i].value;
        ++writes[renderTypes_[i]];
    }
    for (const Entry& e : cells_) *e.cell = e.value;
    return D3D_OK;
}

HRESULT StateBlock::Capture() {
    if (device_->recording_) return D3DERR_INVALIDCALL;
    for (Entry& e : render_) e.value = *e.cell;
    for (Entry& e : cells_) e.value = *e.cell;
    return D3D_OK;
}

HRESULT Device::BeginStateBlock() {
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = new StateBlock(this);
    return D3D_OK;
}

HRESULT Device::EndStateBlock(StateBlock** block) {
    if (!block || !recording_) return D3DERR_INVALIDCALL;
    AddRef();
    recording_->holdsDevice_ = true;
    *block = std::exchange(recording_, nullptr);
    return D3D_OK;
}

}  // namespace host
