#include "host/d3d9/state_block.h"

#include "host/d3d9/d3d9_host.h"
#include "host/d3d9/device.h"

namespace host {

StateBlock::StateBlock(Device* device) : device_(device) { device_->AddRef(); }

StateBlock::~StateBlock() { device_->Release(); }

void StateBlock::Record(Kind kind, DWORD stage, DWORD type, DWORD value) {
    for (Entry& e : entries_[kind])
        if (e.stage == stage && e.type == type) {
            e.value = value;
            return;
        }
    entries_[kind].push_back(Entry{uint16_t(stage), uint16_t(type), value});
}

// The stages and states were checked against the tables when they were recorded.
HRESULT StateBlock::Apply() {
    Device& d = *device_;
    if (d.recording_) return D3DERR_INVALIDCALL;
    auto& writes = D3D9Counters().renderStateWrites;
    for (const Entry& e : entries_[kRender]) {
        d.renderStates_[e.type] = e.value;
        ++writes[e.type];
    }
    for (const Entry& e : entries_[kStage]) d.stageStates_[e.stage][e.type] = e.value;
    for (const Entry& e : entries_[kSampler]) d.samplerStates_[e.stage][e.type] = e.value;
    return D3D_OK;
}

HRESULT StateBlock::Capture() {
    const Device& d = *device_;
    if (d.recording_) return D3DERR_INVALIDCALL;
    for (Entry& e : entries_[kRender]) e.value = d.renderStates_[e.type];
    for (Entry& e : entries_[kStage]) e.value = d.stageStates_[e.stage][e.type];
    for (Entry& e : entries_[kSampler]) e.value = d.samplerStates_[e.stage][e.type];
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
