// PNG and JPEG files made with the system encoders for the reader tests.
#pragma once
#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/support/image_file_builders.h"

namespace imagetest {

struct PngSpec {
    int width = 2;
    int height = 2;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    Bytes transparency;  // tRNS bytes as stored (palette alphas or a grey/RGB key)
    Bytes rows;          // packed rows as PNG stores them, top row first
};

inline void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
inline void PngFlush(png_structp) {}

inline Bytes MakePng(const PngSpec& s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) std::abort();
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty())
        png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    png_color_16 key{};
    if (!s.transparency.empty()) {
        if (s.colourType == PNG_COLOR_TYPE_PALETTE) {
            png_set_tRNS(png, info, s.transparency.data(), static_cast<int>(s.transparency.size()),
                         nullptr);
        } else {
            key.gray = key.red = s.transparency[0];
            if (s.transparency.size() >= 3) {
                key.green = s.transparency[1];
                key.blue = s.transparency[2];
            }
            png_set_tRNS(png, info, nullptr, 1, &key);
        }
    }
    png_write_info(png, info);
    const size_t rowBytes = s.rows.size() / s.height;
    std::vector<png_bytep> rows(s.height);
    for (int y = 0; y < s.height; ++y)
        rows[y] = const_cast<png_bytep>(s.rows.data() + y * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// The signature and header of an 8-bit PNG claiming width x height, whatever its data
// holds, one data chunk of `idat` (a zlib stream, or nothing) and the end chunk.
inline Bytes PngClaiming(uint32_t width, uint32_t height, int colourType, const Bytes& idat = {}) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) std::abort();
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), idat.data(), idat.size());
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Components 1 (grey), 3 (RGB), 4 (CMYK) or any other count (no colour space); pixels top row first, interleaved. `stored`
// picks the colour space in the file (YCCK for CMYK input); without Adobe's marker a CMYK
// file carries nothing that says its inks are inverted.
inline Bytes MakeJpeg(int width, int height, int components, const Bytes& pixels, int quality = 95,
                      J_COLOR_SPACE stored = JCS_UNKNOWN, bool adobeMarker = true) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = width;
    c.image_height = height;
    c.input_components = components;
    c.in_color_space = components == 1   ? JCS_GRAYSCALE
                       : components == 3 ? JCS_RGB
                       : components == 4 ? JCS_CMYK
                                         : JCS_UNKNOWN;
    jpeg_set_defaults(&c);
    if (stored != JCS_UNKNOWN) jpeg_set_colorspace(&c, stored);
    c.write_Adobe_marker = c.write_Adobe_marker && adobeMarker;
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + c.next_scanline * width * components);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

}  // namespace imagetest
