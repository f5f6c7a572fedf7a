// Loading 1024 x 1024 DDS files whose layouts are decoded when read (BC7, BC6H, four
// half-float channels), against loading and decoding DXT5 blocks of the same size, the
// decoder every compressed image met before.
// Run by hand: build with -DORVIK_BENCH=ON -DCMAKE_BUILD_TYPE=Release, then
// build/bench/images/bench_dds.
#include <benchmark/benchmark.h>

#include <map>
#include <random>
#include <string>

#include "engine/graphics/dds/dxt_decode.h"
#include "tests/support/image_file_builders.h"

namespace {

using imagetest::Bytes;

constexpr int kSide = 1024;

// Random blocks, each mode of BC7 (by its lowest set bit) or of BC6H (by its mode bits)
// taking its share.
Bytes RandomBlocks(const std::string& kind, size_t count, size_t blockBytes) {
    std::mt19937 rng(5);
    static const uint8_t kBc6hCodes[] = {0x00, 0x01, 0x02, 0x06, 0x0A, 0x0E, 0x12, 0x16, 0x1A, 0x1E, 0x03, 0x07, 0x0B, 0x0F};
    Bytes data(count * blockBytes);
    for (auto& b : data) b = uint8_t(rng());
    for (size_t i = 0; i < count; ++i) {
        uint8_t& first = data[i * blockBytes];
        if (kind == "bc7") first = uint8_t((first & ~((2u << (i % 8)) - 1)) | 1u << (i % 8));
        if (kind == "bc6h") first = uint8_t((first & 0xE0) | kBc6hCodes[i % 14]);
    }
    return data;
}

Bytes MakeFile(const std::string& kind) {
    imagetest::DdsSpec s;
    s.width = s.height = kSide;
    const size_t blocks = size_t(kSide / 4) * (kSide / 4);
    if (kind == "dxt5") {
        s.fourCc = "DXT5";
        s.data = RandomBlocks(kind, blocks, 16);
        return imagetest::MakeDds(s);
    }
    s.fourCc = "DX10";
    const uint32_t dxgi = kind == "bc7" ? 98 : kind == "bc6h" ? 95 : 10;
    s.extraHeader = imagetest::Dx10Header(dxgi);
    s.data = dxgi == 10 ? RandomBlocks(kind, size_t(kSide) * kSide, 8) : RandomBlocks(kind, blocks, 16);
    return imagetest::MakeDds(s);
}

const Bytes& File(const std::string& kind) {
    static std::map<std::string, Bytes> files;
    auto it = files.find(kind);
    if (it == files.end()) it = files.emplace(kind, MakeFile(kind)).first;
    return it->second;
}

// Read and decoded to 32-bit ARGB, as a graphic's load does for an image it cannot keep
// as blocks.
void LoadDecoded(benchmark::State& state, const std::string& kind) {
    const Bytes& file = File(kind);
    for (auto _ : state) {
        auto r = imagetest::ReadWith(orvik::ReadDdsImage, file);
        if (r->code != 0 || orvik::DecodeDxtBaseImage(&r->image) != 0) state.SkipWithError("not loaded");
        benchmark::DoNotOptimize(r->image.pixels);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
}

}  // namespace

BENCHMARK_CAPTURE(LoadDecoded, dxt5, "dxt5")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadDecoded, bc7, "bc7")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadDecoded, bc6h, "bc6h")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadDecoded, rgba16f, "rgba16f")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
