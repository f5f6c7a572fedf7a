// Start-up and shutdown of the engine: the order of every step, and the teardown that a
// failed start-up and a shutdown share.
#pragma once
#include <cstdint>
#include <string>

namespace orvik {

struct LibraryState {
    int32_t initialised = 0;
    int32_t starting = 0;
    int32_t shuttingDown = 0;
    int32_t comStarted = 0;
    int32_t noSound = 0;  // set before start-up: sound is not started
    std::string startDirectory;  // any length the system gives; empty when unknown
};

LibraryState& Library();
void ResetLibraryState();

int InitLibraryCore();
int EndLibraryCore();
// Stops every service start-up may have started, in shutdown order, each only when it
// runs; the window is destroyed and its class unregistered; the start directory is
// restored; the leak dump is written; the system libraries are unloaded.
void TearDownServices();

}  // namespace orvik
