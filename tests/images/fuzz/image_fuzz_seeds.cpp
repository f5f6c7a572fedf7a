// Writes one small file of each format and variant into the directory given.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/codec_file_builders.h"
#include "tests/support/fax_encoder.h"

using namespace imagetest;

namespace {

void Save(const std::string& dir, const std::string& name, const Bytes& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Ramp(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 37);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 1;
    const std::string dir = argv[1];
    BmpSpec bmp;
    bmp.width = 3;
    bmp.height = 2;
    bmp.pixels = Ramp(24);
    Save(dir, "rgb24.bmp", MakeBmp(bmp));
    bmp.bitCount = 8;
    bmp.compression = 1;
    bmp.palette = {0x00FF0000, 0x0000FF00};
    bmp.pixels = {2, 1, 0, 0, 0, 3, 4, 5, 6, 0, 0, 2, 1, 0, 0, 1};
    Save(dir, "rle8.bmp", MakeBmp(bmp));
    bmp.bitCount = 4;
    bmp.compression = 2;
    Save(dir, "rle4.bmp", MakeBmp(bmp));
    bmp.bitCount = 16;
    bmp.compression = 3;
    bmp.headerSize = 108;
    bmp.palette.clear();
    bmp.masks = {0xF800, 0x07E0, 0x001F, 0};
    bmp.pixels = Ramp(16);
    Save(dir, "fields.bmp", MakeBmp(bmp));
    Save(dir, "core8.bmp", MakeCoreBmp(3, 2, 8, {0x00FF0000, 0x0000FF00, 0x000000FF}, Ramp(8)));
    BmpSpec os2{.headerSize = 64, .width = 3, .height = 2, .bitCount = 8, .compression = 1,
                .colorsUsed = 2, .palette = {0x00FF0000, 0x0000FF00},
                .pixels = {2, 1, 0, 0, 0, 3, 4, 5, 6, 0, 0, 1}};
    Save(dir, "os2_rle8.bmp", MakeBmp(os2));
    // Huffman 1D: packed rows without end-of-lines, and byte-aligned rows led by them.
    const FaxPicture fax{21, {{3, 4, 14}, {0, 21}, {21}, {1, 1, 1, 18}}};
    Save(dir, "os2_fax.bmp", MakeFaxBmp(21, 4, EncodeFax(fax, {})));
    Save(dir, "os2_fax_eol.bmp", MakeFaxBmp(21, -4, EncodeFax(fax, {true, true})));

    TgaSpec tga;
    tga.type = 9;
    tga.mapType = 1;
    tga.mapLength = 2;
    tga.mapBits = 24;
    tga.pixelBits = 8;
    tga.map = Ramp(6);
    tga.data = {0x81, 1, 0x01, 0, 1};
    Save(dir, "mapped.tga", MakeTga(tga));
    TgaSpec rgb;
    rgb.type = 10;
    rgb.pixelBits = 32;
    rgb.descriptor = 0x30;
    rgb.data = {0x83, 1, 2, 3, 4};
    rgb.footer = true;
    Save(dir, "rle.tga", MakeTga(rgb));

    DdsSpec dds;
    dds.width = 5;
    dds.height = 6;
    dds.fourCc = "DXT5";
    dds.mipCount = 3;
    dds.data = Ramp(6 * 16);
    Save(dir, "dxt5.dds", MakeDds(dds));
    dds.fourCc = "DXT1";
    dds.mipCount = 0;
    Save(dir, "dxt1.dds", MakeDds(dds));
    // Plain layouts named by a Direct3D format number: 10-bit channels with a mip chain,
    // and 3-3-2 pixels.
    const char a2r10g10b10[4] = {35, 0, 0, 0}, r3g3b2[4] = {27, 0, 0, 0};
    dds.fourCc = a2r10g10b10;
    dds.mipCount = 3;
    dds.data = Ramp((30 + 6 + 1) * 4);
    Save(dir, "a2r10g10b10.dds", MakeDds(dds));
    dds.fourCc = r3g3b2;
    dds.mipCount = 0;
    dds.data = Ramp(30);
    Save(dir, "r3g3b2.dds", MakeDds(dds));
    // Decoded layouts: half floats with a mip chain, 32-bit floats, luminance by its flags.
    const char r16f[4] = {111, 0, 0, 0}, r32f[4] = {114, 0, 0, 0};
    dds.fourCc = r16f;
    dds.mipCount = 3;
    dds.data = Ramp((30 + 6 + 1) * 2);
    Save(dir, "r16f.dds", MakeDds(dds));
    dds.fourCc = r32f;
    dds.mipCount = 0;
    dds.data = Ramp(30 * 4);
    Save(dir, "r32f.dds", MakeDds(dds));
    DdsSpec luminance = dds;
    luminance.fourCc = nullptr;
    luminance.pixelFlags = 0x20001;
    luminance.bitCount = 16;
    luminance.masks[0] = 0xFF;
    luminance.masks[3] = 0xFF00;
    luminance.data = Ramp(30 * 2);
    Save(dir, "a8l8.dds", MakeDds(luminance));
    dds.fourCc = "ATI2";
    dds.data = Ramp(4 * 16);
    Save(dir, "bc5.dds", MakeDds(dds));
    // The extended header: BC7 with a mip chain, BC6H, four half-float channels.
    dds.fourCc = "DX10";
    dds.extraHeader = Dx10Header(98);
    dds.mipCount = 3;
    dds.data = Ramp(6 * 16);
    Save(dir, "dx10_bc7.dds", MakeDds(dds));
    dds.extraHeader = Dx10Header(96);
    dds.mipCount = 0;
    dds.data = Ramp(4 * 16);
    Save(dir, "dx10_bc6h.dds", MakeDds(dds));
    dds.extraHeader = Dx10Header(10);
    dds.data = Ramp(30 * 8);
    Save(dir, "dx10_rgba16f.dds", MakeDds(dds));
    // Several images in one file: an array, a cube map and a volume, each with levels,
    // and the older header's cube and volume.
    dds.mipCount = 3;
    dds.extraHeader = Dx10Header(87, 3, 0, 2);
    dds.data = Ramp(2 * (30 + 6 + 1) * 4);
    Save(dir, "dx10_array.dds", MakeDds(dds));
    dds.extraHeader = Dx10Header(49, 3, 0x4, 1);
    dds.data = Ramp(6 * (30 + 6 + 1) * 2);
    Save(dir, "dx10_cube.dds", MakeDds(dds));
    dds.extraHeader = Dx10Header(71, 4);
    dds.depth = 3;
    dds.data = Ramp((3 * 4 + 2) * 8);
    Save(dir, "dx10_volume.dds", MakeDds(dds));
    dds.extraHeader = Dx10Header(87, 2, 0, 2);
    dds.depth = 0;
    dds.height = 1;
    dds.data = Ramp(2 * (5 + 2 + 1) * 4);
    Save(dir, "dx10_row_array.dds", MakeDds(dds));
    dds.height = 6;
    dds.extraHeader.clear();
    dds.fourCc = "DXT1";
    dds.caps2 = 0x200 | 0xFC00;
    dds.data = Ramp(6 * 6 * 8);
    Save(dir, "cube.dds", MakeDds(dds));
    dds.caps2 = 0x200000;
    dds.depth = 3;
    Save(dir, "volume.dds", MakeDds(dds));
    const char cxv8u8[4] = {117, 0, 0, 0};
    dds = DdsSpec{.width = 5, .height = 6, .fourCc = cxv8u8, .data = Ramp(30 * 2)};
    Save(dir, "cxv8u8.dds", MakeDds(dds));

    Bytes bgra;
    PutText(bgra, "BGRA");
    Put32(bgra, 0x10101010);
    Put32(bgra, 2);
    Put32(bgra, 1);
    Append(bgra, Ramp(16));
    Save(dir, "wide.bgra", bgra);

    PngSpec png;
    png.colourType = PNG_COLOR_TYPE_PALETTE;
    png.bitDepth = 4;
    png.width = 5;
    png.height = 5;
    png.interlaced = true;
    png.palette = {{1, 2, 3}, {4, 5, 6}};
    png.transparency = {0};
    png.rows = Ramp(15);
    for (auto& v : png.rows) v &= 0x11;
    Save(dir, "palette.png", MakePng(png));
    PngSpec grey;
    grey.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    grey.rows = Ramp(8);
    Save(dir, "grey_alpha.png", MakePng(grey));

    Save(dir, "colour.jpg", MakeJpeg(16, 16, 3, Ramp(16 * 16 * 3), 50));
    Save(dir, "ycck.jpg", MakeJpeg(8, 8, 4, Ramp(8 * 8 * 4), 50, JCS_YCCK));
    const BmpSpec holdsPng{.width = 2, .height = 2, .bitCount = 0, .compression = 5,
                           .pixels = MakePng(grey)};
    Save(dir, "png_inside.bmp", MakeBmp(holdsPng));
    const BmpSpec holdsJpeg{.width = 9, .height = 7, .bitCount = 0, .compression = 4,
                            .pixels = MakeJpeg(9, 7, 1, Ramp(9 * 7), 50)};
    Save(dir, "jpeg_inside.bmp", MakeBmp(holdsJpeg));
    Save(dir, "grey.jpg", MakeJpeg(9, 7, 1, Ramp(9 * 7), 50));
    return 0;
}
