// MIDI through the General MIDI synthesiser over FluidSynth: pitch, instruments, drums,
// note timing against the ticks, tempo changes, looping and stopping, the sound carried
// on unbroken through a new mixer rate, and the built-in synthesiser when no sound font
// loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>

#include "host/mci/fluid_synth.h"
#include "host/mci/midi_synth.h"
#include "mci_fixture.h"
#include "tests/support/midi_builder.h"

namespace {

using audio_test::MciTest;
using orvik_test::MidiFile;
using orvik_test::MidiTrack;

constexpr uint32_t kRate = 44100;

// The first sound font of the usual search that exists (the test machine installs one).
std::string InstalledSoundFont() {
    for (const std::string& path : host::SoundFontSearchPaths())
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
            return path;
        }
    return {};
}

// The left channel of `frames` frames of one synth, after `messages` sent at the start.
std::vector<double> Render(host::MidiSynth& synth, std::initializer_list<std::array<uint8_t, 3>> messages,
                           uint32_t frames, uint32_t rate = kRate) {
    for (const auto& m : messages) synth.Message(m[0], m[1], m[2]);
    std::vector<int32_t> acc(2 * size_t(frames), 0);
    synth.Render(acc.data(), frames, rate);
    std::vector<double> left(frames);
    for (uint32_t i = 0; i < frames; ++i) left[i] = acc[2 * i];
    return left;
}

// Amplitude of the component at `hz` over s[from, from + n) (Goertzel, Hann window).
double Magnitude(const std::vector<double>& s, size_t from, size_t n, double hz, double rate) {
    const double w = 2 * M_PI * hz / rate, k = 2 * std::cos(w);
    double a = 0, b = 0;
    for (size_t i = 0; i < n; ++i) {
        const double x = s[from + i] * (0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(n)));
        const double c = x + k * a - b;
        b = a;
        a = c;
    }
    return std::sqrt(a * a + b * b - k * a * b) / double(n);
}

// The strongest component between 50 Hz and 2 kHz, to a tenth of a hertz.
double Strongest(const std::vector<double>& s, size_t from, size_t n, double rate) {
    double best = 0, at = 0;
    for (double hz = 50; hz <= 2000; hz += 1)
        if (double m = Magnitude(s, from, n, hz, rate); m > best) best = m, at = hz;
    for (double hz = at - 1; hz <= at + 1; hz += 0.1)
        if (double m = Magnitude(s, from, n, hz, rate); m > best) best = m, at = hz;
    return at;
}

// How far apart two sounds of the same pitch are in timbre: the mean difference, in
// decibels, of their second to sixth harmonics measured against their fundamentals.
double TimbreDistance(const std::vector<double>& a, const std::vector<double>& b, size_t from, size_t n, double hz,
                      double rate) {
    auto level = [&](const std::vector<double>& s, int k) {
        const double ratio = Magnitude(s, from, n, hz * k, rate) / Magnitude(s, from, n, hz, rate);
        return std::max(-80.0, 20 * std::log10(ratio + 1e-12));
    };
    double sum = 0;
    for (int k = 2; k <= 6; ++k) sum += std::abs(level(a, k) - level(b, k));
    return sum / 5;
}

double Rms(const std::vector<double>& s, size_t from, size_t n) {
    double sum = 0;
    for (size_t i = from; i < from + n; ++i) sum += s[i] * s[i];
    return std::sqrt(sum / double(n));
}

class GmSynthTest : public ::testing::Test {
protected:
    void SetUp() override {
        font_ = InstalledSoundFont();
        ASSERT_FALSE(font_.empty()) << "no General MIDI sound font installed";
    }
    std::unique_ptr<host::MidiSynth> Make(uint32_t rate = kRate) {
        auto synth = host::MakeFluidMidiSynth(font_, rate);
        EXPECT_NE(synth, nullptr);
        return synth;
    }
    std::string font_;
};

TEST_F(GmSynthTest, APianoASoundsAt440AndAViolinSoundsOtherwise) {
    auto piano = Make(), again = Make(), violin = Make();
    const auto p = Render(*piano, {{0xC0, 0, 0}, {0x90, 69, 110}}, kRate / 2);
    const auto p2 = Render(*again, {{0xC0, 0, 0}, {0x90, 69, 110}}, kRate / 2);
    const auto v = Render(*violin, {{0xC0, 40, 0}, {0x90, 69, 110}}, kRate / 2);
    const size_t from = 2205, n = 16384;
    EXPECT_NEAR(Strongest(p, from, n, kRate), 440, 1.5);
    EXPECT_NEAR(Strongest(v, from, n, kRate), 440, 1.5);
    EXPECT_LT(TimbreDistance(p, p2, from, n, 440, kRate), 1) << "the same program sounds the same";
    EXPECT_GT(TimbreDistance(p, v, from, n, 440, kRate), 8) << "programs 0 and 40 must differ";
}

TEST_F(GmSynthTest, BendRaisesThePitchAndAllNotesOffEndsTheNotes) {
    auto synth = Make();
    // Full bend up is two semitones: A4 becomes B4.
    const auto bent = Render(*synth, {{0xC0, 40, 0}, {0xE0, 0x7F, 0x7F}, {0x90, 69, 110}}, kRate / 2);
    EXPECT_NEAR(Strongest(bent, 2205, 16384, kRate), 440 * std::pow(2.0, 2 / 12.0), 2);
    const auto held = Render(*synth, {}, kRate);
    EXPECT_GT(Rms(held, kRate - kRate / 10, kRate / 10), 100) << "a held violin sounds on";
    const auto ended = Render(*synth, {{0xB0, 123, 0}}, 2 * kRate);
    EXPECT_LT(Rms(ended, kRate, kRate / 10), 1) << "silent a second after all notes off";
    EXPECT_FALSE(synth->Sounding());
}

// Busy music holds a hundred voices at once on its melodic channels; with 64 the newest
// notes took the places of notes still held.
TEST_F(GmSynthTest, AHundredHeldVoicesAllSound) {
    auto synth = Make();
    Render(*synth, {{0x90, 60, 100}}, 64);
    const uint32_t each = synth->SoundingVoices(), notes = 100 / each;
    ASSERT_GT(each, 0u);
    synth->Reset();
    for (uint32_t n = 0; n < notes; ++n) {
        const uint32_t channel = n % 15 < 9 ? n % 15 : n % 15 + 1;  // not the drums
        synth->Message(uint8_t(0x90 | channel), uint8_t(40 + n / 15), 100);
    }
    Render(*synth, {}, 64);
    EXPECT_EQ(synth->SoundingVoices(), notes * each);
}

TEST_F(GmSynthTest, ADrumOnChannelTenDiesAwayWithinASecondWhileHeld) {
    auto synth = Make();
    const auto s = Render(*synth, {{0x99, 38, 120}}, kRate * 3 / 2);  // snare, never released
    const double attack = Rms(s, 0, kRate / 20), later = Rms(s, kRate, kRate / 20);
    EXPECT_GT(attack, 500);
    EXPECT_LT(later, attack / 100) << "40 dB down after a second";
    EXPECT_FALSE(synth->Sounding());
}

// The sound font file is gone before the rate changes, so the music can go on only from
// the font already loaded: the held note sounds on at once, at its pitch at the new rate,
// a note let go before the change is not struck again, and new notes play.
TEST_F(GmSynthTest, ARateChangeKeepsTheHeldNotesAndTheLoadedSoundFont) {
    const std::string copy = ::testing::TempDir() + "/gm_copy_" + std::to_string(::getpid()) + ".sf2";
    std::filesystem::copy_file(font_, copy, std::filesystem::copy_options::overwrite_existing);
    auto synth = host::MakeFluidMidiSynth(copy, kRate);
    std::remove(copy.c_str());
    ASSERT_NE(synth, nullptr);
    const auto before = Render(*synth, {{0xC0, 40, 0}, {0x90, 69, 110}, {0x90, 76, 110}, {0x80, 76, 0}}, kRate / 4);
    const double held = Rms(before, kRate / 8, kRate / 8);
    ASSERT_GT(held, 100);
    ::testing::internal::CaptureStderr();
    const auto after = Render(*synth, {}, 22050, 22050);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    // The held note goes on through the change: heard at once, at its level.
    EXPECT_GT(Rms(after, 0, 220), held / 50) << "sounding within 10 ms of the change";
    EXPECT_GT(Rms(after, 660, 220), held / 2) << "near its level within 40 ms";
    EXPECT_GT(Rms(after, 11025, 2205), held / 2) << "and held on";
    EXPECT_NEAR(Strongest(after, 2205, 8192, 22050), 440, 2);
    EXPECT_LT(Magnitude(after, 2205, 8192, 659.26, 22050), Magnitude(after, 2205, 8192, 440, 22050) / 20)
        << "the note let go before the change is not struck again";
    // Against a violin struck as long before the change in another synth.
    auto other = Make();
    Render(*other, {{0xC0, 40, 0}, {0x90, 69, 110}}, kRate / 4);
    const auto violin = Render(*other, {}, 22050, 22050);
    EXPECT_LT(TimbreDistance(after, violin, 2205, 8192, 440, 22050), 1) << "still the violin";
    const auto struck = Render(*synth, {{0x80, 69, 0}, {0x90, 72, 110}}, 22050, 22050);
    EXPECT_NEAR(Strongest(struck, 2205, 8192, 22050), 523.25, 2);
    synth->Reset();
    Render(*synth, {}, 22050, 44100);
    EXPECT_FALSE(synth->Sounding()) << "a reset lets nothing come back at the next change";
}

// The largest step between neighbouring samples of s[from, to).
double LargestStep(const std::vector<double>& s, size_t from, size_t to) {
    double largest = 0;
    for (size_t i = from + 1; i < to; ++i) largest = std::max(largest, std::abs(s[i] - s[i - 1]));
    return largest;
}

// A rate change in the middle of a held note: no click (the first sample at the new rate
// follows on from the last at the old one as any two neighbours do), no new attack (the
// level right after is the level right before), and the pitch stays.
TEST_F(GmSynthTest, ARateChangeCarriesAHeldNoteOnWithoutAClickOrANewAttack) {
    for (const uint32_t rate : {48000u, 22050u, 44100u * 3}) {
        auto synth = Make();
        const auto before = Render(*synth, {{0xC0, 40, 0}, {0x90, 69, 110}}, kRate / 2);
        const auto after = Render(*synth, {}, rate / 2, rate);
        const size_t tenth = rate / 100;
        EXPECT_GT(Rms(after, 0, tenth), 0.8 * Rms(before, before.size() - kRate / 100, kRate / 100)) << rate;
        const double step = LargestStep(before, kRate / 4, before.size()) * std::max(1.0, double(kRate) / rate);
        EXPECT_LE(std::abs(after[0] - before.back()), step) << rate;
        EXPECT_LE(LargestStep(after, 0, tenth), step) << rate;
        EXPECT_NEAR(Strongest(after, tenth, 8192, rate), 440, 2) << rate;
    }
}

// FluidSynth renders between 8 and 96 kHz: a mixer beyond that still hears the note in tune.
TEST_F(GmSynthTest, ASynthForAMixerRateFluidSynthCannotRenderStillPlaysInTune) {
    for (const uint32_t rate : {192000u, 4000u}) {
        auto synth = Make(rate);
        const auto s = Render(*synth, {{0xC0, 40, 0}, {0x90, 69, 110}}, rate * 7 / 20, rate);
        EXPECT_GT(Rms(s, rate / 10, rate / 4), 100) << rate;
        EXPECT_NEAR(Strongest(s, rate / 10, rate / 4, rate), 440, 2) << rate;
    }
}

// A note let go just before the change dies away through it, where it used to end there.
TEST_F(GmSynthTest, ANoteLetGoBeforeARateChangeDiesAwayThroughIt) {
    auto synth = Make();
    Render(*synth, {{0xC0, 40, 0}, {0x90, 69, 110}}, kRate / 2);
    const auto before = Render(*synth, {{0x80, 69, 0}}, kRate / 50);
    const auto after = Render(*synth, {}, 48000 / 2, 48000);
    const double dying = Rms(before, before.size() - kRate / 200, kRate / 200);
    ASSERT_GT(dying, 100) << "still sounding at the change";
    EXPECT_GT(Rms(after, 0, 240), 0.5 * dying) << "5 ms on";
    EXPECT_LT(Rms(after, 0, 240), 1.2 * dying) << "and not struck again";
    EXPECT_LT(Rms(after, 48000 / 2 - 480, 480), dying / 10) << "gone within half a second";
}

// A key let go while the sustain pedal is down sounds on through a rate change, and ends
// when the pedal comes up.
TEST_F(GmSynthTest, ARateChangeKeepsTheNotesTheSustainPedalHolds) {
    auto synth = Make();
    const auto before = Render(*synth, {{0xC0, 40, 0}, {0xB0, 64, 127}, {0x90, 69, 110}, {0x80, 69, 0}}, kRate / 4);
    const double held = Rms(before, kRate / 8, kRate / 8);
    ASSERT_GT(held, 100);
    const auto after = Render(*synth, {}, 22050, 22050);
    EXPECT_GT(Rms(after, 11025, 2205), held / 2) << "the pedal holds it on after the change";
    EXPECT_NEAR(Strongest(after, 2205, 8192, 22050), 440, 2);
    const auto lifted = Render(*synth, {{0xB0, 64, 0}}, 22050, 22050);
    EXPECT_LT(Rms(lifted, 20000, 2000), 1) << "the pedal up lets it go";
    const auto later = Render(*synth, {}, 44100, 44100);
    EXPECT_LT(Rms(later, 40000, 4000), 1) << "and the next change does not bring it back";
}

// A note of `key` at `tick` after a tempo map of 0.5 s a quarter, 0.3 s from tick 96 and
// 0.8 s from tick 160, at 96 ticks a quarter; the file ends `tail` ticks after the note.
std::vector<uint8_t> TempoFile(uint32_t tick, uint8_t status, uint8_t key, uint32_t hold, uint32_t tail = 0) {
    const MidiTrack tempo = MidiTrack().Tempo(0, 500000).Tempo(96, 300000).Tempo(64, 800000).End(0);
    const MidiTrack notes = MidiTrack()
                                .Event(0, {0xC0, 0})
                                .Event(tick, {status, key, 127})
                                .Event(hold, {uint8_t(status - 0x10), key, 0})
                                .End(tail);
    return MidiFile(1, 96, {tempo, notes});
}

// Seconds of tick t under that tempo map.
double TempoSeconds(uint32_t t) {
    if (t <= 96) return t * 0.5 / 96;
    if (t <= 160) return 0.5 + (t - 96) * 0.3 / 96;
    return 0.5 + 0.2 + (t - 160) * 0.8 / 96;
}

class GmSequencerTest : public MciTest {
protected:
    void Play(uint32_t from = 0) {
        host::MCI_PLAY_PARMS play;
        play.dwFrom = from;
        ASSERT_EQ(host::mciSendCommandA(id_, host::MCI_PLAY, host::MCI_FROM, &play), 0u);
    }
    void OpenFile(const std::vector<uint8_t>& bytes) {
        Write(bytes);
        ASSERT_EQ(Open(&id_), 0u);
    }
    // Mixes in blocks of an odd size, as an audio device might ask, and returns the left channel.
    static std::vector<double> MixLeft(size_t frames, size_t block = 300) {
        std::vector<double> left;
        while (left.size() < frames) {
            const std::vector<int16_t> out = Mix(std::min(block, frames - left.size()));
            for (size_t i = 0; i < out.size(); i += 2) left.push_back(out[i]);
        }
        return left;
    }
    host::MCIDEVICEID id_ = 0;
};

// The first frame at which a sound is heard, or -1.
long FirstSound(const std::vector<double>& s) {
    const auto at = std::find_if(s.begin(), s.end(), [](double v) { return v != 0; });
    return at == s.end() ? -1 : long(at - s.begin());
}

TEST_F(GmSequencerTest, NotesStartWithinAMillisecondOfTheirTicks) {
    // Before, inside and after the fast stretch of the tempo map; pianos and a drum. A
    // sample may begin quietly, so each note is timed against itself struck at frame 0.
    for (auto [tick, status, key] : {std::tuple{5u, 0x90, 57}, std::tuple{37u, 0x90, 69}, std::tuple{131u, 0x99, 38},
                                     std::tuple{203u, 0x90, 57}}) {
        auto alone = host::MakeFluidMidiSynth(InstalledSoundFont(), kRate);
        ASSERT_NE(alone, nullptr);
        const long own = FirstSound(Render(*alone, {{uint8_t(status), uint8_t(key), 127}}, kRate / 10));
        ASSERT_GE(own, 0);
        host::ResetMci();
        OpenFile(TempoFile(tick, uint8_t(status), uint8_t(key), 48));
        Play();
        const double expected = TempoSeconds(tick);
        const long heard = FirstSound(MixLeft(size_t((expected + 0.05) * kRate), 300 + tick));
        ASSERT_GE(heard, 0) << "tick " << tick;
        EXPECT_NEAR(double(heard - own) / kRate, expected, 0.001) << "tick " << tick;
    }
}

TEST_F(GmSequencerTest, AFileWithTempoChangesLastsItsComputedLength) {
    OpenFile(TempoFile(100, 0x90, 60, 100, 20));  // ends at tick 220
    const double length = TempoSeconds(220);
    EXPECT_EQ(Status(id_, host::MCI_STATUS_LENGTH), uint32_t(std::lround(length * 1000)));
    Play();
    size_t frames = 0;
    while (Status(id_, host::MCI_STATUS_MODE) == host::MCI_MODE_PLAY && frames < 4 * kRate) {
        Mix(441);
        frames += 441;
    }
    EXPECT_GE(double(frames) / kRate, length);
    EXPECT_LT(double(frames) / kRate, length + 0.01) << "stopped within the block holding its end";
}

TEST_F(GmSequencerTest, StopLetsTheNotesDieAwayAndPlayGoesOnFromThere) {
    OpenFile(TempoFile(0, 0x90, 69, 480));  // a long piano A
    Play();
    EXPECT_GT(Rms(MixLeft(kRate / 4), 0, kRate / 4), 100);
    ASSERT_EQ(host::mciSendCommandA(id_, host::MCI_STOP, 0, nullptr), 0u);
    EXPECT_EQ(Status(id_, host::MCI_STATUS_MODE), host::MCI_MODE_STOP);
    EXPECT_EQ(Status(id_, host::MCI_STATUS_POSITION), 250u);
    const std::vector<double> after = MixLeft(2 * kRate);
    EXPECT_LT(Rms(after, kRate, kRate / 10), 1) << "silent a second after the stop";
    EXPECT_EQ(Status(id_, host::MCI_STATUS_POSITION), 250u);
    // Playing from the stop point plays the rest: nothing is sounding, as notes before
    // the position are not struck again; from the start the note comes back.
    Play(250);
    EXPECT_LT(Rms(MixLeft(kRate / 10), 0, kRate / 10), 1);
    Play(0);
    EXPECT_GT(Rms(MixLeft(kRate / 4), 0, kRate / 4), 100);
}

TEST_F(GmSequencerTest, ANewMixerRateKeepsTheSynthsPrograms) {
    // A violin from the start; a second note at 0.75 s, after the rate has changed.
    const MidiTrack notes = MidiTrack()
                                .Event(0, {0xC0, 40})
                                .Event(0, {0x90, 69, 110})
                                .Event(48, {0x80, 69, 0})
                                .Event(96, {0x90, 69, 110})
                                .Event(192, {0x80, 69, 0})
                                .End(0);
    OpenFile(MidiFile(0, 96, {notes}));
    Play();
    MixLeft(kRate / 2);
    host::SetMixerOutputRate(22050);
    const std::vector<double> second = MixLeft(22050);
    const size_t from = 2205, n = 8192;
    EXPECT_NEAR(Strongest(second, from, n, 22050), 440, 2) << "pitched for the new rate";
    auto violin = host::MakeFluidMidiSynth(InstalledSoundFont(), 22050);
    auto piano = host::MakeFluidMidiSynth(InstalledSoundFont(), 22050);
    ASSERT_TRUE(violin && piano);
    const auto v = Render(*violin, {{0xC0, 40, 0}, {0x90, 69, 110}}, 22050, 22050);
    const auto p = Render(*piano, {{0xC0, 0, 0}, {0x90, 69, 110}}, 22050, 22050);
    const double toViolin = TimbreDistance(second, v, from, n, 440, 22050);
    EXPECT_LT(toViolin, TimbreDistance(second, p, from, n, 440, 22050) / 2) << "still the violin";
}

TEST_F(GmSequencerTest, ANoteHeldAcrossARateChangeSoundsOnWithoutAGap) {
    OpenFile(TempoFile(0, 0x90, 69, 480));  // a long piano A
    Play();
    const std::vector<double> before = MixLeft(kRate / 4);
    const uint32_t position = Status(id_, host::MCI_STATUS_POSITION);
    host::SetMixerOutputRate(22050);
    const std::vector<double> after = MixLeft(2205);
    EXPECT_GT(Rms(after, 0, 220), Rms(before, kRate / 8, kRate / 8) / 4) << "sounding within 10 ms of the change";
    EXPECT_EQ(Status(id_, host::MCI_STATUS_POSITION), position + 100) << "the sequence goes on from where it was";
}

TEST_F(MciTest, WithoutASoundFontTheBuiltInSynthesiserPlaysAndSaysSo) {
    const std::string junk = path_ + ".sf2";
    {
        FILE* f = std::fopen(junk.c_str(), "wb");
        std::fputs("RIFF not a sound font", f);
        std::fclose(f);
    }
    host::SetSoundFontSearchPaths({"/nonexistent/none.sf2", junk});
    Write(orvik_test::OneNoteFile(69, 96));
    host::MCIDEVICEID id = 0;
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(Open(&id), 0u);
    const std::string said = ::testing::internal::GetCapturedStderr();
    std::remove(junk.c_str());
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("built-in synthesiser"), std::string::npos) << said;
    host::MCI_PLAY_PARMS play;
    ASSERT_EQ(host::mciSendCommandA(id, host::MCI_PLAY, host::MCI_FROM, &play), 0u);
    const std::vector<int16_t> note = Mix(22050);
    EXPECT_NEAR(audio_test::Frequency(note, 2205, 22050, kRate), 440, 2.2);
    // The built-in release ends in exact silence, which no sound font's reverb would.
    const std::vector<int16_t> after = Mix(8820);
    EXPECT_TRUE(std::all_of(after.begin() + 2 * 4000, after.end(), [](int16_t v) { return v == 0; }));
}

}  // namespace
