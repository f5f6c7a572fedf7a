// Movies as graphics: a movie file loads as a graphic of the movie's size, and each draw
// first brings in the frame due, on the device path and on the software path.
#include <orvik/movie.h>

#include <algorithm>
#include <cstring>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/movies/graph_movie.h"
#include "engine/graphics/handles/graph_textures.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/sound/movies/theora_movie.h"
#include "movie_fixture.h"

namespace movie_test {
namespace {

using namespace orvik;

class MovieGraphTest : public MovieTest, public ::testing::WithParamInterface<bool> {
protected:
    bool Software() const { return GetParam(); }
    void SetUp() override {
        MovieTest::SetUp();
        Start(Software());
        ASSERT_EQ(Graphics().direct3DMode, Software() ? 0 : 1);
        ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    }
    // Pixel (x, y) of the screen, as 0x00RRGGBB.
    static uint32_t ScreenPixel(int x, int y) {
        if (Graphics().direct3DMode) return BackBufferPixel(x, y);
        const MEMIMG& screen = *Graphics().softScreen;
        uint32_t v;
        std::memcpy(&v, screen.pixels + size_t(y) * size_t(screen.store->pitch) + size_t(x) * 4, 4);
        return v & 0xFFFFFF;
    }
    // Draws the graphic at the screen's corner and reads pixel (x, y) of the screen.
    static uint32_t Drawn(int32_t graph, int x, int y) {
        EXPECT_EQ(DrawGraphAt(0, 0, graph, 0), 0);
        FlushVertexBatch();
        return ScreenPixel(x, y);
    }
    ::testing::AssertionResult DrawsFrame(int32_t graph, int frame) {
        Drawn(graph, 0, 0);
        return ShowsFrame(ScreenPixel, frame);
    }
};

TEST_P(MovieGraphTest, AMovieFileLoadsAsAGraphicShowingItsFrames) {
    const int32_t graph = LoadGraphFile(Write("intro.ogv", MakeMovie(12)).c_str(), 0, 0, 0);
    ASSERT_GE(graph, 0);
    EXPECT_EQ(GetMovieGraphFlag(), 0);
    int w = 0, h = 0;
    ASSERT_EQ(QueryGraphSize(graph, &w, &h), 0);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 32);
    // Made with the settings of a movie graphic, which are put back afterwards.
    EXPECT_EQ(GetGraphRecord(graph)->images->drawable, 1);
    EXPECT_EQ(GetCreateDrawableGraphFlag(), 0);
    EXPECT_EQ(GraphTextureSettings().wholeTexture, 0);
    EXPECT_TRUE(DrawsFrame(graph, 0));
    EXPECT_EQ(GetMovieStateToGraph(graph), 0);
    ASSERT_EQ(PlayMovieToGraph(graph, 1), 0);
    EXPECT_EQ(GetMovieStateToGraph(graph), 1);
    Wait(400);
    EXPECT_TRUE(DrawsFrame(graph, 4));
    EXPECT_EQ(TellMovieToGraph(graph), 4);
    ASSERT_EQ(PauseMovieToGraph(graph), 0);
    Wait(300);
    EXPECT_TRUE(DrawsFrame(graph, 4));
    ASSERT_EQ(SeekMovieToGraph(graph, 9), 0);
    EXPECT_TRUE(DrawsFrame(graph, 9));
    // Deleting the graphic closes its movie.
    EXPECT_EQ(Movies().count, 1);
    ASSERT_EQ(DeleteGraphHandle(graph), 0);
    EXPECT_EQ(Movies().count, 0);
    EXPECT_EQ(PlayMovieToGraph(graph, 1), -1);
}

TEST_P(MovieGraphTest, AFrameIsCopiedOnceHoweverOftenItIsDrawn) {
    const int32_t graph = LoadGraphFile(Write("intro.ogv", MakeMovie(12)).c_str(), 0, 0, 0);
    ASSERT_GE(graph, 0);
    ASSERT_EQ(UpdateMovie(GetGraphRecord(graph)->movie), 0);
    EXPECT_EQ(GetMovieRecord(GetGraphRecord(graph)->movie)->hasFrame, 1);
    // The frame is in; the graphic is painted over, and further draws of the same frame
    // do not copy it again.
    ASSERT_EQ(FillGraphColor(graph, 0, 0, 255, 255), 0);
    EXPECT_EQ(Drawn(graph, 5, 3), 0x0000FFu);
    EXPECT_EQ(Drawn(graph, 5, 3), 0x0000FFu);
    SeekMovieToGraph(graph, 1);
    EXPECT_TRUE(DrawsFrame(graph, 1));
}

// Each chroma layout is converted with its own subsampling (4:2:2 halves only the width,
// 4:4:4 neither side): every pixel drawn has the colour of the decoder's own planes there.
TEST_P(MovieGraphTest, EveryChromaLayoutShowsTheColoursOfTheDecodersPlanes) {
    for (th_pixel_fmt layout : {TH_PF_420, TH_PF_422, TH_PF_444}) {
        const std::vector<uint8_t> movie = JoinMovie(EncodeTheora(4, ChromaFrame, 4, 7, {layout}), {});
        const int32_t graph = LoadGraphFile(Write("layout.ogv", movie).c_str(), 0, 0, 0);
        ASSERT_GE(graph, 0);
        ASSERT_EQ(SeekMovieToGraph(graph, 2), 0);
        Drawn(graph, 0, 0);
        TheoraMovie* t = GetMovieRecord(GetGraphRecord(graph)->movie)->theora;
        std::lock_guard hold(t->lock);
        const auto f = std::find_if(t->stock.begin(), t->stock.end(),
                                    [](const TheoraStockFrame& s) { return s.valid && s.frameNo == 2; });
        ASSERT_NE(f, t->stock.end());
        int differ = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const size_t c = size_t(y * f->cHeight / f->yHeight * f->cStride + x * f->cWidth / f->yWidth);
                const Yuv yuv{f->y[size_t(y * f->yStride + x)], f->u[c], f->v[c]};
                differ += !Near(ScreenPixel(x, y), ExpectedRgb(yuv), 2);
            }
        EXPECT_EQ(differ, 0) << "of " << kSide * kSide << " in layout " << layout;
    }
}

TEST_P(MovieGraphTest, FilesThatAreNeitherImageNorMovieFailWithTheirName) {
    const std::string text = Write("readme.txt", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(LoadGraphFile(text.c_str(), 0, 0, 0), -1);
    EXPECT_NE(Log().find("右記のグラフィックファイルのロードに失敗しました：" + text), std::string::npos);
    EXPECT_EQ(LoadGraphFile((text + "x").c_str(), 0, 0, 0), -1);
    EXPECT_NE(Log().find("グラフィックファイル " + text + "x がありません"), std::string::npos);
    EXPECT_EQ(Movies().count, 0);
    EXPECT_EQ(PlayMovieToGraph(12345, 1), -1);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, MovieGraphTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Software" : "Device"; });

}  // namespace
}  // namespace movie_test
