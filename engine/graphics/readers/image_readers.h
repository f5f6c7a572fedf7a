// The image readers and the table that tries them in turn on one stream.
#pragma once
#include "engine/graphics/images/base_image.h"
#include "engine/graphics/readers/image_stream.h"

namespace orvik {

// A reader fills the base image and returns 0, or returns another value (having freed
// whatever it allocated) when the stream is not its format or is damaged.
using ImageReader = int (*)(ImageStream* stream, BaseImage* out);

constexpr int kMaxUserImageReaders = 10;

struct ImageReaderState {
    ImageReader userReaders[kMaxUserImageReaders];
    int userReaderCount;
};

ImageReaderState& ImageReaders();
void ResetImageReaders();
// Adds a reader tried before the built-in ones; -1 when the list is full.
int AddUserImageReader(ImageReader reader);

int ReadBmpImage(ImageStream* stream, BaseImage* out);
int ReadJpegImage(ImageStream* stream, BaseImage* out);
int ReadPngImage(ImageStream* stream, BaseImage* out);
int ReadBgraImage(ImageStream* stream, BaseImage* out);
int ReadTgaImage(ImageStream* stream, BaseImage* out);
int ReadDdsImage(ImageStream* stream, BaseImage* out);

// User readers, then BMP, JPEG, PNG, BGRA, TGA, DDS; each starts at the stream's start
// with a cleared base image. -1 when none accepts the stream.
int LoadImageByReaders(ImageStream* stream, BaseImage* out);

}  // namespace orvik
