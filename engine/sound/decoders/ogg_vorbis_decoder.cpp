// Ogg Vorbis through vorbisfile: the library reads the record's stream through callbacks
// and hands out 16-bit PCM a block at a time. One build of the library serves both
// values of the reader flag (the movie sound tracks and every other sound).
#include <vorbis/vorbisfile.h>

#include <new>

#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/sound/decoders/sound_convert.h"
#include "engine/sound/core/sound_state.h"

namespace orvik {

struct OggVorbisState {
    int32_t opened;
    OggVorbis_File decoder;
    int32_t sampleBytes;
};

namespace {

constexpr int32_t kOggBlockBytes = 4096;

const StreamDescriptor* Source(void* dataSource) { return static_cast<const StreamDescriptor*>(dataSource); }

size_t OggReadCallback(void* buffer, size_t elementSize, size_t count, void* dataSource) {
    if (!dataSource) return size_t(-1);
    return Source(dataSource)->functions.read(buffer, elementSize, count, Source(dataSource)->handle);
}

int OggSeekCallback(void* dataSource, ogg_int64_t offset, int whence) {
    if (!dataSource) return -1;
    return Source(dataSource)->functions.seek(Source(dataSource)->handle, int32_t(offset), whence);
}

// The stream belongs to the record's caller.
int OggCloseCallback(void*) { return 0; }

long OggTellCallback(void* dataSource) {
    if (!dataSource) return -1;
    return Source(dataSource)->functions.tell(Source(dataSource)->handle);
}

constexpr ov_callbacks kOggCallbacks = {OggReadCallback, OggSeekCallback, OggCloseCallback, OggTellCallback};

void FreeState(SoundConvert* c) {
    TrackedFree(c->vorbis);
    c->vorbis = nullptr;
}

// Opening a chained file, vorbisfile 1.3.7 can leave its decoder past the first link
// (at the second link's start when the first link's sound fits one page), so the sound
// would start there: it is put back at the first sample.
int StartAtFirstSample(OggVorbisState& v) {
    if (!ov_seekable(&v.decoder) || ov_pcm_tell(&v.decoder) == 0) return 0;
    const int result = ov_pcm_seek(&v.decoder, 0);
    if (result != 0) AddLogFormat("Ogg Vorbis: the seek to the first sample failed (error %d)", result);
    return result;
}

}  // namespace

int OpenOggVorbis(SoundConvert* c) {
    void* block = TrackedAlloc(sizeof(OggVorbisState), "", 0);
    if (!block) return kDecoderShortOfMemory;
    c->vorbis = new (block) OggVorbisState{};
    OggVorbisState& v = *c->vorbis;
    if (ov_open_callbacks(&c->stream, &v.decoder, nullptr, 0, kOggCallbacks) != 0) {
        FreeState(c);
        return -1;
    }
    v.opened = 1;
    if (StartAtFirstSample(v) != 0) {
        CloseOggVorbis(c);
        return -1;
    }
    const vorbis_info* info = ov_info(&v.decoder, -1);
    v.sampleBytes = Sound().vorbisSampleBytes > 0 ? Sound().vorbisSampleBytes : 2;
    if (!info || info->channels <= 0 || info->rate <= 0) {
        CloseOggVorbis(c);
        return -1;
    }
    host::WAVEFORMATEX& f = c->outputFormat;
    f.wFormatTag = host::WAVE_FORMAT_PCM;
    f.nChannels = uint16_t(info->channels);
    f.nSamplesPerSec = uint32_t(info->rate);
    f.nBlockAlign = uint16_t(info->channels * v.sampleBytes);
    f.nAvgBytesPerSec = uint32_t(f.nBlockAlign) * f.nSamplesPerSec;
    f.wBitsPerSample = uint16_t(v.sampleBytes * 8);
    f.cbSize = 0;
    c->blockSize = kOggBlockBytes;
    // A length that does not fit (a last page claiming more than 2 GB of PCM) is only a
    // claim: the sound still decodes until its data really ends, so its size is held at the
    // most whole frames that can be stated instead of wrapping to some small number.
    const int length = GetOggVorbisByteLength(c);
    c->dataSize = length >= 0 ? uint32_t(length) : uint32_t(INT32_MAX / f.nBlockAlign * f.nBlockAlign);
    c->method = kConvertOggVorbis;
    return 0;
}

int DecodeOggVorbisBlock(SoundConvert* c) {
    OggVorbisState& v = *c->vorbis;
    if (v.opened != 1) return -1;  // lost with a failed seek
    int bitstream = 0;
    for (;;) {
        const long got = ov_read(&v.decoder, reinterpret_cast<char*>(c->block), c->blockSize, 0, v.sampleBytes,
                                 v.sampleBytes == 1 ? 0 : 1, &bitstream);
        // A hole in the data holds no samples: read on past it. Any other error ends the sound.
        if (got == OV_HOLE) continue;
        if (got <= 0) return -1;
        c->blockBytesLeft = int32_t(got);
        return 0;
    }
}

namespace {

// After a failed seek vorbisfile's idea of the stream position no longer matches the
// stream, and every later seek fails too; opening the decoder afresh from the top puts the
// two back in step, so a stream that fails once is not lost for good.
int ReopenOggVorbis(SoundConvert* c) {
    OggVorbisState& v = *c->vorbis;
    if (v.opened == 1) ov_clear(&v.decoder);
    v.opened = 0;
    if (c->stream.functions.seek(c->stream.handle, 0, 0) != 0) return -1;
    if (ov_open_callbacks(&c->stream, &v.decoder, nullptr, 0, kOggCallbacks) != 0) return -1;
    v.opened = 1;
    return 0;
}

}  // namespace

// A seek that cannot be made even from a fresh decoder leaves no known sample to go on
// from: the record is put at its end, so that it hands out nothing instead of PCM from the
// wrong place, and keeps its old position.
int SeekOggVorbis(SoundConvert* c, int32_t sample) {
    OggVorbisState& v = *c->vorbis;
    c->blockBytesLeft = 0;
    c->blockReadPosition = 0;
    int result = v.opened == 1 ? ov_pcm_seek(&v.decoder, ogg_int64_t(sample)) : OV_EFAULT;
    if (result != 0 && ReopenOggVorbis(c) == 0) result = ov_pcm_seek(&v.decoder, ogg_int64_t(sample));
    if (result != 0 || v.opened != 1) {
        AddLogFormat("Ogg Vorbis: the seek to sample %d failed (error %d)", sample, result);
        c->atEnd = 1;
        return -1;
    }
    c->outputPosition = int32_t(int64_t(sample) * c->outputFormat.nBlockAlign);
    return 0;
}

int GetOggVorbisByteLength(SoundConvert* c) {
    OggVorbisState& v = *c->vorbis;
    const ogg_int64_t total = ov_pcm_total(&v.decoder, -1);
    const int64_t frameBytes = int64_t(c->outputFormat.nChannels) * v.sampleBytes;
    if (total < 0 || total > INT32_MAX / frameBytes) {
        AddLogFormat("Ogg Vorbis: the stream claims %lld sample frames, more PCM than 2 GB can hold",
                     static_cast<long long>(total));
        return -1;
    }
    return int32_t(total * frameBytes);
}

// The library reads through the record's stream, wherever the record now is.
void MoveOggVorbisSource(SoundConvert* c) {
    if (c->vorbis && c->vorbis->opened == 1) c->vorbis->decoder.datasource = &c->stream;
}

int CloseOggVorbis(SoundConvert* c) {
    if (!c->vorbis) return 0;
    if (c->vorbis->opened == 1) ov_clear(&c->vorbis->decoder);
    FreeState(c);
    return 0;
}

}  // namespace orvik
