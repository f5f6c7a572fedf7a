// The video renderer at the end of a movie's media graph: it takes only uncompressed
// 24-bit RGB video and keeps every sample the graph delivers as its frame, top row first,
// raising a new-frame flag that the movie player reads and clears. A top-down sample over
// a buffer of the graph's is kept by taking the buffer over, the renderer's former one
// going back to be filled again; any other is copied into the renderer's buffer. Nothing
// is shown by the filter itself.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "host/graph/base_video_renderer.h"

namespace orvik {

constexpr host::REFCLSID CLSID_FrameCopyRenderer = "{71771540-2017-11CF-AE26-0020AFD79767}";

class D_CFrameCopyRenderer final : public host::D_CBaseVideoRenderer {
public:
    D_CFrameCopyRenderer(host::IUnknown* outer, host::HRESULT* result);

    host::HRESULT CheckMediaType(const host::AM_MEDIA_TYPE* type) override;
    host::HRESULT SetMediaType(const host::AM_MEDIA_TYPE* type) override;
    host::HRESULT DoRenderSample(host::IMediaSample* sample) override;

    // pitch x frameHeight bytes, top row first, B G R: the start of the renderer's own
    // frame, which goes with it (the movie player only borrows it). Null until a sample
    // of the format set comes.
    uint8_t* buffer = nullptr;
    std::atomic<int32_t> newFrame{0};  // waiters on it are woken when it is raised
    int32_t bottomUp = 0;
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t pitch = 0;
    // Held while a sample is taken in and while the player reads the buffer, so that a
    // frame is never seen half old, half new, nor let go of while it is read.
    std::mutex frameLock;

private:
    bool OwnFrame();

    std::vector<uint8_t> frame_;  // may be longer than the frame
};

// A new renderer (no reference yet: the graph it is added to owns it), or null when
// memory runs out. *result (when given) is S_OK.
D_CFrameCopyRenderer* CreateFrameCopyRenderer(host::IUnknown* outer, host::HRESULT* result);

}  // namespace orvik
