// The sound handle table: records, their check numbers and the load settings.
#include "engine/sound/core/sound_handles.h"

#include <new>

#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/streams/stream_sound.h"

namespace orvik {

namespace {

int32_t LowestFreeSlot(const SoundHandleTable& t) {
    for (int32_t i = 0; i < kMaxSoundHandles; ++i)
        if (!t.slots[i]) return i;
    return -1;
}

void ReleaseMemorySound(SoundRecord* r) {
    for (int32_t i = 0; i < r->bufferCount && i < kMaxSoundBuffers; ++i)
        if (r->buffers[i].valid) SoundBufRelease(&r->buffers[i]);
    if (r->dataReferences && --*r->dataReferences == 0) {
        TrackedFree(r->pcmData);
        TrackedFree(r->dataReferences);
    }
    r->pcmData = nullptr;
    r->dataReferences = nullptr;
}

// Lets go of a stream's sources and buffer. False when other streams still play through
// its buffer: the record then stays, marked for deletion with the last of them.
bool ReleaseStreamSound(int handle, SoundRecord* r) {
    StopStreamSoundBuffer(handle);
    const int32_t shared = r->stream.sharedBufferHandle;
    if (SoundRecord* owner = shared != -1 ? FindSoundRecord(shared) : nullptr) {
        --owner->stream.sharerCount;
        if (owner->stream.deleteDeferred && owner != r) DeleteSound(shared, 0);
    }
    if (r->stream.sharerCount != 0) {
        r->stream.deleteDeferred = 1;
        return false;
    }
    RemoveListNode(&r->streamNode);
    ReleaseStreamSources(r);
    if (r->buffers[0].valid) SoundBufRelease(&r->buffers[0]);
    return true;
}

void FreeSlot(int32_t slot) {
    SoundHandleTable& t = Sound().handles;
    TrackedFree(t.slots[slot]);
    t.slots[slot] = nullptr;
    --t.count;
    if (slot != t.nextSlot - 1) return;
    int32_t top = slot;
    while (top > 0 && !t.slots[top - 1]) --top;
    t.nextSlot = t.count == 0 ? 0 : top;
}

}  // namespace

int AddSoundData(int handle) {
    SoundLockGuard guard(SoundLock());
    SoundHandleTable& t = Sound().handles;
    int32_t slot = -1;
    const bool recreate = handle != -1;
    if (recreate && handle >= 0 && (handle & 0xFFFF) < kMaxSoundHandles && !t.slots[handle & 0xFFFF]) {
        slot = handle & 0xFFFF;
    } else {
        if (t.count >= kMaxSoundHandles) {
            AddLogText("サウンドの数が許容量を越えました\n");
            return -1;
        }
        slot = t.nextSlot < kMaxSoundHandles ? t.nextSlot : LowestFreeSlot(t);
    }
    void* block = TrackedAlloc(sizeof(SoundRecord), "", 0);
    if (!block) {
        AddLogText("メモリ領域の確保に失敗しました in AddSoundData");
        return -1;
    }
    SoundRecord* r = new (block) SoundRecord{};
    if (recreate && slot == (handle & 0xFFFF)) {
        r->check = (handle >> 16) & 0x7FF;
    } else {
        r->check = t.checkCounter;
        t.checkCounter = (t.checkCounter + 1) % kCheckNumberLimit;
    }
    t.slots[slot] = r;
    ++t.count;
    if (t.nextSlot <= slot) t.nextSlot = slot + 1;
    return recreate && slot == (handle & 0xFFFF) ? handle : MakeSoundHandle(r->check, slot);
}

int DeleteSound(int handle, int) {
    if (!SoundStarted()) return -1;
    SoundLockGuard guard(SoundLock());
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    if (r->kind == kStreamSound) {
        if (!ReleaseStreamSound(handle, r)) return 0;
    } else {
        if (r->buffers[0].valid) StopSound(handle);
        ReleaseMemorySound(r);
    }
    r->~SoundRecord();
    FreeSlot(handle & 0xFFFF);
    return 0;
}

int DeleteAllSounds(int flag) {
    if (!SoundStarted()) return -1;
    SoundHandleTable& t = Sound().handles;
    for (int32_t slot = 0; slot < kMaxSoundHandles; ++slot)
        if (SoundRecord* r = t.slots[slot]) DeleteSound(MakeSoundHandle(r->check, slot), flag);
    return 0;
}

int SampleToMilliseconds(int64_t samples, int64_t rate) {
    if (rate == 0) return 0;
    return int(static_cast<__int128>(samples) * 1000 / rate);
}

int GetSoundTotalSample(int handle) {
    if (!SoundStarted()) return -1;
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    if (r->kind == kStreamSound) return GetStreamSoundTotalSample(handle);
    return r->format.nBlockAlign ? r->pcmSize / r->format.nBlockAlign : 0;
}

int GetSoundTotalTime(int handle) {
    const int samples = GetSoundTotalSample(handle);
    if (samples < 0) return -1;
    return SampleToMilliseconds(samples, FindSoundRecord(handle)->format.nSamplesPerSec);
}

int GetSoundCurrentTime(int handle) {
    if (!SoundStarted()) return -1;
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    if (r->kind == kStreamSound) return GetStreamSoundCurrentTime(handle);
    if (!r->format.nBlockAlign) return 0;
    const uint32_t cursor = SoundBufGetPosition(&r->buffers[r->currentBuffer]);
    return SampleToMilliseconds(cursor / r->format.nBlockAlign, r->format.nSamplesPerSec);
}

int SetSoundLoadMode(int mode) {
    if (uint32_t(mode) > 3) return -1;
    Sound().loadMode = mode == 1 ? 0 : mode;
    return 0;
}

int GetSoundLoadMode() { return Sound().loadMode; }

int SetDisableSoundConverters(int mask) {
    Sound().disabledConverters = mask;
    return 0;
}

int GetDisableSoundConverters() { return Sound().disabledConverters; }

}  // namespace orvik
