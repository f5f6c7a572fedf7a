#include "engine/sound/decoders/wave_chunks.h"

#include <cstring>

#include "engine/platform/base/memory.h"
#include "engine/sound/streams/stream_io.h"

namespace orvik {

namespace {

struct ChunkHeader {
    char id[4];
    uint32_t size;
};

bool ReadChunkHeader(const StreamDescriptor& s, ChunkHeader* h) {
    uint8_t raw[8];
    if (!StreamReadExact(s, raw, 8)) return false;
    std::memcpy(h->id, raw, 4);
    h->size = uint32_t(raw[4]) | uint32_t(raw[5]) << 8 | uint32_t(raw[6]) << 16 | uint32_t(raw[7]) << 24;
    return true;
}

bool IdIs(const char* id, const char* want) { return std::memcmp(id, want, 4) == 0; }

}  // namespace

int ReadWaveFmtChunk(SoundConvert* c, uint32_t minimumBytes, uint8_t** fmtData) {
    const StreamDescriptor& s = c->stream;
    ChunkHeader h;
    char wave[4];
    if (!ReadChunkHeader(s, &h) || !IdIs(h.id, "RIFF")) return -1;
    if (!StreamReadExact(s, wave, 4) || !IdIs(wave, "WAVE")) return -1;
    if (!ReadChunkHeader(s, &h)) return -1;
    if (IdIs(h.id, "bext")) {
        StreamSeek(s, int64_t(h.size), 1);
        if (!ReadChunkHeader(s, &h)) return -1;
    }
    if (!IdIs(h.id, "fmt ")) return -1;
    // A fmt chunk can be no longer than the stream that holds it.
    const int32_t here = StreamTell(s);
    if (h.size > StreamLength(s) - uint32_t(here > 0 ? here : 0)) return -1;
    const uint32_t bytes = h.size > minimumBytes ? h.size : minimumBytes;
    auto* data = static_cast<uint8_t*>(TrackedCalloc(bytes ? bytes : 1, "", 0));
    if (!data) return kDecoderShortOfMemory;
    c->fmtPosition = uint32_t(here);
    c->fmtSize = h.size;
    if (!StreamReadExact(s, data, h.size)) {
        TrackedFree(data);
        return -1;
    }
    *fmtData = data;
    return 0;
}

int FindWaveDataChunk(SoundConvert* c) {
    const StreamDescriptor& s = c->stream;
    ChunkHeader h;
    for (;;) {
        if (!ReadChunkHeader(s, &h)) return -1;
        if (IdIs(h.id, "data")) break;
        StreamSeek(s, int64_t(h.size) + (h.size & 1), 1);
    }
    const int32_t here = StreamTell(s);
    uint32_t length = StreamLength(s);
    // A file past 2 GB tells no end (0 after a position it did tell): its data counts up
    // to the 2 GB mark that 32-bit tells reach rather than as nothing.
    if (length == 0 && here > 0) length = INT32_MAX;
    c->dataPosition = uint32_t(here);
    // A data chunk longer than the file would hand out bytes nobody wrote.
    const uint32_t held = length > c->dataPosition ? length - c->dataPosition : 0;
    c->dataSize = h.size < held ? h.size : held;
    return 0;
}

int FixShortPcmFormat(host::WAVEFORMATEX* f, uint32_t fmtSize) {
    if (f->wFormatTag != host::WAVE_FORMAT_PCM || fmtSize != 16) return 0;
    if (f->nChannels == 0) return -1;
    f->wBitsPerSample = uint16_t(f->nBlockAlign / f->nChannels * 8);
    f->cbSize = 0;
    return 0;
}

}  // namespace orvik
