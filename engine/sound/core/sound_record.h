// The record behind a sound handle, and the handle layout.
#pragma once
#include <cstdint>

#include "engine/platform/base/handle_table.h"
#include "engine/platform/base/list.h"
#include "engine/sound/core/sound_buffer.h"
#include "engine/sound/streams/stream_record.h"
#include "host/dsound/dsound_types.h"

namespace orvik {

constexpr int32_t kSoundHandleType = 0x10000000;
constexpr int32_t kSoundHandleTypeMask = 0x78000000;
constexpr int32_t kMaxSoundHandles = 32768;
constexpr int32_t kMaxSoundBuffers = 10;

enum SoundKind : int32_t { kMemorySound = 0, kStreamSound = 1 };

struct SoundRecord {
    int32_t check;
    SoundBuffer buffers[kMaxSoundBuffers];
    host::WAVEFORMATEX format;
    int32_t kind;
    ListNode streamNode;  // a stream sound's entry in the stream list
    int32_t pcmSize;
    uint8_t* pcmData;
    int32_t* dataReferences;  // records sharing pcmData; data and counter go at 0
    int32_t bufferCount;
    int32_t currentBuffer;
    int32_t volume;
    int32_t pan;
    int32_t frequency;
    // Values that the next play uses once in place of volume, pan and frequency.
    uint8_t onePlayVolumeSet, onePlayPanSet, onePlayFrequencySet;
    int32_t onePlayVolume, onePlayPan, onePlayFrequency;
    StreamPart stream;  // stream sounds only
};

inline int32_t MakeSoundHandle(int32_t check, int32_t slot) {
    return ((check | (kSoundHandleType >> 16)) << 16) | slot;
}

}  // namespace orvik
