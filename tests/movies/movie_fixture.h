// Movie tests run the whole engine headless: the manual clock times movies without a
// sound track, the headless mixer's position times those with one.
#pragma once
#include <orvik/sound.h>

#include <string>
#include <vector>

#include "../device/device_fixture.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/sound/movies/movie.h"
#include "engine/sound/core/sound_system.h"
#include "host/acm/acm.h"
#include "host/clock.h"
#include "host/dsound/dsound_config.h"
#include "host/dsound/headless_output.h"
#include "host/system_info.h"
#include "movie_checks.h"

namespace movie_test {

// Sound state back to a fresh program's (movie_fixture.cpp: the sound records' header
// cannot meet the graphic records' in one file).
void ResetSound();

class MovieTest : public orvik_test::DeviceTest {
protected:
    void SetUp() override {
        host::ResetDirectSoundHost();
        host::ResetAcmHost();
        host::SetProcessorCountForTests(1);
        ResetSound();
        orvik::ResetMovieTable();
    }
    void TearDown() override {
        orvik::EndLibrary();
        orvik::ResetMovieTable();
        ResetSound();
        host::SetProcessorCountForTests(0);
    }
    void Start(bool software = false) {
        if (software) {
            ASSERT_EQ(orvik::SetUseHardwareRendering(0), 0);
            ASSERT_EQ(orvik::SetGraphMode(640, 480, 32), 0);
        }
        ASSERT_EQ(orvik::InitLibrary(), 0);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return WriteBytes(engine_.Log().Directory(), name, bytes);
    }
    // Plays the mixer on for ms milliseconds, refilling stream sounds every 30 ms as the
    // pump does on one processor; returns the largest sample heard.
    static int Hear(int ms) {
        int loudest = 0;
        for (int done = 0; done < ms; done += 30) {
            host::ClearHeadlessAudioCapture();
            host::HeadlessAudioAdvance(uint32_t(44100 * std::min(30, ms - done) / 1000));
            for (int16_t s : host::HeadlessAudioCapture()) loudest = std::max(loudest, std::abs(int(s)));
            orvik::RefillAllStreamSounds();
        }
        return loudest;
    }
    static void Wait(int ms) { host::AdvanceManualClock(int64_t(ms) * 1000); }
};

}  // namespace movie_test
