// The global state of the sound system: the device and its two buffers of its own, the
// compression manager's entry points, the handle table and the load settings. One struct,
// reset by tests through ResetSoundState.
#pragma once
#include <cstdint>
#include <mutex>

#include "engine/platform/base/list.h"
#include "engine/sound/music/music_record.h"
#include "engine/sound/soft/soft_sound_record.h"
#include "engine/sound/core/sound_record.h"
#include "host/acm/acm.h"
#include "host/dmusic/dmusic_loader.h"
#include "host/dmusic/dmusic_performance.h"
#include "host/dsound/dsound_device.h"
#include "host/dsound/mixer.h"
#include "host/win/system/modules.h"

namespace orvik {

// The eight entries taken from "msacm32.dll" by name; each is null when missing.
struct AcmFunctions {
    host::HMODULE module = nullptr;
    decltype(&host::acmFormatSuggest) formatSuggest = nullptr;
    decltype(&host::acmStreamOpen) streamOpen = nullptr;
    decltype(&host::acmStreamClose) streamClose = nullptr;
    decltype(&host::acmMetrics) metrics = nullptr;
    decltype(&host::acmStreamPrepareHeader) streamPrepareHeader = nullptr;
    decltype(&host::acmStreamConvert) streamConvert = nullptr;
    decltype(&host::acmStreamUnprepareHeader) streamUnprepareHeader = nullptr;
    decltype(&host::acmStreamSize) streamSize = nullptr;
};

struct SoundHandleTable {
    SoundRecord* slots[kMaxSoundHandles];
    int32_t count;
    int32_t nextSlot;      // one past the highest slot in use
    int32_t checkCounter;  // the next new handle's check number, 0 ... 2047
};

// Masks of SetDisableSoundConverters, one bit per decoder in the order they are tried.
enum SoundConverterBit : int32_t {
    kConverterWavePcm = 0x01,
    kConverterWaveAcm = 0x02,
    kConverterOggVorbis = 0x04,
    kConverterMp3Acm = 0x08,
    kConverterMp3Graph = 0x10,
};

struct SoundSystemState {
    host::IDirectSound* device;  // non-null while the sound system runs
    host::IDirectSoundBuffer* primary;
    host::IDirectSoundBuffer* silent;
    host::IDirectMusicLoader8* musicLoader;       // music mode 1 only
    host::IDirectMusicPerformance8* performance;  // music mode 1 only
    AcmFunctions acm;
    int32_t musicMode;  // 0 DirectSound with MCI music (the default), 1 DirectMusic
    int32_t loadMode;   // 0 memory, 2 stream from a copy, 3 stream from the file
    int32_t disabledConverters;
    int32_t vorbisSampleBytes;
    int32_t vorbisReaderFlag;
    int32_t softwareSoundMode;  // 0 DirectSound buffers, else buffers in memory
    ListNode streamHead, streamTail;
    ListNode softPlayerHead, softPlayerTail;
    SoundHandleTable handles;
    SoftSoundTable softSounds{kSoftSoundHandleType, kMaxSoftSounds};
    SoundCaptureState capture;
    MusicTable music{kMusicHandleType, kMaxMusicHandles};
    MidiMciState mci;
    CurrentMusicState currentMusic;
};

SoundSystemState& Sound();
// Stops a running sound system and puts every field back to its start value.
void ResetSoundState();

// The sound lock: the mixer's own, so that a refill is never interleaved with a mix.
using SoundLockGuard = std::lock_guard<std::recursive_timed_mutex>;
inline std::recursive_timed_mutex& SoundLock() { return host::DirectSoundLock(); }

// The started test of every public operation.
inline bool SoundStarted() { return Sound().device != nullptr; }

// The record of a valid sound handle, or null (wrong type, slot, check number or empty).
SoundRecord* FindSoundRecord(int32_t handle);

}  // namespace orvik
