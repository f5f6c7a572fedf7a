// MP3 decoded through the media graph: the same sound as through the compression
// manager, the record's state after it, the failures with their log lines, and the
// growth of the PCM block as samples arrive.
#include <cmath>
#include <cstring>

#include "convert_fixture.h"
#include "engine/platform/window/window.h"
#include "engine/sound/decoders/mp3_graph.h"
#include "engine/sound/core/sound_state.h"
#include "host/graph/filter_base.h"
#include "host/win/system/com.h"
#include "tests/support/mp3_tone.h"

namespace sound_test {
namespace {

class Mp3GraphTest : public ConvertTest {
protected:
    void TearDown() override {
        host::SetMpegDecoderOutputsFloat(false);
        ConvertTest::TearDown();
    }
    // Only the media graph may take the file.
    static void GraphOnly() {
        orvik::SetDisableSoundConverters(orvik::kConverterWavePcm | orvik::kConverterWaveAcm | orvik::kConverterOggVorbis |
                                         orvik::kConverterMp3Acm);
    }
    static mp3test::Mp3 Tone() { return mp3test::EncodeTone({44100, 2, 44100, 440, 10000, 128}); }
    // The whole PCM of a record, read from its start.
    std::vector<int16_t> ReadAll() {
        std::vector<int16_t> pcm(size_t(orvik::GetSoundConvertDestSize(&c_)) / 2);
        const int got = orvik::ReadSoundConvert(&c_, reinterpret_cast<uint8_t*>(pcm.data()), int32_t(pcm.size() * 2));
        pcm.resize(size_t(std::max(got, 0)) / 2);
        return pcm;
    }
    static double Rms(const std::vector<int16_t>& s) {
        double sum = 0;
        for (int16_t v : s) sum += double(v) * v;
        return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
    }
};

TEST_F(Mp3GraphTest, DecodesTheSameSoundAsTheCompressionManager) {
    Start();
    const mp3test::Mp3 mp3 = Tone();
    orvik::SetDisableSoundConverters(0);
    ASSERT_EQ(Setup(mp3.bytes), 0);
    ASSERT_EQ(c_.method, orvik::kConvertAcm);
    const std::vector<int16_t> viaAcm = ReadAll();
    orvik::TerminateSoundConvert(&c_);
    orvik::CloseMemImageStream(orvik::ToStreamHandle(memory_));
    memory_ = nullptr;

    GraphOnly();
    ASSERT_EQ(Setup(mp3.bytes), 0);
    EXPECT_EQ(c_.method, orvik::kConvertMemoryPcm);
    EXPECT_EQ(c_.memory.readPosition, 0u);
    EXPECT_EQ(c_.outputFormat.nSamplesPerSec, 44100u);
    EXPECT_EQ(c_.outputFormat.nChannels, 2);
    EXPECT_EQ(c_.outputFormat.wBitsPerSample, 16);
    EXPECT_EQ(c_.outputFormat.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(c_.blockSize, 176400);
    EXPECT_EQ(uint32_t(orvik::GetSoundConvertDestSize(&c_)), c_.memory.size);
    const std::vector<int16_t> viaGraph = ReadAll();
    ASSERT_GE(viaGraph.size(), 44100u * 2);
    EXPECT_EQ(viaGraph.size(), viaAcm.size());
    EXPECT_NEAR(Rms(viaGraph), Rms(viaAcm), Rms(viaAcm) * 0.02);
    EXPECT_NEAR(Rms(viaGraph), 10000 / std::sqrt(2.0), 500);
}

TEST_F(Mp3GraphTest, ALoadedSoundPlaysFromTheGraphsPcm) {
    Start();
    GraphOnly();
    const std::string path = WriteFile("graph.mp3", Tone().bytes);
    const int h = orvik::LoadSound(path.c_str(), 1);
    ASSERT_NE(h, -1);
    EXPECT_GE(orvik::GetSoundTotalSample(h), 44100);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    EXPECT_GT(Rms(Mix(22050)), 3000);
}

TEST_F(Mp3GraphTest, DataTheGraphCannotRenderFailsAtTheBuild) {
    Start();
    GraphOnly();
    Bytes junk(4000);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = uint8_t(i * 37 + 11);
    EXPECT_EQ(Setup(junk), -1);
    EXPECT_EQ(c_.memory.data, nullptr);
    EXPECT_NE(Log().find("グラフの構築に失敗しました"), std::string::npos);
}

TEST_F(Mp3GraphTest, SoundThatBypassesTheGrabberHasNoFormat) {
    Start();
    GraphOnly();
    host::SetMpegDecoderOutputsFloat(true);
    EXPECT_EQ(Setup(Tone().bytes), -1);
    EXPECT_NE(Log().find("音声が含まれていないか、オーディオフォーマットの取得に失敗しました。"), std::string::npos);
}

TEST_F(Mp3GraphTest, AMissingNullRendererIsReported) {
    Start();
    GraphOnly();
    host::SetComClassMissing(host::CLSID_NullRenderer, true);
    EXPECT_EQ(Setup(Tone().bytes), -1);
    EXPECT_NE(Log().find("MP3変換用 NullRender の作成に失敗しました"), std::string::npos);
    host::SetComClassMissing(host::CLSID_NullRenderer, false);
    host::SetComClassMissing(host::CLSID_FilterGraph, true);
    EXPECT_EQ(Setup(Tone().bytes), -1);
    EXPECT_NE(Log().find("MP3変換用 IGraphBuilder の作成に失敗しました"), std::string::npos);
}

TEST_F(Mp3GraphTest, TheProgramEndingDuringTheWaitGivesUp) {
    Start();
    GraphOnly();
    orvik::Window().rt.endFlag = 1;
    const std::string path = WriteFile("ending.mp3", Tone().bytes);
    EXPECT_EQ(orvik::LoadSound(path.c_str(), 1), -1);
    EXPECT_NE(Log().find("MP3変換の途中でソフトが終了しました"), std::string::npos);
}

TEST(Mp3GraphPcm, SamplesThatDoNotFitGrowTheBlockInWholeMebibytes) {
    orvik::SoundConvert c{};
    c.memory.capacity = 1000;
    c.memory.size = 950;
    c.memory.data = static_cast<uint8_t*>(ORVIK_TRACKED_ALLOC(1000));
    std::memset(c.memory.data, 7, 950);
    std::vector<uint8_t> bytes(100, 9);
    host::graph::Sample small(bytes);
    ASSERT_EQ(orvik::Mp3GrabberCallback(&small, nullptr, nullptr, 0, &c), host::S_OK);
    EXPECT_EQ(c.memory.capacity, 1000u + (1u << 20));
    EXPECT_EQ(c.memory.size, 1050u);
    EXPECT_EQ(c.memory.data[949], 7) << "what was held is kept";
    EXPECT_EQ(c.memory.data[1049], 9);
    std::vector<uint8_t> big(3u << 20, 5);
    host::graph::Sample large(big);
    orvik::Mp3GrabberCallback(&large, nullptr, nullptr, 0, &c);
    EXPECT_EQ(c.memory.capacity, 1000u + (4u << 20)) << "3 MiB with 1 MiB - 50 bytes free";
    EXPECT_EQ(c.memory.size, 1050u + (3u << 20));
    orvik::TrackedFree(c.memory.data);
    c.memory = {};
    EXPECT_EQ(orvik::Mp3GrabberCallback(&small, nullptr, nullptr, 0, &c), host::S_OK);
    EXPECT_EQ(c.memory.size, 0u) << "after a failed growth every sample is dropped";
}

}  // namespace
}  // namespace sound_test
