// Movies through the media graph: a graph that ends in the frame copy renderer is built
// for the file (through a temporary copy when the graph cannot find the file where it
// lies, as inside an archive), each new frame is handed to graphics, and the movie ends
// or starts over at its stop position or the end of its streams, whichever comes first.
#include <orvik/files.h>

#include <algorithm>
#include <string>

#include "engine/graphics/images/color_format.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/files/temp_file.h"
#include "engine/sound/movies/frame_copy_renderer.h"
#include "engine/sound/movies/movie.h"
#include "host/win/system/codepage.h"
#include "host/win/system/com.h"
#include "host/win/system/wide_text.h"

namespace orvik {

namespace {

constexpr size_t kCopyChunk = 1048576;
constexpr int64_t kShortestDuration = 166666;  // a sixtieth of a second in 100 ns

template <class Interface>
void ReleaseInterface(Interface*& object) {
    if (object) object->Release();
    object = nullptr;
}

void ReleaseGraphInterfaces(MovieRecord* r) {
    for (host::IUnknown*& i : r->windowInterfaces) ReleaseInterface(i);
    for (host::IUnknown*& i : r->spareInterfaces) ReleaseInterface(i);
    ReleaseInterface(r->graph);
    ReleaseInterface(r->mediaControl);
    ReleaseInterface(r->mediaSeeking);
    ReleaseInterface(r->basicAudio);
    ReleaseInterface(r->mediaEvent);
    r->renderer = nullptr;  // went with the graph
}

template <class Interface>
bool Query(host::IGraphBuilder* graph, host::REFIID iid, Interface** out) {
    return graph->QueryInterface(iid, reinterpret_cast<void**>(out)) >= 0;
}

// The source, the buffer and the temporary file of a copy, let go of on every way out;
// the temporary file is deleted too unless the record has taken it.
struct TempCopy {
    FileAccessHandle source = 0;
    uint8_t* buffer = nullptr;
    host::HFILE temp = host::INVALID_FILE_HANDLE;
    char tempPath[kMovieFileNameUnits] = {};
    bool taken = false;

    TempCopy() = default;
    TempCopy(const TempCopy&) = delete;
    TempCopy& operator=(const TempCopy&) = delete;
    ~TempCopy() {
        if (source) FileAccessClose(source);
        TrackedFree(buffer);
        if (temp == host::INVALID_FILE_HANDLE) return;
        host::CloseFile(temp);
        if (!taken) host::DeleteFileA(tempPath);
    }
};

// Copies the file into a new temporary file whose name goes into fileNameW. false when
// the file, the buffer or the temporary file cannot be had.
bool CopyToTempFile(MovieRecord* r, const char* fileName) {
    TempCopy c;
    c.source = FileAccessOpen(fileName, 0, 1, 0);
    if (!c.source) return false;
    FileAccessSeek(c.source, 0, 2);
    const int64_t size = std::max<int32_t>(FileAccessTell(c.source), 0);
    FileAccessSeek(c.source, 0, 0);
    c.buffer = static_cast<uint8_t*>(TrackedAlloc(kCopyChunk, "", 0));
    if (!c.buffer) return false;
    c.temp = CreateTempFile(c.tempPath);
    if (c.temp == host::INVALID_FILE_HANDLE) return false;
    host::MultiByteToWideChar(932, c.tempPath, r->fileNameW, kMovieFileNameUnits);
    r->tempFileMade = 1;
    c.taken = true;
    for (int64_t copied = 0; copied < size;) {
        const size_t chunk = size_t(std::min<int64_t>(size - copied, int64_t(kCopyChunk)));
        const size_t got = FileAccessRead(c.buffer, chunk, 1, c.source) == 1 ? chunk : 0;
        uint32_t written = 0;
        host::WriteFile(c.temp, c.buffer, uint32_t(got), &written);
        if (got == 0 || written < got) break;
        copied += int64_t(got);
    }
    return true;
}

// The graph with the renderer in it and the controls of the record; the failure's
// message, or empty.
std::string BuildGraph(MovieRecord* r) {
    if (host::CoCreateInstance(host::CLSID_FilterGraph, nullptr, host::CLSCTX_INPROC_SERVER | host::CLSCTX_INPROC_HANDLER,
                               host::IID_IGraphBuilder, reinterpret_cast<void**>(&r->graph)) < 0 ||
        !r->graph)
        return "CLSID_FilterGraph の作成に失敗しました";
    host::HRESULT hr = host::S_OK;
    r->renderer = CreateFrameCopyRenderer(nullptr, &hr);
    if (!r->renderer || r->graph->AddFilter(r->renderer, "MovieRenderer") < 0) {
        delete r->renderer;
        r->renderer = nullptr;
        return "Could not add renderer filter to graph!";
    }
    if (!Query(r->graph, host::IID_IBasicAudio, &r->basicAudio)) return "BasicAudio インターフェースの取得に失敗しました";
    if (!Query(r->graph, host::IID_IMediaControl, &r->mediaControl))
        return "IID_IMediaControlインターフェイスの取得に失敗しました";
    if (!Query(r->graph, host::IID_IMediaSeeking, &r->mediaSeeking))
        return "IID_IMediaSeekingインターフェイスの取得に失敗しました";
    if (!Query(r->graph, host::IID_IMediaEvent, &r->mediaEvent)) return "IID_IMediaEventインターフェイスの取得に失敗しました";
    return {};
}

// Renders the file by its own name; one the graph cannot find there (inside an archive, or
// a name the code page cannot carry) through a temporary copy. The failure's message says
// why the graph refused the file.
std::string RenderMovieFile(MovieRecord* r, const char* fileName) {
    host::MultiByteToWideChar(host::GetOEMCP(), fileName, r->fileNameW, kMovieFileNameUnits);
    host::HRESULT result = r->graph->RenderFile(r->fileNameW, nullptr);
    if (result == host::E_FILE_NOT_FOUND && CopyToTempFile(r, fileName)) {
        result = r->graph->RenderFile(r->fileNameW, nullptr);
        if (result < 0) {
            host::DeleteFileW(r->fileNameW);
            r->tempFileMade = 0;
        }
    }
    if (result >= 0) return {};
    const std::string why = host::GetGraphFailure(r->graph);
    const std::string failure = std::string("ファイル:") + fileName + " が開けませんでした";
    return why.empty() ? failure : failure + ": " + why;
}

// A run that broke off (a picture the decoders refuse, a thread that could not start)
// ends the movie where it is, without looping; its event, taken once, is logged.
void EndBrokenMovie(MovieRecord* r) {
    long event = 0;
    if (r->mediaEvent->GetEvent(&event, 0) == host::S_OK && event == host::EC_ERRORABORT)
        LogGraphFailure(r, "the movie stopped short of its end");
    r->playRequested = 0;
    r->stopped = 1;
}

}  // namespace

int LogGraphFailure(MovieRecord* r, const char* what) {
    const std::string why = host::GetGraphFailure(r->graph);
    if (why.empty()) return AddLogFormat("%s", what);
    return AddLogFormat("%s: %s", what, why.c_str());
}

int OpenMovieDirectShow(void*, MovieRecord* r, const char* fileName, int* width, int* height, int) {
    r->frameImage.pixels = nullptr;
    r->hasFrame = 0;
    std::fill(std::begin(r->windowState), std::end(r->windowState), 0);
    std::string failure = BuildGraph(r);
    if (failure.empty()) failure = RenderMovieFile(r, fileName);
    if (!failure.empty()) {
        ReleaseGraphInterfaces(r);
        return AddLogText((failure + "\n").c_str());
    }
    r->mediaSeeking->GetDuration(&r->duration);
    if (r->duration == 0) r->duration = kShortestDuration;
    r->mediaSeeking->GetStopPosition(&r->stopPosition);
    if (width) *width = r->renderer->frameWidth;
    if (height) *height = r->renderer->frameHeight;
    r->width = r->renderer->frameWidth;
    r->height = r->renderer->frameHeight;
    return 0;
}

void UpdateGraphMovie(MovieRecord* r) {
    D_CFrameCopyRenderer* renderer = r->renderer;
    if (renderer && renderer->newFrame.exchange(0) && r->frameCallback) {
        std::lock_guard hold(renderer->frameLock);
        r->frameImage.width = renderer->frameWidth;
        r->frameImage.height = renderer->frameHeight;
        r->frameImage.pitch = renderer->pitch;
        r->frameImage.pixels = renderer->buffer;
        FillRgb24ColorFormat(&r->frameImage.format);
        r->currentImage = &r->frameImage;
        r->frameCallback(r, r->callbackValue);
        r->hasFrame = 1;
    }
    if (!r->mediaSeeking || !r->mediaControl) return;
    host::REFERENCE_TIME position = 0;
    r->mediaSeeking->GetCurrentPosition(&position);
    // A file may say it lasts longer than its streams do: their end is the movie's end too.
    long event = 0;
    const bool streamsEnded = r->mediaEvent->WaitForCompletion(0, &event) == host::S_OK;
    if (streamsEnded && event == host::EC_ERRORABORT) return EndBrokenMovie(r);
    if (position < r->stopPosition && !streamsEnded) return;
    if (r->playType & 2) {
        host::REFERENCE_TIME start = 0, stop = 0;
        if (r->mediaSeeking->SetPositions(&start, host::AM_SEEKING_AbsolutePositioning, &stop,
                                          host::AM_SEEKING_NoPositioning) >= 0 &&
            r->mediaControl->Run() >= 0)
            return;
        LogGraphFailure(r, "the movie could not start over");
    }
    r->playRequested = 0;
    r->stopped = 1;
}

// The temporary file goes first; the renderer's buffer goes with the graph, which owns
// the renderer, so the frame image only lets go of it.
void CloseGraphMovie(MovieRecord* r) {
    if (r->tempFileMade == 1) {
        host::DeleteFileW(r->fileNameW);
        r->tempFileMade = 0;
    }
    if (r->windowMode == 1) {
        if (auto* overlay = static_cast<MovieOverlay*>(r->windowInterfaces[kMovieOverlaySurface]))
            overlay->UpdateOverlay(nullptr, nullptr, nullptr, DDOVER_HIDE);
    }
    r->frameImage.pixels = nullptr;
    ReleaseInterface(r->windowEvent);
    ReleaseGraphInterfaces(r);
}

}  // namespace orvik
