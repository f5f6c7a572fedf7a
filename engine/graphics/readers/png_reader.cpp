// PNG files through libpng: every colour type and depth, interlaced or not, brought to
// 8-bit palette, 8-bit grey, 24-bit RGB or 32-bit ARGB.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "engine/graphics/images/image_memory.h"
#include "engine/graphics/readers/image_readers.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

// The stream and the bytes left in it, so that a short file raises an error at once
// instead of handing libpng a partial buffer.
struct PngSource {
    const ImageStream* stream;
    int64_t remaining;
};

void PngStreamReadCallback(png_structp png, png_bytep data, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->remaining < 0 || static_cast<uint64_t>(source->remaining) < length)
        png_error(png, "Read Error");
    const ImageStream& s = *source->stream;
    if (s.functions.read(data, 1, length, s.handle) != length) png_error(png, "Read Error");
    source->remaining -= static_cast<int64_t>(length);
}

void PngErrorExit(png_structp png, png_const_charp message) {
    AddLogFormat("ＰＮＧファイルの読み込みに失敗しました(%s) in ReadPngImage", message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void AttachPngStream(png_structp png, PngSource* source) {
    const StreamCursor in(*source->stream);
    source->remaining = in.Remaining();
    png_set_read_fn(png, source, PngStreamReadCallback);
}

// Palette without transparency stays indexed; grey stays one byte; any transparency (an
// alpha channel or a tRNS chunk, grey ones included) ends as 32-bit ARGB.
void SetTransforms(png_structp png, png_infop info) {
    const int colour = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_packswap(png);
    if ((colour == PNG_COLOR_TYPE_GRAY && depth <= 8) || trns) png_set_expand(png);
    if ((colour & PNG_COLOR_MASK_ALPHA) || trns) {
        if (!(colour & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
        png_set_expand(png);
    }
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

int SetFormat(png_structp png, png_infop info, BaseImage* out) {
    ColorFormat& f = out->format;
    switch (png_get_channels(png, info)) {
        case 1:
            if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE) {
                FillGray8ColorFormat(&f);
                return 0;
            }
            FillPalette8ColorFormat(&f);
            {
                png_colorp entries = nullptr;
                int count = 0;
                if (png_get_PLTE(png, info, &entries, &count) == 0) return -1;
                for (int i = 0; i < count && i < 256; ++i)
                    f.palette[i] = PaletteEntry{entries[i].blue, entries[i].green, entries[i].red, 0};
            }
            return 0;
        case 3: FillRgb24ColorFormat(&f); return 0;
        case 4: FillArgb32ColorFormat(&f); return 0;
        default: return -1;
    }
}

// Everything that lives across the long jump is kept here, outside the jumping frame's
// registers.
struct PngJob {
    png_structp png;
    png_infop info;
    PixelBlock pixels;
    png_bytep* rows;
};

// The header's claims are weighed before png_read_update_info, where libpng allocates and
// clears row buffers sized by them. Output rows hold at most four bytes a pixel (16-bit
// channels are stripped), so sides that pass hold their pixels within the image sizes.
// Deflate turns one byte into at most 1032 (a 258-byte match in two one-bit codes), so
// the bytes left after the header bound the pixels the file can hold; a header claiming
// more would fail for want of data anyway, and is refused before anything is allocated.
int CheckPngHeader(png_structp png, png_infop info, int64_t remaining) {
    constexpr uint64_t kMaxInflateRatio = 1032;
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (CheckImageSides(width, height) != 0) {
        AddLogFormat("ＰＮＧファイルの画像が大きすぎます(%u x %u) in ReadPngImage", unsigned(width), unsigned(height));
        return -1;
    }
    const uint64_t bits = uint64_t{width} * height * png_get_bit_depth(png, info) * png_get_channels(png, info);
    if (bits / 8 > uint64_t(std::max<int64_t>(remaining, 0)) * kMaxInflateRatio) {
        AddLogFormat("ＰＮＧファイルの画像データが足りません(%u x %u) in ReadPngImage", unsigned(width), unsigned(height));
        return -1;
    }
    return 0;
}

int DecodePng(PngJob* job, ImageStream* stream, BaseImage* out) {
    PngSource source{stream, 0};
    if (setjmp(png_jmpbuf(job->png))) return -1;
    // libpng refuses in the header itself a side no image of the engine's sizes can have.
    constexpr auto kMaxSide = static_cast<png_uint_32>(kMaxImageBytes / 4);
    png_set_user_limits(job->png, kMaxSide, kMaxSide);
    AttachPngStream(job->png, &source);
    png_read_info(job->png, job->info);
    if (CheckPngHeader(job->png, job->info, source.remaining) != 0) return -1;
    SetTransforms(job->png, job->info);
    const png_uint_32 width = png_get_image_width(job->png, job->info);
    const png_uint_32 height = png_get_image_height(job->png, job->info);
    const size_t rowBytes = png_get_rowbytes(job->png, job->info);
    if (SetFormat(job->png, job->info, out) != 0) return -1;
    if (!ORVIK_BLOCK_ALLOC(job->pixels, rowBytes * height)) return -1;
    job->rows = static_cast<png_bytep*>(ORVIK_IMAGE_ALLOC(sizeof(png_bytep) * height));
    if (!job->rows) return -1;
    for (png_uint_32 y = 0; y < height; ++y) job->rows[y] = job->pixels.Get() + y * rowBytes;
    png_read_image(job->png, job->rows);
    out->width = static_cast<int32_t>(width);
    out->height = static_cast<int32_t>(height);
    out->pitch = static_cast<int32_t>(rowBytes);
    out->pixels = job->pixels.Release();
    return 0;
}

}  // namespace

int ReadPngImage(ImageStream* stream, BaseImage* out) {
    uint8_t signature[8];
    if (StreamCursor(*stream).ReadSome(signature, sizeof signature) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0)
        return kNotThisImageFormat;
    StreamCursor(*stream).Seek(0);
    PngJob job{};
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorExit, PngWarning);
    if (!job.png) return -1;
    job.info = png_create_info_struct(job.png);
    const int result = job.info ? DecodePng(&job, stream, out) : -1;
    if (job.rows) ImageFree(job.rows);
    png_destroy_read_struct(&job.png, &job.info, nullptr);
    return result;
}

}  // namespace orvik
