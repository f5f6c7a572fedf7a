// Records, flags and result codes of the audio compression manager stand-in, with the
// values the engine was designed against. Our own declarations.
#pragma once
#include <cstdint>

#include "host/dsound/dsound_types.h"
#include "host/win/system/mmsystem_errors.h"

namespace host {

struct AcmStreamTag;
struct AcmDriverTag;
// Opaque handles: each holds an id into the stream table, never an address, so a stale
// or made-up handle is simply not found.
using HACMSTREAM = AcmStreamTag*;
using HACMDRIVER = AcmDriverTag*;
using HACMOBJ = void*;
struct WAVEFILTER;

// Format tags the codecs take.
constexpr uint16_t WAVE_FORMAT_ADPCM = 0x0002, WAVE_FORMAT_ALAW = 0x0006,
                   WAVE_FORMAT_MULAW = 0x0007, WAVE_FORMAT_IMA_ADPCM = 0x0011,
                   WAVE_FORMAT_MPEGLAYER3 = 0x0055;

// The format block of MPEG layer-3 data: 30 bytes, packed.
#pragma pack(push, 1)
struct MPEGLAYER3WAVEFORMAT {
    WAVEFORMATEX wfx;
    uint16_t wID = 0;
    uint32_t fdwFlags = 0;
    uint16_t nBlockSize = 0;
    uint16_t nFramesPerBlock = 0;
    uint16_t nCodecDelay = 0;
};
#pragma pack(pop)
static_assert(sizeof(MPEGLAYER3WAVEFORMAT) == 30);
constexpr uint16_t MPEGLAYER3_WFX_EXTRA_BYTES = 12;
constexpr uint16_t MPEGLAYER3_ID_MPEG = 1;
constexpr uint32_t MPEGLAYER3_FLAG_PADDING_ISO = 0, MPEGLAYER3_FLAG_PADDING_ON = 1,
                   MPEGLAYER3_FLAG_PADDING_OFF = 2;

// cbStruct: sizeof(ACMSTREAMHEADER), or at least ACMSTREAMHEADER_SIZE32, the size of the
// record's 32-bit layout, which callers written against that layout pass.
struct ACMSTREAMHEADER {
    uint32_t cbStruct = sizeof(ACMSTREAMHEADER);
    uint32_t fdwStatus = 0;
    uintptr_t dwUser = 0;
    uint8_t* pbSrc = nullptr;
    uint32_t cbSrcLength = 0;
    uint32_t cbSrcLengthUsed = 0;
    uintptr_t dwSrcUser = 0;
    uint8_t* pbDst = nullptr;
    uint32_t cbDstLength = 0;
    uint32_t cbDstLengthUsed = 0;
    uintptr_t dwDstUser = 0;
    uintptr_t dwReservedDriver[10] = {};
};

constexpr uint32_t ACMSTREAMHEADER_SIZE32 = 84;

// Result codes.
constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512, ACMERR_BUSY = 513, ACMERR_UNPREPARED = 514;

// acmFormatSuggest: which fields of the destination format are fixed by the caller.
constexpr uint32_t ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000,
                   ACM_FORMATSUGGESTF_NCHANNELS = 0x00020000,
                   ACM_FORMATSUGGESTF_NSAMPLESPERSEC = 0x00040000,
                   ACM_FORMATSUGGESTF_WBITSPERSAMPLE = 0x00080000;
// acmStreamOpen.
constexpr uint32_t ACM_STREAMOPENF_QUERY = 0x1, ACM_STREAMOPENF_ASYNC = 0x2,
                   ACM_STREAMOPENF_NONREALTIME = 0x4;
// acmStreamConvert.
constexpr uint32_t ACM_STREAMCONVERTF_BLOCKALIGN = 0x4, ACM_STREAMCONVERTF_START = 0x10,
                   ACM_STREAMCONVERTF_END = 0x20;
// acmStreamSize.
constexpr uint32_t ACM_STREAMSIZEF_SOURCE = 0x0, ACM_STREAMSIZEF_DESTINATION = 0x1;
// Header status.
constexpr uint32_t ACMSTREAMHEADER_STATUSF_DONE = 0x00010000,
                   ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000,
                   ACMSTREAMHEADER_STATUSF_INQUEUE = 0x00100000;
// acmMetrics.
constexpr uint32_t ACM_METRIC_MAX_SIZE_FORMAT = 50;

}  // namespace host
