// Music: MIDI (Standard MIDI File) images played through the system's sequencer, one
// at a time. Play types are those of sounds (kPlayWait, kPlayBack, kPlayLoop). Every call
// returns 0 or -1 (no sound system, a bad handle or file) unless noted.
#pragma once
#include <cstdint>

namespace orvik {

// A music handle holding a copy of the image, or -1.
int LoadMusicFromImage(const void* image, int32_t size);
int LoadMusic(const char* fileName);
// Starts the music from its beginning; a music playing already is stopped first.
int PlayMusicHandle(int handle, int playType);
// 1 while the music plays, 0 when not, -1 for a bad handle.
int GetMusicPlayState(int handle);
int StopMusicHandle(int handle);
int DeleteMusicHandle(int handle);

// The background music: a MIDI file played as the current music, which a later call or
// shutdown stops and deletes.
int PlayMusic(const char* fileName, int playType);
// 1 while the current music plays, 0 when not (or there is none).
int CheckMusic();
int StopCurrentMusic();
// Deletes every music handle.
int DeleteAllMusicHandles();

}  // namespace orvik
