// Movies through the media graph, opened as movie handles: their size and length, frames
// in order on the clock or on the sound, pausing, the end and looping at the stop
// position, seeking, the sound track, damaged files, archived files played through a
// temporary copy, and files that are refused.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include <orvik/files.h>

#include "graph_movie_fixture.h"
#include "host/dsound/mixer.h"

namespace movie_test {
namespace {

using namespace orvik;

TEST_F(GraphMovieTest, AnMpeg1MovieWithSoundPlaysItsFramesOnItsSoundAndEnds) {
    Start();
    const int movie = Open(Make("clip.mpg", {AvKind::Mpeg1Ps, 25, 64, 48, 25, 1.0}));
    ASSERT_GE(movie, 0);
    const MovieRecord* r = GetMovieRecord(movie);
    EXPECT_EQ(r->isTheora, 0);
    EXPECT_EQ(r->width, 64);
    EXPECT_EQ(r->height, 48);
    EXPECT_NE(r->graph, nullptr);
    EXPECT_NE(r->basicAudio, nullptr);
    EXPECT_EQ(r->tempFileMade, 0);
    EXPECT_NEAR(double(r->duration), double(kSecond), 0.15 * kSecond);
    EXPECT_EQ(r->stopPosition, r->duration);
    EXPECT_EQ(r->stopped, 1);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    // The picture starts a little after the sound, as MPEG sound frames fall.
    HearMovie(movie, 20);
    EXPECT_TRUE(Shows(movie, 0));
    HearMovie(movie, 400);
    EXPECT_TRUE(Until(movie, [] { return g_lastFrame >= 9; })) << g_lastFrame;
    EXPECT_LE(g_lastFrame, 11);
    // Paused by the window: the picture and the position hold, the request stays.
    ASSERT_EQ(PauseAllMovies(), 0);
    EXPECT_EQ(r->stopped, 1);
    EXPECT_EQ(r->playRequested, 1);
    const int held = g_lastFrame;
    host::REFERENCE_TIME before = 0, after = 0;
    r->mediaSeeking->GetCurrentPosition(&before);
    Listen(300);
    UpdateMovie(movie);
    r->mediaSeeking->GetCurrentPosition(&after);
    EXPECT_EQ(after, before);
    // At most the frame already due when the pause came may still arrive.
    EXPECT_LE(g_lastFrame, held + 1);
    ASSERT_EQ(ResumeAllMovies(), 0);
    EXPECT_EQ(r->stopped, 0);
    HearMovie(movie, 200);
    EXPECT_TRUE(Until(movie, [&] { return g_lastFrame >= held + 4; })) << g_lastFrame;
    HearMovie(movie, 600);
    EXPECT_TRUE(Until(movie, [&] { return r->stopped == 1; }));
    EXPECT_EQ(r->playRequested, 0);
    EXPECT_TRUE(Shows(movie, 24));
}

TEST_F(GraphMovieTest, TheSoundTrackIsHeardWholeAtItsLevelAndFollowsTheVolume) {
    Start();
    const int movie = Open(Make("tone.avi", {AvKind::Mpeg4Avi, 10, 64, 48, 25, 0.6, 0.5}));
    ASSERT_GE(movie, 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    std::vector<int16_t> heard;
    HearMovie(movie, 900, &heard);
    // The first and last loud samples give the length; the loudest the level.
    auto loud = [](int16_t s) { return std::abs(int(s)) > 2000; };
    const auto first = std::find_if(heard.begin(), heard.end(), loud);
    const auto last = std::find_if(heard.rbegin(), heard.rend(), loud);
    ASSERT_NE(first, heard.end());
    const double seconds = double((heard.rend() - last) - (first - heard.begin())) / 2 / 44100;
    EXPECT_NEAR(seconds, 0.6, 0.03);
    int peak = 0;
    for (int16_t s : heard) peak = std::max(peak, std::abs(int(s)));
    EXPECT_NEAR(peak, 16384, 1700);
    // Through the graph's audio: -20 dB is a tenth of the level.
    ASSERT_EQ(GetMovieRecord(movie)->basicAudio->put_Volume(-2000), host::S_OK);
    ASSERT_EQ(SeekMovie(movie, 0), 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    heard.clear();
    HearMovie(movie, 300, &heard);
    peak = 0;
    for (int16_t s : heard) peak = std::max(peak, std::abs(int(s)));
    EXPECT_NEAR(peak, 1638, 250);
}

// A file may store its sound well after the pictures of the same time (MPEG program
// streams muxed with a small picture do, by more than a second). The source reads in
// file order, so the picture renderer must not hold it back while the sound runs dry:
// the whole tone is heard, with no block of silence in it, from the start and again
// after a seek back to it.
TEST_F(GraphMovieTest, SoundStoredBehindItsPicturesIsHeardWhole) {
    Start();
    const int movie = Open(Make("lag.avi", {.frames = 50, .soundSeconds = 2.0, .soundLag = 1.5}));
    ASSERT_GE(movie, 0);
    // Hears `ms`; the blocks of 10 ms from 50 ms to 50 ms before `toneMs` that are nearly
    // silent.
    auto silentBlocks = [&](int ms, int toneMs) {
        std::vector<int16_t> heard;
        HearMovie(movie, ms, &heard);
        int silent = 0;
        for (size_t block = 5; block < size_t(toneMs / 10 - 5); ++block) {
            int peak = 0;
            for (size_t i = block * 882; i < (block + 1) * 882 && i < heard.size(); ++i)
                peak = std::max(peak, std::abs(int(heard[i])));
            silent += peak < 8000;
        }
        return silent;
    };
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    EXPECT_EQ(silentBlocks(2100, 2000), 0) << "of 190";
    EXPECT_TRUE(Until(movie, [&] { return GetMovieRecord(movie)->stopped == 1; }));
    EXPECT_TRUE(Shows(movie, 49));
    ASSERT_EQ(SeekMovie(movie, 0), 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    EXPECT_EQ(silentBlocks(1000, 1000), 0) << "of 90, after the seek";
}

// The other families the media graph plays: their frames come in order on their sound.
// The output changing its rate under a playing movie: the picture goes on to its end on
// the new rate's frames, where it stood still for ever; back at the old rate the sound is
// heard again. (An AVI, whose sound is laid in beside its pictures from the start: the
// MPEG program stream's comes late enough that the first checks raced its decoder.)
TEST_F(GraphMovieTest, AMovieGoesOnToItsEndWhenTheOutputChangesItsRate) {
    Start();
    const int movie = Open(Make("tone.avi", {AvKind::Mpeg4Avi, 25, 64, 48, 25, 1.0, 0.5}));
    ASSERT_GE(movie, 0);
    const MovieRecord* r = GetMovieRecord(movie);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    HearMovie(movie, 200);
    const int before = g_lastFrame;
    host::SetMixerOutputRate(48000);
    host::IGraphBuilder* graph = r->graph;
    for (int step = 0; step < 30; ++step) {
        Until(movie, [&] { return host::IsGraphSourceAhead(graph); });
        host::HeadlessAudioAdvance(480);
        UpdateMovie(movie);
    }
    // The clock now stands past frame 12; a decoder slowed by a busy machine may still
    // owe the frames, and is given its time to hand them over.
    EXPECT_TRUE(Until(movie, [&] { return g_lastFrame >= before + 6; })) << "the picture went on: " << g_lastFrame;
    host::SetMixerOutputRate(44100);
    std::vector<int16_t> heard;
    HearMovie(movie, 200, &heard);
    int peak = 0;
    for (int16_t s : heard) peak = std::max(peak, std::abs(int(s)));
    EXPECT_GT(peak, 8000) << "the sound is heard again";
    HearMovie(movie, 500);
    EXPECT_TRUE(Until(movie, [&] { return r->stopped == 1; }));
    EXPECT_TRUE(Shows(movie, 24));
}

// The movie's 440 Hz tone heard at 48 kHz after the output left 44.1 kHz under it: the
// output stays loud, and the pitch stays 440 Hz (played unconverted, 44.1 kHz frames at
// 48 kHz would sound at 479 Hz; the bound leaves room for the steps at empty blocks). A
// block or two may come up empty where the file's interleaving keeps the next sound
// behind pictures, as it can at any rate.
TEST_F(GraphMovieTest, AMoviesSoundGoesOnAtItsPitchAfterTheOutputChangesItsRate) {
    Start();
    const int movie = Open(Make("tone48.avi", {AvKind::Mpeg4Avi, 25, 64, 48, 25, 1.0, 0.5}));
    ASSERT_GE(movie, 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    HearMovie(movie, 200);
    host::SetMixerOutputRate(48000);
    host::IGraphBuilder* graph = GetMovieRecord(movie)->graph;
    constexpr int kBlocks = 40;
    std::vector<int16_t> left;
    std::vector<bool> loud;
    for (int step = 0; step < kBlocks; ++step) {
        Until(movie, [&] { return host::IsGraphSourceAhead(graph); });
        host::ClearHeadlessAudioCapture();
        host::HeadlessAudioAdvance(480);
        const std::vector<int16_t>& part = host::HeadlessAudioCapture();
        int peak = 0;
        for (size_t i = 0; i < part.size(); i += 2) {
            peak = std::max(peak, std::abs(int(part[i])));
            left.push_back(part[i]);
        }
        loud.push_back(peak > 12000);
        UpdateMovie(movie);
    }
    host::SetMixerOutputRate(44100);
    ASSERT_EQ(left.size(), size_t(kBlocks) * 480);
    EXPECT_GE(std::count(loud.begin(), loud.end(), true), kBlocks * 3 / 4) << "heard at the new rate";
    // Zero crossings between neighbours that both lie in loud blocks.
    int crossings = 0, pairs = 0;
    for (size_t i = 1; i < left.size(); ++i) {
        if (!loud[(i - 1) / 480] || !loud[i / 480]) continue;
        ++pairs;
        crossings += (left[i - 1] < 0) != (left[i] < 0);
    }
    ASSERT_GT(pairs, 0);
    EXPECT_NEAR(crossings / 2.0 / (pairs / 48000.0), 440.0, 15.0);
}

TEST_F(GraphMovieTest, H264InMp4AndWmvInAsfPlayWithTheirSound) {
    Start();
    for (const auto& [name, kind] : {std::pair{"clip.mp4", AvKind::H264Mp4}, std::pair{"clip.wmv", AvKind::Wmv2Asf}}) {
        const int movie = Open(Make(name, {kind, 25, 64, 48, 25, 1.0}));
        ASSERT_GE(movie, 0) << name;
        EXPECT_EQ(GetMovieRecord(movie)->width, 64);
        ASSERT_EQ(PlayMovie(movie, 1), 0);
        std::vector<int16_t> heard;
        HearMovie(movie, 500, &heard);
        EXPECT_TRUE(Until(movie, [] { return g_lastFrame >= 11; })) << name << " " << g_lastFrame;
        EXPECT_LE(g_lastFrame, 13) << name;
        int peak = 0;
        for (int16_t s : heard) peak = std::max(peak, std::abs(int(s)));
        EXPECT_NEAR(peak, 16384, 2500) << name;
        EXPECT_EQ(CloseMovie(movie), 0);
    }
}

// A bare stream's container gives no length; the graph reads the file through for it, so
// the movie plays to its last frame instead of ending at once.
TEST_F(GraphMovieTest, ABareStreamWithoutALengthStillPlaysToItsEnd) {
    Start();
    const int movie = Open(Make("bare.h264", {AvKind::H264Bare, 20, 64, 48, 25, 0}));
    ASSERT_GE(movie, 0);
    const MovieRecord* r = GetMovieRecord(movie);
    EXPECT_EQ(r->duration, 20 * kSecond / 25);
    EXPECT_EQ(r->stopPosition, r->duration);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    Wait(400);
    EXPECT_TRUE(Shows(movie, 10));
    EXPECT_EQ(r->stopped, 0);
    Wait(500);
    EXPECT_TRUE(Until(movie, [&] { return r->stopped == 1; }));
    EXPECT_TRUE(Shows(movie, 19));
}

TEST_F(GraphMovieTest, AnMpeg4AviWithoutSoundRunsOnTheClockAndLoopsAtItsStopPosition) {
    Start();
    const int movie = Open(Make("loop.avi", {AvKind::Mpeg4Avi, 25, 64, 48, 25, 0}));
    ASSERT_GE(movie, 0);
    const MovieRecord* r = GetMovieRecord(movie);
    EXPECT_EQ(r->duration, kSecond);
    ASSERT_EQ(PlayMovie(movie, 3), 0);
    EXPECT_TRUE(Shows(movie, 0));
    Wait(400);
    EXPECT_TRUE(Shows(movie, 10));
    EXPECT_EQ(GetMovieFrame(movie), 10);
    // Past the stop position the update sends it back to the start, and it runs on.
    Wait(650);
    EXPECT_TRUE(Shows(movie, 0));
    EXPECT_EQ(r->stopped, 0);
    Wait(200);
    EXPECT_TRUE(Shows(movie, 5));
    // Played once, it ends on its last frame.
    ASSERT_EQ(PauseMovie(movie, 0), 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    Wait(1000);
    EXPECT_TRUE(Until(movie, [&] { return r->stopped == 1; }));
    EXPECT_EQ(r->playRequested, 0);
    EXPECT_TRUE(Shows(movie, 24));
}

TEST_F(GraphMovieTest, SeekingShowsTheFrameAskedForAndPlaysOnFromIt) {
    Start();
    const int movie = Open(Make("seek.mkv", {AvKind::Mpeg4Mkv, 30, 64, 48, 25, 0}));
    ASSERT_GE(movie, 0);
    ASSERT_EQ(SeekMovie(movie, 17), 0);
    EXPECT_TRUE(Shows(movie, 17));
    EXPECT_EQ(GetMovieFrame(movie), 17);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    Wait(120);
    EXPECT_TRUE(Shows(movie, 20));
    ASSERT_EQ(SeekMovie(movie, 3), 0);
    EXPECT_TRUE(Shows(movie, 3));
    Wait(80);
    EXPECT_TRUE(Shows(movie, 5));
}

// A movie whose sound ends before its picture, or its picture before its sound, still
// reaches its end, and starts over when it loops.
TEST_F(GraphMovieTest, SoundAndPictureOfDifferentLengthsStillEndAndLoop) {
    Start();
    for (const auto& [frames, sound] : {std::pair{25, 0.3}, std::pair{8, 1.0}}) {
        const int movie = Open(Make("uneven.avi", {AvKind::Mpeg4Avi, frames, 64, 48, 25, sound}));
        ASSERT_GE(movie, 0);
        const MovieRecord* r = GetMovieRecord(movie);
        ASSERT_EQ(PlayMovie(movie, 1), 0);
        HearMovie(movie, 600);
        EXPECT_EQ(r->stopped, 0) << frames;
        EXPECT_TRUE(Shows(movie, std::min(frames - 1, 15))) << frames;
        HearMovie(movie, 600);
        EXPECT_TRUE(Until(movie, [&] { return r->stopped == 1; })) << frames;
        EXPECT_TRUE(Shows(movie, frames - 1));
        ASSERT_EQ(SeekMovie(movie, 0), 0);
        ASSERT_EQ(PlayMovie(movie, 3), 0);
        HearMovie(movie, 1100);
        EXPECT_TRUE(Until(movie, [] { return g_lastFrame >= 0 && g_lastFrame < 6; })) << frames << " " << g_lastFrame;
        EXPECT_EQ(r->stopped, 0);
        EXPECT_EQ(CloseMovie(movie), 0);
    }
}

TEST_F(GraphMovieTest, DamagedAndCutMoviesPlayWhatTheyHoldAndEnd) {
    Start();
    const std::vector<uint8_t> whole = ReadFileBytes(Make("whole.mpg", {AvKind::Mpeg1Ps, 25, 64, 48, 25, 1.0}));
    ASSERT_GT(whole.size(), 4000u);
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + ptrdiff_t(whole.size() * 6 / 10));
    std::vector<uint8_t> damaged = whole;
    for (size_t i = damaged.size() / 3; i < damaged.size() / 2; i += 7) damaged[i] ^= 0x5A;
    for (const auto& [name, bytes] : {std::pair{"cut.mpg", cut}, std::pair{"damaged.mpg", damaged}}) {
        const int movie = Open(Write(name, bytes));
        ASSERT_GE(movie, 0) << name;
        ASSERT_EQ(PlayMovie(movie, 1), 0);
        HearMovie(movie, 1500);
        EXPECT_TRUE(Until(movie, [&] { return GetMovieRecord(movie)->stopped == 1 && g_handedFrames > 0; })) << name;
        EXPECT_EQ(CloseMovie(movie), 0);
    }
}

// A sound that turns from stereo to mono midway (as a spliced or damaged file may) is
// resampled afresh from the frame where it changes, and heard to its end.
TEST_F(GraphMovieTest, SoundThatChangesItsChannelsMidwayIsHeardToItsEnd) {
    Start();
    const std::string path = engine_.Log().Directory() + "/spliced.mp2";
    ASSERT_EQ(WriteMp2ChangingChannels(path, 0.3), "");
    const int movie = Open(path);
    ASSERT_GE(movie, 0);
    EXPECT_EQ(GetMovieRecord(movie)->width, 0);  // sound only: no picture reaches the renderer
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    std::vector<int16_t> heard;
    HearMovie(movie, 800, &heard);
    EXPECT_TRUE(Until(movie, [&] { return GetMovieRecord(movie)->stopped == 1; }));
    auto loud = [](int16_t s) { return std::abs(int(s)) > 2000; };
    const auto first = std::find_if(heard.begin(), heard.end(), loud);
    const auto last = std::find_if(heard.rbegin(), heard.rend(), loud);
    ASSERT_NE(first, heard.end());
    EXPECT_NEAR(double((heard.rend() - last) - (first - heard.begin())) / 2 / 44100, 0.6, 0.05);
}

TEST_F(GraphMovieTest, ClosingAPlayingMovieEndsItsThreadsAtOnce) {
    Start();
    const int movie = Open(Make("busy.mpg", {AvKind::Mpeg1Ps, 50, 64, 48, 25, 2.0}));
    ASSERT_GE(movie, 0);
    ASSERT_EQ(PlayMovie(movie, 3), 0);
    HearMovie(movie, 100);
    // The source waits on full renderers and the renderers on the clock; close ends both.
    EXPECT_TRUE(Until(movie, [&] { return host::IsGraphSourceAhead(GetMovieRecord(movie)->graph); }));
    EXPECT_EQ(CloseMovie(movie), 0);
    EXPECT_EQ(Movies().count, 0);
}

TEST_F(GraphMovieTest, AMovieInsideAnArchivePlaysThroughATemporaryCopy) {
    const std::string temp = engine_.Log().Directory() + "/temp";
    std::filesystem::create_directory(temp);
    setenv("TMPDIR", temp.c_str(), 1);
    Start();
    const std::vector<uint8_t> bytes = ReadFileBytes(Make("inner.avi", {AvKind::Mpeg4Avi, 12, 64, 48, 25, 0}));
    SetArchiveExtension("dat");
    SetArchiveKeyString("tnqwplx");
    ASSERT_TRUE(WriteArchive(engine_.Log().Directory() + "/Movies.dat", "clip.avi", bytes, "tnqwplx"));
    const int movie = Open(engine_.Log().Directory() + "/Movies/clip.avi");
    unsetenv("TMPDIR");
    ASSERT_GE(movie, 0);
    const MovieRecord* r = GetMovieRecord(movie);
    EXPECT_EQ(r->tempFileMade, 1);
    const std::string copy = host::Utf16ToUtf8(r->fileNameW);
    EXPECT_EQ(copy.rfind(temp + "/tmp", 0), 0u) << copy;
    EXPECT_EQ(ReadFileBytes(copy), bytes);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    Wait(200);
    EXPECT_TRUE(Shows(movie, 5));
    ASSERT_EQ(CloseMovie(movie), 0);
    EXPECT_FALSE(std::filesystem::exists(copy));
    SetArchiveKeyString(nullptr);
}

TEST_F(GraphMovieTest, FilesNoDecoderReadsAreRefusedAndLeaveNothingBehind) {
    const std::string temp = engine_.Log().Directory() + "/temp";
    std::filesystem::create_directory(temp);
    setenv("TMPDIR", temp.c_str(), 1);
    Start();
    std::vector<uint8_t> noise(5000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 7919 >> 3);
    const std::string path = Write("noise.avi", noise);
    // A file the graph found and refused is not copied to be refused again: nothing is
    // made (and deleted) in the temporary folder, whose time stays as it was set.
    const auto past = std::filesystem::last_write_time(temp) - std::chrono::hours(1);
    std::filesystem::last_write_time(temp, past);
    EXPECT_EQ(Open(path), -1);
    unsetenv("TMPDIR");
    EXPECT_NE(Log().find("ファイル:" + path + " が開けませんでした"), std::string::npos);
    EXPECT_NE(Log().find("ムービーファイルオープン処理時にエラーが発生しました"), std::string::npos);
    EXPECT_EQ(Movies().count, 0);
    EXPECT_TRUE(std::filesystem::is_empty(temp));
    EXPECT_EQ(std::filesystem::last_write_time(temp), past) << "a temporary copy was made";
}

}  // namespace
}  // namespace movie_test
