// The Theora decoder on its own: refusing what is no Theora movie, the movie's numbers,
// frame 0 at open, moving on across keyframes and the end, and seeks both ways.
#include <gtest/gtest.h>

#include <atomic>

#include "engine/graphics/images/base_image.h"
#include "engine/platform/files/file_access.h"
#include "engine/sound/core/sound_system.h"
#include "av_movie_maker.h"
#include "engine/sound/movies/theora_movie.h"
#include "movie_checks.h"
#include "tests/support/temp_log.h"

namespace movie_test {
namespace {

using namespace orvik;

class TheoraTest : public ::testing::Test {
protected:
    void SetUp() override { InitYuvTables(); }
    void TearDown() override {
        CloseTheoraMovie(movie_);
        if (file_) PlainFileAccessSet().close(file_);
    }
    TheoraMovie* Open(const std::vector<uint8_t>& bytes) {
        return OpenPath(WriteBytes(log_.Directory(), "movie.ogv", bytes));
    }
    TheoraMovie* OpenPath(const std::string& path, const FileAccessFunctions& functions = PlainFileAccessSet()) {
        file_ = PlainFileAccessSet().open(path.c_str(), 0, 1, 0);
        EXPECT_NE(file_, 0);
        movie_ = OpenTheoraMovie(&functions, file_, 10);
        return movie_;
    }
    // The current frame converted into the image, read back at (x, y).
    uint32_t At(int x, int y) {
        ConvertTheoraFrame(movie_, 1);
        return ReadBaseImagePixel(GetTheoraFrameImage(movie_), x, y) & 0xFFFFFF;
    }
    ::testing::AssertionResult Shows(int frame) {
        if (GetTheoraCurrentFrame(movie_) != frame)
            return ::testing::AssertionFailure() << "current frame " << GetTheoraCurrentFrame(movie_);
        return ShowsFrame([&](int x, int y) { return At(x, y); }, frame);
    }

    orvik_test::TempLog log_;
    FileAccessHandle file_ = 0;
    TheoraMovie* movie_ = nullptr;
};

TEST_F(TheoraTest, FilesThatAreNoTheoraMovieGiveNull) {
    EXPECT_EQ(Open({'R', 'I', 'F', 'F', 0, 0, 0, 0}), nullptr);
    PlainFileAccessSet().close(file_);
    EXPECT_EQ(Open(sound_test::OggSine(4410, 1, 44100)), nullptr);
    PlainFileAccessSet().close(file_);
    std::vector<uint8_t> cut = MakeMovie(4);
    cut.resize(60);  // inside the first page: the headers never come
    EXPECT_EQ(Open(cut), nullptr);
    PlainFileAccessSet().close(file_);
    file_ = 0;
}

TEST_F(TheoraTest, OpenReadsTheNumbersAndShowsFrameZero) {
    ASSERT_NE(Open(MakeMovie(12)), nullptr);
    TheoraMovieInfo info{};
    GetTheoraMovieInfo(movie_, &info);
    EXPECT_EQ(info.frameRate, 10.0);
    EXPECT_EQ(info.frameCount, 12);
    EXPECT_EQ(info.width, 32);
    EXPECT_EQ(info.height, 32);
    // Frame 0 is in the image before anything is asked; converting again has nothing to do.
    EXPECT_EQ(movie_->imageDone, 1);
    EXPECT_TRUE(ShowsFrame([&](int x, int y) { return ReadBaseImagePixel(&movie_->frameImage, x, y) & 0xFFFFFF; }, 0));
    EXPECT_EQ(ConvertTheoraFrame(movie_, 1), 0);
    // One keyframe byte per frame; the page rows cover every frame once, in order, and
    // carry the keyframe flag exactly when one of their frames is a keyframe.
    ASSERT_EQ(movie_->keyframeTable.size(), 12u);
    EXPECT_EQ(movie_->keyframeTable[0], 1);
    int32_t next = 0;
    for (const TheoraPageEntry& row : movie_->pageTable) {
        EXPECT_EQ(row.firstFrame, next);
        int key = 0;
        for (int f = row.firstFrame; f < row.firstFrame + row.frames; ++f) key |= movie_->keyframeTable[size_t(f)];
        EXPECT_EQ(row.keyframe, key) << "row at frame " << row.firstFrame;
        next += row.frames;
    }
    EXPECT_EQ(next, 12);
    EXPECT_EQ(movie_->pageTable.front().offset, 0);
}

TEST_F(TheoraTest, AdvancingShowsEachFrameAndWrapsOnceAtTheEnd) {
    ASSERT_NE(Open(MakeMovie(12)), nullptr);
    AdvanceTheoraFrame(movie_, 0);
    AdvanceTheoraFrame(movie_, -3);
    EXPECT_TRUE(Shows(0));
    AdvanceTheoraFrame(movie_, 1);
    EXPECT_TRUE(Shows(1));
    AdvanceTheoraFrame(movie_, 6);  // across the keyframe at 4
    EXPECT_TRUE(Shows(7));
    AdvanceTheoraFrame(movie_, 4);
    EXPECT_TRUE(Shows(11));
    AdvanceTheoraFrame(movie_, 1);
    EXPECT_TRUE(Shows(0));
    AdvanceTheoraFrame(movie_, 14);  // past the end by two: wraps once
    EXPECT_TRUE(Shows(2));
}

TEST_F(TheoraTest, SeeksGoBothWaysAndClampToTheMovie) {
    ASSERT_NE(Open(MakeMovie(24)), nullptr);
    SeekTheoraFrame(movie_, 17);
    EXPECT_TRUE(Shows(17));
    SeekTheoraFrame(movie_, 6);
    EXPECT_TRUE(Shows(6));
    SeekTheoraFrame(movie_, 6);  // the current frame: nothing to do
    EXPECT_EQ(ConvertTheoraFrame(movie_, 1), 0);
    SeekTheoraFrame(movie_, -5);
    EXPECT_TRUE(Shows(0));
    SeekTheoraFrame(movie_, 1000);
    EXPECT_TRUE(Shows(23));
}

// A keyframe whose packet begins pages before the one it ends on is reached from the page
// where it begins.
TEST_F(TheoraTest, SeeksReachKeyframesWhosePacketsRunOverPages) {
    const TheoraPages video = EncodeTheora(12, DefaultFrame, 4, 7, {.packetsOverPages = true});
    int continued = 0;
    for (size_t at = 0; at < video.data.size(); at += OggPagesBytes(video.data, 1, at)) continued += video.data[at + 5] & 1;
    ASSERT_GT(continued, 2);
    ASSERT_NE(Open(JoinMovie(video, {})), nullptr);
    for (int frame : {8, 4, 9, 0}) {
        SeekTheoraFrame(movie_, frame);
        EXPECT_TRUE(Shows(frame));
    }
}

// Before the decoder has decoded a picture, its output is whatever its memory held: with
// fresh blocks filled (below), a frame whose packet it refuses must not be taken from it.
TEST_F(TheoraTest, AFrameTheDecoderRefusesIsNotShownAndTheFramesAfterItAre) {
    const TheoraShape shape{.refusedFirstFrame = true};
    ASSERT_NE(Open(JoinMovie(EncodeTheora(4, DefaultFrame, 1, 7, shape), {})), nullptr);
    EXPECT_EQ(movie_->imageDone, 0);
    EXPECT_EQ(ConvertTheoraFrame(movie_, 1), 0);
    AdvanceTheoraFrame(movie_, 1);
    EXPECT_TRUE(Shows(1));
}

std::atomic<int64_t> g_bytesRead{0};

size_t CountedRead(void* buffer, size_t size, size_t count, FileAccessHandle file) {
    const size_t got = PlainFileAccessSet().read(buffer, size, count, file);
    g_bytesRead += int64_t(got * size);
    return got;
}

// A movie past 2 GB: its later pages lie beyond a gap (sparse, skipped as garbage) past
// the 2 GB mark, and seeks to their frames, reached by chained 32-bit seeks, show them.
// Only the open's scan reads through the gap: seeks both ways, and the frames decoded
// ahead of them, start at the page of their keyframe, however slow the machine is. The
// file's last byte lies alone past a 64 KB mark, where the scan's pieces part: the last
// page is whole only with it.
TEST_F(TheoraTest, SeeksReachFramesPastTwoGigabytes) {
    const TheoraPages video = EncodeTheora(24, DefaultFrame, 4, 7);
    const std::vector<uint8_t> file = JoinMovie(video, {});
    const size_t split = video.headers.size() + OggPagesBytes(video.data, 3);
    const int64_t far = (int64_t{1} << 31) + (1 << 16) - int64_t(file.size() - split - 1);
    ASSERT_NE(file.back(), 'O');
    const std::string path = log_.Directory() + "/large.ogv";
    ASSERT_TRUE(WriteSplitFile(path, file, split, far));
    FileAccessFunctions counted = PlainFileAccessSet();
    counted.read = CountedRead;
    ASSERT_NE(OpenPath(path, counted), nullptr);
    ASSERT_GT(movie_->pageTable.back().offset, INT32_MAX);
    ASSERT_EQ(movie_->frameCount, 24);
    g_bytesRead = 0;
    SeekTheoraFrame(movie_, 21);
    EXPECT_TRUE(Shows(21));
    SeekTheoraFrame(movie_, 2);
    EXPECT_TRUE(Shows(2));
    SeekTheoraFrame(movie_, 17);
    EXPECT_TRUE(Shows(17));
    EXPECT_LT(g_bytesRead.load(), 1 << 20);
}

}  // namespace
}  // namespace movie_test

// The movie tests run over a heap whose fresh blocks are not zero, as a program's heap is
// once it has run a while: memory read before anything wrote it then gives wild sizes and
// pointers, not zeros that pass for "nothing there".
extern "C" const char* __asan_default_options() { return "malloc_fill_byte=1:max_malloc_fill_size=1048576"; }
