// The compression-manager decoders' block step, seek, size and end, with their shared
// set-up pieces.
#include "engine/sound/decoders/acm_convert.h"

#include <algorithm>
#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/base/short_of_memory.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/streams/stream_io.h"

namespace orvik {

namespace {

// Source bytes per conversion step.
constexpr uint32_t kAcmStepBytes = 2048;
// Steps in a row that may use source bytes and give no sound in one block: an MP3's
// information frame and the frames a gapless decoder drops for the largest encoder delay
// take fewer at any rate. A refill asks for its block holding the sound lock, so a source
// that goes on giving nothing ends the sound instead of being converted whole in one call.
constexpr int kMaxEmptySteps = 8;

const host::WAVEFORMATEX* SourceFormat(const SoundConvert* c) {
    return reinterpret_cast<const host::WAVEFORMATEX*>(c->acm.sourceFormat);
}

host::MMRESULT OpenStream(const SoundConvert* c, host::HACMSTREAM* stream) {
    *stream = nullptr;
    const host::MMRESULT r = Sound().acm.streamOpen(stream, nullptr, SourceFormat(c), &c->outputFormat, nullptr, 0,
                                                    0, host::ACM_STREAMOPENF_NONREALTIME);
    return r;
}

// 0 when both streams opened; what a failed open means to the decoder's set-up otherwise.
int OpenBothStreams(SoundConvert* c) {
    for (host::HACMSTREAM* stream : {&c->acm.mainStream, &c->acm.spareStream}) {
        const host::MMRESULT r = OpenStream(c, stream);
        if (r == host::MMSYSERR_NOMEM) return kDecoderShortOfMemory;
        if (r != host::MMSYSERR_NOERROR) return -1;
    }
    return 0;
}

void CloseStream(host::HACMSTREAM& stream) {
    if (stream && Sound().acm.streamClose) Sound().acm.streamClose(stream, 0);
    stream = nullptr;
}

// Whole source blocks per step: a format whose block is larger than the usual step
// still converts one whole block at a time, instead of nothing.
uint32_t StepBytes(const SoundConvert* c) {
    const uint32_t align = SourceFormat(c)->nBlockAlign;
    return align > kAcmStepBytes ? align : kAcmStepBytes;
}

// A backward seek starts over on the spare stream; a new spare is made at once, or here
// when making it failed last time.
bool RestartFromSpare(SoundConvert* c) {
    AcmConvertState& a = c->acm;
    if (!a.spareStream) OpenStream(c, &a.spareStream);
    if (!a.spareStream) return false;
    CloseStream(a.mainStream);
    a.mainStream = a.spareStream;
    OpenStream(c, &a.spareStream);
    a.sourcePosition = 0;
    c->outputPosition = 0;
    c->blockBytesLeft = 0;
    c->blockReadPosition = 0;
    return true;
}

void SkipInsideBlock(SoundConvert* c, int64_t target) {
    const int32_t d = int32_t(target - c->outputPosition);
    c->blockReadPosition += d;
    c->blockBytesLeft -= d;
    c->outputPosition = int32_t(target);
}

// The bytes still to come before the length the record reports, which counted what the
// frames play: nothing plays past it, whatever a damaged stream makes the codec give.
int64_t BytesBeforeEnd(const SoundConvert* c) {
    if (c->acm.totalSamples == -1) return INT64_MAX;
    return std::max<int64_t>(int64_t(c->acm.totalSamples) * c->outputFormat.nBlockAlign - c->outputPosition, 0);
}

// One conversion step from the source position into the block: the PCM bytes it gave
// and the source bytes it used. False when the conversion failed.
bool ConvertStep(SoundConvert* c, uint32_t* produced, uint32_t* used) {
    AcmConvertState& a = c->acm;
    const AcmFunctions& f = Sound().acm;
    const uint32_t left = a.sourceSize - a.sourcePosition;
    const uint32_t step = StepBytes(c);
    host::ACMSTREAMHEADER h;
    h.cbStruct = host::ACMSTREAMHEADER_SIZE32;
    h.pbSrc = a.sourceData + a.sourcePosition;
    h.cbSrcLength = left < step ? left : step;
    h.pbDst = c->block;
    h.cbDstLength = uint32_t(c->blockSize);
    if (f.streamPrepareHeader(a.mainStream, &h, 0) != host::MMSYSERR_NOERROR) return false;
    const host::MMRESULT result = f.streamConvert(a.mainStream, &h, host::ACM_STREAMCONVERTF_BLOCKALIGN);
    if (result == host::MMSYSERR_NOMEM) LogShortOfMemory("ConvertAcmBlock", nullptr);
    f.streamUnprepareHeader(a.mainStream, &h, 0);
    if (result != host::MMSYSERR_NOERROR) return false;
    *produced = std::min(h.cbDstLengthUsed, h.cbDstLength);
    *used = std::min(h.cbSrcLengthUsed, left);
    return true;
}

}  // namespace

bool AcmAvailable() {
    const AcmFunctions& a = Sound().acm;
    return a.formatSuggest && a.streamOpen && a.streamClose && a.metrics && a.streamPrepareHeader &&
           a.streamConvert && a.streamUnprepareHeader && a.streamSize;
}

void SetAcmBlockSize(SoundConvert* c, uint64_t bytes) {
    // The block must hold what one step of whole source blocks gives, or no step would
    // ever produce anything.
    uint32_t stepOutput = 0;
    if (Sound().acm.streamSize(c->acm.mainStream, StepBytes(c), &stepOutput, host::ACM_STREAMSIZEF_SOURCE) ==
            host::MMSYSERR_NOERROR &&
        stepOutput > bytes)
        bytes = stepOutput;
    c->blockSize = bytes < uint64_t(kMaxConvertBlockBytes) ? int32_t(bytes) : kMaxConvertBlockBytes;
}

int SuggestAcmOutputFormat(SoundConvert* c) {
    c->outputFormat = host::WAVEFORMATEX{};
    c->outputFormat.wFormatTag = host::WAVE_FORMAT_PCM;
    if (Sound().acm.formatSuggest(nullptr, SourceFormat(c), &c->outputFormat, sizeof(host::WAVEFORMATEX),
                                  host::ACM_FORMATSUGGESTF_WFORMATTAG) != host::MMSYSERR_NOERROR)
        return -1;
    const host::WAVEFORMATEX& f = c->outputFormat;
    return f.nChannels && f.nBlockAlign && f.nAvgBytesPerSec ? 0 : -1;
}

int LoadAcmSourceAndOpen(SoundConvert* c) {
    AcmConvertState& a = c->acm;
    a.sourceSize = c->dataSize;
    a.sourceData = static_cast<uint8_t*>(TrackedAlloc(a.sourceSize ? a.sourceSize : 1, "", 0));
    if (!a.sourceData) return kDecoderShortOfMemory;
    StreamSeek(c->stream, c->dataPosition, 0);
    a.sourceSize = StreamReadSome(c->stream, a.sourceData, a.sourceSize);
    StreamSeek(c->stream, c->dataPosition, 0);
    a.sourcePosition = 0;
    return OpenBothStreams(c);
}

void ReleaseAcmState(SoundConvert* c) {
    AcmConvertState& a = c->acm;
    TrackedFree(a.sourceFormat);
    a.sourceFormat = nullptr;
    CloseStream(a.mainStream);
    CloseStream(a.spareStream);
    TrackedFree(a.sourceData);
    a.sourceData = nullptr;
}

int ConvertAcmBlock(SoundConvert* c) {
    AcmConvertState& a = c->acm;
    // A step may use source bytes and give nothing yet (an MP3's information frame, and the
    // frames whose samples a gapless decoder drops): the conversion goes on until a step
    // gives PCM, for a few steps.
    for (int step = 0; step < kMaxEmptySteps && a.sourcePosition < a.sourceSize && BytesBeforeEnd(c) > 0; ++step) {
        uint32_t produced = 0, used = 0;
        if (!ConvertStep(c, &produced, &used)) break;
        a.sourcePosition += used;
        produced = uint32_t(std::min<int64_t>(produced, BytesBeforeEnd(c)));
        if (produced > 0) {
            c->blockBytesLeft = int32_t(produced);
            return 0;
        }
        if (used == 0) break;
    }
    c->blockBytesLeft = 0;
    a.sourcePosition = a.sourceSize;
    return -1;
}

int SeekAcmConvert(SoundConvert* c, int32_t sample) {
    const int64_t target = int64_t(sample) * c->outputFormat.nBlockAlign;
    if (target >= c->outputPosition && target <= int64_t(c->outputPosition) + c->blockBytesLeft) {
        SkipInsideBlock(c, target);
        return 0;
    }
    if (target < c->outputPosition && !RestartFromSpare(c)) {
        // No stream to start over on: the record stands at its end, and says so.
        AddLogFormat("ACM: no conversion stream to seek back to sample %d on", sample);
        c->blockBytesLeft = 0;
        c->acm.sourcePosition = c->acm.sourceSize;
        c->atEnd = 1;
        return -1;
    }
    while (int64_t(c->outputPosition) + c->blockBytesLeft < target) {
        c->outputPosition += c->blockBytesLeft;
        c->blockBytesLeft = 0;
        c->blockReadPosition = 0;
        if (ConvertAcmBlock(c) != 0) {
            c->blockBytesLeft = 0;
            return 0;
        }
    }
    SkipInsideBlock(c, target);
    return 0;
}

int TerminateAcmConvert(SoundConvert* c) {
    ReleaseAcmState(c);
    return 0;
}

int GetAcmConvertDestSize(SoundConvert* c) {
    const AcmConvertState& a = c->acm;
    if (a.totalSamples != -1) {
        const int64_t bytes = int64_t(a.totalSamples) * c->outputFormat.nBlockAlign;
        return bytes > INT32_MAX ? INT32_MAX : int(bytes);
    }
    uint32_t out = 0;
    // With no estimate the size is 0, which a whole load refuses.
    if (Sound().acm.streamSize(a.mainStream, a.sourceSize, &out, host::ACM_STREAMSIZEF_SOURCE) !=
        host::MMSYSERR_NOERROR)
        return 0;
    return out > uint32_t(INT32_MAX) ? INT32_MAX : int(out);
}

}  // namespace orvik
