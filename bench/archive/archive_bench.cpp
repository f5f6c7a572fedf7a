// Unpacking speed of the archive's LZ coding on the game's own packed data, against zlib's
// inflate of the same files compressed at level 6. The archives are Data01.dat to
// Data03.dat of the game data folder (ORVIK_BENCH_DATA, else the build's), opened with the
// game's key; without them a stand-in set of sprite sheets, sounds and text is packed here.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/platform/archive/archive.h"
#include "engine/platform/archive/archive_files.h"
#include "engine/platform/archive/archive_lz.h"
#include "tools/okvpack/lz_encoder.h"

namespace {

struct Sample {
    std::vector<uint8_t> packed;    // LZ stream with its head
    std::vector<uint8_t> deflated;  // zlib, level 6
    size_t size = 0;
};

struct DataSet {
    std::vector<Sample> samples;
    size_t bytes = 0;
    size_t packedBytes = 0;
    size_t deflatedBytes = 0;
    std::string origin;
};

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
    uLongf length = compressBound(data.size());
    std::vector<uint8_t> out(length);
    if (compress2(out.data(), &length, data.data(), data.size(), 6) != Z_OK) std::abort();
    out.resize(length);
    return out;
}

void Add(DataSet& set, std::vector<uint8_t> packed, std::vector<uint8_t> unpacked) {
    Sample s{std::move(packed), Deflate(unpacked), unpacked.size()};
    set.bytes += s.size;
    set.packedBytes += s.packed.size();
    set.deflatedBytes += s.deflated.size();
    set.samples.push_back(std::move(s));
}

// Every packed file of an archive image, found by walking it with searches.
void CollectPacked(orvik::ArchiveObject* archive, const std::string& directory, DataSet& set) {
    orvik::FileFindRecord record{};
    orvik::ArchiveSearchState* search = orvik::FindFirstInArchive(archive, (directory + "*").c_str(), &record);
    if (search == nullptr) return;
    do {
        const std::string name = record.name;
        if (name == "." || name == "..") continue;
        const std::string path = directory + name;
        if (record.directory) {
            CollectPacked(archive, path + "/", set);
            continue;
        }
        orvik::ArchiveEntryInfo entry{};
        uint32_t offset = 0, length = 0;
        if (orvik::FindArchiveFileEntry(path.c_str(), archive, &entry) != 0 ||
            !orvik::IsArchiveEntryPacked(archive, entry) || !orvik::ArchiveDataRange(archive, entry, &offset, &length))
            continue;
        const uint8_t* image = orvik::GetArchiveMemoryImage(archive);
        std::vector<uint8_t> packed(image + offset, image + offset + length);
        std::vector<uint8_t> unpacked(entry.size);
        if (orvik::DecompressArchiveData(packed.data(), packed.size(), unpacked.data(), unpacked.size()) !=
            static_cast<int64_t>(entry.size))
            std::abort();
        Add(set, std::move(packed), std::move(unpacked));
    } while (orvik::FindNextInArchive(search, &record) == 0);
    orvik::FreeArchiveSearch(search);
}

bool LoadGameData(const std::string& folder, DataSet& set) {
    for (const char* name : {"Data01.dat", "Data02.dat", "Data03.dat"}) {
        std::ifstream in(folder + "/" + name, std::ios::binary);
        if (!in) return false;
        const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        orvik::ArchiveObject archive{};
        if (orvik::OpenArchiveFromMemory(&archive, image.data(), image.size(), "tnqwplx") != 0) return false;
        CollectPacked(&archive, "", set);
        orvik::CloseArchive(&archive);
    }
    set.origin = folder;
    return !set.samples.empty();
}

// Sprite-sheet-like 24-bit pixels on pure green, 16-bit tones, and stage text.
void MakeStandIn(DataSet& set) {
    for (int sheet = 0; sheet < 8; ++sheet) {
        std::vector<uint8_t> pixels(256 * 256 * 3);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                uint8_t* p = &pixels[(y * 256 + x) * 3];
                const int cx = x % 32 - 16, cy = y % 32 - 16;
                const bool inside = cx * cx + cy * cy < 150 + sheet * 5;
                p[0] = inside ? uint8_t(x * 3 + sheet) : 0;
                p[1] = inside ? uint8_t(y * 2) : 255;
                p[2] = inside ? uint8_t((x ^ y) & 0xF0) : 0;
            }
        Add(set, okvpack::LzEncode(pixels.data(), pixels.size()), pixels);
    }
    for (int tone = 0; tone < 6; ++tone) {
        std::vector<uint8_t> pcm(88200);
        for (size_t i = 0; i < pcm.size() / 2; ++i) {
            const int v = int(8000 * std::sin(i * 0.01 * (tone + 1)) * std::exp(-double(i) / 20000.0));
            pcm[2 * i] = uint8_t(v);
            pcm[2 * i + 1] = uint8_t(v >> 8);
        }
        Add(set, okvpack::LzEncode(pcm.data(), pcm.size()), pcm);
    }
    std::string text;
    for (int i = 0; i < 4000; ++i) text += "wave " + std::to_string(i % 50) + " enemy " + std::to_string(i % 7) + " x 320 y -16\n";
    Add(set, okvpack::LzEncode(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
        std::vector<uint8_t>(text.begin(), text.end()));
    set.origin = "stand-in data (no game data folder found)";
}

const DataSet& Data() {
    static const DataSet set = [] {
        DataSet s;
        const char* env = std::getenv("ORVIK_BENCH_DATA");
        std::string folder = env ? env : "";
#ifdef ORVIK_GAME_DATA_DIR
        if (folder.empty()) folder = ORVIK_GAME_DATA_DIR;
#endif
        if (folder.empty() || !LoadGameData(folder, s)) {
            s = DataSet{};
            MakeStandIn(s);
        }
        std::fprintf(stderr, "data: %s\n  %zu packed files, %zu bytes; LZ %zu bytes (%.1f%%), zlib-6 %zu bytes (%.1f%%)\n",
                     s.origin.c_str(), s.samples.size(), s.bytes, s.packedBytes, 100.0 * s.packedBytes / s.bytes,
                     s.deflatedBytes, 100.0 * s.deflatedBytes / s.bytes);
        return s;
    }();
    return set;
}

void BM_UnpackArchiveLz(benchmark::State& state) {
    const DataSet& set = Data();
    std::vector<uint8_t> out(1);
    for (const Sample& s : set.samples) out.resize(std::max(out.size(), s.size));
    for (auto _ : state) {
        for (const Sample& s : set.samples) {
            const int64_t n = orvik::DecompressArchiveData(s.packed.data(), s.packed.size(), out.data(), out.size());
            if (n != static_cast<int64_t>(s.size)) state.SkipWithError("unpacking failed");
            benchmark::DoNotOptimize(n);
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(set.bytes));
}

void BM_InflateZlibLevel6(benchmark::State& state) {
    const DataSet& set = Data();
    std::vector<uint8_t> out(1);
    for (const Sample& s : set.samples) out.resize(std::max(out.size(), s.size));
    for (auto _ : state) {
        for (const Sample& s : set.samples) {
            uLongf length = out.size();
            const int result = uncompress(out.data(), &length, s.deflated.data(), s.deflated.size());
            if (result != Z_OK) state.SkipWithError("inflate failed");
            benchmark::DoNotOptimize(result);
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(set.bytes));
}

BENCHMARK(BM_UnpackArchiveLz)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateZlibLevel6)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
