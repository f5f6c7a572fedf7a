// The filter graph: it keeps its filters, connects pins by type, renders an output pin
// through the filters it holds or the system's, builds the graph of a whole file, and
// runs the stream on a thread of its own, paced by its clock, until the filters are
// done, then signals the end.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "host/graph/graph_classes.h"
#include "host/graph/graph_playback.h"
#include "host/win/system/wide_text.h"

namespace host {
namespace graph {

namespace {

constexpr int kMaxRenderDepth = 8;

struct ReleaseFilter {
    void operator()(Filter* f) const { f->Release(); }
};

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

}  // namespace

class FilterGraph final : public IGraphBuilder,
                          public IMediaFilter,
                          public IMediaControl,
                          public IMediaEvent,
                          public IMediaSeeking,
                          public IBasicAudio {
public:
    ~FilterGraph() override {
        playback_.Halt();
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
        else if (iid == IID_IMediaSeeking) *object = static_cast<IMediaSeeking*>(this);
        else if (iid == IID_IBasicAudio) *object = static_cast<IBasicAudio*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    HRESULT AddFilter(IBaseFilter* filter, const char*) override {
        auto* f = dynamic_cast<Filter*>(filter);
        if (!f) return E_POINTER;
        if (std::find(filters_.begin(), filters_.end(), f) != filters_.end()) return E_INVALIDARG;
        try {
            filters_.push_back(f);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        f->AddRef();
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
        if (!out->Owner().PinOutputType(*out, &type)) return VFW_E_TYPE_NOT_ACCEPTED;
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

    // A file that is not rendered leaves the graph as it was: the filters its try added
    // go again with their connections, so that a later try starts clean.
    HRESULT RenderFile(const char16_t* file, const char16_t*) override {
        if (!file) return E_POINTER;
        failure_.clear();
        const size_t before = filters_.size();
        HRESULT hr = E_OUTOFMEMORY;
        try {
            hr = RenderSource(Utf16ToUtf8(file));
        } catch (const std::bad_alloc&) {
        }
        if (SUCCEEDED(hr)) return hr;
        while (filters_.size() > before) RemoveFilter(filters_.back());
        if (hr == E_OUTOFMEMORY) failure_ = "memory ran out while the graph was built";
        return hr;
    }

    HRESULT SetSyncSource(void* clock) override {
        playback_.SetClocked(clock != nullptr);
        return S_OK;
    }

    HRESULT Run() override { return playback_.Run(); }
    HRESULT Pause() override { return playback_.Pause(); }
    HRESULT Stop() override { return playback_.Stop(); }
    HRESULT WaitForCompletion(long milliseconds, long* eventCode) override {
        return playback_.WaitForCompletion(milliseconds, eventCode);
    }
    HRESULT GetEvent(long* eventCode, long milliseconds) override {
        return playback_.GetEvent(eventCode, milliseconds);
    }

    HRESULT GetDuration(REFERENCE_TIME* duration) override { return Report(duration, playback_.Duration()); }
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override { return Report(stop, playback_.Duration()); }
    HRESULT GetCurrentPosition(REFERENCE_TIME* current) override { return Report(current, playback_.Position()); }
    // The stop position is always the end; only the current position moves.
    HRESULT SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME*, uint32_t) override {
        if (currentFlags != AM_SEEKING_AbsolutePositioning) return S_OK;
        return current ? playback_.Seek(*current) : E_POINTER;
    }
    // The source numbers its frames.
    HRESULT ConvertTimeFormat(int64_t* target, TimeFormat targetFormat, int64_t source,
                              TimeFormat sourceFormat) override {
        if (!target) return E_POINTER;
        if (targetFormat == sourceFormat) return Report(target, source);
        const SeekableSource* s = playback_.Source();
        if (!s || s->FrameTime() <= 0) return E_NOTIMPL;
        return Report(target, targetFormat == TimeFormat::Frame ? s->FrameAt(source) : s->FrameStart(source));
    }

    HRESULT put_Volume(long volume) override {
        if (volume < -10000 || volume > 0) return E_INVALIDARG;
        bool any = false;
        for (Filter* f : filters_) any = f->SetVolume(volume) || any;
        if (!any) return E_NOTIMPL;
        volume_ = volume;
        return S_OK;
    }
    HRESULT get_Volume(long* volume) override { return Report(volume, volume_); }

    bool SourcesAhead() const { return playback_.SourcesAhead(); }
    std::string Failure() const {
        std::string run = playback_.Failure();
        return run.empty() ? failure_ : run;
    }

private:
    HRESULT RenderSource(const std::string& path) {
        HRESULT hr = S_OK;
        // Pictures are worth decoding only at a size a filter of the graph takes (the
        // system's filters take none).
        const TypeCheck takes = [this](const AM_MEDIA_TYPE& type) {
            return std::any_of(filters_.begin(), filters_.end(),
                               [&](const Filter* f) { return f->AcceptsInput(type); });
        };
        Filter* source = MakeFileSource(path, takes, &hr, &failure_);
        if (!source) return hr;
        hr = AddFilter(source, "File Source");
        source->Release();
        if (FAILED(hr)) return hr;
        int outputs = 0, rendered = 0;
        for (const auto& pin : source->Pins()) {
            ++outputs;
            rendered += SUCCEEDED(RenderFrom(pin.get(), 0));
        }
        if (rendered == 0) {
            failure_ = "no filter takes any of its streams";
            return VFW_E_CANNOT_RENDER;
        }
        return rendered == outputs ? S_OK : VFW_S_PARTIAL_RENDER;
    }

    HRESULT RenderFrom(Pin* out, int depth) {
        if (depth > kMaxRenderDepth) return VFW_E_CANNOT_RENDER;
        for (Filter* f : filters_) {
            if (f == &out->Owner()) continue;
            for (const auto& in : f->Pins())
                if (in->Direction() == PINDIR_INPUT && !in->Peer() && Connect(out, in.get()) == S_OK)
                    return RenderOutputs(f, depth);
        }
        for (auto [name, make] : SystemFilters()) {
            const std::unique_ptr<Filter, ReleaseFilter> made(make());
            Filter* f = made.get();
            Pin* in = f->FirstPin(PINDIR_INPUT);
            if (in && AddFilter(f, name) == S_OK && Connect(out, in) != S_OK) RemoveFilter(f);
            if (in && in->Peer()) return RenderOutputs(f, depth);
        }
        return VFW_E_CANNOT_RENDER;
    }

    HRESULT RenderOutputs(Filter* f, int depth) {
        for (const auto& pin : f->Pins())
            if (pin->Direction() == PINDIR_OUTPUT && !pin->Peer())
                if (HRESULT hr = RenderFrom(pin.get(), depth + 1); FAILED(hr)) return hr;
        return S_OK;
    }

    // Takes a filter out with its connections.
    void RemoveFilter(Filter* f) {
        for (const auto& pin : f->Pins())
            if (Pin* peer = pin->Peer()) {
                peer->Leave();
                pin->Leave();
            }
        std::erase(filters_, f);
        f->Release();
    }

    template <class T, class V>
    static HRESULT Report(T* out, V value) {
        if (!out) return E_POINTER;
        *out = T(value);
        return S_OK;
    }

    std::atomic<uint32_t> refs_{1};
    std::vector<Filter*> filters_;
    Playback playback_{filters_};
    long volume_ = 0;
    std::string failure_;  // why the last RenderFile failed
};

std::vector<std::pair<const char*, Filter* (*)()>> SystemFilters() {
    return {{"MPEG Audio Decoder", &MakeMpegAudioDecoder}, {"Audio Renderer", &MakeAudioRenderer}};
}

}  // namespace graph

bool IsGraphSourceAhead(IGraphBuilder* graph) {
    const auto* g = dynamic_cast<const graph::FilterGraph*>(graph);
    return g && g->SourcesAhead();
}

std::string GetGraphFailure(IGraphBuilder* graph) {
    const auto* g = dynamic_cast<const graph::FilterGraph*>(graph);
    return g ? g->Failure() : std::string();
}

namespace graph {

HRESULT CreateFilterGraph(REFIID iid, void** object) {
    auto* g = new (std::nothrow) FilterGraph;
    if (!g) return E_OUTOFMEMORY;
    const HRESULT hr = g->QueryInterface(iid, object);
    g->Release();
    return hr;
}

}  // namespace graph
}  // namespace host
