// Image files and the media graph, which stands in for a movie player: an image file is
// the image readers' to take or refuse, and FFmpeg, which opens images as movies of one
// picture at its own decoders' limits, is not asked to.
#include <unistd.h>

#include <utility>

#include "graph_movie_fixture.h"
#include "tests/support/codec_file_builders.h"
#include "tests/support/peak_memory.h"

namespace movie_test {
namespace {

using imagetest::Bytes;

// Files of a few bytes whose headers claim huge pictures (a 69-byte PNG of 16000 x 16000,
// a 23-byte run-length TGA of 8192 x 8192, and a 3 GB BMP of 32768 x 32768, sparse so that
// it costs no disk): their readers refuse them, and they are not then tried as movies.
TEST_F(GraphMovieTest, ImagesTheirReadersRefuseAreNotTriedAsMovies) {
    Start();
    imagetest::TgaSpec runs;
    runs.type = 10;
    runs.width = runs.height = 8192;
    runs.pixelBits = 32;
    runs.data = {0xFF, 1, 2, 3, 4};
    const std::string bmp = Write("claims.bmp", imagetest::MakeBmp({.width = 32768, .height = 32768}));
    ASSERT_EQ(truncate(bmp.c_str(), off_t{3} << 30), 0);
    // zlib's stream of four zero bytes: not a row of the pictures claimed.
    const Bytes fourZeros = {0x78, 0x9C, 0x63, 0x60, 0x60, 0x60, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01};
    const std::pair<std::string, const char*> cases[] = {
        {Write("claims.png", imagetest::PngClaiming(16000, 16000, PNG_COLOR_TYPE_RGB, fourZeros)),
         "ＰＮＧファイルの画像データが足りません(16000 x 16000)"},
        {Write("claims.tga", imagetest::MakeTga(runs)), "ＴＧＡファイルが壊れています(run-length data)"},
        {bmp, "ＢＭＰファイルの画像が大きすぎます(32768 x 32768)"},
    };
    for (const auto& [path, refusal] : cases) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(orvik_test::ResetPeakResident());
        const int64_t before = orvik_test::PeakResidentKb();
        EXPECT_EQ(orvik::LoadGraphFile(path.c_str(), 0, 0, 0), -1);
        EXPECT_LT(orvik_test::PeakResidentKb() - before, 100 * 1024);
        const std::string log = engine_.Log().Read();
        EXPECT_NE(log.find(refusal), std::string::npos) << log;
        EXPECT_EQ(log.find("ムービーファイルオープン処理時にエラーが発生しました"), std::string::npos) << log;
    }
}

// Images FFmpeg reads with its still-image demuxers are no movies to the media graph, and
// the log says why; movies play whatever codec their pictures are in, image codecs among
// them (motion JPEG in AVI, PNG and TIFF frames in QuickTime, Matroska and AVI).
TEST_F(GraphMovieTest, TheMediaGraphOpensMoviesAndNotImages) {
    Start();
    imagetest::PngSpec png;
    png.width = png.height = 1;
    png.rows = {255, 0, 0};
    imagetest::TgaSpec tga;
    tga.data.assign(12, 200);
    const std::string images[] = {
        Write("pixel.png", imagetest::MakePng(png)),
        Write("pixels.tga", imagetest::MakeTga(tga)),
        Write("pixels.bmp", imagetest::MakeBmp({.width = 2, .height = 2, .pixels = Bytes(16, 200)})),
    };
    for (const std::string& path : images) {
        const size_t logged = Log().size();
        EXPECT_EQ(orvik::OpenMovie(path.c_str(), nullptr, nullptr, 0), -1) << path;
        EXPECT_NE(Log().find("is a still image", logged), std::string::npos) << path << Log();
    }
    const auto frames = [](const char* container, const char* encoder, AVPixelFormat layout) {
        return AvMovie{.frames = 4, .layout = layout, .container = container, .pictureEncoder = encoder};
    };
    const std::string movies[] = {
        Make("jpegs.avi", {.kind = AvKind::MjpegAvi, .frames = 4, .layout = AV_PIX_FMT_YUVJ420P}),
        Make("mpeg1.mpg", {.kind = AvKind::Mpeg1Ps, .frames = 4}),
        Make("png.mov", frames("mov", "png", AV_PIX_FMT_GRAY8)),
        Make("tiff.mov", frames("mov", "tiff", AV_PIX_FMT_YUV420P)),
        Make("png.mkv", frames("matroska", "png", AV_PIX_FMT_GRAY8)),
        Make("png.avi", frames("avi", "png", AV_PIX_FMT_GRAY8)),
    };
    for (const std::string& path : movies) {
        const int movie = Open(path);
        ASSERT_GE(movie, 0) << path;
        ASSERT_EQ(orvik::PlayMovie(movie, 1), 0);
        Wait(80);
        EXPECT_TRUE(Shows(movie, 2)) << path;
        orvik::CloseMovie(movie);
    }
}

}  // namespace
}  // namespace movie_test
