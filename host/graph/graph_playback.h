// Running a graph: the streaming threads that carry the filters' parts of a run (one
// each, so sources read on while renderers wait for their time), the clock that paces it, the stopped / paused / running state, seeking by restarting the
// run at the new position, and the queue of events a run leaves.
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/graph/filter_base.h"
#include "host/graph/graph_clock.h"

namespace host::graph {

class Playback {
public:
    explicit Playback(const std::vector<Filter*>& filters) : filters_(filters) {}
    ~Playback() { Halt(); }

    // Without a clock a run goes as fast as its filters do.
    void SetClocked(bool on) { clocked_ = on; }
    // E_OUTOFMEMORY, with the state as it was, when the run's thread cannot start.
    HRESULT Run();
    HRESULT Pause();
    // Keeps the position; the events of the runs before go.
    HRESULT Stop();
    // Stops the streaming thread and joins it; the state stays what it was.
    void Halt();

    REFERENCE_TIME Duration() const;
    // Stream time now, never past the end.
    REFERENCE_TIME Position() const;
    HRESULT Seek(REFERENCE_TIME time);
    SeekableSource* Source() const;

    HRESULT WaitForCompletion(long milliseconds, long* eventCode);
    HRESULT GetEvent(long* eventCode, long milliseconds);
    // Whether the sources have read as far ahead as the renderers take, or to the end.
    bool SourcesAhead() const;
    // Why the last run could not start or broke off; empty when it did neither.
    std::string Failure() const;

private:
    enum class State { Stopped, Paused, Running };
    bool StartStream();
    void RunStream();
    // Every filter's part of the run, each on a thread of its own; false when a part
    // failed. A run that broke off (a thread could not start, memory ran out) has its
    // parts stopped and *brokeOff set to why.
    bool RunParts(const char** brokeOff);
    void StopParts();
    // The events and the completion of the runs so far are let go of.
    void ForgetEvents();
    void EndRun(long code, const char* brokeOff, std::string failure = {});

    const std::vector<Filter*>& filters_;
    GraphClock clock_;
    bool clocked_ = true;
    State state_ = State::Stopped;
    std::thread runner_;
    RunState run_;
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    // Why the last run could not start or broke off: the graph's own reason, kept without
    // an allocation that memory running short would refuse, or the source's.
    const char* brokeOff_ = nullptr;
    std::string failure_;
    std::deque<long> events_;
    bool completed_ = false;  // the run has ended (kept for WaitForCompletion)
    long completion_ = 0;
};

}  // namespace host::graph
