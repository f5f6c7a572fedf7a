// Short MP3 files for seed corpora, encoded with libmp3lame (link it in): a constant bit
// rate, and no information frame unless asked for, so every frame carries sound.
#pragma once
#include <lame.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "tests/support/lame_info_frame.h"

namespace sound_test {

inline std::vector<uint8_t> EncodeMp3(int rate, int channels, int samples, int kbps, bool infoFrame = false) {
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, kbps);
    lame_set_bWriteVbrTag(lame, infoFrame);
    lame_init_params(lame);
    std::vector<int16_t> pcm;
    for (int i = 0; i < samples * channels; ++i) pcm.push_back(int16_t(8000 * std::sin(i * 0.05)));
    std::vector<uint8_t> out(size_t(samples) * 2 + 8192);
    const int n = channels == 1 ? lame_encode_buffer(lame, pcm.data(), pcm.data(), samples, out.data(), int(out.size()))
                                : lame_encode_buffer_interleaved(lame, pcm.data(), samples, out.data(), int(out.size()));
    const int tail = lame_encode_flush(lame, out.data() + n, int(out.size()) - n);
    out.resize(size_t(n + tail));
    if (infoFrame) mp3test::PutInfoFrame(lame, out);
    lame_close(lame);
    return out;
}

}  // namespace sound_test
