// Decoding a fax page (Modified Huffman rows, byte-aligned, as an OS/2 Huffman 1D BMP
// holds them) with the engine's decoder and with libtiff's CCITT decoder on the same
// strip. Run by hand: build with -DORVIK_BENCH=ON -DCMAKE_BUILD_TYPE=Release, then
// build/bench/images/bench_fax.
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <random>

#include "engine/graphics/readers/bmp_huffman.h"
#include "tests/support/tiff_fax.h"

namespace {

using imagetest::FaxPicture;

// A page of text: rows of short black strokes between white gaps, with blank lines
// between the lines of text, 1728 pixels wide like a fax.
FaxPicture TextPage(int height) {
    std::mt19937 rng(7);
    FaxPicture p{1728, {}};
    for (int y = 0; y < height; ++y) {
        if (y % 40 >= 28) {
            p.rows.push_back({1728});
            continue;
        }
        std::vector<int> runs;
        for (int left = 1728; left > 0;) {
            const int run = std::min(left, 1 + int(rng() % (runs.size() % 2 ? 6 : 30)));
            runs.push_back(run);
            left -= run;
        }
        p.rows.push_back(runs);
    }
    return p;
}

struct Page {
    FaxPicture picture = TextPage(2200);
    imagetest::Bytes strip = imagetest::TiffFaxStrip(picture, imagetest::TiffFaxKind::ModifiedHuffman);
};

const Page& ThePage() {
    static const Page page;
    return page;
}

void OrvikFaxDecode(benchmark::State& state) {
    const Page& page = ThePage();
    const int height = int(page.picture.rows.size());
    std::vector<uint8_t> bits(size_t(1728 / 8) * size_t(height));
    for (auto _ : state) {
        std::fill(bits.begin(), bits.end(), 0);
        const int32_t rows = orvik::DecodeFaxRows(page.strip, orvik::FaxRows{bits.data(), 1728 / 8, 1728, height});
        if (rows != height) state.SkipWithError("page not decoded");
        benchmark::DoNotOptimize(bits.data());
    }
}
BENCHMARK(OrvikFaxDecode)->Unit(benchmark::kMillisecond);

// libtiff reads the same strip back from a file the system keeps cached.
void LibtiffFaxDecode(benchmark::State& state) {
    const Page& page = ThePage();
    char path[] = "/tmp/orvik_fax_bench_XXXXXX";
    const int fd = ::mkstemp(path);
    ::close(fd);
    imagetest::WriteTiffFax(path, page.picture, imagetest::TiffFaxKind::ModifiedHuffman);
    TIFF* tif = TIFFOpen(path, "r");
    std::vector<uint8_t> bits(size_t(TIFFStripSize(tif)));
    for (auto _ : state) {
        if (TIFFReadEncodedStrip(tif, 0, bits.data(), tmsize_t(bits.size())) < 0) state.SkipWithError("libtiff failed");
        benchmark::DoNotOptimize(bits.data());
    }
    TIFFClose(tif);
    ::unlink(path);
}
BENCHMARK(LibtiffFaxDecode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
