// The platform's base for video renderers: one input pin that takes what CheckMediaType
// accepts, SetMediaType told of the type connected, and samples kept in a short queue
// (up to half a second ahead of the clock, more while a sound renderer of the graph runs
// short) from which the renderer's own thread hands
// each to DoRenderSample once its start time has come on the graph's clock (at once when
// the graph runs without one, or for a sample without times). The queue lets the source
// read on, so the sound ahead of a picture is never held up behind it. Its part of the run
// ends when the last sample's time is over, not when it is shown.
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "host/graph/filter_base.h"

namespace host {

class D_CBaseVideoRenderer : public graph::Filter {
public:
    // Starts without a reference, like every object of the base classes; the graph it is
    // added to keeps it. *result (when given) is S_OK.
    D_CBaseVideoRenderer(REFCLSID clsid, const char* name, IUnknown* outer, HRESULT* result);

    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;

    REFCLSID ClassId() const { return clsid_; }
    bool AcceptsInput(const AM_MEDIA_TYPE& type) const override;
    bool InputConnected(graph::Pin& input) override;
    void Receive(IMediaSample* sample) override;
    void EndOfStream() override;
    bool Stream(const std::atomic<bool>& stop) override;
    bool Drain(const std::atomic<bool>& stop) override;
    void Flush() override;
    bool RunningShort() const override;

protected:
    // For DoRenderSample: swaps `buffer` with the buffer the sample's bytes lie in, so the
    // renderer keeps the frame without copying it (the bytes stay where they are, at the
    // start of `buffer`, which may be longer); the renderer's former buffer is filled with
    // a later sample. False, with nothing done, for a sample that cannot give its buffer.
    static bool TakeSampleBuffer(IMediaSample* sample, std::vector<uint8_t>& buffer);

private:
    struct Queued {
        std::vector<uint8_t> bytes;  // the sample's at the start, maybe room behind
        size_t length = 0;
        REFERENCE_TIME start = 0, stop = 0;
        bool timed = false;
    };
    bool Full();
    // The bound that holds even while a sound renderer runs short.
    bool Overfull();
    // The oldest sample, waiting a little for one; null when none came (*ended: none will).
    Queued* Front(bool* ended);
    void Pop();

    REFCLSID clsid_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Queued> queue_;
    std::vector<std::vector<uint8_t>> spare_;  // buffers of rendered samples, used again
    size_t queuedBytes_ = 0;
    bool ended_ = false;
    std::optional<REFERENCE_TIME> shownUntil_;  // the stop time of the last sample shown
};

}  // namespace host
