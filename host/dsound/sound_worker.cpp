#include "host/dsound/sound_worker.h"

#include <pthread.h>

namespace host {

namespace {

void RaisePriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_RR);
    // Needs privileges most desktops do not grant; the thread then runs at normal priority.
    pthread_setschedparam(pthread_self(), SCHED_RR, &param);
}

}  // namespace

void SoundWorker::Start(Round round) {
    if (thread_.joinable()) return;
    stop_ = false;
    thread_ = std::thread([this, round = std::move(round)] { Run(round); });
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
