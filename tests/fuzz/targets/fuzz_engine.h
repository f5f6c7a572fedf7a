// The engine a fuzz target runs on: started once per process on the headless backend, in
// a temporary directory of its own, and left running between inputs, as a game keeps it.
#pragma once
#include <orvik/platform.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/sound/core/sound_state.h"
#include "host/acm/acm.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/dsound/dsound_config.h"
#include "host/system_info.h"
#include "tests/support/headless_engine.h"

namespace orvik_fuzz {

// Starts the engine the first time; aborts when it cannot start, since then no input
// could be tried. One processor, so stream refills run only when the target asks.
inline const orvik_test::HeadlessEngine& Engine() {
    static orvik_test::HeadlessEngine* engine = [] {
        auto* e = new orvik_test::HeadlessEngine;
        host::ResetDirectSoundHost();
        host::ResetAcmHost();
        host::SetProcessorCountForTests(1);
        // A fixed-function device: the engine is never ended here, so the shader objects a
        // shader-model-2 device keeps would read as leaks once their table is destroyed.
        host::D3D9Settings().shaderModel = 0;
        orvik::ResetSoundState();
        if (orvik::InitLibrary() != 0) {
            std::fputs("the engine did not start\n", stderr);
            std::abort();
        }
        return e;
    }();
    return *engine;
}

// Writes the bytes to a file in the engine's directory and returns its path.
inline std::string WriteInput(const char* name, const uint8_t* data, size_t size) {
    const std::string path = Engine().Log().Directory() + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

}  // namespace orvik_fuzz
