#include "engine/graphics/readers/bmp_embedded.h"

#include <algorithm>
#include <cstdint>

#include "engine/graphics/images/image_memory.h"
#include "engine/graphics/readers/image_readers.h"
#include "engine/platform/base/log.h"
#include "engine/platform/files/stream.h"

namespace orvik {

namespace {

int Refuse(const char* what) {
    AddLogFormat("ＢＭＰファイルに埋め込まれた画像を読めません(%s) in ReadBmpImage", what);
    return -1;
}

// A memory stream over the embedded bytes, so that the JPEG and PNG readers see a file of
// their own that starts at 0 and ends where the embedded data ends.
class EmbeddedStream {
public:
    EmbeddedStream(const uint8_t* bytes, int32_t size) {
        stream_.functions = *GetMemImageStreamFunctions();
        record_ = OpenMemImageStream(bytes, size);
        stream_.handle = ToStreamHandle(record_);
    }
    ~EmbeddedStream() {
        if (record_) CloseMemImageStream(stream_.handle);
    }
    EmbeddedStream(const EmbeddedStream&) = delete;
    EmbeddedStream& operator=(const EmbeddedStream&) = delete;

    bool Open() const { return record_ != nullptr; }
    ImageStream* Get() { return &stream_; }

private:
    ImageStream stream_{};
    MemImageStreamRecord* record_ = nullptr;
};

}  // namespace

int ReadEmbeddedBmpImage(const StreamCursor& in, const EmbeddedBmpData& data, BaseImage* out) {
    const int64_t left = in.Size() - data.offset;
    if (left <= 0 || !in.Seek(data.offset)) return Refuse("no data");
    // A data size past the end of the file is a cut file: the readers get what is there.
    const int64_t size = data.sizeImage == 0 ? left : std::min<int64_t>(data.sizeImage, left);
    if (size > INT32_MAX) return Refuse("too large");
    PixelBlock bytes;
    if (!ORVIK_BLOCK_ALLOC(bytes, static_cast<size_t>(size))) return -1;
    if (!in.Read(bytes.Get(), static_cast<size_t>(size))) return Refuse("short data");
    EmbeddedStream stream(bytes.Get(), static_cast<int32_t>(size));
    if (!stream.Open()) return -1;
    const bool jpeg = data.compression == kBiJpeg;
    if ((jpeg ? ReadJpegImage : ReadPngImage)(stream.Get(), out) != 0)
        return Refuse(jpeg ? "JPEG" : "PNG");
    if (out->width != data.width || out->height != data.height) {
        FreeBaseImage(out);
        *out = BaseImage{};
        return Refuse("size differs from the header");
    }
    return 0;
}

}  // namespace orvik
