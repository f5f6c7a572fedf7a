#include "host/backends/headless/headless_audio_clock.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "host/clock.h"
#include "host/dsound/mixer.h"

namespace host {

namespace {

using Clock = std::chrono::steady_clock;
// How often the puller looks whether the manual clock has been let go of.
constexpr auto kManualLook = std::chrono::milliseconds(10);
// Pulls further behind than this are dropped, as a sound card drops what it missed.
constexpr int kMostPullsBehind = 4;

struct Puller {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
};

Puller g_puller;

void Pull(uint32_t framesPerPull) {
    std::vector<int16_t> block(size_t(framesPerPull) * 2);
    std::unique_lock lock(g_puller.mutex);
    Clock::time_point next{};
    while (!g_puller.stop) {
        if (IsManualClock()) {
            next = {};
            g_puller.wake.wait_for(lock, kManualLook);
            continue;
        }
        // The rate is read at each pull: the mixer's may change while it runs.
        const auto period = std::chrono::microseconds(int64_t(framesPerPull) * 1000000 / MixerOutputRate());
        const Clock::time_point now = Clock::now();
        if (next == Clock::time_point{} || now - next > period * kMostPullsBehind) next = now;
        if (now < next) {
            g_puller.wake.wait_until(lock, next);
            continue;
        }
        lock.unlock();
        MixAudio(block);
        lock.lock();
        next += period;
    }
}

// A program may end without closing its sound; a puller still joinable when g_puller is
// destroyed would end it in std::terminate.
void StopAtExit() { StopHeadlessAudioClock(); }

}  // namespace

void StartHeadlessAudioClock(uint32_t framesPerPull) {
    static const bool stopsAtExit = std::atexit(StopAtExit) == 0;
    (void)stopsAtExit;
    if (g_puller.thread.joinable() || framesPerPull == 0) return;
    g_puller.stop = false;
    g_puller.thread = std::thread(Pull, framesPerPull);
}

void StopHeadlessAudioClock() {
    if (!g_puller.thread.joinable()) return;
    {
        std::lock_guard lock(g_puller.mutex);
        g_puller.stop = true;
    }
    g_puller.wake.notify_all();
    g_puller.thread.join();
}

}  // namespace host
