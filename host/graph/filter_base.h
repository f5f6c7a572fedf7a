// The inside of the graph's filters: pins that know their filter and their peer, a
// filter base with reference counting and the type negotiation hooks, and the sample
// handed from pin to pin.
#pragma once
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "host/graph/graph_types.h"

namespace host::graph {

class Filter;
class GraphClock;

// What a run shares with its filters.
struct RunState {
    std::atomic<GraphClock*> clock{nullptr};  // null: samples go as fast as they come
    std::atomic<bool> stop{false};            // every wait gives up
    std::atomic<int> fullWaits{0};            // filters holding their source back: they hold enough
    std::atomic<bool> sourcesDone{false};     // every source has handed out its whole stream
    const std::vector<Filter*>* filters = nullptr;  // the graph's, set before the run's threads start
    // Wakes the sources held back: a renderer gave up a sample, or the run is stopping.
    std::mutex heldMutex;
    std::condition_variable held;
    void WakeHeld() {
        { std::lock_guard lock(heldMutex); }  // a source between its look and its wait sees the change
        held.notify_all();
    }
    // Until woken, or a short while: a queue of sound is full while it holds a second
    // ahead of the clock, and a renderer runs short as the clock overtakes it, so the
    // clock's time moves them too, and it wakes no one here.
    void WaitHeld(std::unique_lock<std::mutex>& lock);
};

class Pin final : public IPin {
public:
    Pin(Filter& owner, PIN_DIRECTION direction) : owner_(owner), direction_(direction) {}
    ~Pin() { FreeMediaType(type_); }
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;

    Filter& Owner() const { return owner_; }
    PIN_DIRECTION Direction() const { return direction_; }
    Pin* Peer() const { return peer_; }
    const AM_MEDIA_TYPE& Type() const { return type_; }
    // Joins this side to `peer` with a copy of `type`; false when the copy fails.
    bool Join(Pin* peer, const AM_MEDIA_TYPE& type);
    void Leave();
    // An output pin hands a sample to the filter of its peer (nothing when unconnected).
    void Deliver(IMediaSample* sample);
    // An output pin tells the filter of its peer that nothing more will come.
    void DeliverEndOfStream();

private:
    Filter& owner_;
    PIN_DIRECTION direction_;
    Pin* peer_ = nullptr;
    AM_MEDIA_TYPE type_;
};

class Filter : public IBaseFilter {
public:
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override;
    HRESULT EnumPins(IEnumPins** pins) override;

    // What an input pin takes, and what an output pin offers once the filter's inputs
    // are connected.
    virtual bool AcceptsInput(const AM_MEDIA_TYPE& type) const;
    virtual bool OutputType(AM_MEDIA_TYPE* type) const;
    // What one output pin offers; filters with several kinds of output tell them apart.
    virtual bool PinOutputType(const Pin& pin, AM_MEDIA_TYPE* type) const;
    // Told when an input pin has been joined; false undoes the connection.
    virtual bool InputConnected(Pin& input);
    // A sample arriving at an input pin.
    virtual void Receive(IMediaSample* sample);
    // The end of the stream arriving at an input pin.
    virtual void EndOfStream();
    // The filter's part of a run, on a thread of its own; false when it failed.
    virtual bool Stream(const std::atomic<bool>& stop);
    // After every filter's Stream: waits until what the filter holds has been played.
    virtual bool Drain(const std::atomic<bool>& stop);
    // Drops whatever the filter holds, before a seek.
    virtual void Flush();
    // Whether the filter's output times the graph (a sound renderer on a live output).
    virtual bool DrivesClock() const;
    // A sound renderer's level in hundredths of a decibel; false for other filters.
    virtual bool SetVolume(long level);
    // A renderer in a clocked run whose stream goes on but whose queue is about to run
    // dry: the source must read on for it, whatever the other renderers hold.
    virtual bool RunningShort() const;
    // Told by the graph before each run.
    void JoinRun(RunState* run) { run_ = run; }

    std::span<const std::unique_ptr<Pin>> Pins() const { return pins_; }
    Pin* FirstPin(PIN_DIRECTION direction) const;

protected:
    // Objects of the graph's sample classes start without a reference, like those of the
    // platform's base classes; objects made through COM start with one.
    explicit Filter(uint32_t refs) : refs_(refs) {}
    virtual ~Filter() = default;
    Pin* AddPin(PIN_DIRECTION direction);
    GraphClock* RunClock() const {
        const RunState* run = run_.load();
        return run ? run->clock.load() : nullptr;
    }
    bool Stopping() const {
        const RunState* run = run_.load();
        return run && run->stop;
    }
    // Waits until the run's clock reaches `time`; false when the run is being stopped.
    bool WaitForStreamTime(REFERENCE_TIME time) const;
    // Holds the source back while `full()`, but not while another renderer runs short
    // (a file may store one stream's samples well before another's of the same time, and
    // the source reads them in file order), unless `overfull()`: that bound keeps the
    // memory a starving stream can cost. False when the run is being stopped.
    template <class Full, class Overfull>
    bool WaitWhileFull(Full full, Overfull overfull) const {
        RunState* run = run_.load();
        auto holds = [&] { return overfull() || (full() && !OtherRunsShort(*run)); };
        if (!run || !holds()) return !Stopping();
        ++run->fullWaits;
        {
            std::unique_lock lock(run->heldMutex);
            while (!run->stop && holds()) run->WaitHeld(lock);
        }
        --run->fullWaits;
        return !run->stop;
    }
    // Wakes this run's sources held back by WaitWhileFull.
    void WakeHeldSources() const {
        if (RunState* run = run_.load()) run->WakeHeld();
    }

private:
    bool OtherRunsShort(const RunState& run) const;

    // Read by the mixer's thread while the main thread may set up the next run.
    std::atomic<RunState*> run_{nullptr};
    std::atomic<uint32_t> refs_;
    std::vector<std::unique_ptr<Pin>> pins_;
};

// Filters that hand their whole input to a reader downstream (the memory reader).
class ByteSource {
public:
    virtual std::span<const uint8_t> Bytes() const = 0;

protected:
    ~ByteSource() = default;
};

// Sources that can be told where to go on from (the file source).
class SeekableSource {
public:
    virtual REFERENCE_TIME Duration() const = 0;
    // Time of one picture; 0 when the source has none.
    virtual REFERENCE_TIME FrameTime() const = 0;
    // The frame shown at `time`, and when frame `number` starts (with pictures only).
    virtual int64_t FrameAt(REFERENCE_TIME time) const = 0;
    virtual REFERENCE_TIME FrameStart(int64_t number) const = 0;
    // The next run starts at `time`. Called while no run is going on.
    virtual void SeekTo(REFERENCE_TIME time) = 0;
    // Why its last run broke off; empty when it did not.
    virtual std::string Failure() const = 0;

protected:
    ~SeekableSource() = default;
};

// A sample over bytes that live for the duration of one delivery. One made over a buffer
// of its sender's may hand the buffer itself to a receiver that keeps samples, which is
// then spared a copy of the bytes.
class Sample final : public IMediaSample {
public:
    explicit Sample(std::span<uint8_t> bytes) : bytes_(bytes) {}
    Sample(std::span<uint8_t> bytes, REFERENCE_TIME start, REFERENCE_TIME stop)
        : bytes_(bytes), start_(start), stop_(stop), timed_(true) {}
    // Over the first `length` bytes of `buffer`.
    Sample(std::vector<uint8_t>& buffer, size_t length) : Sample(std::span(buffer).first(length)) { buffer_ = &buffer; }
    Sample(std::vector<uint8_t>& buffer, size_t length, REFERENCE_TIME start, REFERENCE_TIME stop)
        : Sample(std::span(buffer).first(length), start, stop) {
        buffer_ = &buffer;
    }
    // Swaps the sender's buffer with `other`: `other` then holds the sample's bytes at its
    // start (the bytes do not move), and the sender gets the buffer `other` held to fill
    // next. False, with nothing done, for a sample over no buffer of its sender's, or one
    // already given.
    bool GiveBuffer(std::vector<uint8_t>& other) {
        if (!buffer_) return false;
        buffer_->swap(other);
        buffer_ = nullptr;
        return true;
    }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    HRESULT GetPointer(uint8_t** data) override;
    long GetActualDataLength() override { return long(bytes_.size()); }
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;

private:
    std::span<uint8_t> bytes_;
    std::vector<uint8_t>* buffer_ = nullptr;
    REFERENCE_TIME start_ = 0, stop_ = 0;
    bool timed_ = false;
};

// Whether `type` matches `pattern`, where a null field of the pattern matches any.
bool MatchesType(const AM_MEDIA_TYPE& pattern, const AM_MEDIA_TYPE& type);

// The system's filters the graph may add while rendering, in the order it tries them.
std::vector<std::pair<const char*, Filter* (*)()>> SystemFilters();

}  // namespace host::graph
