// Decoded PCM made into another rate and channel count, a frame at a time as a decoder
// hands it out: a stream whose rate or channel count changes part way (two MP3 files
// joined end to end) plays through in the format it started with. Channels are matched
// first (mono is doubled to both sides, stereo averaged to mono), then the rate, by
// linear interpolation between neighbouring sample frames. The work is a fixed amount
// per frame put out, and no rate asks for more than six frames out per frame in.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace host {

struct PcmLayout {
    long rate = 0;  // 0: not known yet
    int channels = 0;
    bool operator==(const PcmLayout&) const = default;
};

// The frames a run of `frames` sample frames at `fromRate` becomes at `toRate`: one every
// fromRate/toRate frames of the run, from its first frame to its last.
uint64_t ConvertedFrameCount(uint64_t frames, uint32_t fromRate, uint32_t toRate);

class PcmFormatConverter {
public:
    enum class Sample { kInt16, kFloat32 };
    PcmFormatConverter(Sample sample, PcmLayout to) : sample_(sample), to_(to) {}

    // Appends what the interleaved frames `in`, in `from`, become in the target layout.
    // Frames in a layout other than the last call's start a new run.
    void Convert(std::span<const uint8_t> in, PcmLayout from, std::vector<uint8_t>& out);
    // The next frames start a run whatever their layout.
    void Restart() { from_ = {}; }
    PcmLayout Target() const { return to_; }

private:
    template <class T>
    void ConvertAs(std::span<const uint8_t> in, std::vector<uint8_t>& out);

    Sample sample_;
    PcmLayout to_;
    PcmLayout from_;   // the run's layout
    bool primed_ = false;
    float last_[2]{};  // the run's last frame taken in, in the target's channels
    // Where the next frame out falls, in frames in after last_, times the target rate.
    uint64_t phase_ = 0;
};

}  // namespace host
