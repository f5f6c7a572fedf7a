// The image readers and the table that tries them in turn on one stream.
#pragma once
#include "engine/graphics/images/base_image.h"
#include "engine/graphics/readers/image_stream.h"

namespace orvik {

// A reader fills the base image and returns 0, or returns another value having freed
// whatever it allocated: kNotThisImageFormat when the stream is not of its format at all,
// -1 when it is but the reader refuses it (damaged, too large, memory short). A reader
// tells its format by its first bytes, read without asking the stream's length (which a
// file past 2 GB cannot give).
using ImageReader = int (*)(ImageStream* stream, BaseImage* out);

constexpr int kNotThisImageFormat = 1;

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
// with a cleared base image. -1 when none accepts the stream. formatKnown, when given,
// tells whether one of the engine's own readers knew the stream's format (and so refused
// it, on -1); a user reader's refusal says nothing of the format.
int LoadImageByReaders(ImageStream* stream, BaseImage* out, bool* formatKnown = nullptr);

}  // namespace orvik
