// Ten seconds of 640 x 480 video (encoded once at start with libavcodec, every block
// moving) decoded into a graphic frame by frame as the clock runs, on the software path
// and on the device path, each pass paired with the same file decoded by its peer with
// one thread, pictures left in their planes: MPEG-4 in AVI through the media graph
// against FFmpeg (the decode `ffmpeg -threads 1 -i file -f null -` makes), and Theora in Ogg
// through the engine's own decoder against libtheora. "x_peer" is the engine's rate as a
// share of its peer's: the median of seven pairs' peer time over engine time, from one run.
// Run it pinned to one core (taskset -c N) for the figure that counts: the engine's work
// on top of the decode then shows in full. "x_realtime" is seconds of movie per second of
// the engine's passes, "x_cpu" per second of the process's processor time over them
// (every thread): on a shared machine, where other programs take turns on the pinned
// core, it still counts only the work done.
#include <benchmark/benchmark.h>
#include <orvik/graphics.h>
#include <orvik/log.h>
#include <orvik/movie.h>
#include <orvik/platform.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}
#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/engine_start.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/movies/graph_movie.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/sound/movies/frame_copy_renderer.h"
#include "engine/sound/movies/movie.h"
#include "host/backends/backend.h"
#include "host/clock.h"
#include "host/win/system/instance_lock.h"
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

// The bench's movie of `kind`, written on first use.
std::string Movie(movie_test::AvKind kind) {
    const std::string p = Directory() + (kind == movie_test::AvKind::TheoraOgg ? "/bench.ogv" : "/bench.avi");
    static bool written[2] = {};
    bool& done = written[kind == movie_test::AvKind::TheoraOgg];
    if (!done) {
        movie_test::AvMovie m{kind, kFrames, 640, 480, kFps, 0};
        m.busy = true;
        if (!movie_test::WriteAvMovie(p, m).empty()) std::abort();
        done = true;
    }
    return p;
}

double Now(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Wall and processor seconds of one run of `work`.
struct Timed {
    double wall = 0, cpu = 0;
};
template <class Work>
Timed Time(Work&& work) {
    const double wall = Now(CLOCK_MONOTONIC), cpu = Now(CLOCK_PROCESS_CPUTIME_ID);
    work();
    return Timed{Now(CLOCK_MONOTONIC) - wall, Now(CLOCK_PROCESS_CPUTIME_ID) - cpu};
}

// Each iteration the engine's pass over the movie, then its peer's decode of the file:
// the pass is the iteration's time, and each pair gives one ratio, so both sides see the
// same machine.
template <class Engine, class Peer>
void AgainstPeer(benchmark::State& state, Engine&& engine, Peer&& peer) {
    std::vector<double> ratios;
    Timed passes;
    for (auto _ : state) {
        const Timed pass = Time(engine);
        state.SetIterationTime(pass.wall);
        passes.wall += pass.wall;
        passes.cpu += pass.cpu;
        ratios.push_back(Time(peer).wall / pass.wall);
    }
    if (ratios.empty()) return;
    std::sort(ratios.begin(), ratios.end());
    const double seconds = kSeconds * double(ratios.size());
    state.counters["x_realtime"] = seconds / std::max(passes.wall, 1e-9);
    state.counters["x_cpu"] = seconds / std::max(passes.cpu, 1e-9);
    state.counters["x_peer"] = ratios[ratios.size() / 2];
}

int g_handed = 0;
int CountFrames(orvik::MovieRecord* movie, uint32_t graph) {
    ++g_handed;
    return orvik::MovieFrameToGraphCallback(movie, graph);
}

// The library started on the headless backend with the manual clock, and the movie
// loaded as a graphic whose frames are counted as they are handed over.
int32_t StartWithMovie(bool device, const std::string& path) {
    host::UseManualClock(true);
    orvik::SetGraphMode(640, 480, 32);
    bench_support::StartEngine(device);
    const int32_t graph = orvik::LoadGraphFile(path.c_str(), 0, 0, 0);
    if (graph < 0) std::abort();
    orvik::SetMovieFrameCallback(orvik::GetGraphRecord(graph)->movie, CountFrames, uint32_t(graph));
    return graph;
}

void Finish(int32_t graph) {
    orvik::DeleteGraphHandle(graph);
    orvik::EndLibrary();
    host::UseManualClock(false);
}

// The peer of the MPEG-4 pair: the same demuxer and decoder, one thread, pictures left
// in their planes. Returns the pictures decoded.
int FfmpegDecode(const std::string& path) {
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
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&c);
    avformat_close_input(&format);
    return frames;
}

// The peer of the Theora pair: libtheora's decoder fed the file's packets, each picture
// taken out in its planes. Returns the pictures decoded.
int LibtheoraDecode(const std::vector<uint8_t>& file) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* into = ogg_sync_buffer(&sync, long(file.size()));
    std::copy(file.begin(), file.end(), into);
    ogg_sync_wrote(&sync, long(file.size()));
    th_info info;
    th_comment comment;
    th_setup_info* setup = nullptr;
    th_info_init(&info);
    th_comment_init(&comment);
    ogg_stream_state stream;
    bool streaming = false;
    th_dec_ctx* decoder = nullptr;
    int frames = 0;
    ogg_page page;
    ogg_packet packet;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        if (!streaming && ogg_page_bos(&page)) {
            ogg_stream_init(&stream, ogg_page_serialno(&page));
            streaming = true;
        }
        if (!streaming || ogg_stream_pagein(&stream, &page) != 0) continue;
        while (ogg_stream_packetout(&stream, &packet) == 1) {
            // The headers end at the first packet of pictures, which is decoded too.
            if (!decoder && (th_decode_headerin(&info, &comment, &setup, &packet) != 0 ||
                             !(decoder = th_decode_alloc(&info, setup))))
                continue;
            th_ycbcr_buffer planes;
            if (th_decode_packetin(decoder, &packet, nullptr) >= 0 && th_decode_ycbcr_out(decoder, planes) == 0)
                ++frames;
        }
    }
    th_decode_free(decoder);
    th_setup_free(setup);
    th_comment_clear(&comment);
    th_info_clear(&info);
    if (streaming) ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
    return frames;
}

void BM_MovieIntoGraphic(benchmark::State& state) {
    const std::string path = Movie(movie_test::AvKind::Mpeg4Avi);
    const int32_t graph = StartWithMovie(state.range(0) != 0, path);
    const int movie = orvik::GetGraphRecord(graph)->movie;
    orvik::D_CFrameCopyRenderer* renderer = orvik::GetMovieRecord(movie)->renderer;
    const auto pass = [&] {
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
    };
    AgainstPeer(state, pass, [&] {
        if (FfmpegDecode(path) != kFrames) state.SkipWithError("not every frame decoded by FFmpeg");
    });
    Finish(graph);
}

// A Theora movie hands over its due frame at every update; the decoder's thread keeps
// frames ready ahead of it.
void BM_TheoraIntoGraphic(benchmark::State& state) {
    const std::string path = Movie(movie_test::AvKind::TheoraOgg);
    const std::vector<uint8_t> file = movie_test::ReadFileBytes(path);
    const int32_t graph = StartWithMovie(state.range(0) != 0, path);
    const int movie = orvik::GetGraphRecord(graph)->movie;
    const auto pass = [&] {
        orvik::SeekMovieToGraph(graph, 0);
        orvik::PlayMovieToGraph(graph, 1);
        g_handed = 0;
        for (int frame = 1; frame < kFrames; ++frame) {
            host::AdvanceManualClock(1000000 / kFps);
            orvik::UpdateMovie(movie);
        }
        if (g_handed < kFrames - 1) state.SkipWithError("not every frame handed over");
        orvik::PauseMovieToGraph(graph);
    };
    AgainstPeer(state, pass, [&] {
        if (LibtheoraDecode(file) != kFrames) state.SkipWithError("not every frame decoded by libtheora");
    });
    Finish(graph);
}

BENCHMARK(BM_MovieIntoGraphic)->Arg(0)->Arg(1)->Iterations(7)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_TheoraIntoGraphic)->Arg(0)->Arg(1)->Iterations(7)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
