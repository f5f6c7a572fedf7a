// Seeking a Theora movie with a sound track: the picture goes to the frame and the sound
// to that frame's time, stopped or playing, clamped at both ends. The sound rises by a
// step each frame, so the level heard after a seek tells which frame the sound is at.
#include "engine/graphics/images/base_image.h"
#include "engine/sound/streams/stream_sound.h"
#include "engine/sound/movies/theora_movie.h"
#include "movie_fixture.h"

namespace movie_test {
namespace {

using namespace orvik;

constexpr int kSteppedFrames = 24;

double StepLevel(int frame) { return 0.03 * (frame + 1); }

class SoundSeekTest : public MovieTest {
protected:
    void SetUp() override {
        MovieTest::SetUp();
        Start();
        movie_ = OpenMovie(Write("steps.ogv", MakeMovieWithLevels(kSteppedFrames, StepLevel)).c_str(), nullptr,
                           nullptr, 0);
        ASSERT_GE(movie_, 0);
        sound_ = GetMovieRecord(movie_)->sound;
        ASSERT_NE(sound_, -1);
    }
    int Frame() const {
        UpdateMovie(movie_);
        return GetMovieFrame(movie_);
    }
    // The picture now shown is that of the frame.
    ::testing::AssertionResult Shows(int frame) const {
        MovieRecord* r = GetMovieRecord(movie_);
        ConvertTheoraFrame(r->theora, 1);
        return ShowsFrame([&](int x, int y) { return ReadBaseImagePixel(r->currentImage, x, y) & 0xFFFFFF; }, frame);
    }
    // The next 60 ms of sound (well inside one frame's 100 ms) have that frame's level,
    // nearer to it than to either neighbour's: within half a step, which is still several
    // times the codec's error on a steady sine.
    static ::testing::AssertionResult SoundsLike(int frame) {
        const int heard = Hear(60), want = int(StepLevel(frame) * 32767);
        if (std::abs(heard - want) < int(0.5 * StepLevel(0) * 32767)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "heard " << heard << ", frame " << frame << " sounds " << want;
    }
    int movie_ = -1;
    int sound_ = -1;
};

TEST_F(SoundSeekTest, AStoppedSeekPutsPictureAndSoundAtTheFrame) {
    ASSERT_EQ(SeekMovie(movie_, 13), 0);
    EXPECT_EQ(Frame(), 13);
    EXPECT_TRUE(Shows(13));
    EXPECT_EQ(GetSoundCurrentTime(sound_), 1300);
    EXPECT_EQ(CheckSoundPlaying(sound_), 0);
    EXPECT_EQ(Hear(60), 0);  // a seek does not start the movie
    ASSERT_EQ(PlayMovie(movie_, kPlayBack), 0);
    EXPECT_TRUE(SoundsLike(13));
    EXPECT_EQ(Frame(), 13);
    Hear(60);
    EXPECT_EQ(Frame(), 14);
    EXPECT_TRUE(Shows(14));
    // Backwards, to a frame before the keyframe the picture decodes from.
    ASSERT_EQ(PauseAllMovies(), 0);
    ASSERT_EQ(SeekMovie(movie_, 2), 0);
    EXPECT_TRUE(Shows(2));
    ResumeAllMovies();
    EXPECT_TRUE(SoundsLike(2));
}

TEST_F(SoundSeekTest, APlayingSeekGoesOnPlayingFromTheFrame) {
    ASSERT_EQ(PlayMovie(movie_, kPlayBack), 0);
    EXPECT_TRUE(SoundsLike(0));
    Hear(150);
    EXPECT_EQ(Frame(), 2);
    for (const int frame : {17, 6, 9}) {
        ASSERT_EQ(SeekMovie(movie_, frame), 0);
        EXPECT_EQ(CheckSoundPlaying(sound_), 1);
        EXPECT_TRUE(Shows(frame));
        EXPECT_TRUE(SoundsLike(frame));
        EXPECT_EQ(Frame(), frame);
        Hear(90);  // 150 ms into the frame's time
        EXPECT_EQ(Frame(), frame + 1);
        EXPECT_TRUE(Shows(frame + 1));
    }
}

TEST_F(SoundSeekTest, SeeksClampToTheMovieAndTheEndStillEndsIt) {
    ASSERT_EQ(PlayMovie(movie_, kPlayBack), 0);
    Hear(250);
    ASSERT_EQ(SeekMovie(movie_, -5), 0);
    EXPECT_EQ(Frame(), 0);
    EXPECT_TRUE(Shows(0));
    EXPECT_TRUE(SoundsLike(0));
    ASSERT_EQ(SeekMovie(movie_, 1000), 0);
    EXPECT_EQ(Frame(), kSteppedFrames - 1);
    EXPECT_TRUE(Shows(kSteppedFrames - 1));
    EXPECT_TRUE(SoundsLike(kSteppedFrames - 1));
    // The last frame's sound runs out, and the movie ends on that frame.
    Hear(600);
    EXPECT_EQ(Frame(), kSteppedFrames - 1);
    EXPECT_EQ(GetMovieState(movie_), 0);
    // A seek from the end plays again from the frame sought.
    ASSERT_EQ(SeekMovie(movie_, 20), 0);
    ASSERT_EQ(PlayMovie(movie_, kPlayBack), 0);
    EXPECT_TRUE(SoundsLike(20));
    EXPECT_EQ(Frame(), 20);
}

// Times that are no whole number of samples round up, so that the position read back is
// the time set; a negative time is refused with a log line and leaves the position.
TEST_F(SoundSeekTest, TheStreamIsPutAtTheSampleOfAMillisecond) {
    for (const int ms : {7, 1301, 2399}) {
        ASSERT_EQ(SetStreamSoundCurrentTime(sound_, ms), 0);
        EXPECT_EQ(GetSoundCurrentTime(sound_), ms);
    }
    EXPECT_EQ(SetStreamSoundCurrentTime(sound_, -1), -1);
    EXPECT_NE(Log().find("in SetStreamSoundCurrentTime"), std::string::npos);
    EXPECT_EQ(GetSoundCurrentTime(sound_), 2399);
    ASSERT_EQ(SetStreamSoundCurrentTime(sound_, 60000), 0);  // past the end: at the end
    EXPECT_EQ(GetSoundCurrentTime(sound_), GetSoundTotalTime(sound_));
}

}  // namespace
}  // namespace movie_test
