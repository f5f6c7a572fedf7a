// A recorded set of device states, as the platform's state block: every state set between
// Device::BeginStateBlock and Device::EndStateBlock (the recording changes nothing on the
// device). Apply writes the held values to the device; Capture takes the device's current
// values of the same states. A caller that sets one fixed group of states around a draw
// records it once, then pays a store a state instead of a call for each read, write and
// write-back: the render, texture stage and sampler states are kept as cells of the
// device's tables. The other setters' states (state_block_settings.h) go through the
// device's own setters and getters, and the block holds a reference on each texture,
// buffer, shader and declaration it keeps.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "host/d3d9/device/d3d9_types.h"
#include "host/d3d9/device/state_block_settings.h"
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
    // Keeps a setting of another setter in place of the one of the same kind and slot.
    HRESULT Keep(KeptSetting setting);
    // Keeps each of `count` registers of `width` values from register `start` on.
    template <class T>
    HRESULT KeepRegisters(Setting what, UINT width, UINT start, UINT count, const T* from);

    Device* device_;  // held with a reference, as the platform's blocks hold theirs
    // The other settings, in the order last set so that Apply sets them in that order;
    // none (null) in the engine's blocks, which then read one word more than cells alone.
    std::unique_ptr<std::vector<KeptSetting>> settings_;
    // Render states apart, as each write of one is counted; the stage and sampler states
    // together, so that applying them is one run of stores to cells found when recorded
    // (the device's tables do not move while the block holds the device).
    std::vector<Entry> render_, cells_;
    std::vector<uint16_t> renderTypes_;  // the state of each render_ entry, for its count
};

}  // namespace host
