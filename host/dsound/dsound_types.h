// Records, flags and result codes of the DirectSound-style mixer, with the values the
// engine was designed against. Our own declarations: sizes of the records the engine
// fills are checked against sizeof of these structs.
#pragma once
#include <cstdint>

namespace host {

using HRESULT = int32_t;
using BOOL = int32_t;
struct WindowTag;
using HWND = WindowTag*;

// A PCM format record: 18 bytes with no padding, so that formats compare byte for byte.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// Identifies a sound device in the enumeration; the default device has none.
struct SoundDeviceGuid {
    uint8_t bytes[16] = {};
};

// dwSize: sizeof(DSBUFFERDESC), or DSBUFFERDESC_SIZE32, the size of the record's 32-bit
// layout, which callers written against that layout pass.
struct DSBUFFERDESC {
    uint32_t dwSize = sizeof(DSBUFFERDESC);
    uint32_t dwFlags = 0;
    uint32_t dwBufferBytes = 0;
    uint32_t dwReserved = 0;
    const WAVEFORMATEX* lpwfxFormat = nullptr;
    SoundDeviceGuid guid3DAlgorithm;
};

constexpr uint32_t DSBUFFERDESC_SIZE32 = 36;

// Device capabilities: 24 unsigned 32-bit fields, 96 bytes.
struct DSCAPS {
    uint32_t dwSize = sizeof(DSCAPS);
    uint32_t dwFlags = 0;
    uint32_t dwMinSecondarySampleRate = 0;
    uint32_t dwMaxSecondarySampleRate = 0;
    uint32_t dwPrimaryBuffers = 0;
    uint32_t dwMaxHwMixingAllBuffers = 0;
    uint32_t dwMaxHwMixingStaticBuffers = 0;
    uint32_t dwMaxHwMixingStreamingBuffers = 0;
    uint32_t dwFreeHwMixingAllBuffers = 0;
    uint32_t dwFreeHwMixingStaticBuffers = 0;
    uint32_t dwFreeHwMixingStreamingBuffers = 0;
    uint32_t dwMaxHw3DAllBuffers = 0;
    uint32_t dwMaxHw3DStaticBuffers = 0;
    uint32_t dwMaxHw3DStreamingBuffers = 0;
    uint32_t dwFreeHw3DAllBuffers = 0;
    uint32_t dwFreeHw3DStaticBuffers = 0;
    uint32_t dwFreeHw3DStreamingBuffers = 0;
    uint32_t dwTotalHwMemBytes = 0;
    uint32_t dwFreeHwMemBytes = 0;
    uint32_t dwMaxContigFreeHwMemBytes = 0;
    uint32_t dwUnlockTransferRateHwBuffers = 0;
    uint32_t dwPlayCpuOverheadSwBuffers = 0;
    uint32_t dwReserved1 = 0;
    uint32_t dwReserved2 = 0;
};
static_assert(sizeof(DSCAPS) == 96);

// Device capability flags.
constexpr uint32_t DSCAPS_PRIMARYMONO = 0x1, DSCAPS_PRIMARYSTEREO = 0x2,
                   DSCAPS_PRIMARY8BIT = 0x4, DSCAPS_PRIMARY16BIT = 0x8,
                   DSCAPS_CONTINUOUSRATE = 0x10, DSCAPS_EMULDRIVER = 0x20,
                   DSCAPS_SECONDARYMONO = 0x100, DSCAPS_SECONDARYSTEREO = 0x200,
                   DSCAPS_SECONDARY8BIT = 0x400, DSCAPS_SECONDARY16BIT = 0x800;

// Buffer description flags.
constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x1, DSBCAPS_STATIC = 0x2,
                   DSBCAPS_LOCHARDWARE = 0x4, DSBCAPS_LOCSOFTWARE = 0x8,
                   DSBCAPS_CTRL3D = 0x10, DSBCAPS_CTRLFREQUENCY = 0x20,
                   DSBCAPS_CTRLPAN = 0x40, DSBCAPS_CTRLVOLUME = 0x80,
                   DSBCAPS_CTRLPOSITIONNOTIFY = 0x100, DSBCAPS_STICKYFOCUS = 0x4000,
                   DSBCAPS_GLOBALFOCUS = 0x8000, DSBCAPS_GETCURRENTPOSITION2 = 0x10000;

// Cooperative levels.
constexpr uint32_t DSSCL_NORMAL = 1, DSSCL_PRIORITY = 2, DSSCL_EXCLUSIVE = 3,
                   DSSCL_WRITEPRIMARY = 4;

// Play, status and lock flags.
constexpr uint32_t DSBPLAY_LOOPING = 0x1;
constexpr uint32_t DSBSTATUS_PLAYING = 0x1, DSBSTATUS_BUFFERLOST = 0x2,
                   DSBSTATUS_LOOPING = 0x4;
constexpr uint32_t DSBLOCK_FROMWRITECURSOR = 0x1, DSBLOCK_ENTIREBUFFER = 0x2;

// Limits of buffers and controls.
constexpr uint32_t DSBSIZE_MIN = 4, DSBSIZE_MAX = 0x0FFFFFFF;
constexpr uint32_t DSBFREQUENCY_ORIGINAL = 0, DSBFREQUENCY_MIN = 100, DSBFREQUENCY_MAX = 200000;
constexpr int32_t DSBVOLUME_MIN = -10000, DSBVOLUME_MAX = 0;
constexpr int32_t DSBPAN_LEFT = -10000, DSBPAN_CENTER = 0, DSBPAN_RIGHT = 10000;

// Result codes.
constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_ALLOCATED = HRESULT(0x8878000Au),
                  DSERR_CONTROLUNAVAIL = HRESULT(0x8878001Eu),
                  DSERR_INVALIDPARAM = HRESULT(0x80070057u),
                  DSERR_INVALIDCALL = HRESULT(0x88780032u),
                  DSERR_GENERIC = HRESULT(0x80004005u),
                  DSERR_PRIOLEVELNEEDED = HRESULT(0x88780046u),
                  DSERR_OUTOFMEMORY = HRESULT(0x8007000Eu),
                  DSERR_BADFORMAT = HRESULT(0x88780064u),
                  DSERR_NODRIVER = HRESULT(0x88780078u),
                  DSERR_ALREADYINITIALIZED = HRESULT(0x88780082u),
                  DSERR_NOAGGREGATION = HRESULT(0x80040110u),
                  DSERR_BUFFERLOST = HRESULT(0x88780096u),
                  DSERR_UNINITIALIZED = HRESULT(0x887800AAu);

// The enumeration callback: device identity (null for the default device), description
// and driver module name; returns non-zero to go on.
using LPDSENUMCALLBACKA = BOOL (*)(const SoundDeviceGuid* guid, const char* description,
                                   const char* module, void* context);

}  // namespace host
