#include "engine/graphics/readers/image_loader.h"

#include <cstring>

#include "engine/graphics/dds/dxt_decode.h"
#include "engine/graphics/images/image_memory.h"
#include "engine/graphics/readers/image_readers.h"
#include "engine/graphics/images/pixel_convert.h"
#include "engine/platform/base/charset.h"
#include "engine/platform/files/file_access.h"
#include "engine/platform/files/stream.h"

namespace orvik {

namespace {

// An open file or memory stream, closed on every path out.
class OpenedStream {
public:
    OpenedStream(const char* path, const void* memory, int32_t size, int memoryFlag) {
        if (memoryFlag == 0) {
            if (!path) return;
            stream_.functions = *GetFileStreamFunctions();
            stream_.handle = static_cast<StreamHandle>(FileAccessOpen(path, 0, 1, 0));
        } else {
            stream_.functions = *GetMemImageStreamFunctions();
            stream_.handle = ToStreamHandle(OpenMemImageStream(memory, size));
        }
    }
    ~OpenedStream() { Close(); }
    OpenedStream(const OpenedStream&) = delete;
    OpenedStream& operator=(const OpenedStream&) = delete;

    bool IsOpen() const { return stream_.handle != 0; }
    ImageStream* Get() { return &stream_; }
    void Close() {
        if (stream_.handle != 0) stream_.functions.close(stream_.handle);
        stream_.handle = 0;
    }

private:
    ImageStream stream_{};
};

// Mirrors left to right into a new block through the conversion blit.
int MirrorIntoNewBlock(BaseImage* image) {
    if (DecodeDxtBaseImage(image) != 0) return -1;
    if (image->width == 0 || image->height == 0) return 0;
    PixelBlock mirrored;
    if (!ORVIK_BLOCK_ALLOC(mirrored, static_cast<size_t>(image->pitch) * image->height)) return -1;
    ConvertPixelFormatBlt(mirrored.Get(), image->pitch, &image->format, image->pixels,
                          image->pitch, &image->format, nullptr, 0, nullptr, 0, 0,
                          PixelRect{0, 0, image->width, image->height}, 1, 0, 0, kDitherNone,
                          0, 0, 0, 0);
    ImageFree(image->pixels);
    image->pixels = mirrored.Release();
    return 0;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

int LoadImageToBaseImage(const char* path, const void* memory, int32_t memorySize, int memoryFlag,
                         int bitmapFlag, int mirrorFlag, BaseImage* out,
                         BitmapInfo** bitmapInfo, void** bits, bool* formatKnown) {
    if (formatKnown) *formatKnown = false;
    OpenedStream stream(path, memory, memorySize, memoryFlag);
    if (!stream.IsOpen()) return -1;
    BaseImage image{};
    if (LoadImageByReaders(stream.Get(), &image, formatKnown) != 0) return -1;
    stream.Close();
    if (mirrorFlag == 1 && MirrorIntoNewBlock(&image) != 0) {
        FreeBaseImage(&image);
        return -1;
    }
    if (bitmapFlag == 0) {
        *out = image;
        return 0;
    }
    const int result = BaseImageToBitmapInfo(&image, bitmapInfo, bits);
    FreeBaseImage(&image);
    *out = BaseImage{};
    return result;
}

int LoadImageToBaseImageEx(const char* path, const void* memory, int32_t memorySize,
                           int memoryFlag, BaseImage* out, int mirrorFlag) {
    return LoadImageToBaseImage(path, memory, memorySize, memoryFlag, 0, mirrorFlag, out,
                                nullptr, nullptr);
}

int LoadImageWithAlphaFile(const char* path, const void* memory, int32_t memorySize,
                           int memoryFlag, const void* alphaMemory, int32_t alphaMemorySize,
                           int alphaMode, BaseImage* out, BaseImage* alphaOut, int /*unused*/,
                           int mirrorFlag, bool* formatKnown) {
    if (LoadImageToBaseImage(path, memory, memorySize, memoryFlag, 0, mirrorFlag, out, nullptr, nullptr,
                             formatKnown) != 0)
        return -1;
    *alphaOut = BaseImage{};
    if (alphaMode == 0) {
        char alphaPath[kAlphaFileNameBytes];
        if (!path || MakeAlphaFileName(path, alphaPath, sizeof alphaPath) != 0) return 1;
        return LoadImageToBaseImageEx(alphaPath, nullptr, 0, 0, alphaOut, mirrorFlag) == 0 ? 0 : 1;
    }
    if (alphaMode == 1)
        return LoadImageToBaseImageEx(nullptr, alphaMemory, alphaMemorySize, 1, alphaOut,
                                      mirrorFlag) == 0 ? 0 : 1;
    return 1;
}

int MakeAlphaFileName(const char* source, char* dest, size_t destBytes) {
    // The extension's dot is the last one after the last separator; two-byte characters
    // are stepped over whole, since their second byte may look like a separator.
    const size_t length = std::strlen(source);
    size_t dot = length, i = 0;
    while (i < length) {
        const auto c = static_cast<unsigned char>(source[i]);
        if (IsLeadByte(c) && i + 1 < length) {
            i += 2;
            continue;
        }
        if (IsSeparator(source[i])) dot = length;
        else if (source[i] == '.') dot = i;
        ++i;
    }
    if (length + 3 > destBytes) return -1;
    std::memcpy(dest, source, dot);
    std::memcpy(dest + dot, "_a", 2);
    std::memcpy(dest + dot + 2, source + dot, length - dot + 1);
    return 0;
}

int BaseImageToBitmapInfo(BaseImage* image, BitmapInfo** bitmapInfo, void** bits) {
    if (DecodeDxtBaseImage(image) != 0 || !image->pixels) return -1;
    const bool palette = image->format.bytesPerPixel == 1;
    auto* info = static_cast<BitmapInfo*>(ORVIK_IMAGE_ALLOC(sizeof(BitmapInfo)));
    if (!info) return -1;
    std::memset(info, 0, sizeof *info);
    info->header.size = sizeof(BitmapInfoHeader);
    info->header.width = image->width;
    info->header.height = -image->height;
    info->header.planes = 1;
    info->header.bitCount = palette ? 8 : 24;
    if (palette) std::memcpy(info->colors, image->format.palette, sizeof info->colors);

    BaseImage target{};
    if (palette) target.format = image->format;
    else FillRgb24ColorFormat(&target.format);
    if (NewBaseImageLike(image->width, image->height, &target, &target) != 0) {
        ImageFree(info);
        return -1;
    }
    ConvertPixelFormatBlt(target.pixels, target.pitch, &target.format, image->pixels,
                          image->pitch, &image->format, nullptr, 0, nullptr, 0, 0,
                          PixelRect{0, 0, image->width, image->height}, 0, 0, 0, kDitherNone, 0,
                          0, 0, 0);
    *bitmapInfo = info;
    *bits = target.pixels;
    return 0;
}

}  // namespace orvik
