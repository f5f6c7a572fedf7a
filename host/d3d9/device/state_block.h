// A recorded set of device states, as the platform's state block: the render, texture
// stage and sampler states set between Device::BeginStateBlock and
// Device::EndStateBlock (the recording changes nothing on the device). Apply writes the
// held values to the device; Capture takes the device's current values of the same
// states. A caller that sets one fixed group of states around a draw records it once,
// then pays a store a state instead of a call for each read, write and write-back.
// Other setters (textures, FVF, viewport, transforms...) are not recorded: they act on
// the device even while a block is being recorded.
#pragma once
#include <cstdint>
#include <vector>

#include "host/d3d9/device/d3d9_types.h"
#include "host/d3d9/resources/resources.h"

namespace host {

class Device;

class StateBlock : public Unknown {
public:
    ~StateBlock() override;
    // Both refuse while the device is recording a block.
    HRESULT Apply();
    HRESULT Capture();

private:
    friend class Device;
    explicit StateBlock(Device* device);

    enum Kind { kRender, kStage, kSampler };
    // A held state: the device's cell it is written to and read from, and its value.
    struct Entry {
        DWORD* cell;
        DWORD value;
    };
    // Keeps one entry a state, with the last value set.
    void Record(Kind kind, DWORD stage, DWORD type, DWORD value);

    Device* device_;
    // A block handed out holds its device, as the platform's blocks hold theirs. While it
    // is recorded the device holds it, and a reference back would keep both alive once
    // the device is released: the device frees it then, ending the recording.
    bool holdsDevice_ = false;
    // Render states apart, as each write of one is counted; the stage and sampler states
    // together, so that applying them is one run of stores to cells found when recorded
    // (the device's tables do not move while the block holds the device).
    std::vector<Entry> render_, cells_;
    std::vector<uint16_t> renderTypes_;  // the state of each render_ entry, for its count
};

}  // namespace host
