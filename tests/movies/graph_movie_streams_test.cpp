// Movies through the media graph keep to what their streams hold where the container
// says otherwise (a length the header overstates, or that ends where the last picture
// starts; streams that start late; files joined end to end whose times start again), and
// to the frame numbers they hold however long each frame lasts; a mono sound track is
// heard at its own level.
#include <cmath>

#include "graph_movie_fixture.h"

namespace movie_test {
namespace {

using namespace orvik;

// 75 pictures (3 s) in an AVI whose headers say it lasts 1,892 s: it lasts what it holds,
// so it ends, tells, seeks and starts over within its pictures.
TEST_F(GraphMovieTest, AMovieWhoseHeaderOverstatesItsLengthLastsWhatItHolds) {
    Start();
    std::vector<uint8_t> avi = ReadFileBytes(Make("short.avi", {AvKind::Mpeg4Avi, 75, 64, 48, 25, 0}));
    const uint32_t claimed = 1892 * 25;
    ASSERT_TRUE(PatchRiff(avi, "avih", 8 + 16, &claimed, 4));  // dwTotalFrames
    ASSERT_TRUE(PatchRiff(avi, "strh", 8 + 32, &claimed, 4));  // dwLength
    const int movie = Open(Write("long.avi", avi));
    ASSERT_GE(movie, 0);
    const MovieRecord* r = GetMovieRecord(movie);
    EXPECT_EQ(r->stopPosition, 3 * kSecond);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    Wait(3200);
    EXPECT_TRUE(Until(movie, [&] { return r->stopped == 1; }));
    EXPECT_EQ(r->playRequested, 0);
    EXPECT_TRUE(Shows(movie, 74));
    Wait(2000);
    EXPECT_EQ(GetMovieFrame(movie), 74);
    ASSERT_EQ(SeekMovie(movie, 1000), 0);
    EXPECT_EQ(GetMovieFrame(movie), 74);
    ASSERT_EQ(SeekMovie(movie, 70), 0);
    ASSERT_EQ(PlayMovie(movie, 3), 0);
    Wait(300);
    EXPECT_TRUE(Shows(movie, 0));
    EXPECT_EQ(r->stopped, 0);
}

// 40 pictures: an MKV and an ASF whose muxer gave their packets no length say they end
// where their last picture starts, and a small MPEG program stream, whose pictures share
// one time stamp, that it lasts one picture. Each lasts its 40 pictures, seeks to its last
// and plays to its end (an AVI, which says its length right, stays right). An MP4 so
// written ends its edit list there too, which leaves its last picture out: it lasts 39.
TEST_F(GraphMovieTest, AMovieLastsToTheEndOfItsLastPicture) {
    Start();
    const struct {
        const char* name;
        AvKind kind;
        int last;
    } movies[] = {{"clip.mkv", AvKind::Mpeg4Mkv, 39}, {"clip.wmv", AvKind::Wmv2Asf, 39},
                  {"clip.mpg", AvKind::Mpeg1Ps, 39}, {"clip.avi", AvKind::Mpeg4Avi, 39},
                  {"clip.mp4", AvKind::H264Mp4, 38}};
    for (const auto& [name, kind, last] : movies) {
        const int movie = Open(Make(name, {kind, 40, 64, 48, 25, 0}));
        ASSERT_GE(movie, 0) << name;
        const MovieRecord* r = GetMovieRecord(movie);
        EXPECT_EQ(r->duration, (last + 1) * kSecond / 25) << name;
        ASSERT_EQ(SeekMovie(movie, 39), 0);
        EXPECT_TRUE(Shows(movie, last)) << name;
        EXPECT_EQ(GetMovieFrame(movie), last) << name;
        ASSERT_EQ(SeekMovie(movie, 20), 0);
        ASSERT_EQ(PlayMovie(movie, 1), 0);
        Wait(600);
        EXPECT_TRUE(Shows(movie, 35)) << name;
        EXPECT_EQ(r->stopped, 0) << name;
        Wait(300);
        EXPECT_TRUE(Until(movie, [&] { return r->stopped == 1; })) << name;
        EXPECT_TRUE(Shows(movie, last)) << name;
        EXPECT_EQ(CloseMovie(movie), 0);
    }
}

// An MPEG program stream gives the times of the packs it is cut into, not of its keyframes,
// so the demuxer's seek lands anywhere in a group of pictures; a seek still shows the frame
// asked for.
TEST_F(GraphMovieTest, ASeekInAnMpegProgramStreamShowsTheFrameAskedFor) {
    Start();
    AvMovie m{AvKind::Mpeg1Ps, 100, 64, 48, 25, 0};
    m.busy = true;  // pictures that fill several packs a group
    const int movie = Open(Make("packs.mpg", m));
    ASSERT_GE(movie, 0);
    for (int frame : {57, 13, 99}) {
        ASSERT_EQ(SeekMovie(movie, frame), 0);
        EXPECT_TRUE(Shows(movie, frame));
        EXPECT_EQ(GetMovieFrame(movie), frame);
    }
}

// In an MKV or MPEG program stream with sound the first picture starts 11 ms after the
// first sound (the muxer's start offsets): frames count from that picture, so a seek shows
// and tells the frame asked for, as it does without sound. At 30 frames a second a frame
// lasts no whole number of the graph's units, and an MKV rounds its times to the
// millisecond: picture 2 starts at 67 ms, after frame 2's time.
TEST_F(GraphMovieTest, ASeekShowsAndTellsTheFrameAskedForWhereverThePicturesStart) {
    Start();
    const struct {
        const char* name;
        AvKind kind;
        int fps;
        double sound;
    } movies[] = {{"sound.mkv", AvKind::Mpeg4Mkv, 25, 1.6}, {"sound.mpg", AvKind::Mpeg1Ps, 25, 1.6},
                  {"still.mkv", AvKind::Mpeg4Mkv, 25, 0}, {"thirty.mkv", AvKind::Mpeg4Mkv, 30, 1.4},
                  {"thirty.mpg", AvKind::Mpeg1Ps, 30, 1.4}};
    for (const auto& [name, kind, fps, sound] : movies) {
        const int movie = Open(Make(name, {kind, 40, 64, 48, fps, sound}));
        ASSERT_GE(movie, 0) << name;
        for (int frame : {1, 2, 17, 39, 0, 1000}) {
            ASSERT_EQ(SeekMovie(movie, frame), 0);
            EXPECT_TRUE(Shows(movie, std::min(frame, 39))) << name;
            EXPECT_EQ(GetMovieFrame(movie), std::min(frame, 39)) << name;
        }
        EXPECT_EQ(CloseMovie(movie), 0);
    }
}

// A looping movie starts over once its last frame has had its time, with or without a
// sound track (shorter than the pictures here: the graph ends when both renderers have).
// The run would signal its end at once after the last picture was shown: the wait for it
// is bounded.
TEST_F(GraphMovieTest, ALoopingMovieShowsItsLastFrameForItsWholeTime) {
    Start();
    for (double sound : {0.0, 0.5}) {
        const int movie = Open(Make("loop.avi", {AvKind::Mpeg4Avi, 25, 64, 48, 25, sound}));
        ASSERT_GE(movie, 0);
        const auto play = [&](int ms) { sound > 0 ? HearMovie(movie, ms) : Wait(ms); };
        ASSERT_EQ(PlayMovie(movie, 3), 0);
        play(990);
        EXPECT_TRUE(Shows(movie, 24)) << sound;
        long event = 0;
        EXPECT_EQ(GetMovieRecord(movie)->mediaEvent->WaitForCompletion(100, &event), host::E_ABORT) << sound;
        EXPECT_EQ(GetMovieFrame(movie), 24) << sound;
        play(20);
        EXPECT_TRUE(Shows(movie, 0)) << sound;
        EXPECT_EQ(GetMovieFrame(movie), 0) << sound;
        EXPECT_EQ(CloseMovie(movie), 0);
    }
}

// Frames of a thousand million seconds: a seek far past the end goes to the last frame,
// where the frame's time overflowed.
TEST_F(GraphMovieTest, ASeekPastTheEndOfAMovieOfVeryLongFramesShowsItsLastFrame) {
    Start();
    const int movie = Open(Write("long.y4m", Y4mMovie(3, 1000000000)));
    ASSERT_GE(movie, 0);
    ASSERT_EQ(SeekMovie(movie, 5000), 0);
    EXPECT_TRUE(Shows(movie, 2));
    EXPECT_EQ(GetMovieFrame(movie), 2);
}

// A WMV as FFmpeg's muxer writes it: the picture moved on by the sound encoder's delay
// (0.046 s), and the sound decoder's first sound a frame later still (0.092 s). The movie
// starts with its first picture and its sound 0.046 s after it, where both came that
// much late.
TEST_F(GraphMovieTest, AMovieWhoseStreamsStartLateStartsWithItsFirstPicture) {
    Start();
    const int movie = Open(Make("late.wmv", {AvKind::Wmv2Asf, 25, 64, 48, 25, 1.0}));
    ASSERT_GE(movie, 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    std::vector<int16_t> heard;
    HearMovie(movie, 10, &heard);
    EXPECT_TRUE(Shows(movie, 0));
    HearMovie(movie, 190, &heard);
    const auto loud = std::find_if(heard.begin(), heard.end(), [](int16_t s) { return std::abs(int(s)) > 2000; });
    EXPECT_LT((loud - heard.begin()) / 2, 44100 * 60 / 1000) << "the sound comes within 60 ms";
}

// Each side's loudest sample heard.
std::pair<int, int> Peaks(const std::vector<int16_t>& heard) {
    int left = 0, right = 0;
    for (size_t i = 0; i + 1 < heard.size(); i += 2) {
        left = std::max(left, std::abs(int(heard[i])));
        right = std::max(right, std::abs(int(heard[i + 1])));
    }
    return {left, right};
}

// A sine at half of full scale, stored in one channel: both sides play it at half of full
// scale, as they do a mono WAV, not 3 dB below.
TEST_F(GraphMovieTest, AMonoSoundTrackPlaysAtItsOwnLevelOnBothSides) {
    Start();
    const int movie = Open(Make("mono.avi", {.frames = 10, .soundSeconds = 0.4, .level = 0.5, .channels = 1}));
    ASSERT_GE(movie, 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    std::vector<int16_t> heard;
    HearMovie(movie, 300, &heard);
    const auto [left, right] = Peaks(heard);
    EXPECT_NEAR(left, 16384, 1000);
    EXPECT_NEAR(right, 16384, 1000);
}

// Three copies of a 25-picture MPEG transport or program stream joined with `cat`, each
// part's times starting again, without sound and with a sound track half a second longer
// than the pictures: each part follows where the one before ends (the movie lasts two
// parts more than one alone), every picture shows in its turn, halfway through its time, a
// part's last staying while its sound plays on, and a seek finds a picture of a later part.
TEST_F(GraphMovieTest, FilesJoinedEndToEndShowEveryPicture) {
    Start();
    for (const char* container : {"mpegts", "mpeg"})
        for (const double sound : {0.0, 1.5}) {
            SCOPED_TRACE(std::string(container) + (sound > 0 ? " with sound" : ""));
            const std::string one =
                Make("part", {.kind = AvKind::Mpeg1Ps, .frames = 25, .soundSeconds = sound, .container = container});
            const std::vector<uint8_t> part = ReadFileBytes(one);
            std::vector<uint8_t> joined;
            for (int n = 0; n < 3; ++n) joined.insert(joined.end(), part.begin(), part.end());
            int movie = Open(one);
            ASSERT_GE(movie, 0);
            const int64_t alone = GetMovieRecord(movie)->duration;
            EXPECT_EQ(CloseMovie(movie), 0);
            movie = Open(Write("joined", joined));
            ASSERT_GE(movie, 0);
            const MovieRecord* r = GetMovieRecord(movie);
            // A part lasts its pictures, or its longer sound (whole MP2 frames of 1152
            // samples), so that the parts' sounds, played back to back, keep in step.
            const int64_t length = (r->duration - alone) / 2;
            const double seconds = sound > 0 ? std::ceil(sound * 44100 / 1152) * 1152 / 44100 : 1.0;
            EXPECT_NEAR(double(length) / kSecond, seconds, sound > 0 ? 0.0001 : 0);
            int64_t first = 0;  // when the first picture starts
            r->mediaSeeking->ConvertTimeFormat(&first, host::TimeFormat::MediaTime, 0, host::TimeFormat::Frame);
            const auto play = [&] { sound > 0 ? HearMovie(movie, 10) : Wait(10); };
            ASSERT_EQ(PlayMovie(movie, 1), 0);
            int64_t now = 0;
            for (int n = 0; n < 75; ++n) {
                const int64_t halfway = first + n / 25 * length + (n % 25 * 2 + 1) * kSecond / 50;
                for (; now + kSecond / 100 <= halfway; now += kSecond / 100) play();
                ASSERT_TRUE(Shows(movie, n % 25)) << "picture " << n;
            }
            ASSERT_EQ(SeekMovie(movie, 60), 0);
            EXPECT_TRUE(Shows(movie, int(std::min<int64_t>(60 * kSecond / 25 % length * 25 / kSecond, 24))));
            EXPECT_EQ(CloseMovie(movie), 0);
        }
}

}  // namespace
}  // namespace movie_test
