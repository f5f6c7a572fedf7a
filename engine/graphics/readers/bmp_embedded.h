// BMP files whose pixel data is a whole JPEG or PNG file (compressions 4 and 5): the
// embedded file is handed to the JPEG or PNG reader.
#pragma once
#include <cstdint>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/readers/image_stream.h"

namespace orvik {

constexpr uint32_t kBiJpeg = 4, kBiPng = 5;

struct EmbeddedBmpData {
    uint32_t compression;  // kBiJpeg or kBiPng
    int64_t offset;        // where the embedded file starts
    uint32_t sizeImage;    // the header's data size; 0 means "to the end of the file"
    int32_t width;         // the sizes the BMP header gives, which the embedded file must have
    int32_t height;
};

// Reads the embedded file into the base image; -1 (logged) when it is missing, damaged,
// of the other kind, or of another size than the header says.
int ReadEmbeddedBmpImage(const StreamCursor& in, const EmbeddedBmpData& data, BaseImage* out);

}  // namespace orvik
