// A Theora movie on the Direct3D device keeps its frame in a video-format surface as well
// as the frame image; the device's conversion of the surface gives the frame image's
// pixels exactly, in each of the formats the decoder may fall back to.
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/movies/graph_movie.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/sound/movies/theora_movie.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "movie_fixture.h"

namespace movie_test {
namespace {

using namespace orvik;

class TheoraSurfaceTest : public MovieTest {
protected:
    void TearDown() override {
        host::D3D9Settings().refusedFormats.clear();
        MovieTest::TearDown();
    }
};

TEST_F(TheoraSurfaceTest, TheSurfaceConvertsToTheFrameImagesPixelsInEveryFormat) {
    Start();
    const std::string path = Write("colours.ogv", MakeMovie(12, false, ChromaFrame));
    const host::D3DFORMAT formats[] = {host::D3DFMT_YV12, host::D3DFMT_YUY2, host::D3DFMT_UYVY};
    for (int refused = 0; refused < 3; ++refused) {
        host::D3D9Settings().refusedFormats.assign(formats, formats + refused);
        const int movie = OpenMovie(path.c_str(), nullptr, nullptr, 0);
        ASSERT_GE(movie, 0);
        TheoraMovie* t = GetMovieRecord(movie)->theora;
        host::Surface* surface = GetTheoraSurface(t);
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(GetTheoraTexture(t), surface);
        EXPECT_EQ(t->surfaceFormat, formats[refused]);
        for (int frame : {7, 0}) {
            SeekTheoraFrame(t, frame);
            ASSERT_EQ(ConvertTheoraFrame(t, 1, 1), 1);
            EXPECT_EQ(ConvertTheoraFrame(t, 1, 1), 0);  // both hold it now
            const host::RECT rect{0, 0, 32, 32};
            ASSERT_EQ(Graphics().dev.device->StretchRect(surface, &rect, Graphics().dev.backBuffer, &rect,
                                                         host::D3DTEXF_NONE),
                      host::D3D_OK);
            const BaseImage& image = t->frameImage;
            int differ = 0;
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) {
                    uint32_t want;
                    std::memcpy(&want, image.pixels + ptrdiff_t(y) * image.pitch + ptrdiff_t(x) * 4, 4);
                    differ += BackBufferPixel(x, y) != (want & 0xFFFFFF);
                }
            EXPECT_EQ(differ, 0) << "frame " << frame << " in format " << refused;
            EXPECT_TRUE(ShowsFrame(BackBufferPixel, frame, ChromaFrame));
        }
        EXPECT_EQ(CloseMovie(movie), 0);
    }
}

TEST_F(TheoraSurfaceTest, DrawsOfTheGraphicMadeBeforeANewFrameShowTheFrameTheyWereMadeWith) {
    Start();
    const int32_t graph = LoadGraphFile(Write("drawn.ogv", MakeMovie(12, false, ChromaFrame)).c_str(), 0, 0, 0);
    ASSERT_GE(graph, 0);
    MovieRecord* movie = GetMovieRecord(GetGraphRecord(graph)->movie);
    ASSERT_TRUE(movie && movie->isTheora);
    ASSERT_EQ(MovieFrameToGraphCallback(movie, uint32_t(graph)), 0);
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, graph, 0), 0);  // waits in the vertex batch
    SeekTheoraFrame(movie->theora, 7);
    ASSERT_EQ(MovieFrameToGraphCallback(movie, uint32_t(graph)), 0);
    FlushVertexBatch();
    EXPECT_TRUE(ShowsFrame(BackBufferPixel, 0, ChromaFrame));
    ASSERT_EQ(DrawGraphAt(0, 0, graph, 0), 0);
    FlushVertexBatch();
    EXPECT_TRUE(ShowsFrame(BackBufferPixel, 7, ChromaFrame));
}

// A surface that can neither be locked nor made again does not get the frame: the graphic
// takes the frame from the frame image, not the surface's old picture.
TEST_F(TheoraSurfaceTest, AFrameTheSurfaceCouldNotTakeComesThroughTheFrameImage) {
    Start();
    const int32_t graph = LoadGraphFile(Write("held.ogv", MakeMovie(12, false, ChromaFrame)).c_str(), 0, 0, 0);
    ASSERT_GE(graph, 0);
    TheoraMovie* t = GetMovieRecord(GetGraphRecord(graph)->movie)->theora;
    host::Surface* held = GetTheoraSurface(t);
    ASSERT_NE(held, nullptr);
    held->AddRef();
    host::D3DLOCKED_RECT locked;
    ASSERT_EQ(held->LockRect(&locked, nullptr, 0), host::D3D_OK);
    host::D3D9Settings().offscreenCreateFailures = 3;  // one for each video format
    SeekTheoraFrame(t, 7);
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, graph, 0), 0);
    FlushVertexBatch();
    EXPECT_TRUE(ShowsFrame(BackBufferPixel, 7, ChromaFrame));
    held->UnlockRect();
    held->Release();
}

TEST_F(TheoraSurfaceTest, WithoutADeviceOrAnyVideoFormatOnlyTheImageIsFilled) {
    host::D3D9Settings().refusedFormats = {host::D3DFMT_YV12, host::D3DFMT_YUY2, host::D3DFMT_UYVY};
    Start();
    const int movie = OpenMovie(Write("plain.ogv", MakeMovie(4)).c_str(), nullptr, nullptr, 0);
    ASSERT_GE(movie, 0);
    TheoraMovie* t = GetMovieRecord(movie)->theora;
    EXPECT_EQ(GetTheoraSurface(t), nullptr);
    EXPECT_EQ(t->surfaceFormat, host::D3DFMT_UNKNOWN);
    SeekTheoraFrame(t, 2);
    EXPECT_EQ(ConvertTheoraFrame(t, 0, 1), 0);  // no surface: nothing asked that can be done
    EXPECT_EQ(ConvertTheoraFrame(t, 1, 1), 1);
    EXPECT_EQ(CloseMovie(movie), 0);
    EndLibrary();
    host::D3D9Settings().refusedFormats.clear();
    Start(true);
    const int soft = OpenMovie(Write("soft.ogv", MakeMovie(4)).c_str(), nullptr, nullptr, 0);
    ASSERT_GE(soft, 0);
    EXPECT_EQ(GetTheoraSurface(GetMovieRecord(soft)->theora), nullptr);
}

}  // namespace
}  // namespace movie_test
