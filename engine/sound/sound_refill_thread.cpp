// The stream refill thread: a pass over the stream sounds and the soft-sound players
// under the sound lock every 30 ms, at the highest priority the system grants, until shutdown stops and joins it.
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/sound/sound_state.h"
#include "engine/sound/sound_system.h"

namespace orvik {

namespace {

constexpr auto kRefillPeriod = std::chrono::milliseconds(30);

struct RefillThread {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
};

RefillThread g_refill;

void RaisePriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_RR);
    // Needs privileges most desktops do not grant; the thread then runs at normal priority.
    pthread_setschedparam(pthread_self(), SCHED_RR, &param);
}

void StreamSoundThread() {
    RaisePriority();
    std::unique_lock lock(g_refill.mutex);
    while (!g_refill.stop) {
        lock.unlock();
        {
            SoundLockGuard guard(SoundLock());
            RefillAllStreamSounds();
            if (SoundStarted()) ProcessSoftSoundPlayers();
        }
        lock.lock();
        g_refill.wake.wait_for(lock, kRefillPeriod, [] { return g_refill.stop; });
    }
}

// A program may return from main without EndLibrary; a thread still joinable when
// g_refill is destroyed would end it in std::terminate.
void StopSoundRefillThreadAtExit() { StopSoundRefillThread(); }

}  // namespace

void StartSoundRefillThread() {
    static const bool stopsAtExit = std::atexit(StopSoundRefillThreadAtExit) == 0;
    (void)stopsAtExit;
    if (g_refill.thread.joinable()) return;
    g_refill.stop = false;
    g_refill.thread = std::thread(StreamSoundThread);
}

void StopSoundRefillThread() {
    if (!g_refill.thread.joinable()) return;
    {
        std::lock_guard lock(g_refill.mutex);
        g_refill.stop = true;
    }
    g_refill.wake.notify_all();
    g_refill.thread.join();
}

bool IsSoundRefillThreadRunning() { return g_refill.thread.joinable(); }

}  // namespace orvik
