// The SDL audio output pulls from the mixer on SDL's own thread (here SDL's dummy
// driver, which needs no sound card).
#include <SDL.h>
#include <time.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <string>

#include "dsound_fixture.h"
#include "host/backends/sdl/sdl_audio.h"

namespace audio_test {
namespace {

using SdlOutputTest = DsoundTest;

TEST_F(SdlOutputTest, TheDeviceCallbackMovesAPlayingBuffersCursor) {
    host::CloseHeadlessAudio();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(host::OpenSdlAudioOutput(44100, 512), 0);
    EXPECT_TRUE(host::IsSdlAudioOutputOpen());
    EXPECT_EQ(host::MixerOutputRate(), 44100u);
    host::IDirectSoundBuffer* b = Make(Pcm(2, 44100, 16), 44100 * 4);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->Play(0, 0, host::DSBPLAY_LOOPING), host::DS_OK);
    // Wait, with a bound of ten seconds, for the device to pull.
    const timespec pause{0, 1000000};
    for (int i = 0; i < 10000 && PlayCursor(b) == 0; ++i) nanosleep(&pause, nullptr);
    EXPECT_GT(PlayCursor(b), 0u);
    EXPECT_GT(host::MixerFramesMixed(), 0u);
    host::CloseSdlAudioOutput();
    EXPECT_FALSE(host::IsSdlAudioOutputOpen());
    EXPECT_EQ(host::OpenSdlAudioOutput(44100, 0), -1);
}

// Without a sound device (here ALSA, given no configuration) SDL's dummy driver pulls in
// its place, silent, and one line says so: none of ALSA's own.
TEST_F(SdlOutputTest, WithoutADeviceTheOutputPullsSilentlyAndSaysSoInOneLine) {
    host::CloseHeadlessAudio();
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    setenv("ALSA_CONFIG_PATH", "/nonexistent/alsa.conf", 1);
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(host::OpenSdlAudioOutput(44100, 512), 0);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(host::IsSdlAudioOutputOpen());
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("no sound device opens"), std::string::npos) << said;
    host::CloseSdlAudioOutput();
}

// A program may end without closing the output; SDL's thread must not go on pulling from
// the mixer while the sound's objects are destroyed at exit.
TEST(SdlOutputExitTest, AnOutputLeftOpenIsClosedAtExit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
#if defined(__SANITIZE_ADDRESS__)
            __lsan_disable();
#endif
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            // Registered before the output is made, so it runs after the output is gone.
            std::atexit([] { std::_Exit(SDL_WasInit(SDL_INIT_AUDIO) ? 5 : 0); });
            std::exit(host::OpenSdlAudioOutput(44100, 512) == 0 ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace audio_test
