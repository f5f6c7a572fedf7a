#include "engine/graphics/readers/image_readers.h"

#include "engine/platform/base/short_of_memory.h"

namespace orvik {

namespace {

ImageReaderState g_readers;

constexpr ImageReader kDefaultImageReaders[] = {
    ReadBmpImage, ReadJpegImage, ReadPngImage, ReadBgraImage, ReadTgaImage, ReadDdsImage, nullptr};

// Rewinds and clears before each reader, so every reader sees a fresh start; the reader's
// result. A reader whose own containers run out of memory has refused the stream (-1):
// nothing it throws goes further.
int TryReader(ImageReader reader, ImageStream* stream, BaseImage* out) {
    stream->functions.seek(stream->handle, 0, 0);
    *out = BaseImage{};
    const int result = UnlessShortOfMemory("LoadImageByReaders", nullptr, -1, [&] { return reader(stream, out); });
    if (result != 0) *out = BaseImage{};
    return result;
}

}  // namespace

ImageReaderState& ImageReaders() { return g_readers; }
void ResetImageReaders() { g_readers = ImageReaderState{}; }

int AddUserImageReader(ImageReader reader) {
    if (g_readers.userReaderCount >= kMaxUserImageReaders) return -1;
    g_readers.userReaders[g_readers.userReaderCount++] = reader;
    return 0;
}

int LoadImageByReaders(ImageStream* stream, BaseImage* out, bool* formatKnown) {
    if (formatKnown) *formatKnown = false;
    for (int i = 0; i < g_readers.userReaderCount; ++i)
        if (TryReader(g_readers.userReaders[i], stream, out) == 0) return 0;
    // Only the engine's own readers tell a stream not of their format from one they refuse:
    // a user reader's refusal may mean either.
    for (const ImageReader* r = kDefaultImageReaders; *r; ++r) {
        const int result = TryReader(*r, stream, out);
        if (result == 0) return 0;
        if (formatKnown && result != kNotThisImageFormat) *formatKnown = true;
    }
    *out = BaseImage{};
    return -1;
}

}  // namespace orvik
