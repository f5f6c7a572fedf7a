#include "engine/graphics/readers/image_readers.h"

#include <new>

#include "engine/platform/base/log.h"

namespace orvik {

namespace {

ImageReaderState g_readers;

constexpr ImageReader kDefaultImageReaders[] = {
    ReadBmpImage, ReadJpegImage, ReadPngImage, ReadBgraImage, ReadTgaImage, ReadDdsImage, nullptr};

// Rewinds and clears before each reader, so every reader sees a fresh start. A reader
// whose own containers run out of memory has refused the stream: nothing it throws goes
// further.
bool TryReader(ImageReader reader, ImageStream* stream, BaseImage* out) {
    stream->functions.seek(stream->handle, 0, 0);
    *out = BaseImage{};
    try {
        return reader(stream, out) == 0;
    } catch (const std::bad_alloc&) {
        AddLogText("画像ファイルを読むメモリが確保できませんでした in LoadImageByReaders\n");
        *out = BaseImage{};
        return false;
    }
}

}  // namespace

ImageReaderState& ImageReaders() { return g_readers; }
void ResetImageReaders() { g_readers = ImageReaderState{}; }

int AddUserImageReader(ImageReader reader) {
    if (g_readers.userReaderCount >= kMaxUserImageReaders) return -1;
    g_readers.userReaders[g_readers.userReaderCount++] = reader;
    return 0;
}

int LoadImageByReaders(ImageStream* stream, BaseImage* out) {
    *out = BaseImage{};
    for (int i = 0; i < g_readers.userReaderCount; ++i)
        if (TryReader(g_readers.userReaders[i], stream, out)) return 0;
    for (const ImageReader* r = kDefaultImageReaders; *r; ++r)
        if (TryReader(*r, stream, out)) return 0;
    *out = BaseImage{};
    return -1;
}

}  // namespace orvik
