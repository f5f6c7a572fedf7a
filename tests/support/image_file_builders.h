// Small image files built byte by byte for the reader tests, and a memory stream over them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/readers/image_readers.h"
#include "engine/platform/files/stream.h"

namespace imagetest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
// Byte by byte: at -O2 GCC reads a range insert into an empty vector as an overflow.
inline void PutText(Bytes& b, const char* s) {
    for (; *s != '\0'; ++s) b.push_back(static_cast<uint8_t>(*s));
}
inline void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// A memory stream over a byte vector, closed at the end of the scope.
class MemoryStream {
public:
    explicit MemoryStream(const Bytes& bytes) {
        stream_.functions = *orvik::GetMemImageStreamFunctions();
        stream_.handle = orvik::ToStreamHandle(
            orvik::OpenMemImageStream(bytes.data(), static_cast<int32_t>(bytes.size())));
    }
    ~MemoryStream() { stream_.functions.close(stream_.handle); }
    orvik::ImageStream* Get() { return &stream_; }

private:
    orvik::ImageStream stream_{};
};

// Runs one reader over the bytes; the image is freed with the result.
struct ReadResult {
    int code = -1;
    orvik::BaseImage image{};
    ~ReadResult() { orvik::FreeBaseImage(&image); }
    uint32_t At(int x, int y) const { return orvik::ReadBaseImagePixel(&image, x, y); }
    uint8_t Byte(int x, int y) const { return image.pixels[y * image.pitch + x]; }
};

inline std::unique_ptr<ReadResult> ReadWith(orvik::ImageReader reader, const Bytes& bytes) {
    auto r = std::make_unique<ReadResult>();
    MemoryStream s(bytes);
    r->code = reader(s.Get(), &r->image);
    return r;
}

struct BmpSpec {
    uint32_t headerSize = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> palette = {};  // 0x00RRGGBB entries as written
    std::vector<uint32_t> masks = {};    // written after a 40-byte header, or inside a larger one
    Bytes pixels = {};                   // the stored rows, padding included
};

inline Bytes MakeBmp(const BmpSpec& s) {
    Bytes info;
    Put32(info, s.headerSize);
    Put32(info, static_cast<uint32_t>(s.width));
    Put32(info, static_cast<uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bitCount);
    Put32(info, s.compression);
    Put32(info, static_cast<uint32_t>(s.pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, s.colorsUsed);
    Put32(info, 0);
    if (s.headerSize > 40) {
        for (uint32_t m : s.masks) Put32(info, m);
        info.resize(s.headerSize, 0);
    } else {
        info.resize(s.headerSize);
        for (uint32_t m : s.masks) Put32(info, m);
    }
    for (uint32_t c : s.palette) Put32(info, c);
    Bytes file;
    PutText(file, "BM");
    Put32(file, static_cast<uint32_t>(14 + info.size() + s.pixels.size()));
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(14 + info.size()));
    Append(file, info);
    Append(file, s.pixels);
    return file;
}

// An OS/2 1.x file: a 12-byte header with 16-bit sizes and 3-byte palette entries
// (0x00RRGGBB written as blue, green, red).
inline Bytes MakeCoreBmp(uint16_t width, uint16_t height, uint16_t bitCount,
                         const std::vector<uint32_t>& palette, const Bytes& pixels) {
    Bytes info;
    Put32(info, 12);
    Put16(info, width);
    Put16(info, height);
    Put16(info, 1);
    Put16(info, bitCount);
    for (uint32_t c : palette) {
        Put16(info, c & 0xFFFF);
        info.push_back(static_cast<uint8_t>(c >> 16));
    }
    Bytes file;
    PutText(file, "BM");
    Put32(file, static_cast<uint32_t>(14 + info.size() + pixels.size()));
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(14 + info.size()));
    Append(file, info);
    Append(file, pixels);
    return file;
}

struct TgaSpec {
    uint8_t type = 2;
    uint8_t mapType = 0;
    uint16_t mapFirst = 0;
    uint16_t mapLength = 0;
    uint8_t mapBits = 0;
    uint16_t xOrigin = 0;
    uint16_t yOrigin = 0;
    uint16_t width = 2;
    uint16_t height = 2;
    uint8_t pixelBits = 24;
    uint8_t descriptor = 0;
    Bytes id;
    Bytes map;
    Bytes data;
    bool footer = false;
};

inline Bytes MakeTga(const TgaSpec& s) {
    Bytes b = {static_cast<uint8_t>(s.id.size()), s.mapType, s.type};
    Put16(b, s.mapFirst);
    Put16(b, s.mapLength);
    b.push_back(s.mapBits);
    Put16(b, s.xOrigin);
    Put16(b, s.yOrigin);
    Put16(b, s.width);
    Put16(b, s.height);
    b.push_back(s.pixelBits);
    b.push_back(s.descriptor);
    Append(b, s.id);
    Append(b, s.map);
    Append(b, s.data);
    if (s.footer) {
        Put32(b, 0);
        Put32(b, 0);
        PutText(b, "TRUEVISION-XFILE.");
        b.push_back(0);
    }
    return b;
}

struct DdsSpec {
    uint32_t width = 4;
    uint32_t height = 4;
    const char* fourCc = "DXT1";
    uint32_t bitCount = 0;
    uint32_t masks[4] = {};
    uint32_t pitch = 0;
    uint32_t mipCount = 0;
    uint32_t pixelFlags = 0;  // 0: FourCC when fourCc is set, else RGB
    uint32_t depth = 0;       // written with its flag when not 0
    uint32_t caps2 = 0;       // cube faces, volume
    Bytes extraHeader;        // after the header, e.g. Dx10Header's
    Bytes data;
};

// The extended header that follows a header whose FourCC is "DX10"; misc2 holds the
// alpha mode.
inline Bytes Dx10Header(uint32_t dxgiFormat, uint32_t dimension = 3, uint32_t misc = 0, uint32_t arraySize = 1,
                        uint32_t misc2 = 0) {
    Bytes b;
    for (uint32_t v : {dxgiFormat, dimension, misc, arraySize, misc2}) Put32(b, v);
    return b;
}

inline Bytes MakeDds(const DdsSpec& s) {
    Bytes b;
    PutText(b, "DDS ");
    const bool mips = s.mipCount > 0;
    Put32(b, 124);
    Put32(b, 0x1007 | (s.pitch ? 0x8 : 0) | (mips ? 0x20000 : 0) | (s.depth ? 0x800000 : 0));
    Put32(b, s.height);
    Put32(b, s.width);
    Put32(b, s.pitch);
    Put32(b, s.depth);
    Put32(b, s.mipCount);
    for (int i = 0; i < 11; ++i) Put32(b, 0);
    Put32(b, 32);
    Put32(b, s.pixelFlags ? s.pixelFlags : s.fourCc ? 0x4 : 0x40);
    if (s.fourCc) b.insert(b.end(), s.fourCc, s.fourCc + 4);  // may hold zero bytes
    else Put32(b, 0);
    Put32(b, s.bitCount);
    for (uint32_t m : s.masks) Put32(b, m);
    Put32(b, 0x1000 | (mips ? 0x400008 : 0) | (s.caps2 ? 0x8 : 0));
    Put32(b, s.caps2);
    for (int i = 0; i < 3; ++i) Put32(b, 0);
    Append(b, s.extraHeader);
    Append(b, s.data);
    return b;
}

}  // namespace imagetest
