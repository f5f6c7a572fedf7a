#include "engine/graphics/readers/image_readers.h"

namespace orvik {

namespace {

ImageReaderState g_readers;

constexpr ImageReader kDefaultImageReaders[] = {
    ReadBmpImage, ReadJpegImage, ReadPngImage, ReadBgraImage, ReadTgaImage, ReadDdsImage, nullptr};

// Rewinds and clears before each reader, so every reader sees a fresh start.
bool TryReader(ImageReader reader, ImageStream* stream, BaseImage* out) {
    stream->functions.seek(stream->handle, 0, 0);
    *out = BaseImage{};
    return reader(stream, out) == 0;
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
