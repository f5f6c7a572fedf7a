// The engine's raw format: "BGRA", the channel bits (8 or 16 each), width and height, then
// the pixels top row first as blue, green, red, alpha.
#include <cstring>
#include <vector>

#include "engine/graphics/images/image_memory.h"
#include "engine/graphics/readers/image_readers.h"
#include "engine/graphics/images/pixel_access.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

constexpr uint32_t kEightBitChannels = 0x08080808u;
constexpr uint32_t kSixteenBitChannels = 0x10101010u;

// Sixteen-bit channels keep their high byte.
bool ReadWideRows(const StreamCursor& in, int width, int height, uint8_t* out) {
    std::vector<uint8_t> row(static_cast<size_t>(width) * 8);
    for (int y = 0; y < height; ++y) {
        if (!in.Read(row.data(), row.size())) return false;
        uint8_t* dst = out + static_cast<size_t>(y) * width * 4;
        for (size_t i = 0; i < static_cast<size_t>(width) * 4; ++i) dst[i] = row[i * 2 + 1];
    }
    return true;
}

int ShortData() {
    AddLogText("ＢＧＲＡファイルのピクセルデータが足りません in ReadBgraImage\n");
    return -1;
}

}  // namespace

int ReadBgraImage(ImageStream* stream, BaseImage* out) {
    const StreamCursor in(*stream);
    uint8_t header[16];
    if (in.ReadSome(header, 4) != 4 || std::memcmp(header, "BGRA", 4) != 0) return kNotThisImageFormat;
    if (!in.Read(header + 4, sizeof header - 4)) return -1;
    const uint32_t channels = ReadLe32(header + 4);
    const int32_t width = static_cast<int32_t>(ReadLe32(header + 8));
    const int32_t height = static_cast<int32_t>(ReadLe32(header + 12));
    if (channels != kEightBitChannels && channels != kSixteenBitChannels) return -1;
    if (width <= 0 || height <= 0 || CheckImageSides(width, height) != 0) {
        AddLogFormat("ＢＧＲＡファイルの大きさが不正です(%d x %d) in ReadBgraImage", width, height);
        return -1;
    }
    const size_t bytes = static_cast<size_t>(width) * height * 4;
    // The pixels are stored whole: a file too short for them is refused before the image
    // is allocated.
    const size_t stored = channels == kEightBitChannels ? bytes : bytes * 2;
    if (in.Remaining() < static_cast<int64_t>(stored)) return ShortData();
    PixelBlock pixels;
    if (!ORVIK_BLOCK_ALLOC(pixels, bytes)) return -1;
    const bool ok = channels == kEightBitChannels ? in.Read(pixels.Get(), bytes)
                                                  : ReadWideRows(in, width, height, pixels.Get());
    if (!ok) return ShortData();
    FillArgb32ColorFormat(&out->format);
    out->width = width;
    out->height = height;
    out->pitch = width * 4;
    out->pixels = pixels.Release();
    return 0;
}

}  // namespace orvik
