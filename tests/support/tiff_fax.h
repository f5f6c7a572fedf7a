// Fax-coded rows made by libtiff's CCITT encoders, as an independent check on the test's
// own encoder: a one-strip TIFF is written to a temporary file and its raw strip bytes
// are lifted out.
#pragma once
#include <tiffio.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/fax_encoder.h"

namespace imagetest {

enum class TiffFaxKind {
    ModifiedHuffman,  // COMPRESSION_CCITTRLE: rows byte-aligned, no end-of-line codes
    Group3FillBits,   // COMPRESSION_CCITTFAX3, 1D: an end-of-line before each row, ending on a byte boundary
};

// Rows packed high bit first, 1 for black, as a min-is-white TIFF stores them.
inline std::vector<uint8_t> TiffFaxRow(const FaxPicture& p, size_t y) {
    std::vector<uint8_t> row(size_t(p.width + 7) / 8, 0);
    for (int x = 0; x < p.width; ++x)
        if (FaxPixel(p.rows[y], x)) row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
    return row;
}

inline bool WriteTiffFax(const std::string& path, const FaxPicture& p, TiffFaxKind kind) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    const uint32_t height = uint32_t(p.rows.size());
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(p.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    if (kind == TiffFaxKind::ModifiedHuffman) {
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTRLE);
    } else {
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
        TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_FILLBITS);
    }
    bool ok = true;
    for (uint32_t y = 0; y < height && ok; ++y) {
        std::vector<uint8_t> row = TiffFaxRow(p, y);
        ok = TIFFWriteScanline(tif, row.data(), y, 0) == 1;
    }
    TIFFClose(tif);
    return ok;
}

inline Bytes ReadTiffStrip(const std::string& path) {
    Bytes strip;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return strip;
    const tmsize_t size = TIFFRawStripSize(tif, 0);
    if (size > 0) {
        strip.resize(size_t(size));
        if (TIFFReadRawStrip(tif, 0, strip.data(), size) != size) strip.clear();
    }
    TIFFClose(tif);
    return strip;
}

// The coded rows of `p` as libtiff writes them; empty when libtiff fails.
inline Bytes TiffFaxStrip(const FaxPicture& p, TiffFaxKind kind) {
    char path[] = "/tmp/orvik_fax_XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) return {};
    ::close(fd);
    Bytes strip = WriteTiffFax(path, p, kind) ? ReadTiffStrip(path) : Bytes{};
    ::unlink(path);
    return strip;
}

}  // namespace imagetest
