// The video renderer at the end of a movie's media graph: it takes only uncompressed
// 24-bit RGB video and copies every sample the graph delivers into a frame buffer of its
// own, top row first, raising a new-frame flag that the movie player reads and clears.
// Nothing is shown by the filter itself.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

#include "host/graph/base_video_renderer.h"

namespace orvik {

constexpr host::REFCLSID CLSID_FrameCopyRenderer = "{71771540-2017-11CF-AE26-0020AFD79767}";

class D_CFrameCopyRenderer final : public host::D_CBaseVideoRenderer {
public:
    D_CFrameCopyRenderer(host::IUnknown* outer, host::HRESULT* result);
    // The buffer is the renderer's own and goes with it: the movie player only borrows it.
    ~D_CFrameCopyRenderer() override;

    host::HRESULT CheckMediaType(const host::AM_MEDIA_TYPE* type) override;
    host::HRESULT SetMediaType(const host::AM_MEDIA_TYPE* type) override;
    host::HRESULT DoRenderSample(host::IMediaSample* sample) override;

    uint8_t* buffer = nullptr;  // pitch x frameHeight bytes, top row first, B G R
    std::atomic<int32_t> newFrame{0};  // waiters on it are woken when it is raised
    int32_t bottomUp = 0;
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t pitch = 0;
    // Held while a sample is copied in and while the player reads the buffer, so that a
    // frame is never seen half old, half new.
    std::mutex frameLock;
};

// A new renderer (no reference yet: the graph it is added to owns it), or null when
// memory runs out. *result (when given) is S_OK.
D_CFrameCopyRenderer* CreateFrameCopyRenderer(host::IUnknown* outer, host::HRESULT* result);

}  // namespace orvik
