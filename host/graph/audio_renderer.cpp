// The system's audio renderer: the end of a rendered sound chain. It takes 16-bit PCM at
// the mixer's rate, keeps up to a second ahead of the clock (more while the picture runs
// short), and is a source of the host mixer, which plays each sample at its stream time;
// while the graph runs on a live output, the frames the mixer takes are the graph's
// clock, and after the sound has run out they go on counting as silence, so a picture
// longer than its sound still ends.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "host/dsound/audio_output.h"
#include "host/dsound/dsound_types.h"
#include "host/dsound/mixer.h"
#include "host/dsound/mixer_source.h"
#include "host/dsound/rate_converter.h"
#include "host/graph/graph_classes.h"
#include "host/graph/graph_clock.h"

namespace host::graph {

namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;
// Seconds of sound held ahead of the clock: enough, the most while the picture runs
// short, and less than this is about to run dry.
constexpr int64_t kEnoughSeconds = 1, kMostSeconds = 8;
constexpr int64_t kShortDivisor = 2;

class AudioRenderer final : public Filter, public MixerSource {
public:
    AudioRenderer() : Filter(1) { AddPin(PINDIR_INPUT); }
    ~AudioRenderer() override { RemoveMixerSource(this); }

    bool AcceptsInput(const AM_MEDIA_TYPE& type) const override {
        return type.majortype == MEDIATYPE_Audio && type.formattype == FORMAT_WaveFormatEx;
    }

    // Anything else (another rate, float samples) connects but is not heard.
    bool InputConnected(Pin& input) override {
        const AM_MEDIA_TYPE& t = input.Type();
        WAVEFORMATEX f;
        if (t.cbFormat < sizeof f) return false;
        std::memcpy(&f, t.pbFormat, sizeof f);
        rate_ = f.nSamplesPerSec;
        channels_ = f.nChannels;
        playable_ = t.subtype == MEDIASUBTYPE_PCM && f.wBitsPerSample == 16 && (channels_ == 1 || channels_ == 2) &&
                    rate_ == MixerOutputRate();
        if (playable_) AddMixerSource(this);
        return true;
    }

    bool DrivesClock() const override { return playable_ && FirstPin(PINDIR_INPUT)->Peer() && IsAudioOutputOpen(); }

    bool SetVolume(long level) override {
        amplitude_ = AmplitudeQ15(int32_t(std::clamp(level, -10000L, 0L)));
        return true;
    }

    void Receive(IMediaSample* sample) override {
        uint8_t* data = nullptr;
        REFERENCE_TIME start = 0;
        if (!playable_ || !RunClock() || sample->GetPointer(&data) != S_OK || sample->GetTime(&start, nullptr) != S_OK)
            return;
        const size_t frames = size_t(sample->GetActualDataLength()) / (2 * channels_);
        const auto* pcm = reinterpret_cast<const int16_t*>(data);
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) queueStart_ = FrameAt(start);
            for (size_t i = 0; i < frames; ++i) {
                queue_.push_back(pcm[i * channels_]);
                queue_.push_back(pcm[i * channels_ + channels_ - 1]);
            }
        }
        WaitWhileFull([this] { return Ahead() > kEnoughSeconds * int64_t(rate_); },
                      [this] { return Ahead() > kMostSeconds * int64_t(rate_); });
    }

    void EndOfStream() override {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }

    bool RunningShort() const override {
        const GraphClock* clock = RunClock();
        if (!playable_ || !clock || !FirstPin(PINDIR_INPUT)->Peer()) return false;
        const int64_t now = FrameAt(clock->Now());
        std::lock_guard lock(mutex_);
        // An empty queue's start is where the last one stood, before a seek or a flush.
        return !ended_ && (queue_.empty() || queueStart_ + int64_t(queue_.size() / 2) - now < int64_t(rate_) / kShortDivisor);
    }

    bool Drain(const std::atomic<bool>& stop) override {
        if (!playable_ || !RunClock()) return true;
        // No sample comes any more: the queue's end stands, and the clock wakes the wait.
        const int64_t end = QueueEnd();
        RunClock()->WaitUntil((end * kUnitsPerSecond + int64_t(rate_) - 1) / int64_t(rate_), stop);
        return true;
    }

    void Flush() override {
        std::lock_guard lock(mutex_);
        ended_ = false;
        queue_.clear();
        resync_ = true;
    }

    // Under the mixer's lock. At another rate than the sound was made for (the output
    // changed under a playing movie) the sound is converted to the output's rate, so it
    // goes on at its own pitch; the frames the mixer takes keep the picture's time at
    // either rate. A change of rate picks the sound up again where the clock stands.
    void Render(int32_t* acc, uint32_t frames, uint32_t rate) override {
        GraphClock* clock = RunClock();
        if (!playable_ || !clock || !clock->Running() || rate == 0) return;
        {
            std::lock_guard lock(mutex_);
            if (rate != heardRate_) resync_ = true;
            heardRate_ = rate;
            if (resync_) {
                position_ = FrameAt(clock->Now());
                converter_ = RateConverter{};
            }
            resync_ = false;
            if (rate == rate_) {
                Mix(acc, frames);
                position_ += frames;
            } else {
                MixConverted(acc, frames, rate);
            }
            DropBeforeLocked(position_);
        }
        clock->AudioFramesPlayed(frames, rate);
    }

private:
    int64_t FrameAt(REFERENCE_TIME time) const { return time * int64_t(rate_) / kUnitsPerSecond; }

    // Frames queued ahead of the clock; sound older than a second before it is of no more
    // use and goes.
    int64_t Ahead() {
        const int64_t now = FrameAt(RunClock()->Now());
        DropBefore(now - int64_t(rate_));
        return QueueEnd() - now;
    }

    int64_t QueueEnd() {
        std::lock_guard lock(mutex_);
        return queueStart_ + int64_t(queue_.size() / 2);
    }

    void DropBefore(int64_t frame) {
        std::lock_guard lock(mutex_);
        DropBeforeLocked(frame);
    }

    void DropBeforeLocked(int64_t frame) {
        const int64_t n = std::clamp<int64_t>(frame - queueStart_, 0, int64_t(queue_.size() / 2));
        queue_.erase(queue_.begin(), queue_.begin() + n * 2);
        queueStart_ += n;
    }

    // The part of [position_, position_ + frames) that the queue holds.
    void Mix(int32_t* acc, uint32_t frames) const {
        const int64_t from = std::max<int64_t>(position_, queueStart_);
        const int64_t to = std::min<int64_t>(position_ + frames, queueStart_ + int64_t(queue_.size() / 2));
        const int32_t amplitude = amplitude_;
        for (int64_t f = from; f < to; ++f)
            for (int c = 0; c < 2; ++c)
                acc[(f - position_) * 2 + c] += queue_[size_t(f - queueStart_) * 2 + c] * amplitude / 32768;
    }

    // The queue's frames from position_ on into left and right (silence where it holds
    // none), moving position_ past them.
    void Take(float* left, float* right, uint32_t frames) {
        const int64_t end = queueStart_ + int64_t(queue_.size() / 2);
        for (uint32_t k = 0; k < frames; ++k, ++position_) {
            const bool held = position_ >= queueStart_ && position_ < end;
            const size_t at = size_t(position_ - queueStart_) * 2;
            left[k] = held ? float(queue_[at]) : 0.0f;
            right[k] = held ? float(queue_[at + 1]) : 0.0f;
        }
    }

    void MixConverted(int32_t* acc, uint32_t frames, uint32_t rate) {
        left_.resize(std::max<size_t>(left_.size(), frames));
        right_.resize(left_.size());
        converter_.Convert(left_.data(), right_.data(), frames, double(rate_) / double(rate),
                           [this](float* left, float* right, uint32_t n) { Take(left, right, n); });
        const float gain = float(amplitude_) / 32768.0f;
        for (uint32_t k = 0; k < frames; ++k) {
            acc[2 * k] += int32_t(std::lrint(left_[k] * gain));
            acc[2 * k + 1] += int32_t(std::lrint(right_[k] * gain));
        }
    }

    uint32_t rate_ = 0;
    uint32_t heardRate_ = 0;  // the output's rate at the last render
    uint16_t channels_ = 0;
    bool playable_ = false;
    std::atomic<int32_t> amplitude_{32768};
    mutable std::mutex mutex_;
    bool ended_ = false;  // the stream's end has come: nothing more to wait for
    std::vector<int16_t> queue_;  // stereo frames from queueStart_ on
    int64_t queueStart_ = 0;
    int64_t position_ = 0;  // the next frame the mixer takes
    bool resync_ = true;
    RateConverter converter_;
    std::vector<float> left_, right_;  // converted frames on their way to the mix
};

}  // namespace

Filter* MakeAudioRenderer() { return new AudioRenderer; }

}  // namespace host::graph
