#include "host/backends/headless/headless_audio_clock.h"

#include <vector>

#include "host/clock.h"
#include "host/dsound/mixer.h"
#include "host/dsound/sound_worker.h"

namespace host {

namespace {

using Clock = std::chrono::steady_clock;
// How often the puller looks whether the manual clock has been let go of.
constexpr auto kManualLook = std::chrono::milliseconds(10);
// Pulls further behind than this are dropped, as a sound card drops what it missed.
constexpr int kMostPullsBehind = 4;

SoundWorker& Puller() {
    static SoundWorker worker;
    return worker;
}

// One pull when its time has come; the wait before the next look.
class Pull {
public:
    explicit Pull(uint32_t frames) : block_(size_t(frames) * 2), frames_(frames) {}

    Clock::duration operator()() {
        if (IsManualClock()) {
            next_ = {};
            return kManualLook;
        }
        // The rate is read at each pull: the mixer's may change while it runs.
        const auto period = std::chrono::microseconds(int64_t(frames_) * 1000000 / MixerOutputRate());
        const Clock::time_point now = Clock::now();
        if (next_ == Clock::time_point{} || now - next_ > period * kMostPullsBehind) next_ = now;
        if (now < next_) return next_ - now;
        MixAudio(block_);
        next_ += period;
        return next_ - now;
    }

private:
    std::vector<int16_t> block_;
    uint32_t frames_;
    Clock::time_point next_{};
};

}  // namespace

bool StartHeadlessAudioClock(uint32_t framesPerPull) {
    return framesPerPull == 0 || Puller().Start(Pull(framesPerPull));
}

void StopHeadlessAudioClock() { Puller().Stop(); }

}  // namespace host
