// BMP files: 1, 4, 8, 16, 24 and 32 bits, RLE8 and RLE4, bit fields, info headers of 40
// bytes and more (V4, V5), the OS/2 headers (12 bytes with 3-byte palette entries, and
// the OS/2 2.x header of up to 64, with OS/2's RLE24 and Huffman 1D), and JPEG or PNG
// files held as the pixel data. Formats a palette image or a plain layout cannot hold
// directly (1 and 16 bits, bit fields) are converted to 24-bit RGB.
#include <cstdlib>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "engine/graphics/readers/bmp_embedded.h"
#include "engine/graphics/readers/bmp_huffman.h"
#include "engine/graphics/readers/bmp_rle.h"
#include "engine/graphics/images/image_memory.h"
#include "engine/graphics/readers/image_readers.h"
#include "engine/graphics/images/pixel_access.h"
#include "engine/graphics/images/pixel_convert.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3;
constexpr uint32_t kOs2Huffman1D = 3, kOs2Rle24 = 4;  // the OS/2 meanings of 3 and 4
// OS/2 1.x: 16-bit sizes, 3-byte palette entries. OS/2 2.x: the Windows layout for its
// first 40 bytes, 64 in all, and writers may stop it after any field from 16 bytes on.
constexpr uint32_t kCoreHeaderBytes = 12, kOs2MinHeaderBytes = 16, kOs2HeaderBytes = 64;

struct BmpInfo {
    uint32_t dataOffset;
    uint32_t headerSize;
    bool os2;  // an OS/2 header, whose compression codes 3 and 4 mean other things
    int32_t width;
    int32_t fileHeight;  // negative for rows stored top to bottom
    int32_t height;
    int bitCount;
    uint32_t compression;
    uint32_t colorsUsed;
    uint32_t sizeImage;
    uint32_t masks[4];  // red, green, blue, alpha
    PaletteEntry palette[256];
    int paletteCount;
    int32_t rowBytes;  // one stored row, rounded up to 4 bytes
    int paletteEntryBytes;
};

int Damaged(const char* what) {
    AddLogFormat("ＢＭＰファイルが壊れています(%s) in ReadBmpImage", what);
    return -1;
}

bool RunLength(const BmpInfo& b) {
    return b.compression == kBiRle8 || b.compression == kBiRle4 || (b.os2 && b.compression == kOs2Rle24);
}

bool Huffman(const BmpInfo& b) { return b.os2 && b.compression == kOs2Huffman1D; }

bool KnownVariant(const BmpInfo& b) {
    if (b.os2 && b.compression == kOs2Rle24) return b.bitCount == 24;
    if (Huffman(b)) return b.bitCount == 1;
    switch (b.compression) {
        case kBiRgb:
            return b.bitCount == 1 || b.bitCount == 4 || b.bitCount == 8 || b.bitCount == 16 ||
                   b.bitCount == 24 || b.bitCount == 32;
        case kBiRle8: return b.bitCount == 8;
        case kBiRle4: return b.bitCount == 4;
        case kBiBitFields: return b.bitCount == 16 || b.bitCount == 32;
        default: return false;
    }
}

bool Embedded(const BmpInfo& b) {
    return !b.os2 && (b.compression == kBiJpeg || b.compression == kBiPng);
}

int TooLarge(int64_t width, int64_t height) {
    AddLogFormat("ＢＭＰファイルの画像が大きすぎます(%lld x %lld) in ReadBmpImage",
                 static_cast<long long>(width), static_cast<long long>(height));
    return -1;
}

bool ValidHeaderSize(uint32_t size) {
    return size == kCoreHeaderBytes || (size >= kOs2MinHeaderBytes && size <= 0x10000);
}

// The info header after its size field; fields a short OS/2 2.x header leaves out stay 0.
void ParseInfoHeader(const uint8_t* info, BmpInfo* b) {
    if (b->headerSize == kCoreHeaderBytes) {
        b->os2 = true;
        b->width = ReadLe16(info + 4);
        b->fileHeight = ReadLe16(info + 6);
        b->bitCount = ReadLe16(info + 10);
        b->paletteEntryBytes = 3;
        return;
    }
    b->os2 = b->headerSize < 40 || b->headerSize == kOs2HeaderBytes;
    b->width = static_cast<int32_t>(ReadLe32(info + 4));
    b->fileHeight = static_cast<int32_t>(ReadLe32(info + 8));
    b->bitCount = ReadLe16(info + 14);
    b->compression = ReadLe32(info + 16);
    b->sizeImage = ReadLe32(info + 20);
    b->colorsUsed = ReadLe32(info + 32);
    b->paletteEntryBytes = 4;
}

int CheckSizes(BmpInfo* b) {
    const int64_t height = std::llabs(static_cast<int64_t>(b->fileHeight));
    if (b->width <= 0 || height == 0) return Damaged("size");
    if (CheckImageSides(b->width, height) != 0) return TooLarge(b->width, height);
    b->height = static_cast<int32_t>(height);
    b->rowBytes = static_cast<int32_t>(((int64_t{b->bitCount} * b->width + 31) / 32) * 4);
    return 0;
}

// The palette follows the info header, whatever its size. A Windows or OS/2 2.x palette
// has the header's count of used colours (0 meaning all 2^bits); an OS/2 1.x one has no
// count, and is cut short where the pixel data begins.
int ReadPalette(const StreamCursor& in, BmpInfo* b) {
    const uint32_t full = 1u << b->bitCount;
    uint32_t count = b->colorsUsed == 0 || b->colorsUsed > full ? full : b->colorsUsed;
    const int64_t start = kFileHeaderBytes + int64_t{b->headerSize};
    const int entry = b->paletteEntryBytes;
    if (b->headerSize == kCoreHeaderBytes && b->dataOffset > start)
        count = static_cast<uint32_t>(std::min<int64_t>(count, (b->dataOffset - start) / entry));
    uint8_t raw[256 * 4];
    if (!in.Seek(start) || !in.Read(raw, count * entry)) return Damaged("palette");
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* c = raw + i * entry;
        b->palette[i] = PaletteEntry{c[0], c[1], c[2], 0};
    }
    b->paletteCount = static_cast<int>(count);
    return 0;
}

// The bit-field masks follow a 40-byte header and lie inside the larger ones. The headers
// are read without the file's length, so that one too long to tell it is still told too
// large by its header.
int ReadHeaders(const StreamCursor& in, BmpInfo* b) {
    const auto readAll = [&](uint8_t* to, size_t n) { return in.ReadSome(to, n) == n; };
    uint8_t file[kFileHeaderBytes];
    if (!readAll(file, 2) || file[0] != 'B' || file[1] != 'M') return kNotThisImageFormat;
    if (!readAll(file + 2, sizeof file - 2)) return Damaged("header");
    b->dataOffset = ReadLe32(file + 10);
    uint8_t info[124] = {};
    if (!readAll(info, 4)) return Damaged("header");
    b->headerSize = ReadLe32(info);
    if (!ValidHeaderSize(b->headerSize)) return Damaged("header size");
    if (!readAll(info + 4, std::min<uint32_t>(b->headerSize, sizeof info) - 4)) return Damaged("header");
    ParseInfoHeader(info, b);
    if (!Embedded(*b) && !KnownVariant(*b)) return Damaged("variant");
    if (CheckSizes(b) != 0) return -1;
    if (Embedded(*b)) return 0;

    if (b->compression == kBiBitFields) {
        if (b->headerSize == 40 && !in.Read(info + 40, 12)) return Damaged("masks");
        for (int i = 0; i < 3; ++i) b->masks[i] = ReadLe32(info + 40 + 4 * i);
        b->masks[3] = b->headerSize >= 56 ? ReadLe32(info + 52) : 0;
    } else if (b->bitCount == 16) {
        b->masks[0] = 0x7C00, b->masks[1] = 0x03E0, b->masks[2] = 0x001F, b->masks[3] = 0;
    }
    return b->bitCount <= 8 ? ReadPalette(in, b) : 0;
}

void SetPaletteFormat(const BmpInfo& b, BaseImage* out) {
    FillPalette8ColorFormat(&out->format);
    std::memcpy(out->format.palette, b.palette, sizeof b.palette);
}

// The stored row that lands on output row y (files store bottom-up unless the height is
// negative).
const uint8_t* StoredRow(const BmpInfo& b, const uint8_t* data, int y) {
    const int stored = b.fileHeight > 0 ? b.height - 1 - y : y;
    return data + static_cast<ptrdiff_t>(stored) * b.rowBytes;
}

// 1-, 4- and 8-bit rows as one index byte per pixel, high bits first.
void UnpackIndices(const BmpInfo& b, const uint8_t* data, uint8_t* out, int32_t pitch) {
    const int bits = b.bitCount;
    const int perByte = 8 / bits;
    const uint8_t mask = static_cast<uint8_t>((1u << bits) - 1);
    for (int y = 0; y < b.height; ++y) {
        const uint8_t* row = StoredRow(b, data, y);
        uint8_t* dst = out + static_cast<ptrdiff_t>(y) * pitch;
        for (int x = 0; x < b.width; ++x) {
            const int shift = 8 - bits * (x % perByte + 1);
            dst[x] = static_cast<uint8_t>((row[x / perByte] >> shift) & mask);
        }
    }
}

int ReadIndexed(const BmpInfo& b, const uint8_t* data, BaseImage* out) {
    const int32_t pitch = AlignedPitch(b.width, 1);
    PixelBlock pixels;
    if (!ORVIK_BLOCK_ALLOC(pixels, static_cast<size_t>(pitch) * b.height)) return -1;
    UnpackIndices(b, data, pixels.Get(), pitch);
    SetPaletteFormat(b, out);
    out->pitch = pitch;
    out->pixels = pixels.Release();
    return 0;
}

// Every fourth byte 0 is how most writers leave the padding of 32-bit pixels: such an
// image is opaque, not invisible.
bool AlphaAllZero(const BmpInfo& b, const uint8_t* pixels) {
    for (int y = 0; y < b.height; ++y) {
        const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * b.rowBytes;
        for (int x = 0; x < b.width; ++x)
            if (row[x * 4 + 3] != 0) return false;
    }
    return true;
}

// 8-, 24- and 32-bit rows go from the stream straight to their place, top row first.
int ReadDirect(const BmpInfo& b, const StreamCursor& in, BaseImage* out) {
    PixelBlock pixels;
    const size_t bytes = static_cast<size_t>(b.rowBytes) * b.height;
    if (!ORVIK_BLOCK_ALLOC(pixels, bytes)) return -1;
    if (b.fileHeight < 0) {
        if (in.ReadSome(pixels.Get(), bytes) != bytes) return Damaged("pixel data");
    } else {
        for (int y = b.height - 1; y >= 0; --y)
            if (in.ReadSome(pixels.Get() + static_cast<ptrdiff_t>(y) * b.rowBytes, b.rowBytes) !=
                static_cast<size_t>(b.rowBytes))
                return Damaged("pixel data");
    }
    if (b.bitCount == 8) SetPaletteFormat(b, out);
    else if (b.bitCount == 24) FillRgb24ColorFormat(&out->format);
    else if (AlphaAllZero(b, pixels.Get())) FillXrgb32ColorFormat(&out->format);
    else FillArgb32ColorFormat(&out->format);
    out->pitch = b.rowBytes;
    out->pixels = pixels.Release();
    return 0;
}

// Each bit picks one of the two palette colours; a byte's eight pixels are looked up whole.
void ExpandMonoRows(const BmpInfo& b, const uint8_t* data, uint8_t* out, int32_t pitch) {
    std::array<std::array<uint8_t, 24>, 256> eight;
    for (int v = 0; v < 256; ++v)
        for (int i = 0; i < 8; ++i) {
            const PaletteEntry& c = b.palette[(v >> (7 - i)) & 1];
            eight[v][3 * i] = c.blue;
            eight[v][3 * i + 1] = c.green;
            eight[v][3 * i + 2] = c.red;
        }
    const int whole = b.width / 8, rest = b.width % 8;
    for (int y = 0; y < b.height; ++y) {
        const uint8_t* row = StoredRow(b, data, y);
        uint8_t* dst = out + static_cast<ptrdiff_t>(y) * pitch;
        for (int i = 0; i < whole; ++i) std::memcpy(dst + 24 * i, eight[row[i]].data(), 24);
        if (rest > 0) std::memcpy(dst + 24 * whole, eight[row[whole]].data(), 3 * rest);
    }
}

// 16-bit and bit-field pixels through the conversion blit, a row at a time.
void ConvertMaskedRows(const BmpInfo& b, const uint8_t* data, const ColorFormat& format, uint8_t* out,
                       int32_t pitch) {
    ColorFormat source{};
    FillColorFormatFromMasks(&source, b.bitCount, b.masks[0], b.masks[1], b.masks[2], 0);
    for (int y = 0; y < b.height; ++y)
        ConvertPixelFormatBlt(out + static_cast<ptrdiff_t>(y) * pitch, pitch, &format, StoredRow(b, data, y),
                              b.rowBytes, &source, nullptr, 0, nullptr, 0, 0, PixelRect{0, 0, b.width, 1}, 0, 0, 0,
                              kDitherNone, 0, 0, 0, 0);
}

// 1-bit, 16-bit and bit-field images become 24-bit RGB.
int ReadConverted(const BmpInfo& b, const uint8_t* data, BaseImage* out) {
    FillRgb24ColorFormat(&out->format);
    const int32_t pitch = AlignedPitch(b.width, 3);
    PixelBlock pixels;
    if (!ORVIK_BLOCK_ALLOC(pixels, static_cast<size_t>(pitch) * b.height)) {
        AddLogText("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n");
        return -1;
    }
    if (b.bitCount == 1) ExpandMonoRows(b, data, pixels.Get(), pitch);
    else ConvertMaskedRows(b, data, out->format, pixels.Get(), pitch);
    out->pitch = pitch;
    out->pixels = pixels.Release();
    return 0;
}

// Compressed rows have no fixed size, but a fax-coded row takes at least one 4-bit code,
// and no code covers more than 2560 pixels in fewer than 2 bits: a header claiming more
// than the data could code is refused before any allocation.
int64_t FaxMinimumBits(const BmpInfo& b) {
    const int64_t rowBits = std::max<int64_t>(4, 2 * ((int64_t{b.width} + 2559) / 2560));
    return rowBits * b.height;
}

// The fax code gives runs of white and black, not palette indices. The decoded rows
// follow the fax convention that white is a 0 bit (TIFF's default reading of fax data),
// so a white run is palette entry 0 and a black run entry 1; the palette says what
// colours those are. The OS/2 header has no field that turns this round: its recording
// field only allows bottom-up rows, and its colour encoding only says the palette is RGB.
int ReadHuffman(const BmpInfo& b, const uint8_t* data, size_t size, BaseImage* out) {
    std::vector<uint8_t> bits(static_cast<size_t>(b.rowBytes) * b.height, 0);
    const int32_t rows = DecodeFaxRows({data, size}, FaxRows{bits.data(), b.rowBytes, b.width, b.height});
    if (rows < b.height)
        AddLogFormat("ＯＳ／２のハフマン圧縮のデータが壊れています(%d / %d 行) in ReadBmpImage", rows, b.height);
    return ReadConverted(b, bits.data(), out);
}

int ReadRunLength(const BmpInfo& b, const uint8_t* data, size_t size, BaseImage* out) {
    const bool rgb = b.compression == kOs2Rle24;
    const int32_t pitch = AlignedPitch(b.width, rgb ? 3 : 1);
    PixelBlock pixels;
    // Pixels the codes skip stay 0. A short file may describe a large image: a zeroed block
    // comes cleared from the system, and its pages no run writes take no memory.
    if (!ORVIK_BLOCK_ALLOC_ZEROED(pixels, static_cast<size_t>(pitch) * b.height)) return -1;
    const RleTarget target{pixels.Get(), pitch, b.width, b.height, b.fileHeight > 0};
    DecodeBmpRle(data, size, rgb ? 24 : b.compression == kBiRle4 ? 4 : 8, target);
    if (rgb) FillRgb24ColorFormat(&out->format);
    else SetPaletteFormat(b, out);
    out->pitch = pitch;
    out->pixels = pixels.Release();
    return 0;
}

}  // namespace

int ReadBmpImage(ImageStream* stream, BaseImage* out) {
    const StreamCursor in(*stream);
    BmpInfo b{};
    if (const int headers = ReadHeaders(in, &b); headers != 0) return headers;
    const int64_t size = in.Size();
    if (b.dataOffset > size || !in.Seek(b.dataOffset)) return Damaged("data offset");
    if (Embedded(b))
        return ReadEmbeddedBmpImage(
            in, {b.compression, b.dataOffset, b.sizeImage, b.width, b.height}, out);
    const size_t dataBytes = static_cast<size_t>(size - b.dataOffset);
    const bool coded = RunLength(b) || Huffman(b);
    if (!coded && dataBytes < static_cast<size_t>(b.rowBytes) * b.height)
        return Damaged("pixel data");
    if (Huffman(b) && static_cast<int64_t>(dataBytes) * 8 < FaxMinimumBits(b)) return Damaged("pixel data");
    const bool direct = b.compression == kBiRgb &&
                        (b.bitCount == 8 || b.bitCount == 24 || b.bitCount == 32);
    int result;
    if (direct) {
        result = ReadDirect(b, in, out);
    } else {
        PixelBlock data;
        if (!ORVIK_BLOCK_ALLOC(data, dataBytes)) return -1;
        if (!in.Read(data.Get(), dataBytes)) return Damaged("pixel data");
        if (Huffman(b)) result = ReadHuffman(b, data.Get(), dataBytes, out);
        else if (RunLength(b)) result = ReadRunLength(b, data.Get(), dataBytes, out);
        else if (b.compression == kBiRgb && b.bitCount == 4) result = ReadIndexed(b, data.Get(), out);
        else result = ReadConverted(b, data.Get(), out);
    }
    if (result != 0) return -1;
    out->width = b.width;
    out->height = b.height;
    return 0;
}

}  // namespace orvik
