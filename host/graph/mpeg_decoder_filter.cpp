// The system's MPEG audio decoder: takes an MPEG audio byte stream from a reader
// upstream, learns the sound's format from its first frames when connected, and in a run
// decodes the whole stream with libmpg123, passing each frame's samples on in that
// format (frames in another, as in two files joined end to end, are converted to it).
#include <mpg123.h>

#include <atomic>
#include <cstring>

#include "host/acm/mpg123_feed.h"
#include "host/graph/filter_base.h"
#include "host/dsound/dsound_types.h"
#include "host/graph/graph_classes.h"

namespace host {

namespace {
std::atomic<bool> g_outputsFloat{false};
}  // namespace

void SetMpegDecoderOutputsFloat(bool on) { g_outputsFloat = on; }

namespace graph {

namespace {

using Decoder = std::unique_ptr<Mpg123Feed>;
using Step = Mpg123Feed::Step;

// A decoder that puts out 16-bit samples (32-bit float in the test mode) in `format`
// (all zero: the stream's first), fed the whole stream.
Decoder OpenFed(std::span<const uint8_t> bytes, bool asFloat, Mpg123Feed::Format format = {}) {
    Decoder d = Mpg123Feed::Open(asFloat ? MPG123_ENC_FLOAT_32 : MPG123_ENC_SIGNED_16, format);
    return d && d->Feed(bytes) ? std::move(d) : nullptr;
}

class MpegAudioDecoder final : public Filter {
public:
    MpegAudioDecoder() : Filter(1) {
        AddPin(PINDIR_INPUT);
        AddPin(PINDIR_OUTPUT);
    }
    ~MpegAudioDecoder() override { FreeMediaType(output_); }

    bool AcceptsInput(const AM_MEDIA_TYPE& type) const override {
        return type.subtype == MEDIASUBTYPE_MPEG1Audio &&
               (type.majortype == MEDIATYPE_Stream || type.majortype == MEDIATYPE_Audio);
    }

    bool InputConnected(Pin& input) override {
        const auto* source = dynamic_cast<const ByteSource*>(&input.Peer()->Owner());
        if (!source) return false;
        bytes_ = source->Bytes();
        asFloat_ = g_outputsFloat;
        return LearnFormat();
    }

    bool OutputType(AM_MEDIA_TYPE* type) const override { return output_.cbFormat && CopyMediaType(type, output_); }

    bool Stream(const std::atomic<bool>& stop) override {
        if (!output_.cbFormat) return true;  // not connected: nothing of ours runs
        Decoder d = OpenFed(bytes_, asFloat_, format_);
        if (!d) return false;
        while (!stop) {
            std::span<uint8_t> audio;
            const Step step = d->Next(&audio);
            if (step == Step::kNeedMore || step == Step::kEnd) return true;
            if (step == Step::kError) return false;
            if (!audio.empty()) {
                Sample sample(audio);
                FirstPin(PINDIR_OUTPUT)->Deliver(&sample);
            }
        }
        return true;
    }

private:
    // Decodes up to the first format the stream announces; false when it has none.
    bool LearnFormat() {
        Decoder d = OpenFed(bytes_, asFloat_);
        if (!d) return false;
        std::span<uint8_t> audio;
        while (!d->OutputFormat().rate)
            if (d->Next(&audio) != Step::kFrame) return false;
        format_ = d->OutputFormat();
        return MakeOutputType(uint32_t(format_.rate), uint16_t(format_.channels));
    }

    bool MakeOutputType(uint32_t rate, uint16_t channels) {
        WAVEFORMATEX f;
        f.wFormatTag = asFloat_ ? 3 : 1;  // IEEE float, or PCM
        f.nChannels = channels;
        f.nSamplesPerSec = rate;
        f.wBitsPerSample = asFloat_ ? 32 : 16;
        f.nBlockAlign = uint16_t(channels * f.wBitsPerSample / 8);
        f.nAvgBytesPerSec = f.nBlockAlign * rate;
        AM_MEDIA_TYPE t{MEDIATYPE_Audio, asFloat_ ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx,
                        sizeof f, reinterpret_cast<uint8_t*>(&f)};
        FreeMediaType(output_);
        return CopyMediaType(&output_, t);
    }

    std::span<const uint8_t> bytes_;
    bool asFloat_ = false;
    Mpg123Feed::Format format_;
    AM_MEDIA_TYPE output_;
};

}  // namespace

Filter* MakeMpegAudioDecoder() { return new MpegAudioDecoder; }

}  // namespace graph
}  // namespace host
