#include "host/dmusic/dmusic_config.h"

#include <mutex>

#include "host/dmusic/dmusic_types.h"

namespace host {

namespace {

struct DirectMusicHostState {
    std::mutex mutex;
    std::vector<DirectMusicPort> ports = DefaultDirectMusicPorts();
    DirectMusicFaults faults;
};

DirectMusicHostState& State() {
    static DirectMusicHostState state;
    return state;
}

}  // namespace

std::vector<DirectMusicPort> DefaultDirectMusicPorts() {
    return {{DMUS_PC_OUTPUTCLASS, DMUS_PC_DLS | DMUS_PC_SOFTWARESYNTH | DMUS_PC_DIRECTSOUND | DMUS_PC_SHAREABLE,
             u"Orvik Software Synthesizer (FluidSynth)"}};
}

void SetDirectMusicPorts(std::vector<DirectMusicPort> ports) {
    std::lock_guard guard(State().mutex);
    State().ports = std::move(ports);
}

std::vector<DirectMusicPort> DirectMusicPorts() {
    std::lock_guard guard(State().mutex);
    return State().ports;
}

void SetDirectMusicFaults(const DirectMusicFaults& faults) {
    std::lock_guard guard(State().mutex);
    State().faults = faults;
}

bool TakeDirectMusicFault(int DirectMusicFaults::*kind) {
    std::lock_guard guard(State().mutex);
    int& counter = State().faults.*kind;
    if (counter == 0) return false;
    if (counter > 0) --counter;
    return true;
}

void ResetDirectMusicHost() {
    std::lock_guard guard(State().mutex);
    State().ports = DefaultDirectMusicPorts();
    State().faults = DirectMusicFaults{};
}

}  // namespace host
