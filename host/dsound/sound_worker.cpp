#include "host/dsound/sound_worker.h"

#include <pthread.h>

#include "host/thread_start.h"

namespace host {

namespace {

void RaisePriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_RR);
    // Needs privileges most desktops do not grant; the thread then runs at normal priority.
    pthread_setschedparam(pthread_self(), SCHED_RR, &param);
}

}  // namespace

bool SoundWorker::Start(Round round) {
    if (thread_.joinable()) return true;
    stop_ = false;
    return StartThread(thread_, [this, round = std::move(round)] { Run(round); });
}

void SoundWorker::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SoundWorker::Run(const Round& round) {
    RaisePriority();
    std::unique_lock lock(mutex_);
    while (!stop_) {
        lock.unlock();
        const std::chrono::steady_clock::duration wait = round();
        lock.lock();
        wake_.wait_for(lock, wait, [this] { return stop_; });
    }
}

}  // namespace host
