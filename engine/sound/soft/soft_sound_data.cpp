// Software sound data: a block of PCM frames in tracked memory, written and read one
// frame at a time.
#include <orvik/soft_sound.h>

#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/sound/soft/soft_sound_format.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"

namespace orvik {

namespace {

constexpr int32_t kMaxSoftDataBytes = 0x7FFFFFFF;

SoftSoundRecord* FindData(int handle) {
    SoftSoundRecord* r = Sound().softSounds.Find(handle);
    return r && r->kind == kSoftSoundData ? r : nullptr;
}

// The frame's bytes, or null (with a log line) for a bad handle or frame.
uint8_t* FrameAt(int handle, int frame, const char* caller, const host::WAVEFORMATEX** format) {
    SoftSoundRecord* r = FindData(handle);
    if (!r || frame < 0 || frame >= r->frames) {
        AddLogFormat("%s: bad handle or frame %d", caller, frame);
        return nullptr;
    }
    *format = &r->format;
    return r->samples + int64_t(frame) * r->format.nBlockAlign;
}

}  // namespace

int MakeSoftSoundData(int channels, int bits, int rate, int frames) {
    if (!SoundStarted()) return -1;
    host::WAVEFORMATEX format;
    if (!MakeSoftSoundFormat(channels, bits, rate, "MakeSoftSoundData", &format)) return -1;
    if (frames <= 0 || int64_t(frames) * format.nBlockAlign > kMaxSoftDataBytes) {
        AddLogFormat("MakeSoftSoundData: bad frame count %d", frames);
        return -1;
    }
    SoundLockGuard guard(SoundLock());
    auto* samples = static_cast<uint8_t*>(ORVIK_TRACKED_ALLOC(size_t(frames) * format.nBlockAlign));
    SoftSoundRecord* r = nullptr;
    const int handle = samples ? Sound().softSounds.Add(&r) : -1;
    if (handle == -1) {
        TrackedFree(samples);
        AddLogText("MakeSoftSoundData: no room for the sound data\n");
        return -1;
    }
    r->kind = kSoftSoundData;
    r->format = format;
    r->samples = samples;
    r->frames = frames;
    // Unwritten frames are silence: the mid value of unsigned 8-bit samples, 0 of 16-bit.
    std::memset(samples, bits == 8 ? 128 : 0, size_t(frames) * format.nBlockAlign);
    return handle;
}

int GetSoftSoundFrameCount(int handle) {
    if (!SoundStarted()) return -1;
    SoftSoundRecord* r = FindData(handle);
    return r ? r->frames : -1;
}

int WriteSoftSoundSample(int handle, int frame, int left, int right) {
    if (!SoundStarted()) return -1;
    const host::WAVEFORMATEX* format = nullptr;
    uint8_t* at = FrameAt(handle, frame, "WriteSoftSoundSample", &format);
    if (!at) return -1;
    if (!SoftSampleFits(*format, left, right)) {
        AddLogFormat("WriteSoftSoundSample: sample out of range (%d, %d)", left, right);
        return -1;
    }
    PutSoftFrame(*format, at, left, right);
    return 0;
}

int ReadSoftSoundSample(int handle, int frame, int* left, int* right) {
    if (!SoundStarted()) return -1;
    const host::WAVEFORMATEX* format = nullptr;
    const uint8_t* at = FrameAt(handle, frame, "ReadSoftSoundSample", &format);
    if (!at) return -1;
    GetSoftFrame(*format, at, left, right);
    return 0;
}

int DeleteSoftSoundData(int handle) {
    if (!SoundStarted()) return -1;
    return DeleteSoftSound(handle, kSoftSoundData);
}

}  // namespace orvik
