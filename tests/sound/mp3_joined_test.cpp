// MP3 files joined end to end, the second in another rate or channel count: the whole
// sound plays in the first one's format, each part at its own pitch, in every load mode
// and through both MP3 decoders, and is as long as it says.
#include <set>

#include "sound_fixture.h"
#include "tests/support/mp3_tone.h"

namespace sound_test {
namespace {

struct Part {
    uint32_t rate;
    uint16_t channels;
};

// Two seconds of 440 Hz in `first`, then two of 660 Hz in `second`.
std::vector<uint8_t> JoinedTones(Part first, Part second) {
    std::vector<uint8_t> file = mp3test::EncodeTone({first.rate, first.channels, int(first.rate) * 2, 440, 10000, 128}).bytes;
    const std::vector<uint8_t> tail =
        mp3test::EncodeTone({second.rate, second.channels, int(second.rate) * 2, 660, 10000, 128}).bytes;
    file.insert(file.end(), tail.begin(), tail.end());
    return file;
}

TEST_F(SoundTest, JoinedMp3sInTwoFormatsPlayWholeInTheFirstOnesFormat) {
    Start();
    const std::pair<Part, Part> joins[] = {{{44100, 2}, {48000, 2}}, {{44100, 1}, {44100, 2}}, {{44100, 2}, {22050, 2}}};
    for (const auto& [first, second] : joins) {
        const std::string path = WriteFile("joined.mp3", JoinedTones(first, second));
        std::set<int> lengths;
        for (int masked : {orvik::kConverterMp3Graph, orvik::kConverterMp3Acm})
            for (int mode : {0, 2, 3}) {
                SCOPED_TRACE(testing::Message() << second.rate << " Hz " << second.channels << " ch, decoder mask "
                                                << masked << ", load mode " << mode);
                orvik::SetDisableSoundConverters(masked);
                orvik::SetSoundLoadMode(mode);
                const int h = orvik::LoadSound(path.c_str(), 1);
                ASSERT_NE(h, -1);
                EXPECT_EQ(Record(h)->format.nSamplesPerSec, first.rate);
                EXPECT_EQ(Record(h)->format.nChannels, first.channels);
                lengths.insert(orvik::GetSoundTotalSample(h));
                ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
                const std::vector<int16_t> heard = Hear(44100 * 5);
                // A second from the middle of each part.
                EXPECT_GT(ToneLevel(heard, 22050, 66150, 440), 2000);
                EXPECT_LT(ToneLevel(heard, 22050, 66150, 660), 200);
                EXPECT_GT(ToneLevel(heard, 110250, 154350, 660), 2000);
                EXPECT_LT(ToneLevel(heard, 110250, 154350, 440), 200);
                EXPECT_EQ(orvik::CheckSoundPlaying(h), 0) << "played out";
                orvik::DeleteSound(h);
            }
        // Decoded whole first (load mode 0, or the media graph) a sound's length is what
        // plays; a stream through the compression manager counts it from the frame headers.
        EXPECT_EQ(lengths.size(), 1u) << "one length in every mode and through both decoders";
        // Every sample put in, and a few frames of codec delay and padding a part.
        EXPECT_GE(*lengths.begin(), int(4 * first.rate));
        EXPECT_LE(*lengths.begin(), int(4.15 * first.rate));
    }
    orvik::SetSoundLoadMode(0);
}

}  // namespace
}  // namespace sound_test
