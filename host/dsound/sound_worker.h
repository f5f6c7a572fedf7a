// A thread that keeps sound going: it does a round of work, waits as long as the round
// asks, and goes round again until it is stopped; stopping wakes it from its wait and
// joins it. It runs at the highest priority the system grants. Kept as a function-local
// static, a worker is made when first started, so one a program leaves running is
// stopped by its destructor at exit, before the objects made earlier that its rounds use.
#pragma once
// <condition_variable> brings the clocks and durations; <chrono> itself cannot be read by
// the engine's files, which compile to code page 932.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace host {

class SoundWorker {
public:
    // A round of work; what it returns is the wait before the next one.
    using Round = std::function<std::chrono::steady_clock::duration()>;

    SoundWorker() = default;
    SoundWorker(const SoundWorker&) = delete;
    SoundWorker& operator=(const SoundWorker&) = delete;
    ~SoundWorker() { Stop(); }

    // Nothing when it runs already. False, with nothing running, when the system
    // refuses the thread.
    bool Start(Round round);
    // Nothing when it does not run.
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    void Run(const Round& round);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
};

}  // namespace host
