// A libmpg123 decoder fed MPEG audio bytes, shared by the compression manager's MP3 codec
// and the media graph's MPEG audio decoder. It puts out every frame at the stream's own
// rate and channel count, never resampled or remixed: asked for a rate the stream does
// not have, libmpg123 1.31 can loop for ever inside one decode call on a damaged frame.
// The stream keeps the first format it announces (or the one it was opened for): a frame
// in another ends it, and so does asking for more frames than the bytes fed could hold.
#pragma once
#include <cstdint>
#include <memory>
#include <span>

struct mpg123_handle_struct;

namespace host {

struct MpegAudioFormat {
    long rate = 0;  // 0: not known yet
    int channels = 0;
};

class Mpg123Feed {
public:
    using Format = MpegAudioFormat;
    enum class Step {
        kFrame,     // a frame decoded (its samples may be none)
        kNeedMore,  // nothing more until more bytes are fed
        kEnd,       // the stream is over: done, its format changed, or its work bound is spent
        kError,     // a damaged frame; decoding may go on after it
    };

    // A decoder putting out samples in `encoding` (one of libmpg123's MPG123_ENC_*), for
    // a stream in `expected` (all zero: whatever its first frame says); null when
    // libmpg123 cannot make one.
    static std::unique_ptr<Mpg123Feed> Open(int encoding, Format expected = {});
    ~Mpg123Feed();
    Mpg123Feed(const Mpg123Feed&) = delete;
    Mpg123Feed& operator=(const Mpg123Feed&) = delete;

    bool Feed(std::span<const uint8_t> bytes);
    // Decodes the next frame; on kFrame `samples` holds its samples until the next call.
    Step Next(std::span<uint8_t>* samples);
    // Starts over on a new stream of the same expected format (ended when it cannot).
    void Restart();
    Format StreamFormat() const { return format_; }
    bool Ended() const { return ended_; }

private:
    Mpg123Feed(mpg123_handle_struct* handle, Format expected) : handle_(handle), expected_(expected) {}
    bool Accepts(Format announced);
    Step End();

    mpg123_handle_struct* handle_;
    Format expected_;
    Format format_;
    uint64_t bytesFed_ = 0;
    uint64_t steps_ = 0;  // decode calls that did not just ask for more bytes
    bool ended_ = false;
};

}  // namespace host
