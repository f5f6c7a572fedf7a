// The decoder for WAVE files in any format a codec of the compression manager turns into
// PCM (ADPCM, G.711, and PCM itself when the PCM decoder is not used).
#include "engine/platform/base/memory.h"
#include "engine/sound/decoders/acm_convert.h"
#include "engine/sound/decoders/mp3_frame_walk.h"
#include "engine/sound/decoders/wave_chunks.h"

namespace orvik {

namespace {

int Fail(SoundConvert* c, int result = -1) {
    ReleaseAcmState(c);
    return result;
}

// MPEG audio in a WAVE file is as long as its frames play at the output's rate, which
// the codec's size estimate is not; a data chunk whose frames cannot be walked keeps the
// estimate.
void CountMpegAudio(SoundConvert* c, uint16_t formatTag) {
    if (formatTag != host::WAVE_FORMAT_MPEGLAYER3) return;
    Mp3FrameWalk walk;
    if (WalkMp3Frames(c->stream, c->dataPosition, c->dataPosition + c->dataSize, c->outputFormat.nSamplesPerSec,
                      &walk) == 0 &&
        walk.totalSamples <= INT32_MAX)
        c->acm.totalSamples = int32_t(walk.totalSamples);
}

}  // namespace

int SetupWaveAcmConvert(SoundConvert* c) {
    c->acm = AcmConvertState{};
    c->acm.totalSamples = -1;
    if (!AcmAvailable()) return -1;
    if (const int read = ReadWaveFmtChunk(c, sizeof(host::WAVEFORMATEX), &c->acm.sourceFormat); read != 0)
        return read;
    const uint32_t formatBytes = c->fmtSize > sizeof(host::WAVEFORMATEX) ? c->fmtSize : sizeof(host::WAVEFORMATEX);
    c->acm.sourceFormatSize = formatBytes;
    auto* f = reinterpret_cast<host::WAVEFORMATEX*>(c->acm.sourceFormat);
    if (FixShortPcmFormat(f, c->fmtSize) != 0) return Fail(c);
    // The extra bytes a codec reads are those the chunk really holds.
    if (sizeof(host::WAVEFORMATEX) + f->cbSize > formatBytes)
        f->cbSize = uint16_t(formatBytes - sizeof(host::WAVEFORMATEX));
    if (f->nChannels == 0 || f->nBlockAlign == 0 || f->nAvgBytesPerSec == 0) return Fail(c);
    if (FindWaveDataChunk(c) != 0) return Fail(c);
    if (SuggestAcmOutputFormat(c) != 0) return Fail(c);
    CountMpegAudio(c, f->wFormatTag);
    if (const int opened = LoadAcmSourceAndOpen(c); opened != 0) return Fail(c, opened);
    SetAcmBlockSize(c, c->outputFormat.nAvgBytesPerSec);
    c->method = kConvertAcm;
    return 0;
}

}  // namespace orvik
