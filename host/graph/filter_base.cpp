#include "host/graph/filter_base.h"

#include <chrono>
#include <cstring>

#include "host/graph/graph_clock.h"

namespace host {

void FreeMediaType(AM_MEDIA_TYPE& type) {
    CoTaskMemFree(type.pbFormat);
    type.pbFormat = nullptr;
    type.cbFormat = 0;
}

bool CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE& source) {
    *target = source;
    target->pbFormat = nullptr;
    target->cbFormat = 0;
    if (!source.cbFormat) return true;
    target->pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(source.cbFormat));
    if (!target->pbFormat) return false;
    std::memcpy(target->pbFormat, source.pbFormat, source.cbFormat);
    target->cbFormat = source.cbFormat;
    return true;
}

namespace graph {

namespace {

class PinEnumerator final : public ComObject<IEnumPins> {
public:
    explicit PinEnumerator(Filter& filter) : filter_(filter) { filter_.AddRef(); }
    ~PinEnumerator() override { filter_.Release(); }
    HRESULT Next(uint32_t count, IPin** pins, uint32_t* fetched) override {
        uint32_t n = 0;
        for (; n < count && next_ < filter_.Pins().size(); ++n, ++next_) {
            pins[n] = filter_.Pins()[next_].get();
            pins[n]->AddRef();
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

private:
    Filter& filter_;
    size_t next_ = 0;
};

}  // namespace

uint32_t Pin::AddRef() { return owner_.AddRef(); }
uint32_t Pin::Release() { return owner_.Release(); }

HRESULT Pin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = direction_;
    return S_OK;
}

HRESULT Pin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = peer_;
    if (!peer_) return VFW_E_NOT_CONNECTED;
    peer_->AddRef();
    return S_OK;
}

HRESULT Pin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    if (!peer_) return VFW_E_NOT_CONNECTED;
    return CopyMediaType(type, type_) ? S_OK : E_OUTOFMEMORY;
}

bool Pin::Join(Pin* peer, const AM_MEDIA_TYPE& type) {
    if (!CopyMediaType(&type_, type)) return false;
    peer_ = peer;
    return true;
}

void Pin::Leave() {
    peer_ = nullptr;
    FreeMediaType(type_);
}

void Pin::Deliver(IMediaSample* sample) {
    if (peer_) peer_->Owner().Receive(sample);
}

void Pin::DeliverEndOfStream() {
    if (peer_) peer_->Owner().EndOfStream();
}

uint32_t Filter::Release() {
    const uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Filter::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    *pins = new PinEnumerator(*this);
    return S_OK;
}

bool Filter::AcceptsInput(const AM_MEDIA_TYPE&) const { return false; }
bool Filter::OutputType(AM_MEDIA_TYPE*) const { return false; }
bool Filter::InputConnected(Pin&) { return true; }
void Filter::Receive(IMediaSample*) {}
void Filter::EndOfStream() {}
bool Filter::Stream(const std::atomic<bool>&) { return true; }
bool Filter::Drain(const std::atomic<bool>&) { return true; }
void Filter::Flush() {}
bool Filter::DrivesClock() const { return false; }
bool Filter::SetVolume(long) { return false; }
bool Filter::RunningShort() const { return false; }

bool Filter::OtherRunsShort(const RunState& run) const {
    if (!run.filters || !run.clock.load()) return false;
    for (const Filter* f : *run.filters)
        if (f != this && f->RunningShort()) return true;
    return false;
}
bool Filter::PinOutputType(const Pin&, AM_MEDIA_TYPE* type) const { return OutputType(type); }

void RunState::WaitHeld(std::unique_lock<std::mutex>& lock) { held.wait_for(lock, std::chrono::milliseconds(1)); }

bool Filter::WaitForStreamTime(REFERENCE_TIME time) const {
    const RunState* run = run_.load();
    if (!run) return true;
    const GraphClock* clock = run->clock.load();
    return clock ? clock->WaitUntil(time, run->stop) : !run->stop;
}

Pin* Filter::FirstPin(PIN_DIRECTION direction) const {
    for (const auto& p : pins_)
        if (p->Direction() == direction) return p.get();
    return nullptr;
}

Pin* Filter::AddPin(PIN_DIRECTION direction) {
    pins_.push_back(std::make_unique<Pin>(*this, direction));
    return pins_.back().get();
}

HRESULT Sample::GetPointer(uint8_t** data) {
    if (!data) return E_POINTER;
    *data = bytes_.data();
    return S_OK;
}

HRESULT Sample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (!timed_) return VFW_E_SAMPLE_TIME_NOT_SET;
    if (start) *start = start_;
    if (stop) *stop = stop_;
    return S_OK;
}

bool MatchesType(const AM_MEDIA_TYPE& pattern, const AM_MEDIA_TYPE& type) {
    auto same = [](GUID want, GUID got) { return want.empty() || want == got; };
    return same(pattern.majortype, type.majortype) && same(pattern.subtype, type.subtype) &&
           same(pattern.formattype, type.formattype);
}

}  // namespace graph
}  // namespace host
