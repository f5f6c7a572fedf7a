// Opening a Theora movie whose later pages lie past a 2 GB gap (a sparse file made at
// start: a few seconds of 64 x 48 video whose pages after the first few are written
// beyond the 2 GB mark), as a graphic, on the software path and on the device path: the
// open's table pass reads the whole file, gap and all. Each open is paired with its peer,
// the same file read through once in 64 KB pieces into a page-aligned buffer, the least
// any reading of it can cost: "x_read" is the peer's time over the open's, the median of
// the pairs. Both paths read the file the same way, so they should show about the same
// times and ratios; run with the page cache warm (the first pair warms it).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <orvik/graphics.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/engine_start.h"
#include "bench/common/runtime_dir.h"
#include "host/clock.h"
#include "tests/movies/av_movie_maker.h"

namespace {

constexpr off_t kGapEnd = (off_t{1} << 31) + 100;
constexpr size_t kPiece = size_t(1) << 16;

// The movie, its first five pages (the headers and the first frames) at the start and the
// rest past the gap.
std::string SparseMovie() {
    const std::string dir = bench_support::ProcessRuntimeDirectory();
    const std::string small = dir + "/small.ogv", large = dir + "/large.ogv";
    if (!movie_test::WriteAvMovie(small, {movie_test::AvKind::TheoraOgg, 100, 64, 48, 25, 0}).empty()) std::abort();
    const std::vector<uint8_t> file = movie_test::ReadFileBytes(small);
    if (!movie_test::WriteSplitFile(large, file, movie_test::OggPagesBytes(file, 5), kGapEnd)) std::abort();
    return large;
}

double Seconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The peer: the whole file read once, 64 KB at a time, into a page-aligned buffer.
void ReadThrough(const std::string& path) {
    const std::unique_ptr<uint8_t, decltype(&std::free)> buffer(static_cast<uint8_t*>(std::aligned_alloc(4096, kPiece)),
                                                                 &std::free);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !buffer) std::abort();
    for (off_t at = 0;; at += off_t(kPiece))
        if (pread(fd, buffer.get(), kPiece, at) <= 0) break;
    close(fd);
}

void BM_TheoraOpenPastTwoGigabytes(benchmark::State& state) {
    static const std::string path = SparseMovie();
    host::UseManualClock(true);
    orvik::SetGraphMode(640, 480, 32);
    bench_support::StartEngine(state.range(0) != 0);
    ReadThrough(path);
    std::vector<double> ratios;
    for (auto _ : state) {
        const double start = Seconds();
        const int32_t graph = orvik::LoadGraphFile(path.c_str(), 0, 0, 0);
        const double opened = Seconds() - start;
        if (graph < 0) state.SkipWithError("the movie did not open");
        orvik::DeleteGraphHandle(graph);
        state.SetIterationTime(opened);
        const double peer = Seconds();
        ReadThrough(path);
        ratios.push_back((Seconds() - peer) / opened);
    }
    orvik::EndLibrary();
    host::UseManualClock(false);
    if (ratios.empty()) return;
    std::sort(ratios.begin(), ratios.end());
    state.counters["x_read"] = ratios[ratios.size() / 2];
}

BENCHMARK(BM_TheoraOpenPastTwoGigabytes)
    ->ArgName("device")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace
