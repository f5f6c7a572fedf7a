#include "engine/sound/movies/frame_copy_renderer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/sound/movies/movie.h"

namespace orvik {

D_CFrameCopyRenderer::D_CFrameCopyRenderer(host::IUnknown* outer, host::HRESULT* result)
    : host::D_CBaseVideoRenderer(CLSID_FrameCopyRenderer, nullptr, outer, result) {
    if (result) *result = host::S_OK;
}

namespace {

// The picture's width and (signed) height from the format block; false when the block
// describes no picture: too short for the header, a negative width, or a row or height
// that 32 bits cannot hold.
bool ReadPictureSize(const host::AM_MEDIA_TYPE* type, int64_t* width, int64_t* height) {
    host::VIDEOINFOHEADER info;
    if (!type || !type->pbFormat || type->cbFormat < sizeof info) return false;
    std::memcpy(&info, type->pbFormat, sizeof info);
    *width = info.bmiHeader.biWidth, *height = info.bmiHeader.biHeight;
    return *width >= 0 && (*width + 1) * 3 <= INT32_MAX && *height != INT32_MIN;
}

}  // namespace

host::HRESULT D_CFrameCopyRenderer::CheckMediaType(const host::AM_MEDIA_TYPE* type) {
    if (!type) return host::E_POINTER;
    if (type->formattype != host::FORMAT_VideoInfo) return host::E_INVALIDARG;
    if (type->majortype != host::MEDIATYPE_Video) return host::E_FAIL;
    if (type->subtype != host::MEDIASUBTYPE_RGB24) return host::E_FAIL;
    // Frames no graphic can hold are refused before anything is allocated for them.
    int64_t width = 0, height = 0;
    if (!ReadPictureSize(type, &width, &height)) return host::E_INVALIDARG;
    return CheckMovieFrameSize(int(width), int(std::abs(height))) == 0 ? host::S_OK : host::E_FAIL;
}

host::HRESULT D_CFrameCopyRenderer::SetMediaType(const host::AM_MEDIA_TYPE* type) {
    int64_t width = 0, height = 0;
    if (!ReadPictureSize(type, &width, &height)) return host::E_INVALIDARG;
    std::lock_guard hold(frameLock);
    frameWidth = int32_t(width);
    bottomUp = height < 0 ? 0 : 1;
    frameHeight = int32_t(height < 0 ? -height : height);
    pitch = (frameWidth + 1) * 3 & ~3;
    // The frame is made when the first sample comes: one over a buffer of the graph's is
    // taken over as it is, so a frame made here would only be let go of unused.
    frame_ = {};
    buffer = nullptr;
    newFrame = 0;
    return host::S_OK;
}

// A frame of the renderer's own for a sample it copies; false when memory runs out.
bool D_CFrameCopyRenderer::OwnFrame() {
    const size_t bytes = size_t(pitch) * size_t(frameHeight);
    try {
        if (frame_.size() < bytes) frame_.resize(bytes);
    } catch (const std::bad_alloc&) {
        frame_ = {};
        buffer = nullptr;
        return false;
    }
    buffer = frame_.data();
    return true;
}

host::HRESULT D_CFrameCopyRenderer::DoRenderSample(host::IMediaSample* sample) {
    if (!sample) return host::E_POINTER;
    std::lock_guard hold(frameLock);
    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    // A sample shorter than a whole frame would be read past its end; before a format
    // there is no frame.
    const size_t bytes = size_t(pitch) * size_t(frameHeight);
    if (!data || bytes == 0 || size_t(sample->GetActualDataLength()) < bytes) return host::S_OK;
    if (!bottomUp && TakeSampleBuffer(sample, frame_)) {
        buffer = frame_.data();
    } else if (!OwnFrame()) {
        return host::S_OK;
    } else if (bottomUp) {
        for (int32_t row = 0; row < frameHeight; ++row)
            std::memcpy(buffer + size_t(frameHeight - 1 - row) * size_t(pitch), data + size_t(row) * size_t(pitch),
                        size_t(pitch));
    } else {
        std::memcpy(buffer, data, bytes);
    }
    newFrame = 1;
    newFrame.notify_all();
    return host::S_OK;
}

D_CFrameCopyRenderer* CreateFrameCopyRenderer(host::IUnknown* outer, host::HRESULT* result) {
    return new (std::nothrow) D_CFrameCopyRenderer(outer, result);
}

}  // namespace orvik
