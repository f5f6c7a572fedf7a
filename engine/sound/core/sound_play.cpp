// Playing, stopping and the volume of memory sounds; stream sounds are handed on.
#include <orvik/sound.h>

#include <cmath>

#include "engine/platform/window/message_pump.h"
#include "engine/sound/core/sound_play.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/streams/stream_sound.h"
#include "host/sync.h"

namespace orvik {

namespace {

// The record's setting, or its one-play value (used once) when that is set.
int32_t TakeSetting(uint8_t& onePlaySet, int32_t onePlayValue, int32_t setting) {
    if (!onePlaySet) return setting;
    onePlaySet = 0;
    return onePlayValue;
}

bool IsPlaying(SoundBuffer* b, bool* readable) {
    uint32_t status = 0;
    *readable = SoundBufGetStatus(b, &status) == 0;
    return *readable && (status & host::DSBSTATUS_PLAYING);
}

}  // namespace

void WaitWhilePlaying(int handle, int (*check)(int)) {
    if (!check) check = &CheckSoundPlaying;
    if (PumpMessagesCore() != 0) return;
    while (check(handle) == 1) {
        host::Sleep(1);
        if (PumpMessagesCore() != 0) return;
    }
}

void ApplyPlaySettings(SoundRecord* r, SoundBuffer* b) {
    SoundBufSetVolume(b, TakeSetting(r->onePlayVolumeSet, r->onePlayVolume, r->volume));
    SoundBufSetPan(b, TakeSetting(r->onePlayPanSet, r->onePlayPan, r->pan));
    SoundBufSetFrequency(b, uint32_t(TakeSetting(r->onePlayFrequencySet, r->onePlayFrequency, r->frequency)));
}

int PrepareSoundBufferPlay(SoundRecord* r, int fromTop) {
    uint32_t cursor = 0;
    if (r->currentBuffer >= 0 && r->currentBuffer < kMaxSoundBuffers)
        cursor = SoundBufGetPosition(&r->buffers[r->currentBuffer]);
    int32_t next = r->currentBuffer + 1;
    if (next >= r->bufferCount || next >= kMaxSoundBuffers || next < 0) next = 0;
    r->currentBuffer = next;
    SoundBuffer* b = &r->buffers[next];
    if (!b->valid) return -1;
    bool readable = false;
    const bool playing = IsPlaying(b, &readable);
    if (!readable) return -1;
    if (playing) {
        if (fromTop == 0) return 1;
        SoundBufStop(b);
    }
    SoundBufSetPosition(b, fromTop == 1 ? 0 : cursor);
    ApplyPlaySettings(r, b);
    return 0;
}

int PlaySoundHandle(int handle, int playType, int fromTop) {
    if (!SoundStarted()) return -1;
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    if (r->kind == kStreamSound) return PlayStreamSound(handle, playType, fromTop);
    if (PrepareSoundBufferPlay(r, fromTop) == 1) return 0;
    if (SoundBufPlay(&r->buffers[r->currentBuffer], playType == kPlayLoop) != 0) return -1;
    if (playType == kPlayWait) WaitWhilePlaying(handle);
    return 0;
}

int StopSound(int handle) {
    if (!SoundStarted()) return -1;
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    if (r->kind == kStreamSound) return StopStreamSoundBuffer(handle);
    // A buffer whose state cannot be read is reported, but the later ones still stop.
    int result = 0;
    for (int32_t i = 0; i < r->bufferCount; ++i) {
        bool readable = false;
        const bool playing = IsPlaying(&r->buffers[i], &readable);
        if (!readable) result = -1;
        if (playing) SoundBufStop(&r->buffers[i]);
    }
    return result;
}

int CheckSoundPlaying(int handle) {
    if (!SoundStarted()) return -1;
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    if (r->kind == kStreamSound) return CheckStreamSoundPlaying(handle);
    for (int32_t i = 0; i < r->bufferCount; ++i) {
        bool readable = false;
        if (IsPlaying(&r->buffers[i], &readable)) return 1;
    }
    return 0;
}

int32_t VolumeToLevel(int volume) {
    if (volume > 255) volume = 255;
    if (volume <= 0) return -10000;
    const int32_t level = int32_t(std::log10(volume / 255.0) * 10.0 * 100.0);
    return level < -10000 ? -10000 : level;
}

int SetSoundVolume(int volume, int handle) {
    if (!SoundStarted()) return -1;
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    const int32_t level = VolumeToLevel(volume);
    for (int32_t i = 0; i < r->bufferCount; ++i) SoundBufSetVolume(&r->buffers[i], level);
    r->volume = level;
    return 0;
}

}  // namespace orvik
