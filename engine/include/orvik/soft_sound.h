// Soft sounds: PCM the program makes itself. Sound data is a block of frames to write
// and read; a player plays the frames handed to it as they come, filling with silence
// while it has none. Samples are 0 ... 255 for 8-bit formats and -32768 ... 32767 for
// 16-bit ones; `right` is ignored (and read as the left) for one channel. Every call
// returns 0 or -1 (no sound system, a bad handle or value) unless noted.
#pragma once
#include <cstdint>

namespace orvik {

// channels 1 or 2, bits 8 or 16, rate 100 ... 200000 Hz. A handle, or -1.
int MakeSoftSoundData(int channels, int bitsPerSample, int samplesPerSecond, int frames);
// Frames held, or -1.
int GetSoftSoundFrameCount(int handle);
int WriteSoftSoundSample(int handle, int frame, int left, int right);
int ReadSoftSoundSample(int handle, int frame, int* left, int* right);
int DeleteSoftSoundData(int handle);
int DeleteAllSoftSoundData();

// A handle, or -1. The player is silent until started.
int MakeSoftSoundPlayer(int channels, int bitsPerSample, int samplesPerSecond);
// Appends one frame, or every frame of a sound data handle of the same format.
int AddSoftSoundPlayerSample(int handle, int left, int right);
int AddSoftSoundPlayerData(int handle, int dataHandle);
int StartSoftSoundPlayer(int handle);
// Stops the output; frames not yet played stay for the next start.
int StopSoftSoundPlayer(int handle);
// Frames handed over and not yet written to the output, or -1.
int GetSoftSoundPlayerStock(int handle);
// 1 once everything handed over has been played, 0 before, -1 bad handle.
int CheckSoftSoundPlayerDone(int handle);
int DeleteSoftSoundPlayer(int handle);
int DeleteAllSoftSoundPlayers();

// Records everything the mixer plays, from now until CloseSoundCaptureFile or shutdown,
// into a 16-bit stereo WAV file at 44100 Hz. -1 when a capture runs already, the
// output is not at 44100 Hz or the file cannot be made.
int StartSoundCapture(const char* fileName);
// Writes the header and closes the file; -1 when no capture runs.
int CloseSoundCaptureFile();

}  // namespace orvik
