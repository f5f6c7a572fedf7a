#include "engine/graphics/readers/image_readers.h"

#include <new>

#include "engine/platform/base/log.h"

namespace orvik {

namespace {

ImageReaderState g_readers;

constexpr ImageReader kDefaultImageReaders[] = {
    ReadBmpImage, ReadJpegImage, ReadPngImage, ReadBgraImage, ReadTgaImage, ReadDdsImage, nullptr};

// Rewinds and clears before each reader, so every reader sees a fresh start. True when it
// read the image; `known` is raised when it knew the stream's format, read or refused. A
// reader whose own containers run out of memory has refused the stream: nothing it throws
// goes further.
bool TryReader(ImageReader reader, ImageStream* stream, BaseImage* out, bool& known) {
    stream->functions.seek(stream->handle, 0, 0);
    *out = BaseImage{};
    try {
        const int result = reader(stream, out);
        known = known || result != kNotThisImageFormat;
        return result == 0;
    } catch (const std::bad_alloc&) {
        AddLogText("画像ファイルを読むメモリが確保できませんでした in LoadImageByReaders\n");
        *out = BaseImage{};
        known = true;
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

int LoadImageByReaders(ImageStream* stream, BaseImage* out, bool* formatKnown) {
    *out = BaseImage{};
    bool known = false, read = false;
    for (int i = 0; !read && i < g_readers.userReaderCount; ++i)
        read = TryReader(g_readers.userReaders[i], stream, out, known);
    for (const ImageReader* r = kDefaultImageReaders; !read && *r; ++r) read = TryReader(*r, stream, out, known);
    if (formatKnown) *formatKnown = known;
    if (read) return 0;
    *out = BaseImage{};
    return -1;
}

}  // namespace orvik
