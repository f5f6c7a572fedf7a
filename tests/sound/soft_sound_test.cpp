// Soft sounds: sound data written and read frame by frame, the table's deletions, players
// fed from their ring and heard through the mixer sample for sample, and the capture file
// that records the mix.
#include <orvik/soft_sound.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "sound_fixture.h"
#include "tests/support/bounded_wait.h"

namespace sound_test {
namespace {

constexpr uint32_t kRefillFrames = 1323;  // 30 ms at 44.1 kHz

class SoftSoundTest : public SoundTest {
protected:
    static orvik::SoftSoundTable& Table() { return orvik::Sound().softSounds; }
    static orvik::SoftSoundPlayerPart& Player(int h) { return Table().Find(h)->player; }
    // Mixes `frames` with a player refill after every 30 ms, as the pump does.
    static std::vector<int16_t> Hear(uint32_t frames) {
        std::vector<int16_t> heard;
        for (uint32_t done = 0; done < frames; done += kRefillFrames) {
            const std::vector<int16_t> part = Mix(std::min(kRefillFrames, frames - done));
            heard.insert(heard.end(), part.begin(), part.end());
            orvik::ProcessSoftSoundPlayers();
        }
        return heard;
    }
};

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void FillPlayBuffer(orvik::SoftSoundPlayerPart& p, uint8_t value) {
    orvik::StreamLockRegion region;
    ASSERT_EQ(orvik::LockStreamRegion(&p.playBuffer, 0, uint32_t(p.bufferSize), &region), 0);
    std::memset(region.part1, value, region.size1);
    orvik::UnlockStreamRegion(&p.playBuffer, region);
}

std::vector<uint8_t> PlayBufferBytes(orvik::SoftSoundPlayerPart& p) {
    orvik::StreamLockRegion region;
    if (orvik::LockStreamRegion(&p.playBuffer, 0, uint32_t(p.bufferSize), &region) != 0) return {};
    std::vector<uint8_t> bytes(region.part1, region.part1 + region.size1);
    orvik::UnlockStreamRegion(&p.playBuffer, region);
    return bytes;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

TEST_F(SoftSoundTest, DataKeepsWhatIsWrittenAndRefusesWhatDoesNotFit) {
    Start();
    const int stereo = orvik::MakeSoftSoundData(2, 16, 44100, 10);
    const int mono = orvik::MakeSoftSoundData(1, 8, 22050, 4);
    ASSERT_NE(stereo, -1);
    ASSERT_NE(mono, -1);
    EXPECT_EQ(orvik::GetSoftSoundFrameCount(stereo), 10);
    int l = 1, r = 1;
    ASSERT_EQ(orvik::ReadSoftSoundSample(mono, 3, &l, &r), 0);
    EXPECT_EQ(l, 128) << "unwritten 8-bit frames are silence";
    ASSERT_EQ(orvik::WriteSoftSoundSample(stereo, 9, -32768, 32767), 0);
    ASSERT_EQ(orvik::ReadSoftSoundSample(stereo, 9, &l, &r), 0);
    EXPECT_EQ(l, -32768);
    EXPECT_EQ(r, 32767);
    ASSERT_EQ(orvik::WriteSoftSoundSample(mono, 0, 255, 999), 0) << "one channel ignores the right";
    ASSERT_EQ(orvik::ReadSoftSoundSample(mono, 0, &l, &r), 0);
    EXPECT_EQ(l, 255);
    EXPECT_EQ(r, 255);

    EXPECT_EQ(orvik::WriteSoftSoundSample(stereo, 10, 0, 0), -1);
    EXPECT_EQ(orvik::WriteSoftSoundSample(stereo, -1, 0, 0), -1);
    EXPECT_EQ(orvik::WriteSoftSoundSample(stereo, 0, 32768, 0), -1);
    EXPECT_EQ(orvik::WriteSoftSoundSample(mono, 0, -1, 0), -1);
    EXPECT_EQ(orvik::ReadSoftSoundSample(stereo, 0, &l, &r), 0);
    EXPECT_EQ(l, 0) << "a refused write changes nothing";
    EXPECT_EQ(orvik::MakeSoftSoundData(3, 16, 44100, 10), -1);
    EXPECT_EQ(orvik::MakeSoftSoundData(2, 24, 44100, 10), -1);
    EXPECT_EQ(orvik::MakeSoftSoundData(2, 16, 44100, 0), -1);
    EXPECT_EQ(orvik::MakeSoftSoundData(2, 16, 44100, 0x7FFFFFFF), -1);
    EXPECT_NE(Log().find("WriteSoftSoundSample"), std::string::npos);
}

TEST_F(SoftSoundTest, DeletionsCheckKindAndLowerTheEndIndex) {
    Start();
    const int a = orvik::MakeSoftSoundData(2, 16, 44100, 4);
    const int b = orvik::MakeSoftSoundData(2, 16, 44100, 4);
    const int player = orvik::MakeSoftSoundPlayer(2, 16, 44100);
    ASSERT_EQ(player & 0x78000000, 0x68000000);
    EXPECT_EQ(orvik::DeleteSoftSound(player, orvik::kSoftSoundData), -1);
    EXPECT_EQ(orvik::GetSoftSoundPlayerStock(player), 0) << "the player is kept";
    EXPECT_EQ(orvik::GetSoftSoundFrameCount(player), -1);
    EXPECT_EQ(Table().HighWater(), 3);
    ASSERT_EQ(orvik::DeleteSoftSoundData(b), 0);
    EXPECT_EQ(Table().HighWater(), 3);
    ASSERT_EQ(orvik::DeleteSoftSoundPlayer(player), 0);
    EXPECT_EQ(Table().HighWater(), 1) << "past the empty slot below";
    EXPECT_EQ(orvik::DeleteSoftSoundData(b), -1) << "a stale handle";
    ASSERT_EQ(orvik::DeleteSoftSoundData(a), 0);
    EXPECT_EQ(Table().HighWater(), 0);
    EXPECT_EQ(Table().Count(), 0);
    const int again = orvik::MakeSoftSoundData(2, 16, 44100, 4);
    EXPECT_NE(again, a) << "a new check number";
    EXPECT_EQ(again & 0xFFFF, 0);
}

TEST_F(SoftSoundTest, PlayerWithAnEmptyRingWritesSilenceAndMarksTheEnd) {
    Start();
    const int h = orvik::MakeSoftSoundPlayer(2, 16, 44100);
    orvik::SoftSoundPlayerPart& p = Player(h);
    p.lead = 4096;
    p.active = 1;
    // Dirty the buffer, so that the silence written is seen.
    FillPlayBuffer(p, 0x55);
    ASSERT_EQ(orvik::ProcessSoftSoundPlayer(Table().Find(h)), 0);
    EXPECT_EQ(p.endOffset, 0);
    EXPECT_EQ(p.writeOffset, 8192) << "two leads ahead of the cursor";
    EXPECT_EQ(p.endPassed, 0);
    const std::vector<uint8_t> bytes = PlayBufferBytes(p);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.begin() + 8192, [](uint8_t v) { return v == 0; }));
    EXPECT_EQ(bytes[8192], 0x55) << "nothing past the two leads";
    ASSERT_EQ(orvik::ProcessSoftSoundPlayer(Table().Find(h)), 0);
    EXPECT_EQ(p.writeOffset, 8192) << "the cursor has not moved: nothing more to write";
}

// Frames of a rising and falling pattern that no two neighbours share.
std::vector<int16_t> Pattern(size_t frames) {
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i) {
        s.push_back(int16_t((i * 7919) % 60000 - 30000));
        s.push_back(int16_t(-int32_t((i * 104729) % 50000) + 25000));
    }
    return s;
}

TEST_F(SoftSoundTest, PlayerIsHeardExactlyThenSilentThenPlaysNewFrames) {
    Start();
    const std::vector<int16_t> pattern = Pattern(20000);
    const int data = orvik::MakeSoftSoundData(2, 16, 44100, 19999);
    for (int i = 0; i < 19999; ++i) ASSERT_EQ(orvik::WriteSoftSoundSample(data, i, pattern[2 * i], pattern[2 * i + 1]), 0);
    const int h = orvik::MakeSoftSoundPlayer(2, 16, 44100);
    ASSERT_EQ(orvik::AddSoftSoundPlayerData(h, data), 0);
    ASSERT_EQ(orvik::AddSoftSoundPlayerSample(h, pattern[39998], pattern[39999]), 0);
    EXPECT_EQ(orvik::GetSoftSoundPlayerStock(h), 20000);
    EXPECT_EQ(orvik::AddSoftSoundPlayerSample(h, 40000, 0), -1);
    const int mono = orvik::MakeSoftSoundData(1, 16, 44100, 5);
    EXPECT_EQ(orvik::AddSoftSoundPlayerData(h, mono), -1) << "another format";
    EXPECT_EQ(orvik::AddSoftSoundPlayerData(h, h), -1) << "a player is no data";

    EXPECT_EQ(Mix(100), std::vector<int16_t>(200, 0)) << "silent until started";
    ASSERT_EQ(orvik::StartSoftSoundPlayer(h), 0);
    const std::vector<int16_t> heard = Hear(30000);
    ASSERT_EQ(heard.size(), 60000u);
    for (size_t i = 0; i < pattern.size(); ++i) ASSERT_EQ(heard[i], pattern[i]) << "sample " << i;
    EXPECT_TRUE(std::all_of(heard.begin() + 40000, heard.end(), [](int16_t v) { return v == 0; }));
    EXPECT_EQ(orvik::GetSoftSoundPlayerStock(h), 0);
    EXPECT_EQ(orvik::CheckSoftSoundPlayerDone(h), 1);

    ASSERT_EQ(orvik::AddSoftSoundPlayerSample(h, 1234, -1234), 0);
    EXPECT_EQ(orvik::CheckSoftSoundPlayerDone(h), 0);
    const std::vector<int16_t> later = Hear(15000);
    const auto at = std::find(later.begin(), later.end(), 1234);
    ASSERT_NE(at, later.end()) << "new frames after the end are heard";
    EXPECT_EQ(at[1], -1234);
    EXPECT_EQ(std::count_if(later.begin(), later.end(), [](int16_t v) { return v != 0; }), 2);
    EXPECT_EQ(orvik::CheckSoftSoundPlayerDone(h), 1);

    ASSERT_EQ(orvik::StopSoftSoundPlayer(h), 0);
    ASSERT_EQ(orvik::AddSoftSoundPlayerSample(h, 77, 77), 0);
    EXPECT_EQ(Hear(5000), std::vector<int16_t>(10000, 0)) << "a stopped player is not fed";
    EXPECT_EQ(orvik::GetSoftSoundPlayerStock(h), 1);
}

TEST_F(SoftSoundTest, TheRefillThreadFeedsPlayersOnTwoProcessors) {
    host::SetProcessorCountForTests(2);
    Start();
    ASSERT_TRUE(orvik::IsSoundRefillThreadRunning());
    const std::vector<int16_t> pattern = Pattern(30000);
    const int h = orvik::MakeSoftSoundPlayer(2, 16, 44100);
    for (size_t i = 0; i < 30000; ++i) orvik::AddSoftSoundPlayerSample(h, pattern[2 * i], pattern[2 * i + 1]);
    ASSERT_EQ(orvik::StartSoftSoundPlayer(h), 0);
    auto writeOffset = [&] {
        orvik::SoundLockGuard lock(orvik::SoundLock());
        return Player(h).writeOffset;
    };
    std::vector<int16_t> heard;
    // Each lead played lets the thread write the next one.
    for (int step = 0; step < 5; ++step) {
        const int32_t before = writeOffset();
        const std::vector<int16_t> part = Mix(5512);
        heard.insert(heard.end(), part.begin(), part.end());
        ASSERT_TRUE(orvik_test::WaitUntil([&] { return writeOffset() != before; })) << "step " << step;
    }
    EXPECT_TRUE(std::equal(heard.begin(), heard.end(), pattern.begin()));
}

TEST(SoftSoundCapture, HeaderCountsTheCapturedFrames) {
    uint8_t h[orvik::kCaptureHeaderSize];
    orvik::MakeCaptureHeader(1000, h);
    const std::vector<uint8_t> b(h, h + sizeof h);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(b, 4), 4038u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le32(b, 16), 18u);
    EXPECT_EQ(Le32(b, 20), 1u | 2u << 16);
    EXPECT_EQ(Le32(b, 24), 44100u);
    EXPECT_EQ(Le32(b, 28), 176400u);
    EXPECT_EQ(Le32(b, 32), 4u | 16u << 16);
    EXPECT_EQ(b[36] | b[37] << 8, 0);
    EXPECT_EQ(std::string(b.begin() + 38, b.begin() + 42), "data");
    EXPECT_EQ(Le32(b, 42), 4000u);
}

TEST_F(SoftSoundTest, CaptureFileHoldsTheMixAndShutdownClosesIt) {
    Start();
    EXPECT_EQ(orvik::CloseSoundCaptureFile(), -1);
    const std::string path = Directory() + "/capture.wav";
    ASSERT_EQ(orvik::StartSoundCapture(path.c_str()), 0);
    EXPECT_EQ(orvik::StartSoundCapture(path.c_str()), -1) << "one capture at a time";
    const int h = orvik::MakeSoftSoundPlayer(2, 16, 44100);
    const std::vector<int16_t> pattern = Pattern(3000);
    for (size_t i = 0; i < 3000; ++i) orvik::AddSoftSoundPlayerSample(h, pattern[2 * i], pattern[2 * i + 1]);
    orvik::StartSoftSoundPlayer(h);
    const std::vector<int16_t> heard = Hear(5000);
    orvik::EndLibrary();

    const std::vector<uint8_t> file = ReadFile(path);
    ASSERT_EQ(file.size(), orvik::kCaptureHeaderSize + 5000 * 4);
    EXPECT_EQ(Le32(file, 4), 38u + 20000);
    EXPECT_EQ(Le32(file, 42), 20000u);
    std::vector<int16_t> captured(10000);
    std::memcpy(captured.data(), file.data() + orvik::kCaptureHeaderSize, 20000);
    EXPECT_EQ(captured, heard);
    EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), captured.begin()));
    EXPECT_EQ(orvik::StartSoundCapture(path.c_str()), -1) << "no sound system";
}

// A pipe cannot go back to its start: closing says the header could not be written,
// and writes none at the end of the stream, where it would be taken for sound.
TEST_F(SoftSoundTest, ACaptureIntoAPipeSaysItsHeaderCouldNotBeWritten) {
    Start();
    const std::string path = Directory() + "/capture.fifo";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::vector<uint8_t> received;
    std::thread reader([&] { received = ReadFile(path); });
    const int started = orvik::StartSoundCapture(path.c_str());
    if (started != 0) ::close(::open(path.c_str(), O_WRONLY));  // lets the reader out of its open
    ASSERT_EQ(started, 0);
    Hear(1000);
    EXPECT_EQ(orvik::CloseSoundCaptureFile(), -1);
    reader.join();
    EXPECT_EQ(received.size(), orvik::kCaptureHeaderSize + 1000 * 4) << "the stream ends with the sound";
    EXPECT_NE(Log().find("CloseSoundCaptureFile: the header could not be written"), std::string::npos);
}

// Sizes that a header cannot state end the capture: it keeps what fits and its header
// gives the sizes of what is there, instead of wrapping round to a few bytes.
TEST_F(SoftSoundTest, ACaptureAsLongAsAHeaderCanSayEndsThereWithTrueSizes) {
    Start();
    const std::string path = Directory() + "/long.wav";
    ASSERT_EQ(orvik::StartSoundCapture(path.c_str()), 0);
    constexpr uint32_t kMost = (0xFFFFFFFFu - 38) / 4;
    orvik::Sound().capture.framesCaptured = kMost - 100;  // as if hours had been captured
    Hear(1000);
    ASSERT_EQ(orvik::CloseSoundCaptureFile(), 0);
    const std::vector<uint8_t> file = ReadFile(path);
    EXPECT_EQ(file.size(), orvik::kCaptureHeaderSize + 100 * 4);
    EXPECT_EQ(Le32(file, 4), 38u + 4 * kMost);
    EXPECT_EQ(Le32(file, 42), 4 * kMost);
    EXPECT_NE(Log().find("CloseSoundCaptureFile: the capture reached the largest WAVE file"), std::string::npos);
}

TEST_F(SoftSoundTest, CaptureToAnUnwritablePlaceFailsCleanly) {
    Start();
    EXPECT_EQ(orvik::StartSoundCapture((Directory() + "/no/such/dir/c.wav").c_str()), -1);
    EXPECT_EQ(orvik::StartSoundCapture(nullptr), -1);
    EXPECT_EQ(orvik::CloseSoundCaptureFile(), -1);
    EXPECT_NE(Log().find("StartSoundCapture"), std::string::npos);
}

}  // namespace
}  // namespace sound_test
