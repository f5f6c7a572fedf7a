// Writes the starting corpus of the sound decoder fuzz target into the directory given:
// small WAVE files of each layout and format the decoders take, MP3 files with and
// without ID3 tags, with an information frame, in a WAVE file and two joined in different
// formats, and Ogg files whole, chained and damaged.
#include <cstdio>
#include <string>

#include "tests/fuzz/targets/damaged_ogg.h"
#include "tests/host_audio/adpcm_encoders.h"
#include "tests/sound/mp3_encoder.h"
#include "tests/sound/ogg_encoder.h"
#include "tests/sound/wave_builder.h"

namespace {

using sound_test::Bytes;
using sound_test::EncodeMp3;

Bytes Tagged(const Bytes& mp3) {
    Bytes file = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0, 8, 'T', 'I', 'T', '2', 0, 0, 0, 0};
    file.insert(file.end(), {'3', 'D', 'I', 4, 0, 0x10, 0, 0, 0, 8});
    file.insert(file.end(), mp3.begin(), mp3.end());
    Bytes v1(128, ' ');
    v1[0] = 'T';
    v1[1] = 'A';
    v1[2] = 'G';
    file.insert(file.end(), v1.begin(), v1.end());
    return file;
}

Bytes Joined(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Bytes Compressed(const audio_test::Encoded& e) { return sound_test::Wave({{"fmt ", e.format}, {"data", e.data}}); }

void Write(const std::string& dir, const std::string& name, const Bytes& bytes) {
    FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    const std::string dir = argv[1];
    using namespace sound_test;
    Write(dir, "pcm16.wav", PcmWave(2, 22050, Ramp(64, 2)));
    Write(dir, "pcm8.wav", Wave({{"fmt ", FmtData(1, 1, 8000, 8)}, {"data", Bytes(40, 0x80)}}));
    Chunk bext{"bext", Bytes(5, 'b')};
    bext.pad = false;
    Write(dir, "chunks.wav",
          Wave({bext, {"fmt ", FmtData(1, 1, 11025, 16)}, {"LIST", Bytes(3, 'l')}, {"data", PcmBytes(Ramp(20, 1))}}));
    Write(dir, "alaw.wav", Wave({{"fmt ", FmtData(6, 1, 8000, 8)}, {"data", Bytes(64, 0xD5)}}));
    Write(dir, "mulaw.wav", Wave({{"fmt ", FmtData(7, 2, 8000, 8)}, {"data", Bytes(64, 0xFF)}}));
    Write(dir, "msadpcm.wav", Compressed(audio_test::EncodeMsAdpcm(2, 2, 256)));
    Write(dir, "imaadpcm.wav", Compressed(audio_test::EncodeImaAdpcm(1, 2, 256)));
    Write(dir, "mpeg1.mp3", EncodeMp3(44100, 2, 4000, 128));
    Write(dir, "mpeg2.mp3", EncodeMp3(22050, 1, 3000, 32));
    Write(dir, "tagged.mp3", Tagged(EncodeMp3(32000, 1, 2000, 48)));
    const Bytes gapless = EncodeMp3(44100, 1, 2000, 96, true);
    Write(dir, "gapless.mp3", gapless);
    Bytes mpegFormat = FmtData(0x55, 1, 44100, 0, 12000, 1);
    for (uint16_t v : {12, 1, 2, 0, 313, 1, 0}) Le16(mpegFormat, v);  // MPEGLAYER3WAVEFORMAT's extra bytes
    Write(dir, "mpeg.wav", Wave({{"fmt ", mpegFormat}, {"data", gapless}}));
    Write(dir, "joined.mp3", Joined(EncodeMp3(22050, 1, 3000, 32), EncodeMp3(48000, 2, 3000, 128)));
    Write(dir, "tone.ogg", OggSine(3000, 1, 11025));
    Write(dir, "chained.ogg", Joined(OggSine(3000, 1, 11025), OggSine(2000, 2, 22050, 660.0, 2)));
    for (const auto& [name, bytes] : orvik_fuzz::DamagedOggFiles()) Write(dir, name, bytes);
    return 0;
}
