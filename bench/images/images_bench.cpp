// Loading images from memory through the engine's reader table and through stb_image.
// Run by hand: build with -DORVIK_BENCH=ON -DCMAKE_BUILD_TYPE=Release, then
// build/bench/images/bench_images.
#include <benchmark/benchmark.h>
#include <stb/stb_image.h>

#include <cmath>
#include <map>
#include <string>

#include "engine/graphics/images/pixel_convert.h"
#include "tests/support/codec_file_builders.h"

namespace {

using imagetest::Bytes;

// A sheet like the game's: cells of shaded shapes on pure green, stored bottom-up.
Bytes SpriteSheetRgb(int width, int height) {
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            const int cx = x % 64 - 32, cy = y % 64 - 32;
            const int d = cx * cx + cy * cy;
            if (d > 26 * 26) {
                p[0] = 0, p[1] = 255, p[2] = 0;
                continue;
            }
            p[0] = static_cast<uint8_t>(255 - d / 3);
            p[1] = static_cast<uint8_t>((x * 3 + y) & 0xFF);
            p[2] = static_cast<uint8_t>(d & 0xFF);
        }
    return rgb;
}

Bytes Bmp24(int width, int height) {
    const Bytes rgb = SpriteSheetRgb(width, height);
    const int rowBytes = (width * 3 + 3) & ~3;
    imagetest::BmpSpec s;
    s.width = width;
    s.height = height;
    s.pixels.assign(static_cast<size_t>(rowBytes) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* from = &rgb[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
            uint8_t* to = &s.pixels[static_cast<size_t>(y) * rowBytes + x * 3];
            to[0] = from[2], to[1] = from[1], to[2] = from[0];
        }
    return imagetest::MakeBmp(s);
}

// A photograph-like picture: smooth gradients with some texture.
Bytes PhotoRgb(int side) {
    Bytes rgb(static_cast<size_t>(side) * side * 3);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * side + x) * 3];
            p[0] = static_cast<uint8_t>(128 + 100 * std::sin(x * 0.013) * std::cos(y * 0.007));
            p[1] = static_cast<uint8_t>((x + y) / 8 + ((x * 7 ^ y * 13) & 15));
            p[2] = static_cast<uint8_t>(200 - y / 6 + ((x * y) >> 12 & 7));
        }
    return rgb;
}

Bytes Png1024() {
    imagetest::PngSpec s;
    s.width = s.height = 1024;
    s.rows = PhotoRgb(1024);
    return imagetest::MakePng(s);
}

Bytes Jpeg1024() { return imagetest::MakeJpeg(1024, 1024, 3, PhotoRgb(1024), 90); }

const Bytes& File(const std::string& name) {
    static std::map<std::string, Bytes> files = {
        {"sheet256", Bmp24(256, 256)},
        {"sheet640x480", Bmp24(640, 480)},
        {"sheet1024", Bmp24(1024, 1024)},
        {"png1024", Png1024()},
        {"jpeg1024", Jpeg1024()},
    };
    return files.at(name);
}

void OrvikLoad(benchmark::State& state, const std::string& name) {
    const Bytes& file = File(name);
    for (auto _ : state) {
        imagetest::MemoryStream stream(file);
        orvik::BaseImage image{};
        if (orvik::LoadImageByReaders(stream.Get(), &image) != 0) state.SkipWithError("not loaded");
        benchmark::DoNotOptimize(image.pixels);
        orvik::FreeBaseImage(&image);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * file.size());
}

void StbLoad(benchmark::State& state, const std::string& name) {
    const Bytes& file = File(name);
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, 0);
        if (!pixels) state.SkipWithError("not loaded");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * file.size());
}

// The conversion a 24-bit sprite sheet meets on its way into a 32-bit texture: pure green
// becomes transparent.
void ConvertSheetToArgb(benchmark::State& state) {
    const Bytes& file = File("sheet1024");
    imagetest::MemoryStream stream(file);
    orvik::BaseImage sheet{}, texture{};
    if (orvik::LoadImageByReaders(stream.Get(), &sheet) != 0 ||
        orvik::NewArgb32BaseImage(sheet.width, sheet.height, &texture) != 0) {
        state.SkipWithError("no images");
        return;
    }
    for (auto _ : state)
        orvik::ConvertPixelFormatBlt(texture.pixels, texture.pitch, &texture.format, sheet.pixels,
                                     sheet.pitch, &sheet.format, nullptr, 0, nullptr, 0, 0,
                                     orvik::PixelRect{0, 0, sheet.width, sheet.height}, 0, 1,
                                     0x00FF00, orvik::kDitherNone, 0, 0, 0, 0);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * sheet.width * sheet.height);
    orvik::FreeBaseImage(&sheet);
    orvik::FreeBaseImage(&texture);
}
BENCHMARK(ConvertSheetToArgb)->Unit(benchmark::kMillisecond);

}  // namespace

#define ORVIK_IMAGE_BENCH(name)                                             \
    BENCHMARK_CAPTURE(OrvikLoad, name, #name)->Unit(benchmark::kMillisecond); \
    BENCHMARK_CAPTURE(StbLoad, name, #name)->Unit(benchmark::kMillisecond)

ORVIK_IMAGE_BENCH(sheet256);
ORVIK_IMAGE_BENCH(sheet640x480);
ORVIK_IMAGE_BENCH(sheet1024);
ORVIK_IMAGE_BENCH(png1024);
ORVIK_IMAGE_BENCH(jpeg1024);

BENCHMARK_MAIN();
