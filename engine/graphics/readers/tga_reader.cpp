// TGA files: colour-mapped and true-colour, plain or run-length, 16, 24 or 32 bits,
// any of the four orientations; the result runs left to right, top to bottom.
#include <algorithm>
#include <cstring>

#include "engine/graphics/images/image_memory.h"
#include "engine/graphics/readers/image_readers.h"
#include "engine/graphics/images/pixel_access.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

constexpr int kHeaderBytes = 18;
constexpr int kFooterBytes = 26;

struct TgaHeader {
    int idLength;
    int colorMapType;
    int imageType;
    int mapFirst;
    int mapLength;
    int mapEntryBits;
    int width;
    int height;
    int pixelBits;
    int descriptor;
    bool mapped;
    bool runLength;
    int colourBits;  // of the output: the map entries for mapped images, else the pixels
};

int Damaged(const char* what) {
    AddLogFormat("ＴＧＡファイルが壊れています(%s) in ReadTgaImage", what);
    return -1;
}

int ShortOfMemory(size_t bytes) {
    AddLogFormat("ＴＧＡファイルを読むメモリ(%zu byte)が確保できませんでした in ReadTgaImage", bytes);
    return -1;
}

// A TGA has no signature: a header whose type, origins, sides, depth and map are those of
// a TGA this reader reads is taken as one; any other is not of this format.
int ParseHeader(const uint8_t* h, TgaHeader* t) {
    t->idLength = h[0];
    t->colorMapType = h[1];
    t->imageType = h[2];
    t->mapFirst = ReadLe16(h + 3);
    t->mapLength = ReadLe16(h + 5);
    t->mapEntryBits = h[7];
    t->width = ReadLe16(h + 12);
    t->height = ReadLe16(h + 14);
    t->pixelBits = h[16];
    t->descriptor = h[17];
    if (t->imageType != 1 && t->imageType != 2 && t->imageType != 9 && t->imageType != 10)
        return kNotThisImageFormat;
    if (ReadLe16(h + 8) != 0 || ReadLe16(h + 10) != 0) return kNotThisImageFormat;
    if (t->width == 0 || t->height == 0) return kNotThisImageFormat;
    t->mapped = t->imageType == 1 || t->imageType == 9;
    t->runLength = t->imageType >= 9;
    t->colourBits = t->mapped ? t->mapEntryBits : t->pixelBits;
    if (t->colourBits != 16 && t->colourBits != 24 && t->colourBits != 32) return kNotThisImageFormat;
    // Mapped pixels are single index bytes into a map of at most 256 entries.
    if (t->mapped && (t->colorMapType != 1 || t->pixelBits != 8 ||
                      t->mapFirst + t->mapLength > 256))
        return kNotThisImageFormat;
    // Checked last: only a header that is a TGA's in every other way is told too large.
    if (CheckImageSides(t->width, t->height) != 0) {
        AddLogFormat("ＴＧＡファイルの画像が大きすぎます(%d x %d) in ReadTgaImage", t->width, t->height);
        return -1;
    }
    return 0;
}

void SetFormat(int bits, ColorFormat* f) {
    if (bits == 16) FillColorFormatFromMasks(f, 16, 0x7C00, 0x03E0, 0x001F, 0);
    else if (bits == 24) FillRgb24ColorFormat(f);
    else FillArgb32ColorFormat(f);
}

// Run-length packets of pixels of `bytes` bytes each; false when the data ends early.
bool DecodeRuns(const uint8_t* data, size_t size, int bytes, size_t pixels, uint8_t* out) {
    size_t p = 0, written = 0;
    while (written < pixels) {
        if (p >= size) return false;
        const uint8_t head = data[p++];
        const size_t count = std::min<size_t>((head & 0x7F) + 1u, pixels - written);
        const bool repeat = head & 0x80;
        const size_t need = repeat ? bytes : count * bytes;
        if (p + need > size) return false;
        for (size_t i = 0; i < count; ++i)
            std::memcpy(out + (written + i) * bytes, data + p + (repeat ? 0 : i * bytes), bytes);
        p += repeat ? bytes : ((head & 0x7F) + 1u) * bytes;
        written += count;
    }
    return true;
}

// The most pixels `left` bytes of pixel data can describe: each pixel stored whole, or
// at most 128 from a run-length packet of a head byte and one pixel.
uint64_t MostPixels(const TgaHeader& t, int stored, int64_t left) {
    if (left <= 0) return 0;
    return t.runLength ? uint64_t(left) / (1 + stored) * 128 : uint64_t(left) / stored;
}

// Rows reordered to top to bottom and left to right by the descriptor's bits 4 and 5;
// mapped pixels (one index byte each) are looked up in the map on the way.
void Orient(const TgaHeader& t, const uint8_t* in, const uint8_t* map, int bytes, uint8_t* out) {
    const bool rightToLeft = t.descriptor & 0x10;
    const bool bottomUp = !(t.descriptor & 0x20);
    const int stored = map ? 1 : bytes;
    const size_t inPitch = static_cast<size_t>(t.width) * stored;
    const size_t outPitch = static_cast<size_t>(t.width) * bytes;
    for (int y = 0; y < t.height; ++y) {
        const uint8_t* src = in + (bottomUp ? t.height - 1 - y : y) * inPitch;
        uint8_t* dst = out + y * outPitch;
        if (!rightToLeft && !map) {
            std::memcpy(dst, src, outPitch);
            continue;
        }
        for (int x = 0; x < t.width; ++x) {
            const uint8_t* pixel = src + static_cast<size_t>(rightToLeft ? t.width - 1 - x : x) * stored;
            std::memcpy(dst + static_cast<size_t>(x) * bytes, map ? map + *pixel * bytes : pixel, bytes);
        }
    }
}

}  // namespace

int ReadTgaImage(ImageStream* stream, BaseImage* out) {
    const StreamCursor in(*stream);
    const int64_t size = in.Size();
    uint8_t h[kHeaderBytes];
    if (in.ReadSome(h, sizeof h) != sizeof h) return kNotThisImageFormat;
    TgaHeader t{};
    if (const int header = ParseHeader(h, &t); header != 0) return header;

    // The footer is read only when the file is long enough to hold one after the header.
    int64_t dataEnd = size;
    if (size >= kHeaderBytes + kFooterBytes) {
        uint8_t footer[kFooterBytes];
        if (!in.Seek(size - kFooterBytes) || !in.Read(footer, sizeof footer)) return -1;
        if (std::memcmp(footer + 8, "TRUEVISION-XFILE", 16) == 0 && ReadLe32(footer) == 0)
            dataEnd = size - kFooterBytes;
    }
    const int bytes = t.colourBits / 8;
    const int64_t mapBytes = t.colorMapType == 1 ? int64_t{t.mapLength} * ((t.mapEntryBits + 7) / 8) : 0;
    if (!in.Seek(kHeaderBytes + t.idLength)) return Damaged("header");
    uint8_t map[256 * 4] = {};
    if (t.mapped) {
        if (!in.Read(map + t.mapFirst * bytes, static_cast<size_t>(mapBytes)))
            return Damaged("colour map");
    } else if (!in.Seek(mapBytes, 1)) {
        return Damaged("colour map");
    }

    const size_t pixels = static_cast<size_t>(t.width) * t.height;
    const int stored = t.mapped ? 1 : bytes;
    // A short file is refused before its image is allocated, not after.
    const int64_t left = (t.runLength ? dataEnd : size) - in.Tell();
    if (pixels > MostPixels(t, stored, left)) return Damaged(t.runLength ? "run-length data" : "pixel data");
    // The largest block first: when memory is short, nothing is read before that is known.
    PixelBlock block, raw;
    if (!ORVIK_BLOCK_ALLOC(block, pixels * bytes)) return ShortOfMemory(pixels * bytes);
    if (!ORVIK_BLOCK_ALLOC(raw, pixels * stored)) return ShortOfMemory(pixels * stored);
    if (t.runLength) {
        const size_t dataBytes = static_cast<size_t>(left);
        PixelBlock data;
        if (!ORVIK_BLOCK_ALLOC(data, dataBytes)) return ShortOfMemory(dataBytes);
        if (!in.Read(data.Get(), dataBytes) || !DecodeRuns(data.Get(), dataBytes, stored, pixels, raw.Get()))
            return Damaged("run-length data");
    } else if (!in.Read(raw.Get(), pixels * stored)) {
        return Damaged("pixel data");
    }
    Orient(t, raw.Get(), t.mapped ? map : nullptr, bytes, block.Get());
    SetFormat(t.colourBits, &out->format);
    out->width = t.width;
    out->height = t.height;
    out->pitch = t.width * bytes;
    out->pixels = block.Release();
    return 0;
}

}  // namespace orvik
