// DDS files holding more than one image: texture arrays, cube maps and volumes, with the
// extended header or the older caps words, and one-dimensional textures. The first
// element, face or slice is read with its own mip chain; every image the header claims
// must be in the file.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "engine/graphics/dds/dxt_decode.h"
#include "tests/support/image_file_builders.h"
#include "tests/support/temp_log.h"

namespace dds_shapes_test {

using imagetest::Bytes;
using imagetest::DdsSpec;
using imagetest::Dx10Header;
using imagetest::MakeDds;
using imagetest::Put16;
using imagetest::Put32;
using imagetest::ReadWith;

constexpr uint32_t kBgra8 = 87, kRg8 = 49, kBc1 = 71;
constexpr uint32_t kTexture1d = 2, kTexture2d = 3, kTexture3d = 4, kCubeFlag = 0x4;
constexpr uint32_t kOldCubeAllFaces = 0x200 | 0xFC00, kOldVolume = 0x200000;

int Side(int side, int level) { return std::max(side >> level, 1); }

// Writes one image (element, face or slice) of one level: (bytes, image, level, pixels).
using ImageWriter = std::function<void(Bytes&, int, int, int)>;

// Arrays and cube maps: each image holds its whole chain before the next image.
Bytes ChainsInTurn(int images, int width, int height, int levels, const ImageWriter& put) {
    Bytes b;
    for (int i = 0; i < images; ++i)
        for (int l = 0; l < levels; ++l) put(b, i, l, Side(width, l) * Side(height, l));
    return b;
}

// Volumes: every slice of a level (the depth halving too) before the next level.
Bytes SlicesByLevel(int side, int depth, int levels, const ImageWriter& put) {
    Bytes b;
    for (int l = 0; l < levels; ++l)
        for (int s = 0; s < Side(depth, l); ++s) put(b, s, l, Side(side, l) * Side(side, l));
    return b;
}

// B8G8R8A8 pixels (the ARGB words as they are) naming the image and level they were stored for.
uint32_t BgraTag(int image, int level) { return 0xFF000000u | uint32_t(0x10 + image) << 8 | uint32_t(0x40 + level); }
void PutBgra(Bytes& b, int image, int level, int pixels) {
    for (int p = 0; p < pixels; ++p) Put32(b, BgraTag(image, level));
}

// R8G8 pixels: red from the image, green from the level; decoded to ARGB.
uint8_t RedOf(int image) { return uint8_t(40 * image + 5); }
uint8_t GreenOf(int level) { return uint8_t(60 * level + 7); }
void PutRg(Bytes& b, int image, int level, int pixels) {
    for (int p = 0; p < pixels; ++p) {
        b.push_back(RedOf(image));
        b.push_back(GreenOf(level));
    }
}

// One solid BC1 block per level (every side of 4 or less): its first colour names the
// slice and level, every index picks it.
uint16_t Bc1Colour(int image, int level) { return uint16_t((image + 1) << 11 | (level + 1) << 5); }
void PutBc1(Bytes& b, int image, int level, int) {
    Put16(b, Bc1Colour(image, level));
    Put16(b, 0);
    Put32(b, 0);
}

DdsSpec Dx10(uint32_t width, uint32_t height, uint32_t mips, Bytes header, Bytes data) {
    DdsSpec s;
    s.fourCc = "DX10";
    s.width = width;
    s.height = height;
    s.mipCount = mips;
    s.extraHeader = std::move(header);
    s.data = std::move(data);
    return s;
}

uint32_t Word32(const orvik::BaseImage& image, size_t offset) {
    uint32_t v;
    std::memcpy(&v, image.pixels + offset, 4);
    return v;
}

uint16_t Word16(const orvik::BaseImage& image, size_t offset) {
    uint16_t v;
    std::memcpy(&v, image.pixels + offset, 2);
    return v;
}

TEST(DdsShapeTest, ArrayReadsItsFirstElementWithItsMipChain) {
    // Two 4 x 4 elements of three levels each; the second must not leak into the levels.
    const Bytes data = ChainsInTurn(2, 4, 4, 3, PutBgra);
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(Dx10(4, 4, 3, Dx10Header(kBgra8, kTexture2d, 0, 2), data)));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.width, 4);
    EXPECT_EQ(r->image.height, 4);
    EXPECT_EQ(r->image.mipCount, 3u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(r->At(x, y), BgraTag(0, 0)) << x << "," << y;
    EXPECT_EQ(Word32(r->image, 64), BgraTag(0, 1));
    EXPECT_EQ(Word32(r->image, 64 + 12), BgraTag(0, 1));
    EXPECT_EQ(Word32(r->image, 64 + 16), BgraTag(0, 2));

    // A one-dimensional array: one row per element, whatever height the header gives.
    const Bytes rows = ChainsInTurn(2, 4, 1, 2, PutBgra);
    for (uint32_t height : {1u, 7u}) {
        auto row = ReadWith(orvik::ReadDdsImage,
                            MakeDds(Dx10(4, height, 2, Dx10Header(kBgra8, kTexture1d, 0, 2), rows)));
        ASSERT_EQ(row->code, 0) << height;
        EXPECT_EQ(row->image.height, 1);
        EXPECT_EQ(row->At(3, 0), BgraTag(0, 0));
        EXPECT_EQ(Word32(row->image, 16 + 4), BgraTag(0, 1));
    }
}

TEST(DdsShapeTest, CubeMapsReadTheirFirstFaceDecodedWithItsLevels) {
    const Bytes faces = ChainsInTurn(6, 4, 4, 2, PutRg);
    DdsSpec dx10 = Dx10(4, 4, 2, Dx10Header(kRg8, kTexture2d, kCubeFlag, 1), faces);
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(dx10));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.mipCount, 2u);
    EXPECT_EQ(r->image.pitch, 16);
    const uint32_t level0 = 0xFF000000u | uint32_t(RedOf(0)) << 16 | uint32_t(GreenOf(0)) << 8;
    const uint32_t level1 = 0xFF000000u | uint32_t(RedOf(0)) << 16 | uint32_t(GreenOf(1)) << 8;
    EXPECT_EQ(r->At(0, 0), level0);
    EXPECT_EQ(r->At(3, 3), level0);
    EXPECT_EQ(Word32(r->image, 64), level1);
    EXPECT_EQ(Word32(r->image, 64 + 12), level1);

    // An array of two cubes holds twelve faces; six are not enough.
    dx10.extraHeader = Dx10Header(kRg8, kTexture2d, kCubeFlag, 2);
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(dx10))->code, -1);
    dx10.data = ChainsInTurn(12, 4, 4, 2, PutRg);
    auto twelve = ReadWith(orvik::ReadDdsImage, MakeDds(dx10));
    ASSERT_EQ(twelve->code, 0);
    EXPECT_EQ(twelve->At(1, 1), level0);

    // The older cube: faces by the caps word, A8R8G8B8 by its masks.
    DdsSpec old;
    old.fourCc = nullptr;
    old.bitCount = 32;
    old.masks[0] = 0xFF0000;
    old.masks[1] = 0xFF00;
    old.masks[2] = 0xFF;
    old.masks[3] = 0xFF000000;
    old.mipCount = 2;
    old.caps2 = kOldCubeAllFaces;
    old.data = ChainsInTurn(6, 4, 4, 2, PutBgra);
    auto o = ReadWith(orvik::ReadDdsImage, MakeDds(old));
    ASSERT_EQ(o->code, 0);
    EXPECT_EQ(o->At(2, 2), BgraTag(0, 0));
    EXPECT_EQ(Word32(o->image, 64), BgraTag(0, 1));
    // Three faces named: three chains are enough.
    old.caps2 = 0x200 | 0x400 | 0x1000 | 0x4000;
    old.data = ChainsInTurn(3, 4, 4, 2, PutBgra);
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(old))->code, 0);
    old.data.pop_back();
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(old))->code, -1);
}

TEST(DdsShapeTest, VolumesReadTheFirstSliceOfEveryLevel) {
    for (uint32_t depth : {3u, 4u}) {
        const Bytes slices = SlicesByLevel(4, int(depth), 3, PutBc1);
        DdsSpec dx10 = Dx10(4, 4, 3, Dx10Header(kBc1, kTexture3d), slices);
        dx10.depth = depth;
        DdsSpec old = dx10;
        old.fourCc = "DXT1";
        old.extraHeader.clear();
        old.caps2 = kOldVolume;
        for (const DdsSpec* s : {&dx10, &old}) {
            const char* which = s == &old ? "older header" : "DX10";
            auto r = ReadWith(orvik::ReadDdsImage, MakeDds(*s));
            ASSERT_EQ(r->code, 0) << which << depth;
            EXPECT_EQ(r->image.mipCount, 3u);
            EXPECT_EQ(r->image.format.compression, orvik::kCompressionDxt1);
            // Slice 0 of each level: the later slices of levels 0 and 1 are skipped.
            EXPECT_EQ(Word16(r->image, 0), Bc1Colour(0, 0)) << which << depth;
            EXPECT_EQ(Word16(r->image, 8), Bc1Colour(0, 1)) << which << depth;
            EXPECT_EQ(Word16(r->image, 16), Bc1Colour(0, 2)) << which << depth;
            ASSERT_EQ(orvik::DecodeDxtBaseImage(&r->image), 0);
            EXPECT_EQ(r->At(3, 3), 0xFF000000u | 255u * 1 / 31 << 16 | 255u * 1 / 63 << 8) << which;
        }
    }

    // Decoded pixels of a 4 x 4 x 3 volume: the slices of levels 0 and 1 lie between the
    // levels read.
    DdsSpec rg = Dx10(4, 4, 3, Dx10Header(kRg8, kTexture3d), SlicesByLevel(4, 3, 3, PutRg));
    rg.depth = 3;
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(rg));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->At(1, 2), 0xFF000000u | uint32_t(RedOf(0)) << 16 | uint32_t(GreenOf(0)) << 8);
    EXPECT_EQ(Word32(r->image, 64), 0xFF000000u | uint32_t(RedOf(0)) << 16 | uint32_t(GreenOf(1)) << 8);
    EXPECT_EQ(Word32(r->image, 80), 0xFF000000u | uint32_t(RedOf(0)) << 16 | uint32_t(GreenOf(2)) << 8);
}

TEST(DdsShapeTest, TruncatedAndLyingShapesAreRefusedWithALogLine) {
    orvik_test::TempLog log;
    struct Lying {
        const char* name;
        DdsSpec file;
        const char* logged;
    };
    auto dx10 = [](Bytes header, uint32_t depth, Bytes data) {
        DdsSpec s = Dx10(2, 2, 0, std::move(header), std::move(data));
        s.depth = depth;
        return s;
    };
    auto old = [](uint32_t caps2, uint32_t depth) {
        DdsSpec s;
        s.caps2 = caps2;
        s.depth = depth;
        s.data.assign(8 * 6, 0);
        return s;
    };
    const Bytes oneImage(16, 0x11), oneAndAHalf(24, 0x11);
    // Near 2^31 bytes a level times 2^32 slices, and then the next level: past 2^63.
    DdsSpec vast = dx10(Dx10Header(kBgra8, kTexture3d), 0xFFFFFFFF, oneImage);
    vast.width = 32767;
    vast.height = 16384;
    vast.mipCount = 2;
    const Lying cases[] = {
        {"second element cut short", dx10(Dx10Header(kBgra8, kTexture2d, 0, 2), 0, oneAndAHalf), "(pixel data)"},
        {"a cube of one face", dx10(Dx10Header(kBgra8, kTexture2d, kCubeFlag, 1), 0, oneImage), "(pixel data)"},
        // Counts whose products pass any size: refused before anything is allocated.
        {"4294967295 cubes", dx10(Dx10Header(kBgra8, kTexture2d, kCubeFlag, 0xFFFFFFFF), 0, oneImage),
         "(pixel data)"},
        {"4294967295 slices", dx10(Dx10Header(kBgra8, kTexture3d), 0xFFFFFFFF, oneImage), "(pixel data)"},
        {"vast slices", vast, "(pixel data)"},
        {"slices cut short", dx10(Dx10Header(kBgra8, kTexture3d), 2, oneAndAHalf), "(pixel data)"},
        {"volume without depth", dx10(Dx10Header(kBgra8, kTexture3d), 0, oneImage), "(depth)"},
        {"older volume without depth", old(kOldVolume, 0), "(depth)"},
        {"older cube naming no face", old(0x200, 0), "(cube faces)"},
        {"older cube volume", old(kOldCubeAllFaces | kOldVolume, 1), "(cube volume)"},
        {"older volume cut short", old(kOldVolume, 7), "(pixel data)"},
    };
    for (const Lying& c : cases) {
        EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(c.file))->code, -1) << c.name;
        EXPECT_NE(log.Read().find(std::string("壊れています") + c.logged), std::string::npos) << c.name;
    }
    // The same headers with all their images are read.
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(dx10(Dx10Header(kBgra8, kTexture3d), 2, Bytes(32, 1))))->code, 0);
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(old(kOldVolume, 6)))->code, 0);
}

}  // namespace dds_shapes_test
