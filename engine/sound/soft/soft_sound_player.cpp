// Soft-sound players: a looping one-second buffer fed from a ring of frames the program
// hands over; the refill thread (or the pump) keeps it ahead of its play cursor.
#include <orvik/soft_sound.h>

#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/sound/soft/soft_sound_format.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"

namespace orvik {

namespace {

SoftSoundRecord* FindPlayer(int handle) {
    SoftSoundRecord* r = Sound().softSounds.Find(handle);
    return r && r->kind == kSoftSoundPlayer ? r : nullptr;
}

// A second of silence in a looping buffer of the player's format.
int MakePlayBuffer(SoftSoundRecord* r) {
    SoftSoundPlayerPart& p = r->player;
    const uint32_t a = r->format.nAvgBytesPerSec, b = r->format.nBlockAlign;
    host::DSBUFFERDESC desc;
    desc.dwSize = host::DSBUFFERDESC_SIZE32;
    desc.dwFlags = host::DSBCAPS_GLOBALFOCUS | host::DSBCAPS_GETCURRENTPOSITION2;
    desc.dwBufferBytes = a / b * b;
    desc.lpwfxFormat = &r->format;
    if (SoundBufCreate(&p.playBuffer, &desc) != 0) return -1;
    StreamLockRegion region;
    if (LockStreamRegion(&p.playBuffer, 0, desc.dwBufferBytes, &region) != 0) return -1;
    FillStreamSilence(r->format, &region, desc.dwBufferBytes);
    UnlockStreamRegion(&p.playBuffer, region);
    p.bufferSize = int32_t(desc.dwBufferBytes);
    // An eighth of a second ahead: several refill periods of the thread, and never so far
    // that two leads could reach round the buffer.
    p.lead = int32_t((a >> 3) / b * b);
    p.writeOffset = 0;
    p.endOffset = -1;
    return 0;
}

int AppendFrames(int handle, const uint8_t* frames, int32_t count, const host::WAVEFORMATEX* format) {
    SoundLockGuard guard(SoundLock());
    SoftSoundRecord* r = FindPlayer(handle);
    if (!r || std::memcmp(&r->format, format, sizeof(host::WAVEFORMATEX)) != 0) {
        AddLogFormat("soft sound player %x: bad handle or a format other than the player's", unsigned(handle));
        return -1;
    }
    if (WriteRingBuffer(&r->player.ring, frames, count * int32_t(format->nBlockAlign)) != 0) {
        AddLogText("soft sound player: no room for more frames\n");
        return -1;
    }
    r->player.framesAvailable += count;
    return 0;
}

}  // namespace

int MakeSoftSoundPlayer(int channels, int bits, int rate) {
    if (!SoundStarted()) return -1;
    host::WAVEFORMATEX format;
    if (!MakeSoftSoundFormat(channels, bits, rate, "MakeSoftSoundPlayer", &format)) return -1;
    SoundLockGuard guard(SoundLock());
    SoftSoundRecord* r = nullptr;
    const int handle = Sound().softSounds.Add(&r);
    if (handle == -1) {
        AddLogText("MakeSoftSoundPlayer: no room for another player\n");
        return -1;
    }
    r->kind = kSoftSoundPlayer;
    r->format = format;
    AddListNode(&Sound().softPlayerHead, &r->player.node, handle, r);
    if (MakePlayBuffer(r) != 0) {
        AddLogText("MakeSoftSoundPlayer: the play buffer could not be made\n");
        DeleteSoftSound(handle, kSoftSoundPlayer);
        return -1;
    }
    return handle;
}

int AddSoftSoundPlayerSample(int handle, int left, int right) {
    if (!SoundStarted()) return -1;
    SoftSoundRecord* r = FindPlayer(handle);
    if (!r || !SoftSampleFits(r->format, left, right)) {
        AddLogFormat("AddSoftSoundPlayerSample: bad handle or sample (%d, %d)", left, right);
        return -1;
    }
    uint8_t frame[4];
    PutSoftFrame(r->format, frame, left, right);
    return AppendFrames(handle, frame, 1, &r->format);
}

int AddSoftSoundPlayerData(int handle, int dataHandle) {
    if (!SoundStarted()) return -1;
    SoftSoundRecord* data = Sound().softSounds.Find(dataHandle);
    if (!data || data->kind != kSoftSoundData) {
        AddLogFormat("AddSoftSoundPlayerData: %x is no sound data", unsigned(dataHandle));
        return -1;
    }
    return AppendFrames(handle, data->samples, data->frames, &data->format);
}

int StartSoftSoundPlayer(int handle) {
    if (!SoundStarted()) return -1;
    SoundLockGuard guard(SoundLock());
    SoftSoundRecord* r = FindPlayer(handle);
    if (!r) return -1;
    if (r->player.active) return 0;
    r->player.active = 1;
    // The first frames go in before the buffer starts, so the start plays them at once.
    ProcessSoftSoundPlayer(r);
    return SoundBufPlay(&r->player.playBuffer, 1) == 0 ? 0 : -1;
}

int StopSoftSoundPlayer(int handle) {
    if (!SoundStarted()) return -1;
    SoundLockGuard guard(SoundLock());
    SoftSoundRecord* r = FindPlayer(handle);
    if (!r) return -1;
    r->player.active = 0;
    return SoundBufStop(&r->player.playBuffer);
}

int GetSoftSoundPlayerStock(int handle) {
    if (!SoundStarted()) return -1;
    SoundLockGuard guard(SoundLock());
    SoftSoundRecord* r = FindPlayer(handle);
    return r ? r->player.framesAvailable : -1;
}

int CheckSoftSoundPlayerDone(int handle) {
    if (!SoundStarted()) return -1;
    SoundLockGuard guard(SoundLock());
    SoftSoundRecord* r = FindPlayer(handle);
    if (!r) return -1;
    return r->player.endPassed && r->player.framesAvailable == 0 ? 1 : 0;
}

int DeleteSoftSoundPlayer(int handle) {
    if (!SoundStarted()) return -1;
    return DeleteSoftSound(handle, kSoftSoundPlayer);
}

}  // namespace orvik
