// Points a test's engine at the sdl backend on its own virtual display, with the log and
// the running-copy lock in a fresh temporary directory.
#pragma once
#include <stdlib.h>

#include <string>

#include "engine/platform/log.h"
#include "host/backends/backend.h"
#include "host/win/instance_lock.h"
#include "x_display.h"

namespace orvik_test {

// The temporary directory (the caller removes it), or an empty text with the reason in
// *error when the sdl backend cannot be chosen.
inline std::string UseSdlBackendOn(const XvfbDisplay& display, std::string* error) {
    ::setenv("DISPLAY", display.Name().c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("ORVIK_HOST", "sdl", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    char pattern[] = "/tmp/orvik_sdl_XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (!dir) {
        *error = "no temporary directory";
        return {};
    }
    host::SetRuntimeDirectory(dir);
    orvik::SetLogDirectory(dir);
    return host::SelectBackend(error) ? dir : std::string();
}

}  // namespace orvik_test
