// Loading graphics from image files: the alpha file beside the image, the transparent
// colour, a missing file, and the creation settings.
#include <filesystem>
#include <fstream>

#include "../support/image_file_builders.h"
#include "../support/memory_shortage.h"
#include "drawing_fixture.h"
#include "engine/platform/archive/archive_files.h"
#include "engine/platform/files/plain_file.h"
#include "tools/okvpack/archive_writer.h"

namespace orvik_test {
namespace {

using namespace orvik;
using imagetest::Bytes;
using imagetest::BmpSpec;
using imagetest::MakeBmp;

// A bottom-up 24-bit BMP of one row.
Bytes OneRowBmp(const std::vector<uint32_t>& rgb) {
    BmpSpec spec;
    spec.width = int32_t(rgb.size());
    spec.height = 1;
    for (uint32_t c : rgb) {
        spec.pixels.push_back(uint8_t(c));
        spec.pixels.push_back(uint8_t(c >> 8));
        spec.pixels.push_back(uint8_t(c >> 16));
    }
    while (spec.pixels.size() % 4) spec.pixels.push_back(0);
    return MakeBmp(spec);
}

class LoadTest : public DrawingTest {
protected:
    std::string Write(const char* name, const Bytes& bytes) {
        std::string path = engine_.Log().Directory() + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
};

TEST_F(LoadTest, ImageWithItsAlphaFileBlendsByThatAlpha) {
    std::string path = Write("pic.bmp", OneRowBmp({0xFF0000, 0xFF0000, 0xFF0000}));
    Write("pic_a.bmp", OneRowBmp({0xFFFFFF, 0x808080, 0x000000}));
    int32_t g = LoadImageToGraph(path.c_str());
    ASSERT_GE(g, 0);
    EXPECT_EQ(GetGraphRecord(g)->images->alpha, 1);
    ASSERT_EQ(DrawFilledBox(0, 0, 10, 10, GetColorValue(0, 0, 255)), 0);
    ASSERT_EQ(SetBlendMode(1, 255), 0);
    ASSERT_EQ(DrawGraphAt(1, 1, g, 1), 0);
    EXPECT_EQ(Pixel(1, 1), 0xFF0000u);
    const uint32_t half = Pixel(2, 1);
    EXPECT_NEAR(int(half >> 16), 128, 2);
    EXPECT_NEAR(int(half & 255), 127, 2);
    EXPECT_EQ(Pixel(3, 1), 0x0000FFu);
}

TEST_F(LoadTest, TransparentColourOfALoadedSpriteSheet) {
    ASSERT_EQ(SetTransparentColor(0, 0, 0), 0);
    std::string path = Write("sheet.bmp", OneRowBmp({0x000000, 0x00FF00, 0x000000, 0x0000FF}));
    int32_t sheet = LoadImageToGraph(path.c_str());
    ASSERT_GE(sheet, 0);
    int32_t cell = DeriveGraph(2, 0, 2, 1, sheet);
    ASSERT_EQ(DrawFilledBox(0, 0, 20, 20, GetColorValue(255, 255, 255)), 0);
    ASSERT_EQ(DrawGraphAt(10, 10, cell, 1), 0);
    EXPECT_EQ(Pixel(10, 10), 0xFFFFFFu);
    EXPECT_EQ(Pixel(11, 10), 0x0000FFu);
    // Without the transparency flag the key colour is drawn as it is.
    ASSERT_EQ(DrawGraphAt(10, 12, cell, 0), 0);
    EXPECT_EQ(Pixel(10, 12), kBlack);
    // The file name is shared with the derived graphic for restoring.
    ASSERT_NE(GetGraphRecord(cell)->fileName, nullptr);
    EXPECT_EQ(GetGraphRecord(cell)->fileName, GetGraphRecord(sheet)->fileName);
    EXPECT_EQ(GetGraphRecord(cell)->sourceX, 2);
}

TEST_F(LoadTest, MissingOrUnreadableFilesFailWithALogLine) {
    const int32_t before = GraphTable().count;
    std::string missing = engine_.Log().Directory() + "/none.bmp";
    EXPECT_EQ(LoadImageToGraph(missing.c_str()), -1);
    EXPECT_NE(Log().find("グラフィックファイル " + missing + " がありません"), std::string::npos);
    std::string junk = Write("junk.bmp", Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    EXPECT_EQ(LoadImageToGraph(junk.c_str()), -1);
    EXPECT_NE(Log().find("右記のグラフィックファイルのロードに失敗しました：" + junk), std::string::npos);
    EXPECT_EQ(Log().find("グラフィックファイル " + junk + " がありません"), std::string::npos);
    EXPECT_EQ(LoadImageToGraph(nullptr), -1);
    EXPECT_EQ(GraphTable().count, before);
    // Sizes no texture can hold are refused without a half-made graphic.
    EXPECT_EQ(CreateEmptyGraph(0, 10), -1);
    EXPECT_EQ(CreateDrawableGraph(10, -3), -1);
    EXPECT_EQ(GraphTable().count, before);
}

TEST_F(LoadTest, CreationSettingsChooseTheTextureFormat) {
    int32_t keyed = SolidGraph(4, 4, 0x123456);
    EXPECT_EQ(GetGraphRecord(keyed)->images->colorKey, 1);
    ASSERT_EQ(SetGraphColorKeyFlag(0), 0);
    int32_t plain = SolidGraph(4, 4, 0x123456);
    EXPECT_EQ(GetGraphRecord(plain)->images->colorKey, 0);
    ASSERT_EQ(SetGraphAlphaChannelFlag(1), 0);
    int32_t alpha = CreateEmptyGraph(4, 4);
    EXPECT_EQ(GetGraphRecord(alpha)->images->alpha, 1);
    EXPECT_EQ(GetGraphRecord(alpha)->images->bitDepth, 32);
    // Drawable graphics have neither alpha nor key and keep the flag as it was.
    ASSERT_EQ(SetCreateDrawableGraphFlag(1), 0);
    int32_t d = CreateDrawableGraph(4, 4);
    EXPECT_EQ(GetGraphRecord(d)->images->drawable, 1);
    EXPECT_EQ(GetGraphRecord(d)->images->alpha, 0);
    EXPECT_EQ(GetCreateDrawableGraphFlag(), 1);
    // Filling a drawable graphic reaches its pixels; other graphics are left alone.
    ASSERT_EQ(FillGraphColor(d, 300, 0, 16, 255), 0);
    EXPECT_EQ(GraphPixel(d, 3, 3), 0xFF0010u);
    EXPECT_EQ(FillGraphColor(plain, 0, 0, 0, 0), 0);
    EXPECT_EQ(FillGraphColor(-5, 0, 0, 0, 0), -1);
}

TEST_F(LoadTest, GraphicsAreRefilledFromTheirFiles) {
    std::string path = Write("tiles.bmp", OneRowBmp({0x112233, 0x445566, 0x778899}));
    int32_t sheet = LoadImageToGraph(path.c_str());
    int32_t cell = DeriveGraph(1, 0, 2, 1, sheet);
    // Scribble over the pixels, as a lost device would leave them.
    BaseImage blank{};
    ASSERT_EQ(NewXrgb32BaseImage(3, 1, &blank), 0);
    ASSERT_EQ(ZeroBaseImageRect(&blank, 0, 0, 3, 1), 0);
    ASSERT_EQ(UpdateGraphFromBaseImages(&blank, nullptr, sheet, 0, 0, 0), 0);
    FreeBaseImage(&blank);
    ASSERT_EQ(DrawGraphAt(0, 0, sheet, 0), 0);
    ASSERT_EQ(Pixel(0, 0), kBlack);
    ASSERT_EQ(RestoreGraphsFromFiles(), 0);
    ASSERT_EQ(DrawGraphAt(0, 1, sheet, 0), 0);
    ASSERT_EQ(DrawGraphAt(0, 2, cell, 0), 0);
    EXPECT_EQ(Pixel(0, 1), 0x112233u);
    EXPECT_EQ(Pixel(2, 1), 0x778899u);
    EXPECT_EQ(Pixel(0, 2), 0x445566u);
    EXPECT_EQ(Pixel(1, 2), 0x778899u);
    // A file gone since is logged and the graphic kept as it is.
    std::filesystem::remove(path);
    ASSERT_EQ(RestoreGraphsFromFiles(), 0);
    EXPECT_NE(Log().find("tiles.bmp がロードできませんでした"), std::string::npos);
    EXPECT_EQ(IsValidGraphHandle(cell), 1);
}

// Short of memory at any one request of operator new, a load from a plain file, from one
// inside an archive or of a file tried as a movie gives a graphic or -1 with a log line:
// nothing is thrown out of the engine, and an image's failed load leaves no graphic, open
// file or archive reference behind.
TEST_F(LoadTest, ALoadShortOfMemoryAtAnyRequestGivesAGraphicOrMinusOne) {
    const Bytes bmp = OneRowBmp({0x112233, 0x445566});
    okvpack::PackDir root;
    root.files.push_back({"pic.bmp", bmp});
    Write("Pack.okv", okvpack::BuildArchive(root, okvpack::PackOptions{}, nullptr));
    const std::string images[] = {Write("pic.bmp", bmp), engine_.Log().Directory() + "/Pack/pic.bmp"};
    const std::string movie = Write("junk.bin", Bytes(64, 'j'));
    const int32_t graphs = GraphTable().count;
    for (const std::string& path : {images[0], images[1], movie}) {
        // The load with the nth request failing (none fails past the last); the requests made.
        const auto load = [&](size_t failing) {
            ResetArchiveFiles();
            int32_t g = -2;
            size_t requests = 0;
            {
                const FailingRequest shortage(failing);
                EXPECT_NO_THROW(g = LoadImageToGraph(path.c_str())) << path << ", request " << failing;
                requests = OperatorNewRequests();
            }
            EXPECT_GE(g, -1);
            if (g >= 0) DeleteGraphHandle(g);
            ReleaseUnusedArchives();
            EXPECT_EQ(GraphTable().count, graphs);
            if (path != movie) {
                EXPECT_EQ(OpenFileCount(), 0);
                EXPECT_EQ(PlainFileOpenCount(), 0u);
            }
            return requests;
        };
        const size_t requests = load(SIZE_MAX);
        for (size_t n = 1; n <= requests && !HasFailure(); ++n) load(n);
    }
    EXPECT_NE(Log().find("メモリが足りず処理できませんでした in FileAccessOpen：" + images[1]), std::string::npos);
}

}  // namespace
}  // namespace orvik_test
