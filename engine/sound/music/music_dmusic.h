// Music mode 1: the DirectMusic loader and performance that sound start-up makes and
// shutdown releases, and the segment each music handle holds. Main thread only.
#pragma once
#include <cstdint>

#include "engine/sound/music/music_record.h"

namespace orvik {

enum class DirectMusicStart { kStarted, kFailed, kNoLoader };

// Makes the loader and performance, lists the music ports in the log and starts the
// performance's audio, receiving the DirectSound object into the sound device. On a
// failure the objects made so far are released again.
DirectMusicStart StartDirectMusic();
// Stops and closes the performance and releases it and the loader (each when present).
void ReleaseDirectMusic();

// The record's segment made from its MIDI image and downloaded to the performance;
// 0, or -1 with a log line.
int MakeMusicSegment(MusicRecord* r);
// Plays the record's segment from the start, once or until stopped. 0, or -1.
int PlayMusicSegment(MusicRecord* r, bool loop);
void StopMusicSegment(MusicRecord* r);
// Unloads the segment from the performance and lets the loader and the record go of it.
void ReleaseMusicSegment(MusicRecord* r);
// The per-round update of a playing record: seen playing once the performance reports
// the segment playing, and playing 0 once it then reports it stopped.
void RefreshSegmentPlayState(MusicRecord* r);

}  // namespace orvik
