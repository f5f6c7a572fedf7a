// Block-compressed images on the device path: their blocks go into compressed textures
// as they are, including images cut into several texture pieces and with partial edge
// blocks, and they draw the same pixels as the image decoded beforehand. Without a
// compressed format the image is decoded into the fallback format.
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "../support/image_file_builders.h"
#include "drawing_fixture.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/dds/dxt_decode.h"
#include "engine/graphics/handles/graph_textures.h"
#include "engine/graphics/readers/image_loader.h"

namespace orvik_test {
namespace {

using namespace orvik;
using imagetest::Bytes;

// 5:6:5 end points whose channels are all 0 or full, so that every palette entry comes
// out the same whichever way a decoder rounds.
constexpr uint16_t kEnds[] = {0x0000, 0xFFFF, 0xF800, 0x07E0, 0x001F, 0xF81F, 0xFFE0, 0x07FF};

// Equal end points select DXT1's three-colour rule, whose fourth entry is clear.
void PutColorBlock(Bytes& b, std::mt19937& rng) {
    uint16_t c0 = kEnds[rng() % 8], c1 = kEnds[rng() % 8];
    if (c0 < c1) std::swap(c0, c1);
    imagetest::Put16(b, c0);
    imagetest::Put16(b, c1);
    imagetest::Put32(b, uint32_t(rng()));
}

void PutAlphaBlock(Bytes& b, std::mt19937& rng, uint32_t kind) {
    if (kind <= 3) {
        imagetest::Put32(b, uint32_t(rng()));
        imagetest::Put32(b, uint32_t(rng()));
        return;
    }
    // Interpolation steps that divide evenly: 210 / 7 and 250 / 5.
    const bool eight = rng() % 2 == 0;
    b.push_back(eight ? 210 : 0);
    b.push_back(eight ? 0 : 250);
    for (int i = 0; i < 6; ++i) b.push_back(uint8_t(rng()));
}

Bytes MakeDxtFile(uint32_t kind, int width, int height, uint32_t seed) {
    std::mt19937 rng(seed);
    imagetest::DdsSpec dds;
    dds.width = uint32_t(width);
    dds.height = uint32_t(height);
    static const char* const kNames[] = {"DXT1", "DXT2", "DXT3", "DXT4", "DXT5"};
    dds.fourCc = kNames[kind - 1];
    for (int block = 0; block < (width + 3) / 4 * ((height + 3) / 4); ++block) {
        if (kind > 1) PutAlphaBlock(dds.data, rng, kind);
        PutColorBlock(dds.data, rng);
    }
    return imagetest::MakeDds(dds);
}

BaseImage LoadDds(const Bytes& file) {
    BaseImage image{};
    EXPECT_EQ(LoadImageToBaseImageEx(nullptr, file.data(), int32_t(file.size()), 1, &image, 0), 0);
    return image;
}

int32_t GraphFromFile(const Bytes& file, bool decodeFirst) {
    BaseImage image = LoadDds(file);
    if (decodeFirst) { EXPECT_EQ(DecodeDxtBaseImage(&image), 0); }
    const int32_t handle = SetGraphFromBaseImage(&image, nullptr, 0, 0, 0);
    FreeBaseImage(&image);
    return handle;
}

class DxtTextureTest : public DrawingTest, public ::testing::WithParamInterface<uint32_t> {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        // Small textures, so a 22-pixel-wide image is cut into pieces of 16 and 8.
        GraphTextureSettings().userMaxSize = 16;
    }
};

TEST_P(DxtTextureTest, BlocksStayCompressedAndDrawAsTheDecodedImage) {
    const uint32_t kind = GetParam();
    const Bytes file = MakeDxtFile(kind, 22, 10, 77 + kind);
    const int32_t packed = GraphFromFile(file, false), decoded = GraphFromFile(file, true);
    ASSERT_GE(packed, 0);
    ASSERT_GE(decoded, 0);
    const GraphImageSet& set = *GetGraphRecord(packed)->images;
    EXPECT_EQ(set.formatIndex, 5 + kind);
    ASSERT_EQ(set.pieces.size(), 2u);
    for (const TexturePiece& piece : set.pieces)
        EXPECT_EQ(piece.texture->Format(), host::MakeFourCC('D', 'X', 'T', char('0' + kind)));
    EXPECT_EQ(GetGraphRecord(decoded)->images->formatIndex, 3u);

    // Over a grey ground, so that the alpha of every texel shows in the result.
    ASSERT_EQ(DrawFilledBox(0, 0, 60, 40, GetColorValue(90, 120, 150)), 0);
    ASSERT_EQ(DrawGraphAt(2, 3, packed, 1), 0);
    ASSERT_EQ(DrawGraphAt(30, 3, decoded, 1), 0);
    int differing = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 22; ++x) differing += Pixel(2 + x, 3 + y) != Pixel(30 + x, 3 + y);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(Pixel(24, 3), Pixel(24, 2));  // nothing beyond the image's 22 columns
}

INSTANTIATE_TEST_SUITE_P(Kinds, DxtTextureTest, ::testing::Values(1u, 3u, 5u));

TEST_F(DrawingTest, CompressedTexturesRefuseWhatTheyCannotTakeAsBlocks) {
    const Bytes file = MakeDxtFile(5, 8, 8, 5);
    const int32_t handle = GraphFromFile(file, false);
    ASSERT_GE(handle, 0);
    ASSERT_EQ(DrawGraphAt(0, 0, handle, 0), 0);
    const uint32_t before = Pixel(5, 5);
    // Plain pixels, and blocks that do not start at the piece's corner, leave it as it was.
    BaseImage plain{};
    ASSERT_EQ(NewXrgb32BaseImage(8, 8, &plain), 0);
    EXPECT_EQ(UpdateGraphFromBaseImages(&plain, nullptr, handle, 0, 0, 0), -1);
    FreeBaseImage(&plain);
    BaseImage blocks = LoadDds(file);
    EXPECT_EQ(TransferImageToTexture(handle, blocks, nullptr, PixelRect{2, 0, 8, 8}, 0, 0, 0), -1);
    EXPECT_NE(Log().find("DXTフォーマットのテクスチャに標準形式のイメージを転送することはできません"), std::string::npos);
    ASSERT_EQ(DrawGraphAt(0, 0, handle, 0), 0);
    EXPECT_EQ(Pixel(5, 5), before);
    // The same blocks again, as a restore from the file does, are taken.
    EXPECT_EQ(TransferImageToGraph(nullptr, &blocks, nullptr, 0, 0, handle, 0), 0);
    FreeBaseImage(&blocks);
}

TEST_F(DrawingTest, CompressedGraphicsComeBackFromTheirFile) {
    const std::string path = engine_.Log().Directory() + "/tile.dds";
    const Bytes file = MakeDxtFile(3, 8, 8, 11);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    const int32_t handle = LoadImageToGraph(path.c_str(), 0);
    ASSERT_GE(handle, 0);
    const TexturePiece& piece = GetGraphRecord(handle)->images->pieces.at(0);
    ASSERT_EQ(piece.texture->Format(), host::D3DFMT_DXT3);
    ASSERT_EQ(DrawGraphAt(0, 0, handle, 0), 0);
    std::vector<uint32_t> before;
    for (int i = 0; i < 64; ++i) before.push_back(Pixel(i % 8, i / 8));
    // The device lost the texture's contents, as after a re-creation.
    host::Texture* held = piece.staging ? piece.staging : piece.texture;
    host::D3DLOCKED_RECT locked;
    ASSERT_EQ(held->LockRect(0, &locked, nullptr, 0), host::D3D_OK);
    std::memset(locked.pBits, 0, size_t(locked.Pitch) * 2);
    held->UnlockRect(0);
    if (piece.staging) D3DDevice()->UpdateTexture(piece.staging, piece.texture);
    ASSERT_EQ(RestoreGraphsFromFiles(), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, handle, 0), 0);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(Pixel(i % 8, i / 8), before[size_t(i)]) << i;
    EXPECT_EQ(Log().find("DXTフォーマット"), std::string::npos);
}

class NoDxtDrawingTest : public DrawingTest {
protected:
    void SetUp() override {
        host::D3D9Settings().refusedFormats = {host::D3DFMT_DXT1, host::D3DFMT_DXT2, host::D3DFMT_DXT3,
                                               host::D3DFMT_DXT4, host::D3DFMT_DXT5};
        DrawingTest::SetUp();
    }
};

TEST_F(NoDxtDrawingTest, CompressedImagesAreDecodedIntoTheFallbackFormats) {
    // One DXT1 block: red, with its clear fourth entry in the top-left texel.
    imagetest::DdsSpec dds;
    imagetest::Put16(dds.data, 0xF800);
    imagetest::Put16(dds.data, 0xF800);
    imagetest::Put32(dds.data, 0x3);
    const int32_t dxt1 = GraphFromFile(imagetest::MakeDds(dds), false);
    const int32_t dxt5 = GraphFromFile(MakeDxtFile(5, 4, 4, 9), false);
    ASSERT_GE(dxt1, 0);
    ASSERT_GE(dxt5, 0);
    EXPECT_EQ(GetGraphRecord(dxt1)->images->formatIndex, 6u);
    EXPECT_EQ(GetGraphRecord(dxt1)->images->pieces[0].texture->Format(), Graphics().dev.textureFormats[4]);
    EXPECT_EQ(GetGraphRecord(dxt5)->images->pieces[0].texture->Format(), Graphics().dev.textureFormats[3]);
    ASSERT_EQ(DrawFilledBox(0, 0, 10, 10, GetColorValue(0, 0, 255)), 0);
    ASSERT_EQ(DrawGraphAt(2, 2, dxt1, 1), 0);
    EXPECT_EQ(Pixel(2, 2), 0x0000FFu);
    EXPECT_EQ(Pixel(3, 2), 0xFF0000u);
    EXPECT_EQ(Pixel(5, 5), 0xFF0000u);
}

}  // namespace
}  // namespace orvik_test

namespace orvik_test {
namespace {

// One DXT1 block of a single 5:6:5 colour.
void PutSolidBlock(Bytes& b, uint16_t color) {
    imagetest::Put16(b, color);
    imagetest::Put16(b, color);
    imagetest::Put32(b, 0);
}

TEST_F(DrawingTest, CompressedMipLevelsComeFromTheImagesOwnLevels) {
    // 8 x 8 with levels of 4 x 4 (green), 2 x 2 (blue) and 1 x 1 (red), each one block.
    imagetest::DdsSpec dds;
    dds.width = dds.height = 8;
    dds.mipCount = 4;
    for (int i = 0; i < 4; ++i) PutSolidBlock(dds.data, 0xFFFF);
    for (uint16_t c : {uint16_t(0x07E0), uint16_t(0x001F), uint16_t(0xF800)}) PutSolidBlock(dds.data, c);
    const int32_t handle = GraphFromFile(imagetest::MakeDds(dds), false);
    ASSERT_GE(handle, 0);
    const TexturePiece& piece = GetGraphRecord(handle)->images->pieces.at(0);
    host::Texture* held = piece.staging ? piece.staging : piece.texture;
    ASSERT_EQ(held->GetLevelCount(), 4u);
    for (uint32_t level = 1; level < 4; ++level) {
        host::D3DLOCKED_RECT locked;
        ASSERT_EQ(held->LockRect(level, &locked, nullptr, host::D3DLOCK_READONLY), host::D3D_OK);
        EXPECT_EQ(std::memcmp(locked.pBits, dds.data.data() + 24 + 8 * level, 8), 0) << level;
        held->UnlockRect(level);
    }
    EXPECT_EQ(Log().find("ミップマップ"), std::string::npos);
    // A header claiming more levels than the texture can have still makes the graphic.
    dds.mipCount = 10;
    for (int i = 0; i < 6; ++i) PutSolidBlock(dds.data, 0);
    const int32_t claimed = GraphFromFile(imagetest::MakeDds(dds), false);
    ASSERT_GE(claimed, 0);
    EXPECT_EQ(GetGraphRecord(claimed)->images->pieces.at(0).texture->GetLevelCount(), 4u);
}

}  // namespace
}  // namespace orvik_test
