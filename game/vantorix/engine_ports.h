// The ports over the engine itself, which the program plays through.
#pragma once
#include "engine_port.h"

namespace vantorix {

DrawPort& EngineDrawPort();
SoundPort& EngineSoundPort();

}  // namespace vantorix
