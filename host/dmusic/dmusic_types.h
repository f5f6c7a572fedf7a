// Class and interface names, records, flags and result codes of the DirectMusic-style
// music objects, with the values the engine was designed against. Our own declarations:
// the sizes of the records the engine fills are checked against sizeof of these structs.
#pragma once
#include <cstdint>
#include <string_view>

#include "host/win/system/com.h"
#include "host/win/system/types.h"

namespace host {

inline constexpr std::string_view CLSID_DirectMusic = "DirectMusic",
                                  CLSID_DirectMusicLoader = "DirectMusicLoader",
                                  CLSID_DirectMusicPerformance = "DirectMusicPerformance",
                                  CLSID_DirectMusicSegment = "DirectMusicSegment";
inline constexpr std::string_view IID_IDirectMusic = "IDirectMusic", IID_IDirectMusic8 = "IDirectMusic8",
                                  IID_IDirectMusicLoader8 = "IDirectMusicLoader8",
                                  IID_IDirectMusicPerformance8 = "IDirectMusicPerformance8",
                                  IID_IDirectMusicSegment8 = "IDirectMusicSegment8";

constexpr uint32_t CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

// Music time counts DMUS_PPQ ticks per quarter note.
using MUSIC_TIME = int32_t;
constexpr MUSIC_TIME DMUS_PPQ = 768;

// A port's capabilities, as EnumPort fills them (dwSize set by the caller).
constexpr uint32_t DMUS_PC_INPUTCLASS = 0, DMUS_PC_OUTPUTCLASS = 1;
constexpr uint32_t DMUS_PORT_WINMM_DRIVER = 0, DMUS_PORT_USER_MODE_SYNTH = 1;
constexpr uint32_t DMUS_PC_DLS = 0x1, DMUS_PC_SOFTWARESYNTH = 0x4, DMUS_PC_GMINHARDWARE = 0x10,
                   DMUS_PC_DIRECTSOUND = 0x80, DMUS_PC_SHAREABLE = 0x100;
constexpr int DMUS_MAX_DESCRIPTION = 128;
struct DMUS_PORTCAPS {
    uint32_t dwSize = sizeof(DMUS_PORTCAPS);
    uint32_t dwFlags = 0;
    uint8_t guidPort[16] = {};
    uint32_t dwClass = 0;
    uint32_t dwType = 0;
    uint32_t dwMemorySize = 0;
    uint32_t dwMaxChannelGroups = 0;
    uint32_t dwMaxVoices = 0;
    uint32_t dwMaxAudioChannels = 0;
    uint32_t dwEffectFlags = 0;
    char16_t wszDescription[DMUS_MAX_DESCRIPTION] = {};
};

// The audio parameters of InitAudio: 40 bytes.
constexpr uint32_t DMUS_AUDIOPARAMS_FEATURES = 0x1, DMUS_AUDIOPARAMS_VOICES = 0x2,
                   DMUS_AUDIOPARAMS_SAMPLERATE = 0x4, DMUS_AUDIOPARAMS_DEFAULTSYNTH = 0x8;
constexpr uint32_t DMUS_AUDIOF_ALL = 0x3f;
struct DMUS_AUDIOPARAMS {
    uint32_t dwSize = sizeof(DMUS_AUDIOPARAMS);
    BOOL fInitNow = 0;
    uint32_t dwValidData = 0;
    uint32_t dwFeatures = 0;
    uint32_t dwVoices = 0;
    uint32_t dwSampleRate = 0;
    uint8_t clsidDefaultSynth[16] = {};
};
static_assert(sizeof(DMUS_AUDIOPARAMS) == 40);

// Standard audio paths a performance can make as its default.
constexpr uint32_t DMUS_APATH_SHARED_STEREOPLUSREVERB = 1, DMUS_APATH_DYNAMIC_3D = 6,
                   DMUS_APATH_DYNAMIC_MONO = 7, DMUS_APATH_DYNAMIC_STEREO = 8;

// What the loader is asked for: the object's class and where its data is.
constexpr uint32_t DMUS_OBJ_CLASS = 0x2, DMUS_OBJ_FILENAME = 0x10, DMUS_OBJ_FULLPATH = 0x20,
                   DMUS_OBJ_MEMORY = 0x400;
constexpr int DMUS_MAX_FILENAME = 260;
struct DMUS_OBJECTDESC {
    uint32_t dwSize = sizeof(DMUS_OBJECTDESC);
    uint32_t dwValidData = 0;
    std::string_view guidClass;
    char16_t wszFileName[DMUS_MAX_FILENAME] = {};
    int64_t llMemLength = 0;
    const uint8_t* pbMemData = nullptr;
};

constexpr uint32_t DMUS_SEG_REPEAT_INFINITE = 0xFFFFFFFFu;

// Reference time counts 100-nanosecond units.
using REFERENCE_TIME = int64_t;

// PlaySegmentEx and StopEx flags. A segment plays as the primary segment (replacing the
// one playing) unless it is a secondary one, which plays on top of it. A time is music
// time unless DMUS_SEGF_REFTIME makes it reference time; the boundary flags move the
// start or stop on to the next grid, beat or measure, DMUS_SEGF_DEFAULT to the segment's
// own default boundary, and DMUS_SEGF_QUEUE starts a primary after the last one planned.
constexpr uint32_t DMUS_SEGF_REFTIME = 0x40, DMUS_SEGF_SECONDARY = 0x80, DMUS_SEGF_QUEUE = 0x100,
                   DMUS_SEGF_GRID = 0x800, DMUS_SEGF_BEAT = 0x1000, DMUS_SEGF_MEASURE = 0x2000,
                   DMUS_SEGF_DEFAULT = 0x4000;
constexpr uint32_t DMUS_SEGF_BOUNDARIES = DMUS_SEGF_GRID | DMUS_SEGF_BEAT | DMUS_SEGF_MEASURE;

constexpr HRESULT DMUS_E_NOT_INIT = HRESULT(0x88781162u), DMUS_E_ALREADY_INITED = HRESULT(0x88781140u),
                  DMUS_E_NOT_DOWNLOADED_TO_PORT = HRESULT(0x8878106Cu),
                  DMUS_E_UNSUPPORTED_STREAM = HRESULT(0x88781151u), DMUS_E_LOADER_FAILEDOPEN = HRESULT(0x887811F0u),
                  DMUS_E_LOADER_NOCLASSID = HRESULT(0x887811F2u), DMUS_E_AUDIOPATHS_NOT_VALID = HRESULT(0x887811C9u),
                  DMUS_E_TIME_PAST = HRESULT(0x88781163u);

}  // namespace host
