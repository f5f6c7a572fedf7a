// VANTORIX: the game plays through the engine's pictures and sound, from its data folder.
#include <cstdlib>

#include "data_folder.h"
#include "engine_ports.h"
#include "game_main.h"

int main() {
    if (vantorix::EnterDataFolder(vantorix::ProgramFolder()) != 0) return EXIT_FAILURE;
    vantorix::SetDrawPort(&vantorix::EngineDrawPort());
    vantorix::SetSoundPort(&vantorix::EngineSoundPort());
    return vantorix::GameMain();
}
