// The conversion record's generic operations and their dispatch by method.
#include "engine/sound/decoders/sound_convert.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/base/short_of_memory.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/streams/stream_io.h"

namespace orvik {

namespace {

struct Decoder {
    int32_t disableBit;
    int (*setup)(SoundConvert*);
};

// The fixed order in which decoders are offered a sound.
constexpr Decoder kDecoderOrder[] = {
    {kConverterWavePcm, &SetupWavePcmConvert},  {kConverterWaveAcm, &SetupWaveAcmConvert},
    {kConverterOggVorbis, &OpenOggVorbis},      {kConverterMp3Acm, &SetupMp3AcmConvert},
    {kConverterMp3Graph, &ConvertMp3ToPcm},
};

int NextBlock(SoundConvert* c) {
    switch (c->method) {
        case kConvertWavePcm: return ReadPcmConvertBlock(c);
        case kConvertAcm: return ConvertAcmBlock(c);
        case kConvertOggVorbis: return DecodeOggVorbisBlock(c);
        case kConvertMemoryPcm: return CopyMemoryPcmBlock(c);
        default: return -1;
    }
}

void EndMethod(SoundConvert* c) {
    if (c->method == kConvertAcm) TerminateAcmConvert(c);
    if (c->method == kConvertOggVorbis) CloseOggVorbis(c);
    if (c->method == kConvertMemoryPcm) {
        TrackedFree(c->memory.data);
        c->memory.data = nullptr;
    }
}

void EmptyBlock(SoundConvert* c) {
    c->blockBytesLeft = 0;
    c->blockReadPosition = 0;
}

// Every division by the output format's fields has to be safe, and one second of it has
// to fit the 32-bit byte counts: a header's rate of 0x80000000 in stereo would make the
// bytes per second wrap to 0.
bool UsableOutputFormat(const host::WAVEFORMATEX& f) {
    return f.nChannels != 0 && f.nBlockAlign != 0 && f.nSamplesPerSec != 0 && f.nAvgBytesPerSec != 0 &&
           uint64_t(f.nSamplesPerSec) * f.nBlockAlign <= INT32_MAX;
}

// A seek beyond the end stands at the end, before the start at the start, so that the
// byte positions stay inside their 32-bit fields.
int32_t SampleInside(SoundConvert* c, int32_t sample) {
    const int64_t last = GetSoundConvertDestSize(c) / c->outputFormat.nBlockAlign;
    return int32_t(std::clamp<int64_t>(sample, 0, last));
}

}  // namespace

int SetupSoundConvert(const StreamDescriptor* stream, SoundConvert* c) {
    if (!stream || !c) return -1;
    *c = SoundConvert{};
    c->vorbisReaderFlag = Sound().vorbisReaderFlag;
    c->stream = *stream;
    StreamSeek(c->stream, 0, 0);
    bool taken = false;
    for (const Decoder& d : kDecoderOrder) {
        if (Sound().disabledConverters & d.disableBit) continue;
        const int result = d.setup(c);
        if (result == kDecoderShortOfMemory) {
            LogShortOfMemory("SetupSoundConvert", nullptr);
            return -1;
        }
        if (result == 0) {
            taken = true;
            break;
        }
        StreamSeek(c->stream, 0, 0);
    }
    if (!taken) return -1;
    if (!UsableOutputFormat(c->outputFormat)) {
        AddLogFormat("サポート外のオーディオフォーマットです ( %u Hz %u ch %u bytes )", c->outputFormat.nSamplesPerSec,
                     c->outputFormat.nChannels, c->outputFormat.nBlockAlign);
        EndMethod(c);
        return -1;
    }
    c->open = 0;
    c->atEnd = 0;
    c->block = c->blockSize > 0 ? static_cast<uint8_t*>(TrackedAlloc(size_t(c->blockSize), "", 0)) : nullptr;
    if (!c->block) {
        EndMethod(c);
        return -1;
    }
    EmptyBlock(c);
    c->outputPosition = 0;
    c->open = 1;
    return 0;
}

int ReadSoundConvert(SoundConvert* c, uint8_t* destination, int32_t size) {
    if (!c || !c->open) return -1;
    if (c->atEnd || size <= 0 || !destination) return 0;
    int32_t written = 0;
    while (written < size) {
        if (c->blockBytesLeft == 0) {
            c->blockReadPosition = 0;
            if (NextBlock(c) != 0) {
                c->atEnd = 1;
                return written;
            }
        }
        const int32_t n = size - written < c->blockBytesLeft ? size - written : c->blockBytesLeft;
        std::memcpy(destination + written, c->block + c->blockReadPosition, size_t(n));
        c->blockBytesLeft -= n;
        c->blockReadPosition += n;
        c->outputPosition += n;
        written += n;
    }
    return written;
}

int SeekSoundConvert(SoundConvert* c, int32_t sample) {
    if (!c || !c->open) return -1;
    if (c->method != kConvertAcm) sample = SampleInside(c, sample);
    const int64_t target = int64_t(sample) * c->outputFormat.nBlockAlign;
    if (std::llabs(target - c->outputPosition) < 16) return 0;
    switch (c->method) {
        case kConvertWavePcm: SeekPcmConvert(c, sample); break;
        case kConvertAcm:
            if (SeekAcmConvert(c, sample) != 0) return -1;
            break;
        case kConvertOggVorbis:
            if (SeekOggVorbis(c, sample) != 0) return -1;
            break;
        case kConvertMemoryPcm:
            c->outputPosition = int32_t(target);
            c->memory.readPosition = uint32_t(target);
            EmptyBlock(c);
            break;
        default: break;
    }
    c->atEnd = 0;
    return 0;
}

int GetSoundConvertDestSize(SoundConvert* c) {
    if (!c) return 0;
    switch (c->method) {
        case kConvertWavePcm: return int(c->dataSize);
        case kConvertAcm: return GetAcmConvertDestSize(c);
        case kConvertOggVorbis: return int(c->dataSize);
        case kConvertMemoryPcm: return int(c->memory.size);
        default: return 0;
    }
}

int GetSoundConvertFormat(SoundConvert* c, host::WAVEFORMATEX* format) {
    if (!c || !format) return -1;
    *format = c->outputFormat;
    return 0;
}

int TerminateSoundConvert(SoundConvert* c) {
    if (!c || !c->open) return -1;
    TrackedFree(c->block);
    c->block = nullptr;
    EndMethod(c);
    c->open = 0;
    return 0;
}

void SoundConvertMoved(SoundConvert* c) {
    if (c->open && c->method == kConvertOggVorbis) MoveOggVorbisSource(c);
}

int CopyMemoryPcmBlock(SoundConvert* c) {
    MemoryPcmState& m = c->memory;
    if (m.readPosition >= m.size) return -1;
    const uint32_t left = m.size - m.readPosition;
    const uint32_t n = left < uint32_t(c->blockSize) ? left : uint32_t(c->blockSize);
    std::memcpy(c->block, m.data + m.readPosition, n);
    c->blockBytesLeft = int32_t(n);
    m.readPosition += n;
    return 0;
}

}  // namespace orvik
