// VANTORIX: the game plays through the engine's pictures and sound.
#include "engine_ports.h"
#include "game_main.h"

int main() {
    vantorix::SetDrawPort(&vantorix::EngineDrawPort());
    vantorix::SetSoundPort(&vantorix::EngineSoundPort());
    return vantorix::GameMain();
}
