// Sound effects and music: PCM WAVE effects under a second, and MP3 tunes that decode
// to their full length.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>
#include <cstring>

#include "tests/gamedata/game_folder.h"
#include "tools/make_gamedata/music.h"

namespace gamedata_test {
namespace {

const char* const kEffects[] = {"Sys04", "Shot01", "Shot02", "Hit01", "Hit02", "Shot04",
                                "Exp01", "Exp02", "Exp03", "Exp04", "Exp05"};

TEST(SoundEffects, ArePcmWavesUnderASecondAndAudible) {
  for (const char* name : kEffects) {
    const std::string file = std::string("Data02/") + name + ".wav";
    const Bytes b = ReadFile(DataPath(file));
    ASSERT_GE(b.size(), 44u) << file;
    ASSERT_EQ(std::memcmp(b.data(), "RIFF", 4), 0) << file;
    ASSERT_EQ(std::memcmp(b.data() + 8, "WAVEfmt ", 8), 0) << file;
    EXPECT_EQ(Le16(b, 20), 1) << file << " is not PCM";
    const int channels = Le16(b, 22), bits = Le16(b, 34);
    const std::int32_t rate = Le32(b, 24), bytesPerSecond = Le32(b, 28);
    EXPECT_EQ(bits, 16) << file;
    EXPECT_EQ(bytesPerSecond, rate * channels * bits / 8) << file;
    ASSERT_EQ(std::memcmp(b.data() + 36, "data", 4), 0) << file;
    const std::int32_t dataBytes = Le32(b, 40);
    ASSERT_EQ(static_cast<std::size_t>(dataBytes) + 44, b.size()) << file;
    const double seconds = static_cast<double>(dataBytes) / bytesPerSecond;
    EXPECT_LT(seconds, 1.0) << file;
    EXPECT_GT(seconds, 0.03) << file;
    int peak = 0;
    for (std::size_t i = 44; i + 1 < b.size(); i += 2)
      peak = std::max(peak, std::abs(static_cast<int>(static_cast<std::int16_t>(Le16(b, i)))));
    EXPECT_GT(peak, 8000) << file << " is nearly silent";  // made quiet enough to mix with the rest
    EXPECT_LT(peak, 32767) << file << " clips";
  }
}

struct Decoded {
  long rate = 0;
  int channels = 0;
  std::size_t frames = 0;
  double rms = 0;
};

Decoded DecodeMp3(const Bytes& mp3) {
  Decoded d;
  mpg123_handle* h = mpg123_new(nullptr, nullptr);
  if (!h) return d;
  mpg123_param(h, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
  mpg123_format_none(h);
  for (long rate : {22050L, 32000L, 44100L, 48000L}) mpg123_format(h, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  mpg123_open_feed(h);
  mpg123_feed(h, mp3.data(), mp3.size());
  double sum = 0;
  std::size_t samples = 0;
  std::vector<unsigned char> out(16384);
  for (;;) {
    std::size_t got = 0;
    const int err = mpg123_read(h, out.data(), out.size(), &got);
    if (err == MPG123_NEW_FORMAT) {
      int enc;
      mpg123_getformat(h, &d.rate, &d.channels, &enc);
    }
    for (std::size_t i = 0; i + 1 < got; i += 2) {
      const double v = static_cast<std::int16_t>(out[i] | out[i + 1] << 8) / 32768.0;
      sum += v * v;
      ++samples;
    }
    if (err != MPG123_OK && err != MPG123_NEW_FORMAT) break;
  }
  mpg123_delete(h);
  if (d.channels > 0) d.frames = samples / static_cast<std::size_t>(d.channels);
  d.rms = samples ? std::sqrt(sum / samples) : 0;
  return d;
}

TEST(Music, EveryTrackButSixIsAnMp3OfItsFullLoopLength) {
  ASSERT_EQ(mpg123_init(), MPG123_OK);
  for (int track = 1; track <= 10; ++track) {
    const std::string file = gamedata::TunePath(track);
    const Bytes mp3 = ReadFile(DataPath(file));
    if (track == 6) {
      EXPECT_TRUE(mp3.empty()) << "there is no track 6";
      continue;
    }
    ASSERT_GT(mp3.size(), 1000u) << file;
    const Decoded d = DecodeMp3(mp3);
    EXPECT_EQ(d.rate, gamedata::kMusicRate) << file;
    const double seconds = static_cast<double>(d.frames) / gamedata::kMusicRate;
    EXPECT_GT(seconds, 15.0) << file;
    EXPECT_LT(seconds, 180.0) << file << " would be streamed";
    // The encoder's delay and padding are undone by the gapless decoder, so the tune
    // comes back sample for sample in length; allow one frame for decoders without it.
    std::size_t expected = 0;
    for (const gamedata::TuneDef& t : gamedata::Tunes())
      if (t.track == track) expected = gamedata::TuneSamples(t);
    EXPECT_NEAR(static_cast<double>(d.frames), static_cast<double>(expected), 1152.0) << file;
    EXPECT_GT(d.rms, 0.05) << file << " is nearly silent";
  }
  mpg123_exit();
}

}  // namespace
}  // namespace gamedata_test
