// The decoder for PCM WAVE files: the data chunk is read straight from the stream.
#include <cstring>

#include "engine/platform/base/memory.h"
#include "engine/sound/decoders/sound_convert.h"
#include "engine/sound/streams/stream_io.h"
#include "engine/sound/decoders/wave_chunks.h"

namespace orvik {

namespace {

// Formats with nothing to divide by are refused: they would give a block of 0 bytes
// (no step ever ends) or a length that divides by zero.
bool UsablePcmFormat(const host::WAVEFORMATEX& f) {
    return f.nChannels != 0 && f.nBlockAlign != 0 && f.nAvgBytesPerSec != 0;
}

}  // namespace

int SetupWavePcmConvert(SoundConvert* c) {
    uint8_t* fmt = nullptr;
    if (const int read = ReadWaveFmtChunk(c, sizeof(host::WAVEFORMATEX), &fmt); read != 0) return read;
    host::WAVEFORMATEX f;
    std::memcpy(&f, fmt, sizeof f);
    TrackedFree(fmt);
    if (c->fmtSize < 2 || f.wFormatTag != host::WAVE_FORMAT_PCM) return -1;
    if (FixShortPcmFormat(&f, c->fmtSize) != 0) return -1;
    f.cbSize = 0;
    if (!UsablePcmFormat(f)) return -1;
    if (FindWaveDataChunk(c) != 0) return -1;
    c->outputFormat = f;
    c->blockSize = int32_t(f.nAvgBytesPerSec < uint32_t(kMaxConvertBlockBytes) ? f.nAvgBytesPerSec
                                                                               : kMaxConvertBlockBytes);
    c->method = kConvertWavePcm;
    return 0;
}

int ReadPcmConvertBlock(SoundConvert* c) {
    const int64_t position = int64_t(StreamTell(c->stream)) - c->dataPosition;
    if (position < 0 || position >= int64_t(c->dataSize)) return -1;
    const int64_t left = int64_t(c->dataSize) - position;
    const uint32_t n = uint32_t(left < c->blockSize ? left : c->blockSize);
    // What the stream did not deliver is not handed out; nothing delivered is the end.
    const uint32_t got = StreamReadSome(c->stream, c->block, n);
    if (got == 0) return -1;
    c->blockBytesLeft = int32_t(got);
    return 0;
}

int SeekPcmConvert(SoundConvert* c, int32_t sample) {
    const int64_t offset = int64_t(sample) * c->outputFormat.nBlockAlign;
    StreamSeek(c->stream, int64_t(c->dataPosition) + offset, 0);
    c->outputPosition = int32_t(offset);
    c->blockBytesLeft = 0;
    c->blockReadPosition = 0;
    return 0;
}

}  // namespace orvik
