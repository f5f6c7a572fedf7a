// An MP3 sound reports the length it plays, in every load mode and through both MP3
// decoders: the gapless decoder leaves out the encoder's information frame, delay and
// padding, and so does the length.
#include "sound_fixture.h"
#include "tests/support/mp3_tone.h"
#include "wave_builder.h"

namespace sound_test {
namespace {

// The frames of an MP3 file in a WAVE file, described by an MPEGLAYER3WAVEFORMAT.
Bytes Mp3Wave(const std::vector<uint8_t>& mp3, const mp3test::ToneSpec& s) {
    Bytes format = FmtData(0x55, s.channels, s.rate, 0, uint32_t(s.kbps) * 125, 1);
    Le16(format, 12);  // the extra bytes
    Le16(format, 1);   // MPEG
    Le32(format, 2);   // no padding
    Le16(format, uint16_t(144000 * s.kbps / s.rate));  // a frame's bytes
    Le16(format, 1);   // a frame a block
    Le16(format, 0);   // codec delay
    return Wave({{"fmt ", format}, {"data", mp3}});
}

// The MP3 after bytes that are no frame but start with a header that parses (MPEG-1
// layer III, 128 kbps, stereo): the decoder looks for its first frame again from the byte
// after it, and finds the information frame.
Bytes AfterFalseHeader(const Bytes& mp3, size_t junkBytes) {
    Bytes file = {0xFF, 0xFB, 0x90, 0x64};
    file.resize(junkBytes);
    file.insert(file.end(), mp3.begin(), mp3.end());
    return file;
}

// The sample frames heard up to the last one that is not silence, in the left channel.
int HeardLength(const std::vector<int16_t>& heard) {
    int length = 0;
    for (size_t i = 0; 2 * i < heard.size(); ++i)
        if (heard[2 * i] != 0) length = int(i) + 1;
    return length;
}

TEST_F(SoundTest, AnMp3ReportsTheLengthItPlays) {
    Start();
    // A tone to the last sample put in, encoded as the game's music is.
    const mp3test::ToneSpec music{44100, 1, 44100, 440, 10000, 96, true};
    mp3test::ToneSpec tiny = music;
    tiny.samples = 500;  // an information frame and two frames
    // Frames longer than a conversion step: the first step holds no sound.
    const mp3test::ToneSpec loud{44100, 2, 44100, 440, 10000, 320, true};
    const std::vector<uint8_t> musicBytes = mp3test::EncodeTone(music).bytes;
    const struct {
        const char* name;
        Bytes bytes;
        int samples;
    } files[] = {{"music.mp3", musicBytes, music.samples},
                 {"music.wav", Mp3Wave(musicBytes, music), music.samples},
                 {"tiny.mp3", mp3test::EncodeTone(tiny).bytes, tiny.samples},
                 {"loud.mp3", mp3test::EncodeTone(loud).bytes, loud.samples},
                 {"junk200.mp3", AfterFalseHeader(musicBytes, 200), music.samples},
                 {"junk40.mp3", AfterFalseHeader(musicBytes, 40), music.samples}};
    for (const auto& file : files) {
        const std::string path = WriteFile(file.name, file.bytes);
        for (int masked : {orvik::kConverterMp3Graph, orvik::kConverterMp3Acm})
            for (int mode : {0, 2, 3}) {
                SCOPED_TRACE(testing::Message() << file.name << ", decoder mask " << masked << ", load mode " << mode);
                orvik::SetDisableSoundConverters(masked);
                orvik::SetSoundLoadMode(mode);
                const int h = orvik::LoadSound(path.c_str(), 1);
                ASSERT_NE(h, -1);
                const int total = orvik::GetSoundTotalSample(h);
                EXPECT_EQ(total, file.samples) << "every sample put in, and no more: a loop joins without a gap";
                ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
                EXPECT_EQ(HeardLength(Hear(44100 * 2)), total);
                EXPECT_EQ(orvik::CheckSoundPlaying(h), 0) << "played out";
                orvik::DeleteSound(h);
            }
    }
    orvik::SetSoundLoadMode(0);
}

}  // namespace
}  // namespace sound_test
