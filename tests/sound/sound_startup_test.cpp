// Start-up and shutdown: the device through COM, the primary format rule, the silent
// loop, the device list in the log, the refill thread, and the failures that leave the
// engine running without sound.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "host/win/system/com.h"
#include "host/win/system/modules.h"
#include "sound_fixture.h"
#include "wave_builder.h"

namespace sound_test {
namespace {

host::WAVEFORMATEX PrimaryFormat() {
    host::WAVEFORMATEX f;
    uint32_t written = 0;
    EXPECT_EQ(orvik::Sound().primary->GetFormat(&f, sizeof f, &written), host::DS_OK);
    return f;
}

TEST_F(SoundTest, StartsTheDeviceWithItsOwnBuffersAndListsDevices) {
    Start();
    const orvik::SoundSystemState& s = orvik::Sound();
    ASSERT_NE(s.device, nullptr);
    ASSERT_NE(s.primary, nullptr);
    ASSERT_NE(s.silent, nullptr);
    uint32_t status = 0;
    s.silent->GetStatus(&status);
    EXPECT_EQ(status, host::DSBSTATUS_PLAYING | host::DSBSTATUS_LOOPING);
    EXPECT_TRUE(host::IsHeadlessAudioOpen());
    EXPECT_NE(s.acm.streamConvert, nullptr);
    const std::string log = Log();
    EXPECT_NE(log.find("DirectSound の初期化は正常に終了しました\n"), std::string::npos);
    EXPECT_NE(log.find(" プライマリ １６bit = OK  ８bit = OK "), std::string::npos);
    // The silent loop adds nothing to the mix.
    for (int16_t v : Mix(512)) ASSERT_EQ(v, 0);
    EXPECT_EQ(orvik::InitializeDirectSound(), -1) << "a second start-up changes nothing";
    EXPECT_EQ(orvik::Sound().device, s.device);
}

TEST_F(SoundTest, ShutdownReleasesEverythingAndASecondOneDoesNothing) {
    Start();
    ASSERT_EQ(orvik::TerminateDirectSound(), 0);
    EXPECT_EQ(orvik::Sound().device, nullptr);
    EXPECT_EQ(orvik::Sound().acm.module, nullptr);
    EXPECT_FALSE(host::IsHeadlessAudioOpen());
    EXPECT_EQ(host::GetModuleLoadCount("msacm32"), 0);
    const size_t logged = Log().size();
    EXPECT_EQ(orvik::TerminateDirectSound(), -1);
    EXPECT_EQ(Log().size(), logged) << "a shutdown without sound logs nothing";
    EXPECT_EQ(orvik::InitializeDirectSound(), 0) << "sound starts again after a shutdown";
}

struct PrimaryCase {
    uint32_t flags;
    uint32_t maxRate;
    uint16_t channels, bits;
    uint32_t rate;
};

TEST_F(SoundTest, PrimaryFormatFollowsTheDeviceCaps) {
    const PrimaryCase cases[] = {
        {host::DSCAPS_PRIMARYSTEREO | host::DSCAPS_PRIMARY16BIT, 48000, 2, 16, 44100},
        {host::DSCAPS_PRIMARYSTEREO | host::DSCAPS_PRIMARY16BIT, 22050, 2, 16, 22050},
        {host::DSCAPS_PRIMARYMONO | host::DSCAPS_PRIMARY8BIT, 44100, 1, 8, 44100},
    };
    for (const PrimaryCase& c : cases) {
        host::DSCAPS caps = host::DefaultDirectSoundCaps();
        caps.dwFlags = c.flags | host::DSCAPS_SECONDARYSTEREO | host::DSCAPS_SECONDARY16BIT;
        caps.dwMaxSecondarySampleRate = c.maxRate;
        host::SetDirectSoundCaps(caps);
        Start();
        const host::WAVEFORMATEX f = PrimaryFormat();
        EXPECT_EQ(f.nChannels, c.channels);
        EXPECT_EQ(f.wBitsPerSample, c.bits);
        EXPECT_EQ(f.nSamplesPerSec, c.rate);
        EXPECT_EQ(f.nBlockAlign, c.channels * c.bits / 8);
        EXPECT_EQ(f.nAvgBytesPerSec, f.nBlockAlign * c.rate);
        orvik::EndLibrary();
        orvik_test::ResetEngine();
    }
}

TEST_F(SoundTest, TwoDevicesGiveTwoLogLinesBeforeTheCapabilities) {
    auto devices = host::DefaultSoundDevices();
    devices.resize(1);  // the default device, and one more
    host::SoundDeviceInfo second;
    second.guid.bytes[0] = 7;
    second.description = "Second Output";
    second.module = "second.drv";
    devices.push_back(second);
    host::SetSoundDevices(devices);
    Start();
    const std::string log = Log();
    const size_t listing = log.find("DirectSound デバイスを列挙します\n");
    const size_t line = log.find("モジュール名:     second.drv  ドライバ記述:Second Output \n");
    const size_t caps = log.find("最大サンプリングレート:");
    ASSERT_NE(listing, std::string::npos);
    ASSERT_NE(line, std::string::npos);
    EXPECT_LT(listing, line);
    EXPECT_LT(line, caps);
    size_t lines = 0;
    for (size_t at = log.find("モジュール名:"); at != std::string::npos; at = log.find("モジュール名:", at + 1)) ++lines;
    EXPECT_EQ(lines, 2u);
}

TEST_F(SoundTest, MissingDsoundDllOnlyDropsTheCapabilityLines) {
    host::SetModuleMissing("DSOUND.DLL", true);
    Start();
    const std::string log = Log();
    EXPECT_NE(log.find("DSOUND.DLL のロードに失敗しました\n"), std::string::npos);
    EXPECT_EQ(log.find("最大サンプリングレート:"), std::string::npos);
    // The indentation is back where it was: the closing line starts at the margin.
    EXPECT_NE(log.find("\nDirectSound の初期化は正常に終了しました\n"), std::string::npos);
    EXPECT_NE(orvik::Sound().device, nullptr);
}

TEST_F(SoundTest, WithoutTheDeviceClassEverySoundCallFails) {
    host::SetComClassMissing(host::CLSID_DirectSound, true);
    Start();  // sound failing to start does not stop the engine
    EXPECT_NE(Log().find("DirectSoundインターフェースの作成に失敗しました\n"), std::string::npos);
    EXPECT_EQ(orvik::Sound().device, nullptr);
    const Bytes wave = PcmWave(2, 44100, Ramp(100, 2));
    EXPECT_EQ(Load(wave), -1);
    EXPECT_EQ(orvik::PlaySoundHandle(0x10000000, orvik::kPlayBack), -1);
    EXPECT_EQ(orvik::DeleteAllSounds(), -1);
}

TEST_F(SoundTest, TheNoSoundSettingKeepsSoundFromStartingAndEverySoundCallRefuses) {
    ASSERT_EQ(orvik::SetNoSoundFlag(1), 0);
    Start();
    EXPECT_EQ(Log().find("DirectSound の初期化を行います"), std::string::npos);
    EXPECT_FALSE(host::IsHeadlessAudioOpen());
    EXPECT_EQ(Load(PcmWave(2, 44100, Ramp(100, 2))), -1);
    EXPECT_EQ(orvik::PlaySoundHandle(0x10000000, orvik::kPlayBack), -1);
    EXPECT_EQ(orvik::CheckSoundPlaying(0x10000000), -1);
    const uint8_t midi[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
    EXPECT_EQ(orvik::LoadMusicFromImage(midi, sizeof midi), -1);
}

TEST_F(SoundTest, FailedInitializeIsLoggedWithItsCode) {
    host::DirectSoundFaults faults;
    faults.initialize = 1;
    host::SetDirectSoundFaults(faults);
    Start();
    EXPECT_NE(Log().find("初期化に失敗しました\nエラーコード 88780078"), std::string::npos);
    EXPECT_EQ(orvik::Sound().device, nullptr);
}

TEST_F(SoundTest, RefillThreadRunsOnlyWithSeveralProcessorsAndIsJoinedAtShutdown) {
    Start();
    EXPECT_FALSE(orvik::IsSoundRefillThreadRunning());
    orvik::EndLibrary();
    orvik_test::ResetEngine();
    host::SetProcessorCountForTests(4);
    Start();
    EXPECT_TRUE(orvik::IsSoundRefillThreadRunning());
    // Shutdown while the window is already gone: the pump reports the end at once, and
    // the thread must still be out of its pass before the tables go.
    orvik::EndLibrary();
    EXPECT_FALSE(orvik::IsSoundRefillThreadRunning());
    EXPECT_EQ(orvik::Sound().device, nullptr);
}

// A program may return from main without EndLibrary; the running refill thread must not
// end it in std::terminate. What such a program leaves allocated is its own affair.
TEST_F(SoundTest, AProgramEndingWithoutEndLibraryExitsCleanly) {
    host::SetProcessorCountForTests(2);
    EXPECT_EXIT(
        {
#if defined(__SANITIZE_ADDRESS__)
            __lsan_disable();
#endif
            Start();
            std::exit(orvik::IsSoundRefillThreadRunning() ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace sound_test
