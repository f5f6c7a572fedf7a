// The system's MPEG audio decoder: takes an MPEG audio byte stream from a reader
// upstream, learns the sound's format from its first frames when connected, and in a run
// decodes the whole stream with libmpg123, passing each frame's samples on.
#include <mpg123.h>

#include <atomic>
#include <cstring>

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

struct Mpg123Deleter {
    void operator()(mpg123_handle* h) const { mpg123_delete(h); }
};
using Decoder = std::unique_ptr<mpg123_handle, Mpg123Deleter>;

// A feed decoder that puts out 16-bit samples (32-bit float in the test mode) at every
// rate and channel count it may meet, fed the whole stream.
Decoder OpenFed(std::span<const uint8_t> bytes, bool asFloat) {
    int error = MPG123_OK;
    Decoder d(mpg123_new(nullptr, &error));
    if (!d || mpg123_param(d.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0) != MPG123_OK ||
        mpg123_format_none(d.get()) != MPG123_OK)
        return nullptr;
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    const int encoding = asFloat ? MPG123_ENC_FLOAT_32 : MPG123_ENC_SIGNED_16;
    for (size_t i = 0; i < count; ++i) mpg123_format(d.get(), rates[i], MPG123_MONO | MPG123_STEREO, encoding);
    if (mpg123_open_feed(d.get()) != MPG123_OK || mpg123_feed(d.get(), bytes.data(), bytes.size()) != MPG123_OK)
        return nullptr;
    return d;
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
        Decoder d = OpenFed(bytes_, asFloat_);
        if (!d) return false;
        while (!stop) {
            off_t frame = 0;
            unsigned char* audio = nullptr;
            size_t size = 0;
            const int result = mpg123_decode_frame(d.get(), &frame, &audio, &size);
            if (result == MPG123_NEED_MORE || result == MPG123_DONE) return true;
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT) return false;
            if (audio && size) {
                Sample sample(std::span(audio, size));
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
        for (;;) {
            off_t frame = 0;
            unsigned char* audio = nullptr;
            size_t size = 0;
            const int result = mpg123_decode_frame(d.get(), &frame, &audio, &size);
            if (result == MPG123_NEW_FORMAT) break;
            if (result != MPG123_OK) return false;
        }
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(d.get(), &rate, &channels, &encoding) != MPG123_OK) return false;
        return MakeOutputType(uint32_t(rate), uint16_t(channels));
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
    AM_MEDIA_TYPE output_;
};

}  // namespace

Filter* MakeMpegAudioDecoder() { return new MpegAudioDecoder; }

}  // namespace graph
}  // namespace host
