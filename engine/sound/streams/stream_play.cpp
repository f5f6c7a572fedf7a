// Playing, stopping and locating stream sounds: claiming the play buffer, preparing the
// first fill, and keeping the play position as the buffer's cursor goes round.
#include <orvik/sound.h>

#include <algorithm>

#include "engine/platform/base/log.h"

#include "engine/sound/core/sound_handles.h"
#include "engine/sound/core/sound_play.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/streams/stream_sound.h"

namespace orvik {

namespace {

bool BufferPlays(SoundBuffer* b) {
    uint32_t status = 0;
    return SoundBufGetStatus(b, &status) == 0 && (status & host::DSBSTATUS_PLAYING);
}

void RestartFromTop(StreamPart& s) {
    s.passedLastSource = 0;
    RewindStreamPlayback(s);
}

int32_t BlockAlign(const SoundRecord* r) { return r->format.nBlockAlign ? r->format.nBlockAlign : 1; }

}  // namespace

int GetStreamPlayBuffer(int handle, SoundRecord* r, SoundBuffer** out, int takeOver) {
    if (r->kind != kStreamSound) {
        if (out) *out = &r->buffers[0];
        return 0;
    }
    SoundRecord* owner = r->stream.sharedBufferHandle == -1 ? r : FindSoundRecord(r->stream.sharedBufferHandle);
    if (!owner) return -1;
    if (out) *out = &owner->buffers[0];
    int32_t& user = owner->stream.bufferUser;
    if (user == -1 || user == handle) {
        user = handle;
        return 0;
    }
    if (!takeOver) return -1;
    StopStreamSoundBuffer(user);
    user = handle;
    return 0;
}

int RefreshStreamPlayPosition(int handle, int64_t cursorArgument) {
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    SoundBuffer* buffer = nullptr;
    if (r->kind != kStreamSound || GetStreamPlayBuffer(handle, r, &buffer, 0) != 0 || !r->stream.started) return 0;
    StreamPart& s = r->stream;
    const uint32_t cursor = cursorArgument == -1 ? SoundBufGetPosition(buffer) : uint32_t(cursorArgument);
    const uint32_t last = s.lastPlayCursor;
    if (cursor == last) return 0;
    const bool wrapped = last > cursor;
    if (s.jumpPending && CursorPassed(last, cursor, s.jumpOffset)) {
        const uint32_t past = wrapped && s.jumpOffset > last ? s.bufferSize - s.jumpOffset + cursor : cursor - s.jumpOffset;
        s.playPosition = uint32_t(s.jumpTarget) + past;
        s.jumpPending = 0;
    } else {
        s.playPosition += wrapped ? s.bufferSize - last + cursor : cursor - last;
    }
    s.lastPlayCursor = cursor;
    return 0;
}

int PrepareStreamSound(int handle) {
    if (!SoundStarted()) return -1;
    SoundLockGuard guard(SoundLock());
    SoundRecord* r = FindSoundRecord(handle);
    if (!r || r->kind != kStreamSound || r->stream.sourceCount == 0) return -1;
    SoundBuffer* buffer = nullptr;
    StreamPart& s = r->stream;
    if (CheckStreamSoundPlaying(handle) == 1 || GetStreamPlayBuffer(handle, r, &buffer, 0) != 0 || s.started)
        return 0;
    SoundBufSetPosition(buffer, 0);
    s.writeOffset = kStreamNotWritten;
    s.writeGuard = -1;
    s.lastPlayCursor = 0;
    s.endWritten = 0;
    SeekSoundConvert(&s.sources[s.currentSource].convert, s.readPosition / BlockAlign(r));
    s.started = 1;
    RefillStreamSound(handle);
    return 0;
}

int SetupStreamSoundPlay(int handle, SoundBuffer** out, SoundRecord* r, int playType, int fromTop) {
    if (GetStreamPlayBuffer(handle, r, out, 1) != 0) return -1;
    if (fromTop == 0 && CheckStreamSoundPlaying(handle) == 1) return 1;
    StopStreamSoundBuffer(handle);
    StreamPart& s = r->stream;
    if (((playType ^ s.playType) & 2) && s.passedLastSource) RestartFromTop(s);
    if (fromTop == 1) {
        s.passedLastSource = 0;
        if (s.playPosition != 0) RestartFromTop(s);
    }
    s.playType = playType;
    PrepareStreamSound(handle);
    if (r->buffers[0].valid) ApplyPlaySettings(r, &r->buffers[0]);
    return 0;
}

int PlayStreamSound(int handle, int playType, int fromTop) {
    if (!SoundStarted()) return -1;
    {
        SoundLockGuard guard(SoundLock());
        SoundRecord* r = FindSoundRecord(handle);
        if (!r) return -1;
        SoundBuffer* buffer = nullptr;
        if (SetupStreamSoundPlay(handle, &buffer, r, playType, fromTop) != 0) return -1;
        // The play buffer always loops: the refill decides when the sound ends.
        if (buffer && buffer->valid) SoundBufPlay(buffer, 1);
    }
    if (playType == kPlayWait) WaitWhilePlaying(handle);
    return 0;
}

int StopStreamSoundBuffer(int handle) {
    if (!SoundStarted()) return -1;
    SoundLockGuard guard(SoundLock());
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    RefreshStreamPlayPosition(handle, -1);
    SoundBuffer* buffer = nullptr;
    if (GetStreamPlayBuffer(handle, r, &buffer, 0) != 0) return 0;
    if (r->stream.sharedBufferHandle != -1) FindSoundRecord(r->stream.sharedBufferHandle)->stream.bufferUser = -1;
    uint32_t status = 0;
    if (SoundBufGetStatus(buffer, &status) != 0) return -1;
    if (status & host::DSBSTATUS_PLAYING) SoundBufStop(buffer);
    return 0;
}

int CheckStreamSoundPlaying(int handle) {
    if (!SoundStarted()) return -1;
    // Claiming the buffer may write its user, which the refill thread writes too.
    SoundLockGuard guard(SoundLock());
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    SoundBuffer* buffer = nullptr;
    if (GetStreamPlayBuffer(handle, r, &buffer, 0) != 0) return 0;
    return BufferPlays(buffer) ? 1 : 0;
}

int SetStreamSoundCurrentTime(int handle, int milliseconds) {
    if (!SoundStarted()) return -1;
    SoundLockGuard guard(SoundLock());
    SoundRecord* r = FindSoundRecord(handle);
    if (!r || r->kind != kStreamSound || milliseconds < 0)
        return AddLogFormat("ストリームサウンドの再生位置を設定できません (%d) in SetStreamSoundCurrentTime", milliseconds);
    StopStreamSoundBuffer(handle);
    // Rounded up to a whole sample, so that the position read back as milliseconds is not
    // one short of what was set.
    const int64_t rate = r->format.nSamplesPerSec;
    const int64_t sample = std::min<int64_t>((int64_t(milliseconds) * rate + 999) / 1000, r->stream.totalSamples);
    StreamPart& s = r->stream;
    RewindStreamPlayback(s);
    s.passedLastSource = 0;
    s.readPosition = int32_t(sample * BlockAlign(r));
    s.playPosition = uint32_t(s.readPosition);
    return 0;
}

int GetStreamSoundCurrentTime(int handle) {
    if (!SoundStarted()) return -1;
    SoundLockGuard guard(SoundLock());
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    RefreshStreamPlayPosition(handle, -1);
    const int played = SampleToMilliseconds(r->stream.playPosition / uint32_t(BlockAlign(r)), r->format.nSamplesPerSec);
    const int total = GetSoundTotalTime(handle);
    return played < total ? played : total;
}

}  // namespace orvik
