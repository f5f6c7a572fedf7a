// The sound entry points that start-up, shutdown, the message pump and the window
// procedure call.
#pragma once
#include <orvik/music.h>
#include <orvik/soft_sound.h>
#include <cstdint>

#include "host/dsound/dsound_types.h"

namespace orvik {

// Brings up the device, the primary format, the silent buffer, the device list in the
// log and (with more than one processor) the refill thread. 0, or -1 (logged) with
// nothing left started.
int InitializeDirectSound();
// The music mode the next start-up brings up: 0 DirectSound with the MCI sequencer (the
// default), 1 DirectMusic. -1 while sound runs or for another value.
int SetMusicMode(int32_t mode);
// Stops the refill thread and deletes every sound. -1 when sound never started.
int TerminateDirectSound();
host::BOOL EnumSoundDeviceCallback(const host::SoundDeviceGuid* guid, const char* description,
                                   const char* module, void* context);

// Refill thread: started by InitializeDirectSound, stopped and joined by
// TerminateDirectSound before anything it uses goes away. False when the system
// refuses the thread.
bool StartSoundRefillThread();
void StopSoundRefillThread();
bool IsSoundRefillThreadRunning();

// Services of stream sounds, soft sounds, music and movies, which the pump and the
// window procedure call every frame.
int StopCurrentMusic();
int RefillAllStreamSounds();
int ProcessSoftSoundPlayers();
int RefreshMusicPlayState();
int UpdateMidiMciPlayback();
int InitYuvTables();
int PauseAllMovies();
int ResumeAllMovies();
int DrawAllMoviesToWindow();
int CloseSoundCaptureFile();

}  // namespace orvik
