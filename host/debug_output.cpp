#include "host/debug_output.h"

#include <cstdio>
#include <mutex>

#include "host/env_switch.h"

namespace host {

namespace {

struct DebugOutput {
    std::mutex mutex;
    bool enabled = false;
    bool decided = false;  // the environment is read on first use unless a setter ran
    DebugOutputSink sink = nullptr;
    void* context = nullptr;
};

DebugOutput& State() {
    static DebugOutput state;
    return state;
}

bool EnabledLocked(DebugOutput& s) {
    if (!s.decided) {
        s.enabled = EnvSwitchOn("ORVIK_DEBUG_OUTPUT");
        s.decided = true;
    }
    return s.enabled;
}

}  // namespace

void OutputDebugStringA(const char* text) {
    if (!text) return;
    DebugOutput& s = State();
    std::lock_guard lock(s.mutex);
    if (s.sink) s.sink(text, s.context);
    if (EnabledLocked(s)) std::fputs(text, stderr);
}

void SetDebugOutputEnabled(bool on) {
    DebugOutput& s = State();
    std::lock_guard lock(s.mutex);
    s.enabled = on;
    s.decided = true;
}

bool IsDebugOutputEnabled() {
    DebugOutput& s = State();
    std::lock_guard lock(s.mutex);
    return EnabledLocked(s);
}

void SetDebugOutputSink(DebugOutputSink sink, void* context) {
    DebugOutput& s = State();
    std::lock_guard lock(s.mutex);
    s.sink = sink;
    s.context = context;
}

}  // namespace host
