// The sample grabber: an in-place transform that takes only the type it was told to
// accept, passes every sample on unchanged, and shows each one to a callback first.
#pragma once
#include <mutex>

#include "host/graph/filter_base.h"

namespace host {

class D_CSampleGrabber final : public graph::Filter {
public:
    // Starts without a reference; the graph it is added to keeps it.
    D_CSampleGrabber();
    ~D_CSampleGrabber() override;
    HRESULT SetAcceptedMediaType(const AM_MEDIA_TYPE* type);
    // The type of the input connection, or VFW_E_NOT_CONNECTED.
    HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type);
    HRESULT SetCallback(SampleCallback callback, void* user);

    bool AcceptsInput(const AM_MEDIA_TYPE& type) const override;
    bool OutputType(AM_MEDIA_TYPE* type) const override;
    void Receive(IMediaSample* sample) override;

private:
    AM_MEDIA_TYPE accepted_;
    std::mutex mutex_;
    SampleCallback callback_ = nullptr;
    void* user_ = nullptr;
};

}  // namespace host
