#include "host/acm/mpg123_feed.h"

#include <mpg123.h>

#include <new>

namespace host {

namespace {

// No MPEG audio frame is shorter than its 4-byte header; a few more steps cover the
// format's announcement and the frames the decoder holds back.
constexpr uint64_t kSmallestFrameBytes = 4;
constexpr uint64_t kSpareSteps = 16;

PcmFormatConverter::Sample SampleOf(int encoding) {
    return encoding == MPG123_ENC_FLOAT_32 ? PcmFormatConverter::Sample::kFloat32 : PcmFormatConverter::Sample::kInt16;
}

}  // namespace

Mpg123Feed::Mpg123Feed(mpg123_handle_struct* handle, int encoding, Format output)
    : handle_(handle), sample_(SampleOf(encoding)), output_(output), converter_(sample_, output) {}

std::unique_ptr<Mpg123Feed> Mpg123Feed::Open(int encoding, Format output) {
    int error = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &error);
    if (!h) return nullptr;
    std::unique_ptr<Mpg123Feed> feed(new (std::nothrow) Mpg123Feed(h, encoding, output));
    if (!feed) {
        mpg123_delete(h);
        return nullptr;
    }
    if (mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0) != MPG123_OK || mpg123_format_none(h) != MPG123_OK)
        return nullptr;
    // Every rate and channel count the stream may have, so that libmpg123 never converts.
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        if (mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, encoding) != MPG123_OK) return nullptr;
    return mpg123_open_feed(h) == MPG123_OK ? std::move(feed) : nullptr;
}

Mpg123Feed::~Mpg123Feed() { mpg123_delete(handle_); }

bool Mpg123Feed::Feed(std::span<const uint8_t> bytes) {
    if (mpg123_feed(handle_, bytes.data(), bytes.size()) != MPG123_OK) return false;
    bytesFed_ += bytes.size();
    return true;
}

Mpg123Feed::Step Mpg123Feed::Next(std::span<uint8_t>* samples) {
    *samples = {};
    if (ended_) return Step::kEnd;
    // The work stays in proportion to the input, whatever a damaged stream makes the
    // decoder do: no more frames (or damaged ones) than the bytes fed could hold.
    if (steps_ >= bytesFed_ / kSmallestFrameBytes + kSpareSteps) return End();
    off_t frame = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    const int result = mpg123_decode_frame(handle_, &frame, &audio, &bytes);
    if (result != MPG123_NEED_MORE) ++steps_;
    if (result == MPG123_NEW_FORMAT) {
        if (!TakeFormat()) return End();
    } else if (result == MPG123_NEED_MORE) {
        return Step::kNeedMore;
    } else if (result == MPG123_DONE) {
        return End();
    } else if (result != MPG123_OK) {
        return Step::kError;
    }
    if (audio && bytes) *samples = InOutputFormat({audio, bytes});
    return Step::kFrame;
}

Mpg123Feed::Step Mpg123Feed::End() {
    ended_ = true;
    return Step::kEnd;
}

void Mpg123Feed::Restart() {
    mpg123_close(handle_);
    frames_ = {};
    converter_ = PcmFormatConverter(sample_, output_);
    bytesFed_ = steps_ = 0;
    ended_ = mpg123_open_feed(handle_) != MPG123_OK;
}

// The frames from here on are in the format announced; the first one announced is the
// output's when none was given. Each announcement starts a new run of the conversion.
bool Mpg123Feed::TakeFormat() {
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK) return false;
    frames_ = {rate, channels};
    if (!converter_.Target().rate) converter_ = PcmFormatConverter(sample_, frames_);
    converter_.Restart();
    return true;
}

std::span<uint8_t> Mpg123Feed::InOutputFormat(std::span<uint8_t> frame) {
    if (frames_ == converter_.Target()) return frame;
    converted_.clear();
    converter_.Convert(frame, frames_, converted_);
    return converted_;
}

}  // namespace host
