// Music handles on the MCI sequencer: loading MIDI images, play, the end notify through
// the window procedure (closing, or restarting a loop), stop, delete, the pump's refresh
// and the current music that shutdown stops.
#include <orvik/music.h>

#include <sys/stat.h>

#include "engine/platform/window/message_pump.h"
#include "host/mci/mci.h"
#include "sound_fixture.h"
#include "tests/support/midi_builder.h"
#include "wave_builder.h"

namespace sound_test {
namespace {

class MusicTest : public MusicSoundTest {
protected:
    static int LoadNote(uint32_t ticks = 96) {
        const std::vector<uint8_t> image = orvik_test::OneNoteFile(69, ticks);
        return orvik::LoadMusicFromImage(image.data(), int32_t(image.size()));
    }
    static orvik::MidiMciState& Mci() { return orvik::Sound().mci; }
    static bool TempFileExists() {
        struct stat st;
        return Mci().tempPath[0] && ::stat(Mci().tempPath, &st) == 0;
    }
    static bool Audible(const std::vector<int16_t>& s) {
        return std::any_of(s.begin(), s.end(), [](int16_t v) { return v != 0; });
    }
};

TEST_F(MusicTest, HandlesShareOnePlayStateAndBadOnesAreRefused) {
    Start();
    const int a = LoadNote(), b = LoadNote();
    ASSERT_NE(a, -1);
    ASSERT_NE(b, -1);
    EXPECT_EQ(a & 0x78000000, 0x40000000);
    const std::vector<uint8_t> junk = {'M', 'T', 'h', 'x', 0, 0, 0, 6};
    EXPECT_EQ(orvik::LoadMusicFromImage(junk.data(), int32_t(junk.size())), -1);
    EXPECT_EQ(orvik::LoadMusicFromImage(nullptr, 10), -1);
    EXPECT_EQ(orvik::LoadMusic("no_such_file.mid"), -1);
    EXPECT_EQ(orvik::GetMusicPlayState(a), 0);
    EXPECT_EQ(orvik::GetMusicPlayState(a + 1), -1);
    EXPECT_EQ(orvik::GetMusicPlayState(0x10000000), -1);
    EXPECT_EQ(orvik::PlayMusicHandle(a, 2), -1) << "no such play type";
    ASSERT_EQ(orvik::PlayMusicHandle(a, orvik::kPlayBack), 0);
    EXPECT_EQ(orvik::GetMusicPlayState(a), 1);
    EXPECT_EQ(orvik::GetMusicPlayState(b), 1) << "one sequencer for every handle";
    EXPECT_TRUE(TempFileExists());
    ASSERT_EQ(orvik::DeleteMusicHandle(b), 0);
    EXPECT_EQ(orvik::GetMusicPlayState(b), -1);
    EXPECT_EQ(orvik::GetMusicPlayState(a), 0) << "deleting while the sequencer plays stops it";
    EXPECT_FALSE(host::IsMidiSequencerOpen());
    EXPECT_FALSE(TempFileExists());
    EXPECT_EQ(orvik::StopMusicHandle(b), -1);
}

TEST_F(MusicTest, TheEndNotifyClosesTheDeviceOnceAndThePumpLeavesTheRecord) {
    Start();
    const int h = LoadNote();
    ASSERT_EQ(orvik::PlayMusicHandle(h, orvik::kPlayBack), 0);
    EXPECT_TRUE(Audible(Mix(11025)));
    Mix(11025 + 100);
    EXPECT_EQ(orvik::GetMusicPlayState(h), 1) << "until the notify is handled";
    orvik::PumpMessagesCore();
    EXPECT_EQ(orvik::GetMusicPlayState(h), 0);
    EXPECT_EQ(orvik::Sound().music.Find(h)->playing, 1) << "the pump's refresh asks only DirectMusic";
    EXPECT_FALSE(host::IsMidiSequencerOpen());
    EXPECT_EQ(orvik::UpdateMidiMciPlayback(), 0) << "a second notify does nothing";
    EXPECT_EQ(Mci().playing, 0);
    EXPECT_FALSE(Audible(Mix(8000)));
    ASSERT_EQ(orvik::StopMusicHandle(h), 0);
    EXPECT_FALSE(TempFileExists());
}

TEST_F(MusicTest, BeforeSoundStartsTheTableRefusesButNotifyAndShutdownStopDoNot) {
    EXPECT_EQ(orvik::RefreshMusicPlayState(), -1);
    EXPECT_EQ(orvik::DeleteAllMusicHandles(), -1);
    EXPECT_EQ(orvik::UpdateMidiMciPlayback(), 0);
    EXPECT_EQ(orvik::StopCurrentMusic(), 0);
    Start();
    const int h = LoadNote();
    ASSERT_NE(h, -1);
    EXPECT_EQ(orvik::RefreshMusicPlayState(), 0);
    EXPECT_EQ(orvik::DeleteAllMusicHandles(), 0);
    EXPECT_EQ(orvik::GetMusicPlayState(h), -1) << "deleted";
}

TEST_F(MusicTest, ALoopRestartsFromTheTopUntilStopped) {
    Start();
    const int h = LoadNote();
    ASSERT_EQ(orvik::PlayMusicHandle(h, orvik::kPlayLoop), 0);
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(Audible(Mix(11025))) << "round " << round;
        Mix(11025);
        orvik::PumpMessagesCore();
        EXPECT_EQ(orvik::GetMusicPlayState(h), 1);
        EXPECT_TRUE(host::IsMidiSequencerOpen());
    }
    host::MCI_STATUS_PARMS status;
    status.dwItem = host::MCI_STATUS_POSITION;
    host::mciSendCommandA(Mci().deviceId, host::MCI_STATUS, host::MCI_STATUS_ITEM, &status);
    EXPECT_EQ(status.dwReturn, 0u) << "restarted from 0";
    ASSERT_EQ(orvik::StopMusicHandle(h), 0);
    EXPECT_EQ(orvik::GetMusicPlayState(h), 0);
    EXPECT_EQ(Mci().loop, 0);
    EXPECT_FALSE(host::IsMidiSequencerOpen());
    EXPECT_FALSE(TempFileExists());
    Mix(8000);
    EXPECT_FALSE(Audible(Mix(4410)));
}

TEST_F(MusicTest, DamagedMidiFailsToPlayWithALogLineAndNoFileLeft) {
    Start();
    std::vector<uint8_t> image = orvik_test::OneNoteFile(69, 96);
    image.resize(image.size() - 5);
    const int h = orvik::LoadMusicFromImage(image.data(), int32_t(image.size()));
    ASSERT_NE(h, -1) << "only the sequencer reads the file";
    EXPECT_EQ(orvik::PlayMusicHandle(h, orvik::kPlayBack), -1);
    EXPECT_EQ(orvik::GetMusicPlayState(h), 0);
    EXPECT_FALSE(TempFileExists());
    EXPECT_NE(Log().find("MIDI: the sequencer refused the music"), std::string::npos);
}

TEST_F(MusicTest, CurrentMusicIsStoppedAndDeletedByShutdown) {
    Start();
    EXPECT_EQ(orvik::StopCurrentMusic(), 0) << "none playing";
    const std::string midi = WriteFile("song.mid", orvik_test::OneNoteFile(60, 960));
    ASSERT_EQ(orvik::PlayMusic(midi.c_str(), orvik::kPlayLoop), 0);
    EXPECT_EQ(orvik::CheckMusic(), 1);
    const int handle = orvik::Sound().currentMusic.handle;
    EXPECT_EQ(orvik::GetMusicPlayState(handle), 1);
    const std::string wave = WriteFile("song.wav", PcmWave(2, 44100, std::vector<int16_t>(8820, 1000)));
    ASSERT_EQ(orvik::PlayMusic(wave.c_str(), orvik::kPlayBack), 0) << "any sound file will do";
    EXPECT_EQ(orvik::GetMusicPlayState(handle), -1) << "the MIDI music went";
    EXPECT_FALSE(host::IsMidiSequencerOpen());
    EXPECT_EQ(orvik::CheckMusic(), 1);
    EXPECT_EQ(orvik::Sound().currentMusic.isSound, 1);
    ASSERT_EQ(orvik::PlayMusic(midi.c_str(), orvik::kPlayBack), 0);
    const std::string temp = Mci().tempPath;
    orvik::EndLibrary();
    EXPECT_FALSE(host::IsMidiSequencerOpen());
    struct stat st;
    EXPECT_NE(::stat(temp.c_str(), &st), 0) << "the temporary file is removed";
}

}  // namespace
}  // namespace sound_test
