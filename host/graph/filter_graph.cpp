// The filter graph: it keeps its filters, connects pins by type, renders an output pin
// through the filters it holds or the system's, and runs the stream on a thread of its
// own until the filters are done, then signals the end.
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "host/graph/graph_classes.h"

namespace host::graph {

namespace {

constexpr int kMaxRenderDepth = 8;

class FilterEnumerator final : public ComObject<IEnumFilters> {
public:
    explicit FilterEnumerator(std::vector<Filter*> filters) : filters_(std::move(filters)) {
        for (Filter* f : filters_) f->AddRef();
    }
    ~FilterEnumerator() override {
        for (Filter* f : filters_) f->Release();
    }
    HRESULT Next(uint32_t count, IBaseFilter** out, uint32_t* fetched) override {
        uint32_t n = 0;
        for (; n < count && next_ < filters_.size(); ++n, ++next_) {
            out[n] = filters_[next_];
            out[n]->AddRef();
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

private:
    std::vector<Filter*> filters_;
    size_t next_ = 0;
};

class FilterGraph final : public IGraphBuilder, public IMediaFilter, public IMediaControl, public IMediaEvent {
public:
    ~FilterGraph() override {
        Halt();
        for (Filter* f : filters_)
            for (const auto& pin : f->Pins()) pin->Leave();
        for (Filter* f : filters_) f->Release();
    }
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override {
        const uint32_t left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IGraphBuilder) *object = static_cast<IGraphBuilder*>(this);
        else if (iid == IID_IMediaFilter) *object = static_cast<IMediaFilter*>(this);
        else if (iid == IID_IMediaControl) *object = static_cast<IMediaControl*>(this);
        else if (iid == IID_IMediaEvent) *object = static_cast<IMediaEvent*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    HRESULT AddFilter(IBaseFilter* filter, const char*) override {
        auto* f = dynamic_cast<Filter*>(filter);
        if (!f) return E_POINTER;
        if (std::find(filters_.begin(), filters_.end(), f) != filters_.end()) return E_INVALIDARG;
        f->AddRef();
        filters_.push_back(f);
        return S_OK;
    }

    HRESULT EnumFilters(IEnumFilters** out) override {
        if (!out) return E_POINTER;
        *out = new FilterEnumerator(filters_);
        return S_OK;
    }

    HRESULT Connect(IPin* output, IPin* input) override {
        auto* out = dynamic_cast<Pin*>(output);
        auto* in = dynamic_cast<Pin*>(input);
        if (!out || !in || out->Direction() != PINDIR_OUTPUT || in->Direction() != PINDIR_INPUT) return E_INVALIDARG;
        if (out->Peer() || in->Peer()) return VFW_E_ALREADY_CONNECTED;
        AM_MEDIA_TYPE type;
        if (!out->Owner().OutputType(&type)) return VFW_E_TYPE_NOT_ACCEPTED;
        const bool accepted = in->Owner().AcceptsInput(type) && out->Join(in, type) && in->Join(out, type);
        FreeMediaType(type);
        if (accepted && in->Owner().InputConnected(*in)) return S_OK;
        out->Leave();
        in->Leave();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT Disconnect(IPin* pin) override {
        auto* p = dynamic_cast<Pin*>(pin);
        if (!p) return E_POINTER;
        if (!p->Peer()) return S_FALSE;
        p->Leave();
        return S_OK;
    }

    HRESULT Render(IPin* output) override {
        auto* out = dynamic_cast<Pin*>(output);
        if (!out || out->Direction() != PINDIR_OUTPUT) return E_INVALIDARG;
        if (out->Peer()) return VFW_E_ALREADY_CONNECTED;
        return RenderFrom(out, 0);
    }

    HRESULT SetSyncSource(void*) override { return S_OK; }

    HRESULT Run() override {
        if (runner_.joinable()) return S_OK;
        runner_ = std::thread([this] { RunStream(); });
        return S_OK;
    }

    HRESULT Stop() override {
        Halt();
        return S_OK;
    }

    HRESULT WaitForCompletion(long milliseconds, long* eventCode) override {
        if (!eventCode) return E_POINTER;
        std::unique_lock lock(mutex_);
        if (!ended_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return event_.has_value(); }))
            return E_ABORT;
        *eventCode = *event_;
        return S_OK;
    }

private:
    HRESULT RenderFrom(Pin* out, int depth) {
        if (depth > kMaxRenderDepth) return VFW_E_CANNOT_RENDER;
        for (Filter* f : filters_) {
            if (f == &out->Owner()) continue;
            for (const auto& in : f->Pins())
                if (in->Direction() == PINDIR_INPUT && !in->Peer() && Connect(out, in.get()) == S_OK)
                    return RenderOutputs(f, depth);
        }
        for (auto [name, make] : SystemFilters()) {
            Filter* f = make();
            Pin* in = f->FirstPin(PINDIR_INPUT);
            if (in && AddFilter(f, name) == S_OK && Connect(out, in) != S_OK) RemoveFilter(f);
            const bool joined = in && in->Peer();
            f->Release();
            if (joined) return RenderOutputs(f, depth);
        }
        return VFW_E_CANNOT_RENDER;
    }

    HRESULT RenderOutputs(Filter* f, int depth) {
        for (const auto& pin : f->Pins())
            if (pin->Direction() == PINDIR_OUTPUT && !pin->Peer())
                if (HRESULT hr = RenderFrom(pin.get(), depth + 1); FAILED(hr)) return hr;
        return S_OK;
    }

    void RemoveFilter(Filter* f) {
        std::erase(filters_, f);
        f->Release();
    }

    // Runs every filter's part of the stream; delivery goes down the chain at once, so
    // when they are done every renderer has had everything.
    void RunStream() {
        bool ok = true;
        for (Filter* f : filters_) ok = ok && f->Stream(stop_);
        std::lock_guard lock(mutex_);
        event_ = ok ? EC_COMPLETE : EC_ERRORABORT;
        ended_.notify_all();
    }

    void Halt() {
        stop_ = true;
        if (runner_.joinable()) runner_.join();
        stop_ = false;
    }

    std::atomic<uint32_t> refs_{1};
    std::vector<Filter*> filters_;
    std::thread runner_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable ended_;
    std::optional<long> event_;
};

}  // namespace

std::vector<std::pair<const char*, Filter* (*)()>> SystemFilters() {
    return {{"MPEG Audio Decoder", &MakeMpegAudioDecoder}, {"Audio Renderer", &MakeAudioRenderer}};
}

HRESULT CreateFilterGraph(REFIID iid, void** object) {
    auto* g = new FilterGraph;
    const HRESULT hr = g->QueryInterface(iid, object);
    g->Release();
    return hr;
}

}  // namespace host::graph
