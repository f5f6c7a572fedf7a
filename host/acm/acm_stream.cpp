// The stream calls of the compression manager: a table of open conversions reached by
// handle, and the format rules that pick and check a codec.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "host/acm/acm.h"
#include "host/acm/acm_codec.h"
#include "host/out_of_memory.h"

namespace host {
namespace {

struct AcmStream {
    std::unique_ptr<AcmCodec> codec;
};

struct AcmHostState {
    std::mutex lock;
    std::map<uintptr_t, AcmStream> streams;
    uintptr_t nextId = 1;
    bool modulePresent = true;
};

AcmHostState& State() {
    static AcmHostState state;
    return state;
}

using Guard = std::lock_guard<std::mutex>;

// The largest format block of any codec: MS ADPCM with its seven standard coefficient
// pairs (18 + 32 bytes).
constexpr uint32_t kLargestFormat = 50;

bool IsConsistentPcm(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 && f.nSamplesPerSec > 0 &&
           f.nAvgBytesPerSec == uint64_t(f.nSamplesPerSec) * f.nBlockAlign;
}

WAVEFORMATEX MakePcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = uint16_t(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// The codec's own output for a source it accepts.
WAVEFORMATEX NaturalOutput(const AcmCodecInfo& codec, const WAVEFORMATEX& src) {
    return MakePcm(src.nChannels, src.nSamplesPerSec, codec.flexibleOutput ? src.wBitsPerSample : 16);
}

// Whether the codec can make exactly this PCM format from the source.
bool CanMake(const AcmCodecInfo& codec, const WAVEFORMATEX& src, const WAVEFORMATEX& dst) {
    if (!IsConsistentPcm(dst) || dst.nSamplesPerSec != src.nSamplesPerSec) return false;
    if (codec.flexibleOutput) return true;
    return dst.nChannels == src.nChannels && dst.wBitsPerSample == 16;
}

const AcmCodecInfo* CodecFor(const WAVEFORMATEX* src) {
    if (!src) return nullptr;
    const AcmCodecInfo* codec = FindAcmCodec(src->wFormatTag);
    return codec && codec->acceptsSource(*src) ? codec : nullptr;
}

AcmStream* Find(HACMSTREAM handle) {
    auto it = State().streams.find(reinterpret_cast<uintptr_t>(handle));
    return it == State().streams.end() ? nullptr : &it->second;
}

}  // namespace

MMRESULT acmFormatSuggest(HACMDRIVER driver, const WAVEFORMATEX* src, WAVEFORMATEX* dst,
                          uint32_t cbDst, uint32_t flags) {
    constexpr uint32_t kKnown = ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                                ACM_FORMATSUGGESTF_NSAMPLESPERSEC |
                                ACM_FORMATSUGGESTF_WBITSPERSAMPLE;
    if (driver) return MMSYSERR_INVALHANDLE;
    if (!src || !dst || cbDst < 16) return MMSYSERR_INVALPARAM;
    if (flags & ~kKnown) return MMSYSERR_INVALFLAG;
    const AcmCodecInfo* codec = CodecFor(src);
    if (!codec) return ACMERR_NOTPOSSIBLE;
    WAVEFORMATEX out = NaturalOutput(*codec, *src);
    if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && dst->wFormatTag != WAVE_FORMAT_PCM)
        return ACMERR_NOTPOSSIBLE;
    if (flags & ACM_FORMATSUGGESTF_NCHANNELS) out.nChannels = dst->nChannels;
    if (flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) out.nSamplesPerSec = dst->nSamplesPerSec;
    if (flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) out.wBitsPerSample = dst->wBitsPerSample;
    out = MakePcm(out.nChannels, out.nSamplesPerSec, out.wBitsPerSample);
    if (!CanMake(*codec, *src, out)) return ACMERR_NOTPOSSIBLE;
    std::memcpy(dst, &out, std::min<size_t>(cbDst, sizeof out));
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver, const WAVEFORMATEX* src,
                       const WAVEFORMATEX* dst, WAVEFILTER* filter, uintptr_t, uintptr_t,
                       uint32_t flags) {
    if (stream) *stream = nullptr;
    if (driver) return MMSYSERR_INVALHANDLE;
    if (!src || !dst) return MMSYSERR_INVALPARAM;
    if (flags & ~(ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_NONREALTIME)) return MMSYSERR_NOTSUPPORTED;
    if (filter) return MMSYSERR_NOTSUPPORTED;
    const AcmCodecInfo* codec = CodecFor(src);
    if (!codec || !CanMake(*codec, *src, *dst)) return ACMERR_NOTPOSSIBLE;
    if (flags & ACM_STREAMOPENF_QUERY) return MMSYSERR_NOERROR;
    if (!stream) return MMSYSERR_INVALPARAM;
    return UnlessOutOfMemory(MMRESULT(MMSYSERR_NOMEM), [&] {
        std::unique_ptr<AcmCodec> made = codec->open(*src, *dst);
        if (!made) return MMSYSERR_NOMEM;
        Guard guard(State().lock);
        const uintptr_t id = State().nextId;
        State().streams[id].codec = std::move(made);
        ++State().nextId;
        *stream = reinterpret_cast<HACMSTREAM>(id);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT acmStreamClose(HACMSTREAM stream, uint32_t flags) {
    if (flags) return MMSYSERR_INVALFLAG;
    Guard guard(State().lock);
    return State().streams.erase(reinterpret_cast<uintptr_t>(stream)) ? MMSYSERR_NOERROR
                                                                        : MMSYSERR_INVALHANDLE;
}

MMRESULT acmStreamSize(HACMSTREAM stream, uint32_t input, uint32_t* output, uint32_t flags) {
    if (!output) return MMSYSERR_INVALPARAM;
    if (flags != ACM_STREAMSIZEF_SOURCE && flags != ACM_STREAMSIZEF_DESTINATION)
        return MMSYSERR_INVALFLAG;
    Guard guard(State().lock);
    AcmStream* s = Find(stream);
    if (!s) return MMSYSERR_INVALHANDLE;
    const uint64_t size = flags == ACM_STREAMSIZEF_SOURCE ? s->codec->DstSizeFor(input)
                                                          : s->codec->SrcSizeFor(input);
    if (size == 0 || size > 0xFFFFFFFFu) return ACMERR_NOTPOSSIBLE;
    *output = uint32_t(size);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags) {
    if (!header || header->cbStruct < ACMSTREAMHEADER_SIZE32) return MMSYSERR_INVALPARAM;
    if (flags) return MMSYSERR_INVALFLAG;
    Guard guard(State().lock);
    if (!Find(stream)) return MMSYSERR_INVALHANDLE;
    if ((!header->pbSrc && header->cbSrcLength) || (!header->pbDst && header->cbDstLength))
        return MMSYSERR_INVALPARAM;
    header->fdwStatus = ACMSTREAMHEADER_STATUSF_PREPARED;
    header->dwReservedDriver[0] = reinterpret_cast<uintptr_t>(stream);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags) {
    constexpr uint32_t kKnown =
        ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END;
    if (!header || header->cbStruct < ACMSTREAMHEADER_SIZE32) return MMSYSERR_INVALPARAM;
    if (flags & ~kKnown) return MMSYSERR_INVALFLAG;
    Guard guard(State().lock);
    AcmStream* s = Find(stream);
    if (!s) return MMSYSERR_INVALHANDLE;
    if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) ||
        header->dwReservedDriver[0] != reinterpret_cast<uintptr_t>(stream))
        return ACMERR_UNPREPARED;
    if ((!header->pbSrc && header->cbSrcLength) || (!header->pbDst && header->cbDstLength))
        return MMSYSERR_INVALPARAM;
    uint32_t srcUsed = 0, dstUsed = 0;
    const MMRESULT converted = UnlessOutOfMemory(MMRESULT(MMSYSERR_NOMEM), [&] {
        s->codec->Convert({header->pbSrc, header->cbSrcLength}, {header->pbDst, header->cbDstLength},
                          flags, srcUsed, dstUsed);
        return MMSYSERR_NOERROR;
    });
    if (converted != MMSYSERR_NOERROR) return converted;
    header->cbSrcLengthUsed = srcUsed;
    header->cbDstLengthUsed = dstUsed;
    header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags) {
    if (!header || header->cbStruct < ACMSTREAMHEADER_SIZE32) return MMSYSERR_INVALPARAM;
    if (flags) return MMSYSERR_INVALFLAG;
    Guard guard(State().lock);
    if (!Find(stream)) return MMSYSERR_INVALHANDLE;
    if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) ||
        header->dwReservedDriver[0] != reinterpret_cast<uintptr_t>(stream))
        return ACMERR_UNPREPARED;
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    header->dwReservedDriver[0] = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT acmMetrics(HACMOBJ object, uint32_t metric, void* output) {
    if (!output) return MMSYSERR_INVALPARAM;
    if (object || metric != ACM_METRIC_MAX_SIZE_FORMAT) return MMSYSERR_NOTSUPPORTED;
    *static_cast<uint32_t*>(output) = kLargestFormat;
    return MMSYSERR_NOERROR;
}

void SetAcmModulePresent(bool present) {
    Guard guard(State().lock);
    State().modulePresent = present;
}

bool IsAcmModulePresent() {
    Guard guard(State().lock);
    return State().modulePresent;
}

void ResetAcmHost() {
    Guard guard(State().lock);
    State().streams.clear();
    State().modulePresent = true;
}

}  // namespace host
