// The sound entry points that start-up, the message pump and the window procedure call.
// Until the sound system exists these report that there is no sound.
#pragma once

namespace orvik {

// Starts the sound system; -1 while there is none (start-up goes on without sound).
int InitializeDirectSound();
// -1 when the sound system was never started, else 0.
int TerminateDirectSound();
int StopCurrentMusic();
int RefillAllStreamSounds();
int ProcessSoftSoundPlayers();
int RefreshMusicPlayState();
int UpdateMidiMciPlayback();
int InitYuvTables();
int PauseAllMovies();
int ResumeAllMovies();
int DrawAllMoviesToWindow();

}  // namespace orvik
