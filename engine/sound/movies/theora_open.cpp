// Opening and closing Theora movies: the header scan, the table pass over the whole
// file, the frame image, the stock and the decode thread.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/platform/base/log.h"
#include "engine/sound/movies/movie.h"
#include "engine/sound/movies/theora_movie.h"
#include "host/thread_start.h"

namespace orvik {

namespace {

// Stock frames are copies of the decoder's pictures, each as large as the frame: of large
// frames the stock keeps fewer, within this many bytes, but always the frame shown and
// the next, so that the thread still decodes ahead.
constexpr size_t kMostStockBytes = size_t(8) << 20;

size_t StockFrames(const theora_info& info, int asked) {
    const size_t width = info.width, height = info.height;
    const size_t chromaWidth = info.pixelformat == OC_PF_444 ? width : width / 2;
    const size_t chromaHeight = info.pixelformat == OC_PF_420 ? height / 2 : height;
    const size_t frameBytes = std::max<size_t>(width * height + 2 * chromaWidth * chromaHeight, 1);
    return std::min(size_t(std::max(asked, 1)), std::max<size_t>(kMostStockBytes / frameBytes, 2));
}

bool StartsWithOggS(const FileAccessFunctions& f, FileAccessHandle file) {
    char magic[4] = {};
    const size_t got = f.read(magic, 1, 4, file);
    f.seek(file, 0, 0);
    return got == 4 && std::memcmp(magic, "OggS", 4) == 0;
}

// Headers, decoder, tables, frame image and stock; -1 (logged where worth it) on failure.
int PrepareMovie(TheoraMovie* m, int stockCount) {
    if (ScanTheoraHeaders(m) != 1) return -1;
    // The decoder's reference pictures alone take several times the frame's size (whose
    // sides the header gives in 16-bit counts of 16 pixels).
    if (CheckMovieFrameSize(int(m->info.width), int(m->info.height)) != 0) return -1;
    if (theora_decode_init(&m->decoder, &m->info) != 0) return -1;
    m->decoderMade = true;
    if (BuildTheoraTables(m) != 0) return -1;
    // A stream of headers only has nothing to show and no frame to time against.
    if (m->frameCount < 1) return -1;
    SetupTheoraSurface(m);
    if (NewXrgb32BaseImage(int(m->info.width), int(m->info.height), &m->frameImage) != 0)
        return AddLogText("Theora ムービーデコードフレームストック用画像バッファの確保に失敗しました\n");
    try {
        m->stock.resize(StockFrames(m->info, stockCount));
    } catch (const std::bad_alloc&) {
        return AddLogText("Theora ムービーデコードフレームストック用のメモリ確保に失敗しました\n");
    }
    return 0;
}

struct TheoraMovieCloser {
    void operator()(TheoraMovie* m) const { CloseTheoraMovie(m); }
};
// Owns a movie until it is handed out, so that an open failing on the way, memory running
// short included, closes it.
using TheoraMovieOwner = std::unique_ptr<TheoraMovie, TheoraMovieCloser>;

}  // namespace

int32_t ReadTheoraFileChunk(TheoraMovie* m, int32_t bytes) {
    char* buffer = ogg_sync_buffer(&m->syncState, bytes);
    if (!buffer) return 0;
    const size_t got = m->fileFunctions.read(buffer, 1, size_t(bytes), m->file);
    ogg_sync_wrote(&m->syncState, long(got));
    return int32_t(got);
}

TheoraMovie* OpenTheoraMovie(const FileAccessFunctions* functions, FileAccessHandle file, int stockCount) {
    if (!functions || !functions->read || !functions->seek || !file) return nullptr;
    if (!StartsWithOggS(*functions, file)) return nullptr;
    TheoraMovieOwner m(new (std::nothrow) TheoraMovie);
    if (!m) {
        AddLogText("Theora ムービーデコード処理用のメモリ確保に失敗しました\n");
        return nullptr;
    }
    ogg_sync_init(&m->syncState);
    theora_info_init(&m->info);
    theora_comment_init(&m->comment);
    m->fileFunctions = *functions;
    m->file = file;
    if (PrepareMovie(m.get(), stockCount) != 0) return nullptr;
    // The thread's first job is the seek to frame 0; the frame is converted once it is in.
    m->currentFrame = m->seekTarget = 0;
    m->seekRequest = 1;
    m->pauseRequest = 0;
    if (!host::StartThread(m->thread, [movie = m.get()] { TheoraDecodeThread(movie); })) {
        AddLogText("Theora ムービーデコード用スレッドの作成に失敗しました\n");
        return nullptr;
    }
    // Frame 0 goes into the video surface where there is one (graphics takes frames from
    // it), else into the image; either is filled later from the stock when asked, so no
    // frame-sized image is written for nothing.
    ConvertTheoraFrame(m.get(), m->surface ? 0 : 1, 1);
    return m.release();
}

int CloseTheoraMovie(TheoraMovie* m) {
    if (!m) return 0;
    if (m->thread.joinable()) {
        {
            std::lock_guard<std::mutex> hold(m->lock);
            m->stopRequest = 1;
        }
        m->changed.notify_all();
        m->thread.join();
    }
    ReleaseTheoraSurface(m);
    FreeBaseImage(&m->frameImage);
    if (m->streamMade) ogg_stream_clear(&m->streamState);
    if (m->decoderMade) theora_clear(&m->decoder);
    theora_comment_clear(&m->comment);
    theora_info_clear(&m->info);
    ogg_sync_clear(&m->syncState);
    delete m;
    return 0;
}

int GetTheoraMovieInfo(const TheoraMovie* m, TheoraMovieInfo* out) {
    if (!m || !out) return 0;
    const uint32_t num = m->info.fps_numerator, den = m->info.fps_denominator;
    out->frameRate = den ? double(num) / double(den) : 0.0;
    out->frameCount = int32_t(m->frameCount);
    out->width = int32_t(m->info.width);
    out->height = int32_t(m->info.height);
    return 0;
}

int GetTheoraCurrentFrame(TheoraMovie* m) {
    std::lock_guard<std::mutex> hold(m->lock);
    return m->currentFrame;
}

BaseImage* GetTheoraFrameImage(TheoraMovie* m) { return m ? &m->frameImage : nullptr; }

}  // namespace orvik
