// Ten seconds of 640 x 480 MPEG-4 video in AVI (encoded once at start with libavcodec,
// every block moving) decoded into a graphic through the media graph, frame by frame as
// the clock runs, on the software path and on the device path; beside it FFmpeg's own
// decode of the same file with the same decoder settings (one thread), the peer. Run it
// pinned to one core (taskset -c N) for the figure that counts: the engine's work on top
// of the decode then shows in full.
// "x_realtime" is seconds of movie per second; the ratio of the two rates is the figure.
#include <benchmark/benchmark.h>
#include <orvik/graphics.h>
#include <orvik/log.h>
#include <orvik/movie.h>
#include <orvik/platform.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdlib>
#include <string>

#include "engine/graphics/graph_handles.h"
#include "engine/graphics/graph_movie.h"
#include "engine/graphics/graphics_system.h"
#include "engine/sound/frame_copy_renderer.h"
#include "engine/sound/movie.h"
#include "host/backends/backend.h"
#include "host/clock.h"
#include "host/win/instance_lock.h"
#include "tests/movies/av_movie_maker.h"

namespace {

constexpr int kFrames = 250, kFps = 25;
constexpr double kSeconds = double(kFrames) / kFps;

const std::string& Directory() {
    static const std::string dir = [] {
        const std::string d = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/orvik_bench_movies";
        if (std::system(("mkdir -p " + d).c_str()) != 0) std::abort();
        return d;
    }();
    return dir;
}

const std::string& Movie() {
    static const std::string path = [] {
        const std::string p = Directory() + "/bench.avi";
        movie_test::AvMovie m{movie_test::AvKind::Mpeg4Avi, kFrames, 640, 480, kFps, 0};
        m.busy = true;
        if (!movie_test::WriteAvMovie(p, m).empty()) std::abort();
        return p;
    }();
    return path;
}

int g_handed = 0;
int CountFrames(orvik::MovieRecord* movie, uint32_t graph) {
    ++g_handed;
    return orvik::MovieFrameToGraphCallback(movie, graph);
}

void BM_MovieIntoGraphic(benchmark::State& state) {
    const bool device = state.range(0) != 0;
    const std::string path = Movie();
    host::UseBackend("headless");
    host::SetRuntimeDirectory(Directory());
    host::UseManualClock(true);
    orvik::SetLogFileEnabled(0);
    orvik::ChangeWindowMode(1);
    orvik::SetUseHardwareRendering(device ? 1 : 0);
    orvik::SetGraphMode(640, 480, 32);
    if (orvik::InitLibrary() != 0 || orvik::Graphics().direct3DMode != (device ? 1 : 0)) std::abort();
    const int32_t graph = orvik::LoadGraphFile(path.c_str(), 0, 0, 0);
    if (graph < 0) std::abort();
    const int movie = orvik::GetGraphRecord(graph)->movie;
    orvik::SetMovieFrameCallback(movie, CountFrames, uint32_t(graph));
    orvik::D_CFrameCopyRenderer* renderer = orvik::GetMovieRecord(movie)->renderer;
    for (auto _ : state) {
        orvik::SeekMovieToGraph(graph, 0);
        orvik::PlayMovieToGraph(graph, 1);
        g_handed = 0;
        // Each frame as its time comes; the graph decodes ahead meanwhile. The wait for a
        // frame blocks, so that on one core it leaves the decoder its time.
        for (int frame = 1; frame <= kFrames; ++frame) {
            while (g_handed < frame) {
                renderer->newFrame.wait(0);
                orvik::UpdateMovie(movie);
            }
            host::AdvanceManualClock(1000000 / kFps);
        }
        orvik::PauseMovieToGraph(graph);
    }
    state.counters["x_realtime"] = benchmark::Counter(kSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
    orvik::DeleteGraphHandle(graph);
    orvik::EndLibrary();
    host::UseManualClock(false);
}

// The peer: the same demuxer and decoder, pictures left in their planes.
void BM_FfmpegDecode(benchmark::State& state) {
    const std::string path = Movie();
    for (auto _ : state) {
        AVFormatContext* format = nullptr;
        if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0 ||
            avformat_find_stream_info(format, nullptr) < 0)
            std::abort();
        const AVCodec* codec = nullptr;
        const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
        AVCodecContext* c = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(c, format->streams[index]->codecpar);
        c->thread_count = 1;
        if (avcodec_open2(c, codec, nullptr) < 0) std::abort();
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        int frames = 0;
        auto drain = [&] {
            while (avcodec_receive_frame(c, frame) == 0) ++frames;
        };
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == index && avcodec_send_packet(c, packet) >= 0) drain();
            av_packet_unref(packet);
        }
        avcodec_send_packet(c, nullptr);
        drain();
        if (frames != kFrames) state.SkipWithError("not every frame decoded");
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&c);
        avformat_close_input(&format);
    }
    state.counters["x_realtime"] = benchmark::Counter(kSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_FfmpegDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MovieIntoGraphic)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
