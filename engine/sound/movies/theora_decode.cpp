// The decode thread of a Theora movie: keeps the stock filled with the frames from the
// current one onwards (wrapping to the start), seeks by the page table, and waits on the
// movie's condition when there is nothing to do instead of spinning.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/platform/files/seek_from_start.h"
#include "engine/sound/movies/theora_movie.h"

namespace orvik {

namespace {

using Lock = std::unique_lock<std::mutex>;

void SetState(TheoraMovie* m, int32_t state) {
    if (m->state == state) return;
    m->state = state;
    m->changed.notify_all();
}

// Next packet of the Theora stream, reading pages and chunks as needed; false at the end.
bool NextPacket(TheoraMovie* m) {
    for (;;) {
        const int got = ogg_stream_packetout(&m->streamState, &m->packet);
        if (got > 0) return true;
        if (got < 0) continue;
        const int page = ogg_sync_pageout(&m->syncState, &m->oggPage);
        if (page > 0) {
            ogg_stream_pagein(&m->streamState, &m->oggPage);
            continue;
        }
        if (page == 0 && ReadTheoraFileChunk(m, kTheoraReadChunk) == 0) return false;
    }
}

// Brings the decoder's output to frame want: forwards by decoding, otherwise (backwards,
// or when a seek passes over a far stretch of the file) by a seek.
bool DecodeTo(TheoraMovie* m, int32_t want) {
    if (want == m->decodedFrame && m->outputReady) return true;
    if (want > m->decodedFrame && !TheoraSeekPassesOver(m, want))
        return DecodeTheoraFrames(m, want - m->decodedFrame) >= 0;
    return SeekTheoraDecoder(m, want);
}

void CopyPlane(std::vector<uint8_t>& to, const unsigned char* from, int stride, int width, int height) {
    to.resize(size_t(width) * size_t(height));
    for (int row = 0; row < height; ++row)
        std::memcpy(to.data() + size_t(row) * size_t(width), from + ptrdiff_t(row) * stride, size_t(width));
}

// Whether the decoder's picture has the planes the stream's header promises: the frame's
// size, with chroma halved across unless the layout is 4:4:4 and down when it is 4:2:0.
// Anything else is not a picture of this stream, whatever the decoder says.
bool PlanesFitHeader(const theora_info& info, const yuv_buffer& yuv) {
    const int64_t width = info.width, height = info.height;
    const int64_t chromaWidth = info.pixelformat == OC_PF_444 ? width : width / 2;
    const int64_t chromaHeight = info.pixelformat == OC_PF_420 ? height / 2 : height;
    return yuv.y && yuv.u && yuv.v && yuv.y_width == width && yuv.y_height == height &&
           yuv.uv_width == chromaWidth && yuv.uv_height == chromaHeight && std::abs(int64_t(yuv.y_stride)) >= width &&
           std::abs(int64_t(yuv.uv_stride)) >= chromaWidth;
}

// The decoder's picture into a stock frame; rows are taken one by one, so a picture whose
// strides run backwards through memory is copied top row first as well. False when the
// decoder holds no picture of the frame, or one this stream cannot have.
bool StorePicture(TheoraMovie* m, TheoraStockFrame& frame) {
    yuv_buffer yuv{};
    if (!m->outputReady || theora_decode_YUVout(&m->decoder, &yuv) != 0 || !PlanesFitHeader(m->info, yuv)) return false;
    try {
        CopyPlane(frame.y, yuv.y, yuv.y_stride, yuv.y_width, yuv.y_height);
        CopyPlane(frame.u, yuv.u, yuv.uv_stride, yuv.uv_width, yuv.uv_height);
        CopyPlane(frame.v, yuv.v, yuv.uv_stride, yuv.uv_width, yuv.uv_height);
    } catch (const std::bad_alloc&) {
        return false;
    }
    frame.yWidth = frame.yStride = yuv.y_width;
    frame.yHeight = yuv.y_height;
    frame.cWidth = frame.cStride = yuv.uv_width;
    frame.cHeight = yuv.uv_height;
    return true;
}

bool InStock(const TheoraMovie* m, int32_t frame) {
    return std::any_of(m->stock.begin(), m->stock.end(),
                       [&](const TheoraStockFrame& s) { return s.valid && s.frameNo == frame; });
}

// Drops stock frames outside the window of stock-count frames from the current one
// (wrapping past the end) and gives the first window frame not in stock, or -1.
int32_t NextWantedFrame(TheoraMovie* m) {
    const int64_t count = m->frameCount, window = std::min<int64_t>(int64_t(m->stock.size()), count);
    const int64_t current = std::max(m->currentFrame, 0);
    for (TheoraStockFrame& s : m->stock)
        if (s.valid && (s.frameNo - current + count) % count >= window) s.valid = 0;
    for (int64_t k = 0; k < window; ++k) {
        const int32_t frame = int32_t((current + k) % count);
        if (!InStock(m, frame)) return frame;
    }
    return -1;
}

TheoraStockFrame* FreeStockFrame(TheoraMovie* m) {
    for (TheoraStockFrame& s : m->stock)
        if (!s.valid) return &s;
    return nullptr;
}

void RunSeek(TheoraMovie* m, Lock& lock) {
    SetState(m, kTheoraSeeking);
    const int32_t target = m->seekTarget;
    m->seekRequest = 0;
    for (TheoraStockFrame& s : m->stock) s.valid = 0;
    lock.unlock();
    const bool reached = SeekTheoraDecoder(m, target);
    lock.lock();
    m->endOfStream = reached ? 0 : 1;
    m->changed.notify_all();
}

// Decodes one wanted frame into a free stock frame; false when there was nothing to do.
bool DecodeAhead(TheoraMovie* m, Lock& lock) {
    if (m->endOfStream) return false;
    const int32_t want = NextWantedFrame(m);
    TheoraStockFrame* slot = want < 0 ? nullptr : FreeStockFrame(m);
    if (!slot) {
        SetState(m, kTheoraIdle);
        return false;
    }
    SetState(m, kTheoraDecoding);
    // The slot is not valid, so the main thread does not read it while it is written.
    lock.unlock();
    const bool got = DecodeTo(m, want) && StorePicture(m, *slot);
    lock.lock();
    if (got) {
        slot->valid = 1;
        slot->frameNo = want;
    } else {
        m->endOfStream = 1;
    }
    m->changed.notify_all();
    return true;
}

// A packet the decoder refuses leaves no picture of its frame (before the first one it
// leaves none at all); a dropped frame repeats the picture before it, once there is one.
void TakePacket(TheoraMovie* m) {
    const int result = theora_decode_packetin(&m->decoder, &m->packet);
    m->outputReady = result == 0 || (result == OC_DUPFRAME && m->pictureDecoded);
    m->pictureDecoded = m->pictureDecoded || m->outputReady;
}

}  // namespace

void RewindTheoraStream(TheoraMovie* m, int64_t offset) {
    ogg_sync_reset(&m->syncState);
    ogg_stream_reset(&m->streamState);
    SeekFromStart(m->fileFunctions.seek, m->file, offset);
}

int DecodeTheoraFrames(TheoraMovie* m, int32_t n) {
    const int64_t first = int64_t(m->decodedFrame) + 1, last = std::min<int64_t>(first + n, m->frameCount) - 1;
    int64_t keyframe = -1;
    for (int64_t f = std::max<int64_t>(first, 0); f <= last; ++f)
        if (m->keyframeTable[size_t(f)]) keyframe = f;
    int lastKind = 0;
    for (int32_t counted = 0; counted < n;) {
        if (!NextPacket(m)) return -1;
        const int kind = theora_packet_iskeyframe(&m->packet);
        if (kind < 0) continue;
        // Packets before the last keyframe of the jump are not needed to show its end.
        if (keyframe < 0 || int64_t(m->decodedFrame) + 1 >= keyframe) TakePacket(m);
        ++m->decodedFrame;
        ++counted;
        lastKind = kind;
    }
    return lastKind == 1 ? 1 : 0;
}

void TheoraDecodeThread(TheoraMovie* m) {
    Lock lock(m->lock);
    while (!m->stopRequest) {
        if (m->pauseRequest) {
            SetState(m, kTheoraPaused);
            m->changed.wait(lock, [&] { return m->stopRequest || !m->pauseRequest; });
        } else if (m->seekRequest) {
            RunSeek(m, lock);
        } else if (!DecodeAhead(m, lock)) {
            // Woken by a move of the current frame, a request or the close.
            m->changed.wait(lock);
        }
    }
    SetState(m, kTheoraEnded);
}

}  // namespace orvik
