// Stand-ins with the results the callers expect from a machine without sound: no sound
// system starts, the refresh calls answer -1 and the movie calls have nothing to do.
#include "engine/sound/sound_system.h"

namespace orvik {

int InitializeDirectSound() { return -1; }
int TerminateDirectSound() { return -1; }
int StopCurrentMusic() { return 0; }
int RefillAllStreamSounds() { return -1; }
int ProcessSoftSoundPlayers() { return -1; }
int RefreshMusicPlayState() { return -1; }
int UpdateMidiMciPlayback() { return 0; }
int InitYuvTables() { return 0; }
int PauseAllMovies() { return 0; }
int ResumeAllMovies() { return 0; }
int DrawAllMoviesToWindow() { return 0; }

}  // namespace orvik
