#include "host/graph/sample_grabber.h"

namespace host {

D_CSampleGrabber::D_CSampleGrabber() : graph::Filter(0) {
    AddPin(PINDIR_INPUT);
    AddPin(PINDIR_OUTPUT);
}

D_CSampleGrabber::~D_CSampleGrabber() { FreeMediaType(accepted_); }

HRESULT D_CSampleGrabber::SetAcceptedMediaType(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    FreeMediaType(accepted_);
    return CopyMediaType(&accepted_, *type) ? S_OK : E_OUTOFMEMORY;
}

HRESULT D_CSampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* type) {
    return FirstPin(PINDIR_INPUT)->ConnectionMediaType(type);
}

HRESULT D_CSampleGrabber::SetCallback(SampleCallback callback, void* user) {
    std::lock_guard lock(mutex_);
    callback_ = callback;
    user_ = user;
    return S_OK;
}

bool D_CSampleGrabber::AcceptsInput(const AM_MEDIA_TYPE& type) const { return graph::MatchesType(accepted_, type); }

// In place: what comes in goes out.
bool D_CSampleGrabber::OutputType(AM_MEDIA_TYPE* type) const {
    const graph::Pin* input = FirstPin(PINDIR_INPUT);
    return input->Peer() && CopyMediaType(type, input->Type());
}

void D_CSampleGrabber::Receive(IMediaSample* sample) {
    {
        std::lock_guard lock(mutex_);
        if (callback_) callback_(sample, nullptr, nullptr, 0, user_);
    }
    FirstPin(PINDIR_OUTPUT)->Deliver(sample);
}

}  // namespace host
