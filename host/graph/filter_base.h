// The inside of the graph's filters: pins that know their filter and their peer, a
// filter base with reference counting and the type negotiation hooks, and the sample
// handed from pin to pin.
#pragma once
#include <atomic>
#include <memory>
#include <span>
#include <vector>

#include "host/graph/graph_types.h"

namespace host::graph {

class Filter;

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
    // Told when an input pin has been joined; false undoes the connection.
    virtual bool InputConnected(Pin& input);
    // A sample arriving at an input pin.
    virtual void Receive(IMediaSample* sample);
    // The filter's part of a run, on the graph's thread; false when it failed.
    virtual bool Stream(const std::atomic<bool>& stop);

    std::span<const std::unique_ptr<Pin>> Pins() const { return pins_; }
    Pin* FirstPin(PIN_DIRECTION direction) const;

protected:
    // Objects of the graph's sample classes start without a reference, like those of the
    // platform's base classes; objects made through COM start with one.
    explicit Filter(uint32_t refs) : refs_(refs) {}
    virtual ~Filter() = default;
    Pin* AddPin(PIN_DIRECTION direction);

private:
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

// A sample over bytes that live for the duration of one delivery.
class Sample final : public IMediaSample {
public:
    explicit Sample(std::span<uint8_t> bytes) : bytes_(bytes) {}
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    HRESULT GetPointer(uint8_t** data) override;
    long GetActualDataLength() override { return long(bytes_.size()); }

private:
    std::span<uint8_t> bytes_;
};

// Whether `type` matches `pattern`, where a null field of the pattern matches any.
bool MatchesType(const AM_MEDIA_TYPE& pattern, const AM_MEDIA_TYPE& type);

// The system's filters the graph may add while rendering, in the order it tries them.
std::vector<std::pair<const char*, Filter* (*)()>> SystemFilters();

}  // namespace host::graph
