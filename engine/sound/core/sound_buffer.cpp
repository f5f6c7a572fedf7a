#include "engine/sound/core/sound_buffer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/platform/base/matrix.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/base/number.h"
#include "engine/sound/core/sound_state.h"

namespace orvik {

namespace {

bool Software() { return Sound().softwareSoundMode != 0; }

// The factor of a level between -10000 and 0 hundredths of a decibel, about
// 256 x 10^(v/1000): the exponent rounded to single precision, the rest in double.
int32_t LevelFactor(int32_t level) {
    const float exponent = static_cast<float>(level / 10.0 / 100.0);
    return DoubleToInt(PowFloat(10.0f, exponent) / 0.9999999999 * 256.0);
}

void SetSoftDefaults(SoundBuffer* b) {
    b->softPlaying = 0;
    b->softPosition = 0;
    b->softLoop = 0;
    b->softPan = 0;
    b->softVolume = 255;
    b->softFrequency = -1;
}

int SoftCreate(SoundBuffer* b, const host::DSBUFFERDESC* desc) {
    if (!desc->lpwfxFormat || desc->lpwfxFormat->nBlockAlign == 0) return -1;
    b->softData = static_cast<uint8_t*>(TrackedCalloc(desc->dwBufferBytes, "", 0));
    if (!b->softData) return -1;
    SetSoftDefaults(b);
    b->softFormat = *desc->lpwfxFormat;
    b->softLength = desc->dwBufferBytes / b->softFormat.nBlockAlign;
    return 0;
}

// A software duplicate gets a block of its own holding a copy of the source's samples,
// so that it plays what the source plays.
int SoftDuplicate(SoundBuffer* b, const SoundBuffer* source) {
    const size_t bytes = size_t(source->softLength) * source->softFormat.nBlockAlign;
    b->softData = static_cast<uint8_t*>(TrackedAlloc(bytes ? bytes : 1, "", 0));
    if (!b->softData) return -1;
    if (bytes) std::memcpy(b->softData, source->softData, bytes);
    SetSoftDefaults(b);
    b->softLength = source->softLength;
    b->softFormat = source->softFormat;
    return 0;
}

int SoftLock(SoundBuffer* b, uint32_t offset, uint32_t size, void** part1, uint32_t* size1,
             void** part2, uint32_t* size2) {
    const uint32_t align = b->softFormat.nBlockAlign;
    const uint32_t bufferBytes = b->softLength * align;
    if (offset >= bufferBytes || size > bufferBytes) return -1;
    const int64_t o = offset / align, n = size / align, length = b->softLength;
    if (o + n > length) {
        *part1 = b->softData + offset;
        *size1 = uint32_t((length - o) * align);
        *part2 = b->softData;
        *size2 = uint32_t((n - (length - o)) * align);
    } else {
        *part1 = b->softData + offset;
        *size1 = size;
        *part2 = nullptr;
        *size2 = 0;
    }
    return 0;
}

}  // namespace

int32_t SoftVolumeFactor(int32_t volume) {
    if (volume <= -10000) return 0;
    if (volume >= 0) return 256;
    return LevelFactor(volume);
}

int32_t SoftPanFactor(int32_t pan) {
    if (pan <= -10000) return -256;
    if (pan >= 10000) return 256;
    if (pan == 0) return 0;
    const int32_t factor = LevelFactor(-std::abs(pan));
    return pan < 0 ? -factor : factor;
}

int SoundBufCreate(SoundBuffer* b, const host::DSBUFFERDESC* desc) {
    if (!b || b->valid || !desc) return -1;
    if (Software()) {
        if (SoftCreate(b, desc) != 0) return -1;
    } else {
        b->buffer = nullptr;
        host::IDirectSound* device = Sound().device;
        if (!device || device->CreateSoundBuffer(desc, &b->buffer, nullptr) != host::DS_OK) return -1;
    }
    b->valid = 1;
    return 0;
}

int SoundBufDuplicate(SoundBuffer* b, SoundBuffer* source) {
    if (!b || b->valid || !source || !source->valid) return -1;
    if (Software()) {
        if (SoftDuplicate(b, source) != 0) return -1;
    } else {
        b->buffer = nullptr;
        host::IDirectSound* device = Sound().device;
        if (!device || device->DuplicateSoundBuffer(source->buffer, &b->buffer) != host::DS_OK) return -1;
    }
    b->valid = 1;
    return 0;
}

int SoundBufRelease(SoundBuffer* b) {
    if (!b || !b->valid) return -1;
    if (Software()) {
        TrackedFree(b->softData);
        b->softData = nullptr;
    } else {
        b->buffer->Release();
        b->buffer = nullptr;
    }
    b->valid = 0;
    return 0;
}

int SoundBufPlay(SoundBuffer* b, int loop) {
    if (!b || !b->valid) return -1;
    if (Software()) {
        b->softPlaying = 1;
        b->softLoop = loop;
        return 0;
    }
    return b->buffer->Play(0, 0, loop ? host::DSBPLAY_LOOPING : 0);
}

int SoundBufStop(SoundBuffer* b) {
    if (!b || !b->valid) return -1;
    if (Software()) b->softPlaying = 0;
    else b->buffer->Stop();
    return 0;
}

int SoundBufGetStatus(SoundBuffer* b, uint32_t* status) {
    if (!b || !b->valid) return -1;
    if (Software()) {
        if (status) *status = b->softPlaying ? 1 : 0;
        return 0;
    }
    return b->buffer->GetStatus(status) == host::DS_OK ? 0 : -1;
}

int SoundBufLock(SoundBuffer* b, uint32_t offset, uint32_t size, void** part1, uint32_t* size1,
                 void** part2, uint32_t* size2) {
    if (!b || !b->valid) return -1;
    if (Software()) return SoftLock(b, offset, size, part1, size1, part2, size2);
    return b->buffer->Lock(offset, size, part1, size1, part2, size2, 0) == host::DS_OK ? 0 : -1;
}

int SoundBufUnlock(SoundBuffer* b, void* part1, uint32_t size1, void* part2, uint32_t size2) {
    if (!b || !b->valid) return -1;
    if (Software()) return 0;
    return b->buffer->Unlock(part1, size1, part2, size2) == host::DS_OK ? 0 : -1;
}

int SoundBufSetFrequency(SoundBuffer* b, uint32_t frequency) {
    if (!b || !b->valid) return -1;
    if (Software()) b->softFrequency = frequency == 0 ? -1 : int32_t(frequency);
    else b->buffer->SetFrequency(frequency);
    return 0;
}

int SoundBufSetPan(SoundBuffer* b, int32_t pan) {
    if (!b || !b->valid) return -1;
    if (Software()) b->softPan = SoftPanFactor(pan);
    else b->buffer->SetPan(pan);
    return 0;
}

int SoundBufSetVolume(SoundBuffer* b, int32_t volume) {
    if (!b || !b->valid) return -1;
    if (Software()) b->softVolume = SoftVolumeFactor(volume);
    else b->buffer->SetVolume(volume);
    return 0;
}

int SoundBufSetPosition(SoundBuffer* b, uint32_t offset) {
    if (!b || !b->valid) return -1;
    if (Software()) b->softPosition = offset / b->softFormat.nBlockAlign;
    else b->buffer->SetCurrentPosition(offset);
    return 0;
}

uint32_t SoundBufGetPosition(SoundBuffer* b) {
    if (!b || !b->valid) return 0;
    if (Software()) return b->softPosition * b->softFormat.nBlockAlign;
    uint32_t play = 0;
    if (b->buffer->GetCurrentPosition(&play, nullptr) != host::DS_OK) return 0;
    return play;
}

int LockStreamRegion(SoundBuffer* buffer, uint32_t offset, uint32_t size, StreamLockRegion* region) {
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (SoundBufLock(buffer, offset, size, &p1, &n1, &p2, &n2) != 0) return -1;
    *region = StreamLockRegion{offset, static_cast<uint8_t*>(p1), static_cast<uint8_t*>(p2), n1, n2, 0, 0, n1, n2};
    return 0;
}

void UnlockStreamRegion(SoundBuffer* buffer, const StreamLockRegion& region) {
    SoundBufUnlock(buffer, region.part1, region.size1, region.part2, region.size2);
}

void FillStreamSilence(const host::WAVEFORMATEX& format, StreamLockRegion* region, uint32_t size) {
    // Unsigned 8-bit samples are silent at their mid value; signed 16-bit ones at 0.
    const int fill = format.wBitsPerSample == 8 ? 128 : 0;
    auto fillPart = [&](uint8_t* part, uint32_t& written, uint32_t& room) {
        const uint32_t n = size < room ? size : room;
        std::memset(part + written, fill, n);
        written += n;
        room -= n;
        size -= n;
    };
    while (size > 0) {
        if (region->free1 > 0) fillPart(region->part1, region->written1, region->free1);
        else if (region->free2 > 0) fillPart(region->part2, region->written2, region->free2);
        else break;
    }
}

}  // namespace orvik
