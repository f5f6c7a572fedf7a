// The conversion record through which every sound is decoded: opened over a stream by
// trying the decoders in a fixed order, it then hands out PCM a number of bytes at a time
// from any sample position.
#pragma once
#include <cstdint>

#include "engine/platform/files/stream.h"
#include "host/acm/acm_types.h"
#include "host/dsound/dsound_types.h"

namespace orvik {

// A stream and the handle its operations act on. The record never closes it.
struct StreamDescriptor {
    StreamFunctions functions;
    StreamHandle handle;
};

enum SoundConvertMethod : int32_t {
    kConvertWavePcm = 0,
    kConvertAcm = 1,
    kConvertOggVorbis = 2,
    kConvertMemoryPcm = 3,
};

struct AcmConvertState {
    uint8_t* sourceFormat;  // the source's format block (tracked memory)
    uint32_t sourceFormatSize;
    host::HACMSTREAM mainStream;
    host::HACMSTREAM spareStream;  // opened, converted nothing: a backward seek's restart
    uint8_t* sourceData;
    uint32_t sourceSize;
    uint32_t sourcePosition;
    int32_t totalSamples;  // MPEG audio: what its frames play, counted from their headers; else -1
};

struct MemoryPcmState {
    uint8_t* data;
    uint32_t capacity;
    uint32_t size;
    uint32_t readPosition;
};

struct OggVorbisState;  // the vorbisfile decoder's state

struct SoundConvert {
    int32_t open;
    int32_t atEnd;
    int32_t method;
    StreamDescriptor stream;
    uint32_t fmtPosition;
    uint32_t fmtSize;
    uint32_t dataPosition;
    uint32_t dataSize;
    host::WAVEFORMATEX outputFormat;
    AcmConvertState acm;
    MemoryPcmState memory;
    OggVorbisState* vorbis;  // tracked memory while the Ogg Vorbis decoder is open
    uint8_t* block;
    int32_t blockSize;
    int32_t blockBytesLeft;
    int32_t blockReadPosition;
    int32_t outputPosition;
    int32_t vorbisReaderFlag;
};

int SetupSoundConvert(const StreamDescriptor* stream, SoundConvert* record);
// Bytes written; fewer than asked only when the data ended; -1 when not open.
int ReadSoundConvert(SoundConvert* record, uint8_t* destination, int32_t size);
// 0; -1 (logged) when the decoder could not move, the record then standing at its end.
int SeekSoundConvert(SoundConvert* record, int32_t sample);
int GetSoundConvertDestSize(SoundConvert* record);
int GetSoundConvertFormat(SoundConvert* record, host::WAVEFORMATEX* format);
int TerminateSoundConvert(SoundConvert* record);
// An open record copied to another place (the old place is not used again): its decoder
// is told where the stream it reads now is.
void SoundConvertMoved(SoundConvert* record);

// The decoders in the order they are tried; each fills the record on success (0), and
// gives -1 for a sound it does not take, or kDecoderShortOfMemory for one it takes but
// has not the memory to decode: no later decoder is then offered the sound, which it
// could only make a wrong sound of.
constexpr int kDecoderShortOfMemory = -2;
int SetupWavePcmConvert(SoundConvert* record);
int SetupWaveAcmConvert(SoundConvert* record);
int OpenOggVorbis(SoundConvert* record);
int SetupMp3AcmConvert(SoundConvert* record);
int ConvertMp3ToPcm(SoundConvert* record);

// The Ogg Vorbis method: a block of up to 4096 bytes (-1 at the end), a seek straight to
// the sample, the total PCM bytes of every chained stream, and the end.
int DecodeOggVorbisBlock(SoundConvert* record);
int SeekOggVorbis(SoundConvert* record, int32_t sample);
int GetOggVorbisByteLength(SoundConvert* record);
int CloseOggVorbis(SoundConvert* record);
void MoveOggVorbisSource(SoundConvert* record);

// Block steps: 0 when the block got at least one byte, -1 at the end of the data.
int ReadPcmConvertBlock(SoundConvert* record);
int SeekPcmConvert(SoundConvert* record, int32_t sample);
int CopyMemoryPcmBlock(SoundConvert* record);
int ConvertAcmBlock(SoundConvert* record);
int SeekAcmConvert(SoundConvert* record, int32_t sample);
int TerminateAcmConvert(SoundConvert* record);
int GetAcmConvertDestSize(SoundConvert* record);

// The most one block step may hold: a header's rate must not decide how much memory a
// step takes (one second of 192 kHz 8-channel 32-bit PCM fits).
constexpr int32_t kMaxConvertBlockBytes = 1 << 23;

}  // namespace orvik
