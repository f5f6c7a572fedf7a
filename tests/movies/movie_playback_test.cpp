// Movie handles and playback: the handle table, timing by the clock and by the sound
// track, the end and looping, pausing with the window, seeks, and refused files.
#include "engine/graphics/images/base_image.h"
#include "engine/platform/window/window.h"
#include "engine/sound/movies/theora_movie.h"
#include "movie_fixture.h"

namespace movie_test {
namespace {

using namespace orvik;

int g_calls = 0;
int CountCalls(MovieRecord*, uint32_t value) {
    g_calls += int(value);
    return 0;
}

class PlaybackTest : public MovieTest {
protected:
    int OpenSilent(int frames = 12) {
        int w = 0, h = 0;
        const int movie = OpenMovie(Write("silent.ogv", MakeMovie(frames)).c_str(), &w, &h, 0);
        EXPECT_EQ(w, 32);
        EXPECT_EQ(h, 32);
        return movie;
    }
    static int Frame(int movie) {
        UpdateMovie(movie);
        return GetMovieFrame(movie);
    }
};

TEST_F(PlaybackTest, HandlesCarryIdAndSlotAndGoStaleWhenClosed) {
    Start();
    const int first = OpenSilent();
    ASSERT_GE(first, 0);
    EXPECT_EQ(first, 0x18000000);
    const MovieRecord* r = GetMovieRecord(first);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->stopped, 1);
    EXPECT_EQ(r->playRequested, 0);
    EXPECT_EQ(r->playType, 1);
    EXPECT_EQ(r->sound, -1);
    EXPECT_EQ(CloseMovie(first), 0);
    const int again = OpenSilent();
    EXPECT_EQ(again, 0x18010000);  // the same slot with the next id
    for (int bad : {first, -1, 0x18000064, 0x08000000 | (again & 0xFFFF)}) {
        EXPECT_EQ(GetMovieRecord(bad), nullptr) << std::hex << bad;
        EXPECT_EQ(UpdateMovie(bad), -1);
        EXPECT_EQ(PauseMovie(bad, 0), -1);
        EXPECT_EQ(CloseMovie(bad), -1);
        EXPECT_EQ(SetMovieFrameCallback(bad, CountCalls, 1), -1);
    }
    // The id counter runs 0 ... 2047 and starts again.
    Movies().idCounter = 2047;
    EXPECT_EQ(OpenSilent() >> 16, 0x1800 | 2047);
    EXPECT_EQ(OpenSilent() >> 16, 0x1800);
}

TEST_F(PlaybackTest, TheTableHoldsAHundredMovies) {
    Start();
    const std::string path = Write("m.ogv", MakeMovie(1));
    std::vector<int> movies;
    for (int i = 0; i < kMaxMovies; ++i) movies.push_back(OpenMovie(path.c_str(), nullptr, nullptr, 0));
    EXPECT_EQ(std::count(movies.begin(), movies.end(), -1), 0);
    EXPECT_EQ(OpenMovie(path.c_str(), nullptr, nullptr, 0), -1);
    ASSERT_EQ(CloseMovie(movies[42]), 0);
    EXPECT_EQ(OpenMovie(path.c_str(), nullptr, nullptr, 0) & 0xFFFF, 42);
    EXPECT_EQ(Movies().count, kMaxMovies);
}

TEST_F(PlaybackTest, WithoutSoundFramesFollowTheClockAndStopOnTheLast) {
    Start();
    const int movie = OpenSilent();
    ASSERT_EQ(SetMovieFrameCallback(movie, CountCalls, 1), 0);
    g_calls = 0;
    // Stopped, the frame stays, and the callback still runs on every update.
    Wait(500);
    EXPECT_EQ(Frame(movie), 0);
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(GetMovieRecord(movie)->hasFrame, 1);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    EXPECT_EQ(GetMovieState(movie), 1);
    Wait(350);
    EXPECT_EQ(Frame(movie), 3);
    Wait(599);
    EXPECT_EQ(Frame(movie), 9);
    Wait(1);
    EXPECT_EQ(Frame(movie), 9);  // 0.950 s: still within frame 9
    Wait(5000);
    EXPECT_EQ(Frame(movie), 11);
    EXPECT_EQ(Frame(movie), 11);  // the update that finds it there ends it
    EXPECT_EQ(GetMovieRecord(movie)->stopped, 1);
    EXPECT_EQ(GetMovieRecord(movie)->playRequested, 0);
    EXPECT_EQ(GetMovieState(movie), 0);
    EXPECT_EQ(g_calls, 6);
}

TEST_F(PlaybackTest, ALoopingMovieWrapsAcrossTheEnd) {
    Start();
    const int movie = OpenSilent();
    ASSERT_EQ(PlayMovie(movie, kPlayLoop), 0);
    Wait(1000);
    EXPECT_EQ(Frame(movie), 10);
    Wait(500);  // 15 frames in: frame 3 of the second round
    EXPECT_EQ(Frame(movie), 3);
    ConvertTheoraFrame(GetMovieRecord(movie)->theora, 1);
    EXPECT_TRUE(ShowsFrame([&](int x, int y) { return ReadBaseImagePixel(GetMovieRecord(movie)->currentImage, x, y) & 0xFFFFFF; }, 3));
    Wait(10000);  // 115 frames in
    EXPECT_EQ(Frame(movie), 7);
    EXPECT_EQ(GetMovieState(movie), 1);
}

TEST_F(PlaybackTest, TheWindowPausesAndResumesWithoutLosingTheFrame) {
    Start();
    const int movie = OpenSilent();
    const int idle = OpenSilent();
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    Wait(300);
    EXPECT_EQ(Frame(movie), 3);
    ASSERT_EQ(PauseAllMovies(), 0);
    const MovieRecord* r = GetMovieRecord(movie);
    EXPECT_EQ(r->stopped, 1);
    EXPECT_EQ(r->playRequested, 1);
    Wait(4000);
    EXPECT_EQ(Frame(movie), 3);
    ASSERT_EQ(ResumeAllMovies(), 0);
    EXPECT_EQ(r->stopped, 0);
    EXPECT_EQ(GetMovieState(idle), 0);  // never asked to play: stays stopped
    EXPECT_EQ(Frame(movie), 3);
    Wait(200);
    EXPECT_EQ(Frame(movie), 5);
    // A pause that drops the request is not undone by the window; pausing a stopped movie
    // leaves its request alone.
    ASSERT_EQ(PauseMovie(movie, 0), 0);
    EXPECT_EQ(r->playRequested, 0);
    ResumeAllMovies();
    EXPECT_EQ(r->stopped, 1);
    GetMovieRecord(idle)->playRequested = 1;
    GetMovieRecord(idle)->playType = 0;
    EXPECT_EQ(PauseMovie(idle, 0), 0);
    EXPECT_EQ(GetMovieRecord(idle)->playRequested, 1);
    ResumeAllMovies();
    EXPECT_EQ(GetMovieRecord(idle)->playType, 1);
    EXPECT_EQ(GetMovieState(idle), 1);
}

TEST_F(PlaybackTest, LosingTheWindowsFocusPausesMoviesUntilItComesBack) {
    Start();
    const int movie = OpenSilent();
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    Wait(200);
    EXPECT_EQ(Frame(movie), 2);
    HandleActivation(0);
    EXPECT_EQ(GetMovieState(movie), 0);
    EXPECT_EQ(GetMovieRecord(movie)->playRequested, 1);
    Wait(3000);
    EXPECT_EQ(Frame(movie), 2);
    HandleActivation(1);
    EXPECT_EQ(GetMovieState(movie), 1);
    Wait(300);
    EXPECT_EQ(Frame(movie), 5);
}

TEST_F(PlaybackTest, SeeksMoveTheFrameAndTheClockWithIt) {
    Start();
    const int movie = OpenSilent(24);
    ASSERT_EQ(SeekMovie(movie, 15), 0);
    EXPECT_EQ(Frame(movie), 15);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    Wait(200);
    EXPECT_EQ(Frame(movie), 17);
    ASSERT_EQ(SeekMovie(movie, 2), 0);
    EXPECT_EQ(Frame(movie), 2);
    Wait(100);
    EXPECT_EQ(Frame(movie), 3);
}

TEST_F(PlaybackTest, TheSoundTrackPlaysThroughTheMixerAndTimesTheFrames) {
    Start();
    const int movie = OpenMovie(Write("sound.ogv", MakeMovie(12, true)).c_str(), nullptr, nullptr, 0);
    ASSERT_GE(movie, 0);
    const MovieRecord* r = GetMovieRecord(movie);
    ASSERT_NE(r->sound, -1);
    EXPECT_EQ(GetSoundLoadMode(), 0);  // the loader's settings are put back
    EXPECT_EQ(GetDisableSoundConverters(), 0);
    EXPECT_EQ(Hear(300), 0);
    Wait(300);
    EXPECT_EQ(Frame(movie), 0);  // the clock alone does not move a movie with sound
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    EXPECT_EQ(CheckSoundPlaying(r->sound), 1);
    EXPECT_GT(Hear(360), 8000);
    EXPECT_EQ(Frame(movie), 3);
    ASSERT_EQ(PauseAllMovies(), 0);
    EXPECT_EQ(CheckSoundPlaying(r->sound), 0);
    EXPECT_EQ(Hear(300), 0);
    EXPECT_EQ(Frame(movie), 3);
    ResumeAllMovies();
    EXPECT_GT(Hear(300), 8000);
    EXPECT_EQ(Frame(movie), 6);
    // Near the sound's end the frame stays within the movie; when the sound has ended the
    // movie ends on its last frame.
    Hear(450);
    EXPECT_EQ(Frame(movie), 11);
    EXPECT_EQ(r->stopped, 0);
    Hear(1000);
    EXPECT_EQ(Frame(movie), 11);
    EXPECT_EQ(r->stopped, 1);
    EXPECT_EQ(r->playRequested, 0);
    // A seek to the start after the end starts the sound over.
    ASSERT_EQ(SeekMovie(movie, 0), 0);
    EXPECT_EQ(Frame(movie), 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    EXPECT_GT(Hear(210), 8000);
    EXPECT_EQ(Frame(movie), 2);
}

TEST_F(PlaybackTest, FilesThatAreNoMovieAreRefusedWithTheReason) {
    Start();
    const std::string text = Write("notes.txt", {'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e'});
    EXPECT_EQ(OpenMovie(text.c_str(), nullptr, nullptr, 0), -1);
    // The media graph cannot read it either, by its name or through a temporary copy.
    EXPECT_NE(Log().find("ファイル:" + text + " が開けませんでした"), std::string::npos);
    EXPECT_NE(Log().find("ムービーファイルオープン処理時にエラーが発生しました"), std::string::npos);
    EXPECT_EQ(OpenMovie((text + ".missing").c_str(), nullptr, nullptr, 0), -1);
    EXPECT_EQ(OpenMovie(nullptr, nullptr, nullptr, 0), -1);
    std::vector<uint8_t> cut = MakeMovie(12);
    cut.resize(cut.size() - 40);  // the last frames cut off: the rest still plays
    const int movie = OpenMovie(Write("cut.ogv", cut).c_str(), nullptr, nullptr, 0);
    ASSERT_GE(movie, 0);
    TheoraMovieInfo info{};
    GetTheoraMovieInfo(GetMovieRecord(movie)->theora, &info);
    EXPECT_GT(info.frameCount, 0);
    EXPECT_LT(info.frameCount, 12);
    PlayMovie(movie, kPlayLoop);
    Wait(2500);
    EXPECT_EQ(Frame(movie), 25 % info.frameCount);
    EXPECT_EQ(Movies().count, 1);
}

}  // namespace
}  // namespace movie_test
