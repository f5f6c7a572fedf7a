#include "host/d3d9/d3d9_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace host {
namespace {

bool EnvFlag(const char* name) {
    const char* v = std::getenv(name);
    return v && *v && std::strcmp(v, "0") != 0;
}

D3D9HostSettings FreshSettings() {
    D3D9HostSettings s;
    s.moduleMissing = EnvFlag("ORVIK_NO_D3D9");
    s.forceGenericPath = EnvFlag("ORVIK_D3D9_GENERIC");
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

void SetD3D9PresentHook(PresentHook hook) { State().hook = std::move(hook); }
const PresentHook& D3D9PresentHook() { return State().hook; }

}  // namespace host
