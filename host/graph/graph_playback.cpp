#include "host/graph/graph_playback.h"

#include <algorithm>
#include <new>

#include "host/thread_start.h"

namespace host::graph {

namespace {

constexpr const char* kNoThread = "a thread of the graph's run could not be started";
constexpr const char* kNoMemory = "memory ran out during the graph's run";

}  // namespace

SeekableSource* Playback::Source() const {
    for (Filter* f : filters_)
        if (auto* s = dynamic_cast<SeekableSource*>(f)) return s;
    return nullptr;
}

bool Playback::StartStream() {
    if (runner_.joinable()) return true;
    bool audio = false;
    run_.clock = clocked_ ? &clock_ : nullptr;
    run_.sourcesDone = false;
    run_.filters = &filters_;
    for (Filter* f : filters_) {
        f->JoinRun(&run_);
        audio = audio || f->DrivesClock();
    }
    clock_.UseAudio(clocked_ && audio);
    {
        std::lock_guard lock(mutex_);
        completed_ = false;
        brokeOff_ = nullptr;
        failure_.clear();
    }
    if (StartThread(runner_, [this] { RunStream(); })) return true;
    std::lock_guard lock(mutex_);
    brokeOff_ = kNoThread;
    return false;
}

// Every filter's part of the stream, then the wait until what the renderers hold has
// been played; a run that is stopped on the way leaves no event, one that broke off ends
// with EC_ERRORABORT at once.
void Playback::RunStream() {
    const char* brokeOff = nullptr;
    bool ok = RunParts(&brokeOff);
    if (brokeOff) return EndRun(EC_ERRORABORT, brokeOff);
    for (Filter* f : filters_) ok = f->Drain(run_.stop) && ok;
    if (run_.stop) return;
    std::string failure;
    try {
        if (!ok && Source()) failure = Source()->Failure();
    } catch (const std::bad_alloc&) {
        brokeOff = kNoMemory;
    }
    EndRun(ok ? EC_COMPLETE : EC_ERRORABORT, brokeOff, std::move(failure));
}

bool Playback::RunParts(const char** brokeOff) {
    std::atomic<bool> ok = true;
    std::atomic<const char*> why = nullptr;
    std::atomic<int> sources = 0;
    for (Filter* f : filters_) sources += !f->FirstPin(PINDIR_INPUT);
    const auto breakOff = [&](const char* reason) {
        const char* none = nullptr;
        why.compare_exchange_strong(none, reason);
        StopParts();
    };
    // The parts started are joined as `parts` goes, after any that failed has stopped them.
    std::vector<std::jthread> parts;
    try {
        parts.reserve(filters_.size());
    } catch (const std::bad_alloc&) {
        breakOff(kNoMemory);
    }
    for (Filter* f : filters_) {
        if (why) break;
        const bool started = StartThread(parts.emplace_back(), [&, f] {
            try {
                if (!f->Stream(run_.stop)) ok = false;
            } catch (const std::bad_alloc&) {
                breakOff(kNoMemory);
            }
            if (!f->FirstPin(PINDIR_INPUT) && --sources == 0) run_.sourcesDone = true;
        });
        if (!started) breakOff(kNoThread);
    }
    parts.clear();
    *brokeOff = why;
    return ok;
}

void Playback::StopParts() {
    run_.stop = true;
    run_.WakeHeld();
    clock_.WakeWaiters();
}

void Playback::EndRun(long code, const char* brokeOff, std::string failure) {
    std::lock_guard lock(mutex_);
    completed_ = true;
    completion_ = code;
    brokeOff_ = brokeOff;
    failure_ = std::move(failure);
    events_.push_back(code);
    posted_.notify_all();
}

void Playback::Halt() {
    StopParts();
    if (runner_.joinable()) runner_.join();
    run_.stop = false;
}

std::string Playback::Failure() const {
    std::lock_guard lock(mutex_);
    return brokeOff_ ? brokeOff_ : failure_;
}

// A source held back by one renderer is not ahead while another runs short: it is about
// to be let go to read on for that one.
bool Playback::SourcesAhead() const {
    if (run_.sourcesDone) return true;
    if (run_.fullWaits == 0) return false;
    return std::none_of(filters_.begin(), filters_.end(), [](const Filter* f) { return f->RunningShort(); });
}

HRESULT Playback::Run() {
    if (state_ == State::Running) return S_OK;
    if (!StartStream()) return E_OUTOFMEMORY;
    clock_.Start();
    state_ = State::Running;
    return S_OK;
}

HRESULT Playback::Pause() {
    if (!StartStream()) return E_OUTOFMEMORY;
    clock_.Pause();
    state_ = State::Paused;
    return S_OK;
}

// The position is kept: the next run goes on from the time reached. The events of the
// runs before are let go of, as a seek does.
HRESULT Playback::Stop() {
    const REFERENCE_TIME at = Position();
    Halt();
    clock_.Pause();
    state_ = State::Stopped;
    for (Filter* f : filters_) f->Flush();
    if (SeekableSource* s = Source()) s->SeekTo(at);
    clock_.Seek(at);
    ForgetEvents();
    return S_OK;
}

REFERENCE_TIME Playback::Duration() const {
    const SeekableSource* s = Source();
    return s ? s->Duration() : 0;
}

REFERENCE_TIME Playback::Position() const { return std::clamp<REFERENCE_TIME>(clock_.Now(), 0, Duration()); }

HRESULT Playback::Seek(REFERENCE_TIME time) {
    SeekableSource* s = Source();
    if (!s) return E_NOTIMPL;
    time = std::clamp<REFERENCE_TIME>(time, 0, Duration());
    Halt();
    for (Filter* f : filters_) f->Flush();
    s->SeekTo(time);
    clock_.Seek(time);
    ForgetEvents();
    // A paused graph shows the picture at the new position; a running one plays on.
    if (state_ != State::Stopped && !StartStream()) return E_OUTOFMEMORY;
    return S_OK;
}

void Playback::ForgetEvents() {
    std::lock_guard lock(mutex_);
    events_.clear();
    completed_ = false;
}

HRESULT Playback::WaitForCompletion(long milliseconds, long* eventCode) {
    if (!eventCode) return E_POINTER;
    std::unique_lock lock(mutex_);
    // A look without a wait takes no sleep, however short.
    const auto ended = [this] { return completed_; };
    if (milliseconds > 0 ? !posted_.wait_for(lock, std::chrono::milliseconds(milliseconds), ended) : !ended())
        return E_ABORT;
    *eventCode = completion_;
    return S_OK;
}

HRESULT Playback::GetEvent(long* eventCode, long milliseconds) {
    if (!eventCode) return E_POINTER;
    std::unique_lock lock(mutex_);
    if (!posted_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return !events_.empty(); }))
        return E_ABORT;
    *eventCode = events_.front();
    events_.pop_front();
    return S_OK;
}

}  // namespace host::graph
