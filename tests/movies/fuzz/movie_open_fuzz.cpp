// Feeds arbitrary bytes to both movie openers, through a file as movies arrive: the Theora
// decoder, whose thread is walked through a few frames, and a media graph ending in the
// frame copy renderer, run without a clock to its end. Neither may crash, hang or leak.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "engine/platform/files/file_access.h"
#include "engine/sound/movies/frame_copy_renderer.h"
#include "engine/sound/movies/theora_movie.h"
#include "host/graph/graph_classes.h"

namespace {

const std::string& FuzzFile() {
    static const std::string path = "movie_fuzz_" + std::to_string(getpid()) + ".bin";
    return path;
}

void PlayTheora() {
    const orvik::FileAccessHandle file = orvik::FileAccessOpen(FuzzFile().c_str(), 0, 1, 0);
    if (!file) return;
    if (orvik::TheoraMovie* movie = orvik::OpenTheoraMovie(&orvik::ActiveFileAccessFunctions(), file, 4)) {
        for (int frame : {1, 5, 2}) {
            orvik::AdvanceTheoraFrame(movie, frame);
            orvik::ConvertTheoraFrame(movie, 1, 1);
        }
        orvik::SeekTheoraFrame(movie, 0);
        orvik::ConvertTheoraFrame(movie, 1, 1);
        orvik::CloseTheoraMovie(movie);
    }
    orvik::FileAccessClose(file);
}

void PlayGraph() {
    host::IGraphBuilder* graph = nullptr;
    if (host::graph::CreateFilterGraph(host::IID_IGraphBuilder, reinterpret_cast<void**>(&graph)) != host::S_OK) return;
    host::HRESULT hr = host::S_OK;
    orvik::D_CFrameCopyRenderer* renderer = orvik::CreateFrameCopyRenderer(nullptr, &hr);
    graph->AddFilter(renderer, "MovieRenderer");
    const std::u16string name(FuzzFile().begin(), FuzzFile().end());
    if (graph->RenderFile(name.c_str(), nullptr) >= 0) {
        host::IMediaFilter* filter = nullptr;
        host::IMediaControl* control = nullptr;
        host::IMediaSeeking* seeking = nullptr;
        graph->QueryInterface(host::IID_IMediaFilter, reinterpret_cast<void**>(&filter));
        graph->QueryInterface(host::IID_IMediaControl, reinterpret_cast<void**>(&control));
        graph->QueryInterface(host::IID_IMediaSeeking, reinterpret_cast<void**>(&seeking));
        filter->SetSyncSource(nullptr);
        control->Run();
        long code = 0;
        host::REFERENCE_TIME start = 0;
        seeking->SetPositions(&start, host::AM_SEEKING_AbsolutePositioning, nullptr, host::AM_SEEKING_NoPositioning);
        host::IMediaEvent* events = nullptr;
        graph->QueryInterface(host::IID_IMediaEvent, reinterpret_cast<void**>(&events));
        events->WaitForCompletion(5000, &code);
        events->Release();
        seeking->Release();
        control->Release();
        filter->Release();
    }
    graph->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 16)) return 0;
    FILE* f = std::fopen(FuzzFile().c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    PlayTheora();
    PlayGraph();
    std::remove(FuzzFile().c_str());
    return 0;
}
