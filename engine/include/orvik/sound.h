// Sound effects and music held as sound handles: loading (WAV, compressed WAV, MP3),
// playing, stopping, the playing test, volume and length.
#pragma once
#include <cstdint>

namespace orvik {

// Play types.
constexpr int kPlayWait = 0;    // play once and return when it has ended
constexpr int kPlayBack = 1;    // play once in the background
constexpr int kPlayLoop = 3;    // loop in the background until stopped

// A handle, or -1. bufferCount is how many plays of the sound may overlap (at most 10);
// shareHandle is -1.
int LoadSound(const char* fileName, int bufferCount = 3, int shareHandle = -1);
int LoadSoundFromImage(const void* image, int32_t size, int bufferCount, int shareHandle);
int PlaySoundHandle(int handle, int playType, int fromTop = 1);
int StopSound(int handle);
// 1 playing, 0 not, -1 for a bad handle.
int CheckSoundPlaying(int handle);
// volume 0 (silent) ... 255 (full).
int SetSoundVolume(int volume, int handle);
int DeleteSound(int handle, int flag = 0);
int DeleteAllSounds(int flag = 0);
int GetSoundTotalSample(int handle);
int GetSoundTotalTime(int handle);
int GetSoundCurrentTime(int handle);
// 0 decode whole into memory, 2 stream from a copy in memory, 3 stream from the file.
int SetSoundLoadMode(int mode);
int GetSoundLoadMode();
// Bits of the decoders not to try: 1 WAV PCM, 2 compressed WAV, 4 Ogg Vorbis, 8 MP3
// through the compression manager, 16 MP3 through the media graph.
int SetDisableSoundConverters(int mask);
int GetDisableSoundConverters();

}  // namespace orvik
