#include "host/graph/graph_playback.h"

#include <algorithm>

namespace host::graph {

SeekableSource* Playback::Source() const {
    for (Filter* f : filters_)
        if (auto* s = dynamic_cast<SeekableSource*>(f)) return s;
    return nullptr;
}

void Playback::StartStream() {
    if (runner_.joinable()) return;
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
    }
    runner_ = std::thread([this] { RunStream(); });
}

// Every filter's part of the stream, then the wait until what the renderers hold has
// been played; a run that is stopped on the way leaves no event.
void Playback::RunStream() {
    std::atomic<bool> ok = true;
    std::atomic<int> sources = 0;
    for (Filter* f : filters_) sources += !f->FirstPin(PINDIR_INPUT);
    {
        std::vector<std::jthread> parts;
        for (Filter* f : filters_)
            parts.emplace_back([&, f] {
                if (!f->Stream(run_.stop)) ok = false;
                if (!f->FirstPin(PINDIR_INPUT) && --sources == 0) run_.sourcesDone = true;
            });
    }
    for (Filter* f : filters_) ok = f->Drain(run_.stop) && ok;
    if (run_.stop) return;
    std::lock_guard lock(mutex_);
    completed_ = true;
    completion_ = ok ? EC_COMPLETE : EC_ERRORABORT;
    events_.push_back(completion_);
    posted_.notify_all();
}

void Playback::Halt() {
    run_.stop = true;
    run_.WakeHeld();
    clock_.WakeWaiters();
    if (runner_.joinable()) runner_.join();
    run_.stop = false;
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
    StartStream();
    clock_.Start();
    state_ = State::Running;
    return S_OK;
}

HRESULT Playback::Pause() {
    StartStream();
    clock_.Pause();
    state_ = State::Paused;
    return S_OK;
}

// The position is kept: the next run goes on from the time reached.
HRESULT Playback::Stop() {
    const REFERENCE_TIME at = Position();
    Halt();
    clock_.Pause();
    state_ = State::Stopped;
    for (Filter* f : filters_) f->Flush();
    if (SeekableSource* s = Source()) s->SeekTo(at);
    clock_.Seek(at);
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
    {
        std::lock_guard lock(mutex_);
        events_.clear();
        completed_ = false;
    }
    // A paused graph shows the picture at the new position; a running one plays on.
    if (state_ != State::Stopped) StartStream();
    return S_OK;
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
