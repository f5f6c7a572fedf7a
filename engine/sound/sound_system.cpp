// Services that the pump, the window procedure and shutdown call every frame, for
// soft sounds and music, neither of which is in this build yet:
// each has nothing to do and says so (-1 for a refresh with nothing to refresh).
#include "engine/sound/sound_system.h"

namespace orvik {

int StopCurrentMusic() { return 0; }
int ProcessSoftSoundPlayers() { return -1; }
int RefreshMusicPlayState() { return -1; }
int UpdateMidiMciPlayback() { return 0; }
int CloseSoundCaptureFile() { return 0; }
int DeleteAllSoftSoundData() { return 0; }
int DeleteAllSoftSoundPlayers() { return 0; }
int DeleteAllMusicHandles() { return 0; }

}  // namespace orvik
