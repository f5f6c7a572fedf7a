// The main thread's side of a Theora movie: moving the current frame and converting it
// into the frame image once the decode thread has it in the stock.
#include <algorithm>

#include "engine/sound/movies/theora_movie.h"
#include "engine/sound/movies/yuv_convert.h"

namespace orvik {

namespace {

// However slow the machine, a frame that has not come after this long never will.
constexpr auto kFrameWaitLimit = std::chrono::seconds(10);

const TheoraStockFrame* FindStock(const TheoraMovie* m, int32_t frame) {
    for (const TheoraStockFrame& s : m->stock)
        if (s.valid && s.frameNo == frame) return &s;
    return nullptr;
}

}  // namespace

int SeekTheoraFrame(TheoraMovie* m, int32_t frame) {
    if (!m) return 0;
    // Frames are numbered 0 ... count - 1; a target past the end shows the last one.
    frame = std::clamp<int32_t>(frame, 0, int32_t(m->frameCount) - 1);
    {
        std::lock_guard<std::mutex> hold(m->lock);
        if (frame == m->currentFrame) return 0;
        m->imageDone = m->surfaceDone = 0;
        m->currentFrame = m->seekTarget = frame;
        m->seekRequest = 1;
    }
    m->changed.notify_all();
    return 0;
}

int AdvanceTheoraFrame(TheoraMovie* m, int32_t n) {
    if (!m || n < 1) return 0;
    {
        std::lock_guard<std::mutex> hold(m->lock);
        int64_t frame = int64_t(m->currentFrame) + n;
        if (frame >= m->frameCount) frame -= m->frameCount;
        m->currentFrame = int32_t(std::clamp<int64_t>(frame, 0, m->frameCount - 1));
        // A move gives a decode that met the end of a damaged file another try.
        m->endOfStream = 0;
        m->imageDone = m->surfaceDone = 0;
    }
    m->changed.notify_all();
    return 0;
}

int ConvertTheoraFrame(TheoraMovie* m, int wantImage, int wantSurface) {
    if (!m) return 0;
    const bool surface = wantSurface && m->surface && !m->surfaceDone, image = wantImage && !m->imageDone;
    if (!surface && !image) return 0;
    std::unique_lock<std::mutex> lock(m->lock);
    const TheoraStockFrame* frame = nullptr;
    const bool settled = m->changed.wait_for(lock, kFrameWaitLimit, [&] {
        if (m->seekRequest || m->state == kTheoraSeeking) return false;
        frame = FindStock(m, m->currentFrame);
        return frame || m->endOfStream || m->state == kTheoraEnded;
    });
    if (!settled || !frame) return 0;
    // The thread drops only frames outside the window around the current frame, and the
    // lock keeps this one in place while it is read.
    const bool surfaceTook = surface && CopyFrameToSurface(m, *frame);
    if (surfaceTook) m->surfaceDone = 1;
    // A frame the surface did not take goes into the image, which graphics then takes.
    const bool toImage = image || (surface && !surfaceTook && !m->imageDone);
    if (toImage) {
        const YuvPlanes planes{frame->y.data(), frame->u.data(), frame->v.data(), frame->yWidth, frame->yHeight,
                               frame->yStride, frame->cWidth, frame->cHeight, frame->cStride};
        ConvertYuvToXrgb(planes, &m->frameImage);
        m->imageDone = 1;
    }
    return surfaceTook || toImage ? 1 : 0;
}

}  // namespace orvik
