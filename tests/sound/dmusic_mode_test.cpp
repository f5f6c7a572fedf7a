// Music mode 1: start-up through the DirectMusic loader and performance (its log, the
// ports, the fall-back to mode 0 and the failures that leave no sound and nothing
// made), and music handles played as segments through the headless mixer.
#include <orvik/music.h>

#include <cmath>

#include "host/dmusic/dmusic_config.h"
#include "host/dmusic/dmusic_types.h"
#include "host/mci/mci.h"
#include "host/win/system/com.h"
#include "sound_fixture.h"
#include "tests/support/midi_builder.h"

namespace sound_test {
namespace {

double RmsLevel(const std::vector<int16_t>& s) {
    double sum = 0;
    for (int16_t v : s) sum += double(v) * v;
    return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
}

class DirectMusicModeTest : public MusicSoundTest {
protected:
    void StartMode1() {
        ASSERT_EQ(orvik::SetMusicMode(1), 0);
        Start();
        ASSERT_EQ(orvik::Sound().musicMode, 1);
        ASSERT_NE(orvik::Sound().performance, nullptr);
    }
    // One A of `ticks` at 96 ticks a quarter of 0.5 s.
    static int LoadNote(uint32_t ticks) {
        const std::vector<uint8_t> image = orvik_test::OneNoteFile(69, ticks);
        return orvik::LoadMusicFromImage(image.data(), int32_t(image.size()));
    }
    static orvik::MusicRecord& Record(int handle) { return *orvik::Sound().music.Find(handle); }
    // Where each text first appears after the one before; npos once one is missing.
    static bool InOrder(const std::string& log, std::initializer_list<const char*> texts) {
        size_t at = 0;
        for (const char* text : texts) {
            at = log.find(text, at);
            if (at == std::string::npos) return false;
        }
        return true;
    }
};

TEST_F(DirectMusicModeTest, StartUpLogsItsLinesInOrderListsThePortsAndShutsDown) {
    host::SetDirectMusicPorts({{host::DMUS_PC_OUTPUTCLASS, 0, u"Synth A"}, {host::DMUS_PC_INPUTCLASS, 0, u"鍵盤"}});
    StartMode1();
    const orvik::SoundSystemState& s = orvik::Sound();
    EXPECT_NE(s.musicLoader, nullptr);
    EXPECT_NE(s.device, nullptr) << "received from the performance";
    EXPECT_EQ(s.primary, nullptr) << "no primary buffer of its own";
    ASSERT_NE(s.silent, nullptr);
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"DirectSound8 の初期化を行います\n", "出力ポート  Device0:Synth A \n",
                              "入力ポート  Device1:鍵盤 \n", "DirectSound デバイスを列挙します\n",
                              "DirectSound の初期化は正常に終了しました\n"}))
        << log;
    EXPECT_EQ(log.find("DirectSound インターフェースの取得を行います"), std::string::npos) << "not mode 0's device";
    EXPECT_EQ(orvik::SetMusicMode(0), -1) << "not while sound runs";
    ASSERT_EQ(orvik::TerminateDirectSound(), 0);
    EXPECT_EQ(s.performance, nullptr);
    EXPECT_EQ(s.musicLoader, nullptr);
    EXPECT_EQ(s.device, nullptr);
    EXPECT_NE(Log().find("DirectSound の終了処理は正常に終了しました\n"), std::string::npos);
    EXPECT_EQ(orvik::SetMusicMode(2), -1);
}

TEST_F(DirectMusicModeTest, WithoutALoaderStartUpFallsBackToModeZero) {
    host::SetComClassMissing(host::CLSID_DirectMusicLoader, true);
    ASSERT_EQ(orvik::SetMusicMode(1), 0);
    Start();
    const orvik::SoundSystemState& s = orvik::Sound();
    EXPECT_EQ(s.musicMode, 0);
    EXPECT_NE(s.primary, nullptr) << "mode 0's own device";
    EXPECT_EQ(s.performance, nullptr);
    EXPECT_TRUE(InOrder(Log(), {"DirectSound8 の初期化を行います\n", "DirectMusicLoader8 オブジェクトの作成に失敗しました\n",
                                "前バージョンでの初期化処理に移ります\n", "DirectSound の初期化を行います\n",
                                "DirectSound の初期化は正常に終了しました\n"}));
}

// Each later failure ends start-up with -1, no device, and the loader and performance
// made so far released (the leak check at exit would see them otherwise).
TEST_F(DirectMusicModeTest, LaterFailuresLeaveNoSoundAndNothingMade) {
    Start();
    ASSERT_EQ(orvik::TerminateDirectSound(), 0);
    ASSERT_EQ(orvik::SetMusicMode(1), 0);
    struct Case {
        const char* line;
        void (*fail)(bool);
    };
    const Case cases[] = {
        {"DirectMusicPerformance オブジェクトの作成に失敗しました\n",
         [](bool on) { host::SetComClassMissing(host::CLSID_DirectMusicPerformance, on); }},
        {"DirectMusic オブジェクトの取得に失敗しました\n",
         [](bool on) { host::SetComClassMissing(host::CLSID_DirectMusic, on); }},
        {"DirectMusic8 オブジェクトの取得に失敗しました\n",
         [](bool on) { host::SetDirectMusicFaults({.queryDirectMusic8 = on ? -1 : 0}); }},
        {"DirectMusicPerformanceオブジェクトの初期化に失敗しました\n",
         [](bool on) { host::SetDirectSoundFaults({.create = on ? -1 : 0}); }},
    };
    for (const Case& c : cases) {
        c.fail(true);
        EXPECT_EQ(orvik::InitializeDirectSound(), -1) << c.line;
        EXPECT_NE(Log().find(c.line), std::string::npos) << c.line;
        EXPECT_EQ(orvik::Sound().device, nullptr);
        EXPECT_EQ(orvik::Sound().performance, nullptr);
        EXPECT_EQ(orvik::Sound().musicLoader, nullptr);
        EXPECT_EQ(orvik::Sound().musicMode, 1);
        c.fail(false);
    }
    EXPECT_EQ(orvik::InitializeDirectSound(), 0) << "starts once nothing fails";
}

TEST_F(DirectMusicModeTest, ASegmentSoundsThroughTheMixerAndIsSilentAfterItsStop) {
    StartMode1();
    const int h = LoadNote(960);  // five seconds
    ASSERT_NE(h, -1);
    EXPECT_EQ(h & 0x78000000, 0x40000000);
    ASSERT_NE(Record(h).segment, nullptr);
    EXPECT_EQ(RmsLevel(Mix(4410)), 0) << "nothing before the play";
    ASSERT_EQ(orvik::PlayMusicHandle(h, orvik::kPlayBack), 0);
    EXPECT_EQ(orvik::GetMusicPlayState(h), 1);
    EXPECT_GT(RmsLevel(Mix(4410)), 200) << "a note at velocity 100";
    ASSERT_EQ(orvik::StopMusicHandle(h), 0);
    EXPECT_EQ(orvik::GetMusicPlayState(h), 0);
    EXPECT_EQ(Record(h).seenPlaying, 0);
    Mix(44100);  // the note's release and the reverb die away
    EXPECT_EQ(RmsLevel(Mix(4410)), 0) << "silent once the notes have died away";
    ASSERT_EQ(orvik::PlayMusicHandle(h, orvik::kPlayBack), 0) << "plays again from the start";
    EXPECT_GT(RmsLevel(Mix(4410)), 200);
}

TEST_F(DirectMusicModeTest, PlayStateGoesPlayingThenSeenPlayingThenStopped) {
    StartMode1();
    const int h = LoadNote(96);  // half a second
    ASSERT_EQ(orvik::PlayMusicHandle(h, orvik::kPlayBack), 0);
    orvik::RefreshMusicPlayState();
    EXPECT_EQ(Record(h).playing, 1) << "the performance has not reported it playing yet";
    EXPECT_EQ(Record(h).seenPlaying, 0);
    Mix(4410);
    orvik::RefreshMusicPlayState();
    EXPECT_EQ(Record(h).seenPlaying, 1);
    EXPECT_EQ(orvik::GetMusicPlayState(h), 1);
    Mix(22050);
    orvik::RefreshMusicPlayState();
    EXPECT_EQ(orvik::GetMusicPlayState(h), 0) << "ended";
    // A loop starts its note again at each time through (the piano's attack is louder
    // than the end of its decay), and the pump's round keeps it playing.
    const int loop = LoadNote(96);
    ASSERT_EQ(orvik::PlayMusicHandle(loop, orvik::kPlayLoop), 0);
    double lastEnd = 0;
    for (int round = 0; round < 3; ++round) {
        const double start = RmsLevel(Mix(4410));
        Mix(22050 - 2 * 4410);
        orvik::RefreshMusicPlayState();
        const double end = RmsLevel(Mix(4410));
        EXPECT_GT(start, 200) << "round " << round;
        EXPECT_GT(start, 1.3 * lastEnd) << "round " << round;
        lastEnd = end;
    }
    EXPECT_EQ(orvik::GetMusicPlayState(loop), 1);
    EXPECT_EQ(orvik::StopMusicHandle(loop), 0);
    EXPECT_EQ(orvik::GetMusicPlayState(loop), 0);
}

TEST_F(DirectMusicModeTest, DeletingWhilePlayingStopsAndReleasesAndBadHandlesAreRefused) {
    StartMode1();
    const int a = LoadNote(960), b = LoadNote(960);
    ASSERT_EQ(orvik::PlayMusicHandle(a, orvik::kPlayLoop), 0);
    Mix(4410);
    ASSERT_EQ(orvik::DeleteMusicHandle(a), 0);
    EXPECT_EQ(orvik::GetMusicPlayState(a), -1);
    EXPECT_EQ(orvik::DeleteMusicHandle(a), -1);
    EXPECT_EQ(orvik::StopMusicHandle(a), -1);
    EXPECT_EQ(orvik::PlayMusicHandle(a, orvik::kPlayBack), -1);
    EXPECT_EQ(orvik::GetMusicPlayState(b + 1), -1);
    EXPECT_EQ(orvik::GetMusicPlayState(0x10000000), -1);
    EXPECT_EQ(orvik::DeleteMusicHandle(-1), -1);
    Mix(44100);
    EXPECT_LT(RmsLevel(Mix(4410)), 1) << "the deleted music stopped";
    // A damaged image is refused at its load, with a log line.
    std::vector<uint8_t> damaged = orvik_test::OneNoteFile(69, 96);
    damaged.resize(damaged.size() - 5);
    EXPECT_EQ(orvik::LoadMusicFromImage(damaged.data(), int32_t(damaged.size())), -1);
    EXPECT_NE(Log().find("MIDI: DirectMusic could not make a segment of the music"), std::string::npos);
    // The one left playing is stopped and released by the shutdown.
    ASSERT_EQ(orvik::PlayMusicHandle(b, orvik::kPlayBack), 0);
    EXPECT_EQ(orvik::TerminateDirectSound(), 0);
}

TEST_F(DirectMusicModeTest, CurrentMusicPlaysAsASegmentUntilTheNextOrTheShutdown) {
    StartMode1();
    const std::string midi = WriteFile("song.mid", orvik_test::OneNoteFile(60, 960));
    ASSERT_EQ(orvik::PlayMusic(midi.c_str(), orvik::kPlayLoop), 0);
    const int first = orvik::Sound().currentMusic.handle;
    EXPECT_EQ(orvik::CheckMusic(), 1);
    EXPECT_GT(RmsLevel(Mix(4410)), 200);
    ASSERT_EQ(orvik::PlayMusic(midi.c_str(), orvik::kPlayBack), 0);
    EXPECT_EQ(orvik::GetMusicPlayState(first), -1) << "the first music was stopped and deleted";
    EXPECT_NE(orvik::Sound().currentMusic.handle, first);
    EXPECT_FALSE(host::IsMidiSequencerOpen()) << "the sequencer is not used";
    EXPECT_GT(RmsLevel(Mix(4410)), 200);
    orvik::EndLibrary();
    EXPECT_EQ(orvik::Sound().performance, nullptr);
}

}  // namespace
}  // namespace sound_test
