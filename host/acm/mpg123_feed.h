// A libmpg123 decoder fed MPEG audio bytes, shared by the compression manager's MP3 codec
// and the media graph's MPEG audio decoder. libmpg123 decodes every frame at the frame's
// own rate and channel count, never resampling or remixing: asked for a rate the stream
// does not have, libmpg123 1.31 can loop for ever inside one decode call on a damaged
// frame. Frames in another format than the output's (two files joined end to end) are
// converted here, at a bounded cost per frame, and the work in all stays in proportion
// to the input: no more frames are decoded than the bytes fed could hold.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "host/acm/pcm_format_convert.h"

struct mpg123_handle_struct;

namespace host {

class Mpg123Feed {
public:
    using Format = PcmLayout;
    enum class Step {
        kFrame,     // a frame decoded (its samples may be none)
        kNeedMore,  // nothing more until more bytes are fed
        kEnd,       // the stream is over: done, or its work bound is spent
        kError,     // a damaged frame; decoding may go on after it
    };

    // A decoder putting out samples in `encoding` (MPG123_ENC_SIGNED_16 or
    // MPG123_ENC_FLOAT_32) in the `output` format (all zero: the format of the stream's
    // first frame); null when libmpg123 cannot make one.
    static std::unique_ptr<Mpg123Feed> Open(int encoding, Format output = {});
    ~Mpg123Feed();
    Mpg123Feed(const Mpg123Feed&) = delete;
    Mpg123Feed& operator=(const Mpg123Feed&) = delete;

    bool Feed(std::span<const uint8_t> bytes);
    // Decodes the next frame; on kFrame `samples` holds its samples, in the output format,
    // until the next call.
    Step Next(std::span<uint8_t>* samples);
    // Starts over on a new stream for the same output format (ended when it cannot).
    void Restart();
    // The format samples come out in; its rate is 0 until the first frame when not given.
    Format OutputFormat() const { return converter_.Target(); }
    bool Ended() const { return ended_; }

private:
    Mpg123Feed(mpg123_handle_struct* handle, int encoding, Format output);
    bool TakeFormat();
    std::span<uint8_t> InOutputFormat(std::span<uint8_t> frame);
    Step End();

    mpg123_handle_struct* handle_;
    PcmFormatConverter::Sample sample_;
    Format output_;  // as opened
    Format frames_;  // of the frames now decoded
    PcmFormatConverter converter_;
    std::vector<uint8_t> converted_;
    uint64_t bytesFed_ = 0;
    uint64_t steps_ = 0;  // decode calls that did not just ask for more bytes
    bool ended_ = false;
};

}  // namespace host
