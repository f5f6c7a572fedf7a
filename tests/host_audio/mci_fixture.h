// A test of the MCI sequencer device on a MIDI file of its own, mixed through the host
// mixer, and the measures its tests take of the sound.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/dsound/dsound_config.h"
#include "host/dsound/mixer.h"
#include "host/mci/mci.h"

namespace audio_test {

// Rising zero crossings per second over a stretch (frames from ... to) of the left channel.
template <typename Sample>
double Frequency(const std::vector<Sample>& acc, size_t from, size_t to, double rate) {
    int crossings = 0;
    size_t first = 0, last = 0;
    for (size_t i = from + 1; i < to; ++i)
        if (acc[2 * (i - 1)] < 0 && acc[2 * i] >= 0) {
            if (crossings++ == 0) first = i;
            last = i;
        }
    return crossings > 1 ? (crossings - 1) * rate / double(last - first) : 0;
}

class MciTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetDirectSoundHost();
        host::ResetMci();
        path_ = ::testing::TempDir() + "/mci_test_" + std::to_string(::getpid()) + ".mid";
    }
    void TearDown() override {
        host::ResetMci();
        std::remove(path_.c_str());
    }
    void Write(const std::vector<uint8_t>& bytes) {
        FILE* f = std::fopen(path_.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    host::MCIERROR Open(host::MCIDEVICEID* id, const char* type = "sequencer") {
        host::MCI_OPEN_PARMSA p;
        p.lpstrDeviceType = type;
        p.lpstrElementName = path_.c_str();
        const host::MCIERROR e = host::mciSendCommandA(0, host::MCI_OPEN, host::MCI_OPEN_TYPE | host::MCI_OPEN_ELEMENT, &p);
        *id = p.wDeviceID;
        return e;
    }
    static uint32_t Status(host::MCIDEVICEID id, uint32_t item) {
        host::MCI_STATUS_PARMS p;
        p.dwItem = item;
        EXPECT_EQ(host::mciSendCommandA(id, host::MCI_STATUS, host::MCI_STATUS_ITEM, &p), 0u);
        return p.dwReturn;
    }
    static std::vector<int16_t> Mix(size_t frames) {
        std::vector<int16_t> out(frames * 2);
        host::MixAudio(out);
        return out;
    }
    std::string path_;
};


}  // namespace audio_test
