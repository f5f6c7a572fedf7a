// MP3 files for the decoder tests, encoded with libmp3lame (link it into the test).
#pragma once
#include <gtest/gtest.h>
#include <lame.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "tests/support/lame_info_frame.h"

namespace mp3test {

struct ToneSpec {
    uint32_t rate;
    uint16_t channels;
    int samples;  // per channel
    double hz;    // the left channel; the right one sounds an octave up
    int amplitude;
    int kbps;
    // LAME's information frame first, with the encoder delay and padding a gapless decoder
    // leaves out, as the game's music has it.
    bool infoFrame = false;
};

struct Mp3 {
    std::vector<uint8_t> bytes;
    int frames;
};

// A constant bit rate; without the information frame every frame carries sound.
inline Mp3 EncodeTone(const ToneSpec& s) {
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, int(s.rate));
    lame_set_out_samplerate(lame, int(s.rate));
    lame_set_num_channels(lame, s.channels);
    lame_set_mode(lame, s.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, s.kbps);
    lame_set_bWriteVbrTag(lame, s.infoFrame);
    lame_set_quality(lame, 7);
    EXPECT_EQ(lame_init_params(lame), 0);
    std::vector<int16_t> pcm;
    for (int i = 0; i < s.samples; ++i)
        for (int c = 0; c < s.channels; ++c)
            pcm.push_back(int16_t(std::lround(s.amplitude * std::sin(2 * M_PI * s.hz * (c + 1) * i / s.rate))));
    std::vector<uint8_t> out(size_t(s.samples) * 2 + 8192);
    const int n = s.channels == 1
                      ? lame_encode_buffer(lame, pcm.data(), pcm.data(), s.samples, out.data(), int(out.size()))
                      : lame_encode_buffer_interleaved(lame, pcm.data(), s.samples, out.data(), int(out.size()));
    EXPECT_GT(n, 0);
    const int tail = lame_encode_flush(lame, out.data() + n, int(out.size()) - n);
    out.resize(size_t(n + tail));
    EXPECT_TRUE(!s.infoFrame || PutInfoFrame(lame, out));
    Mp3 mp3{out, lame_get_frameNum(lame)};
    lame_close(lame);
    return mp3;
}

}  // namespace mp3test
