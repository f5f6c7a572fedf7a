// MIDI files read into timed events, the synthesiser's pitch and note length, and the
// MCI sequencer device rendering through the mixer.
#include <gtest/gtest.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/dmusic/dmusic_performance.h"
#include "host/dsound/dsound_config.h"
#include "host/dsound/mixer.h"
#include "host/mci/mci.h"
#include "host/mci/midi_file.h"
#include "host/mci/builtin_synth.h"
#include "mci_fixture.h"
#include "tests/support/midi_builder.h"

namespace {

using orvik_test::MidiFile;
using orvik_test::MidiTrack;
using audio_test::Frequency;
using audio_test::MciTest;

TEST(MidiFileTest, TempoChangesTimeEveryTrackAndRunningStatusIsRead) {
    // Track 0 holds the tempo map: 0.5 s a quarter, then 0.25 s from tick 96.
    const MidiTrack tempo = MidiTrack().Tempo(0, 500000).Tempo(96, 250000).End(0);
    const MidiTrack notes = MidiTrack().Event(48, {0x91, 60, 90}).Event(96, {64, 80}).Event(96, {0x81, 60, 0}).End(0);
    host::MidiSequence seq;
    ASSERT_TRUE(host::ParseMidiFile(MidiFile(1, 96, {tempo, notes}), &seq));
    ASSERT_EQ(seq.events.size(), 3u);
    EXPECT_DOUBLE_EQ(seq.events[0].seconds, 0.25);
    EXPECT_EQ(seq.events[1].status, 0x91) << "running status";
    EXPECT_EQ(seq.events[1].data1, 64);
    EXPECT_DOUBLE_EQ(seq.events[1].seconds, 0.5 + 0.125);
    EXPECT_DOUBLE_EQ(seq.events[2].seconds, 0.5 + 0.375);
    EXPECT_DOUBLE_EQ(seq.lengthSeconds, 0.875);
}

TEST(MidiFileTest, SmpteDivisionCountsFramesOfTheSecond) {
    // 25 frames a second of 40 ticks: 1000 ticks a second, whatever the tempo says.
    const uint16_t division = uint16_t((uint8_t(-25) << 8) | 40);
    host::MidiSequence seq;
    ASSERT_TRUE(host::ParseMidiFile(
        MidiFile(0, division, {MidiTrack().Tempo(0, 100000).Event(1500, {0x90, 60, 1}).End(500)}), &seq));
    ASSERT_EQ(seq.events.size(), 1u);
    EXPECT_DOUBLE_EQ(seq.events[0].seconds, 1.5);
    EXPECT_DOUBLE_EQ(seq.lengthSeconds, 2.0);
}

TEST(MidiFileTest, DamagedFilesAreRefusedWithAnEmptySequence) {
    const std::vector<uint8_t> good = orvik_test::OneNoteFile(60, 96);
    host::MidiSequence seq;
    ASSERT_TRUE(host::ParseMidiFile(good, &seq));
    for (size_t cut : {size_t(0), size_t(4), size_t(13), size_t(21), good.size() - 2}) {
        EXPECT_FALSE(host::ParseMidiFile(std::span(good).first(cut), &seq)) << "cut at " << cut;
        EXPECT_TRUE(seq.events.empty());
    }
    const std::vector<std::vector<uint8_t>> bad = {
        MidiFile(2, 96, {MidiTrack().End(0)}),                                    // format 2
        MidiFile(0, 0, {MidiTrack().End(0)}),                                     // no ticks per quarter
        MidiFile(0, 96, {MidiTrack().End(0), MidiTrack().End(0)}),                // format 0 with two tracks
        MidiFile(0, 96, {MidiTrack().Event(0, {60, 100}).End(0)}),                // running status with none
        MidiFile(0, 96, {MidiTrack().Event(0, {0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F})}),  // 5-byte length
        MidiFile(0, 96, {MidiTrack().Event(0, {0xFF, 0x01, 0x40, 'x'})}),         // text past the track
        MidiFile(0, 96, {MidiTrack().Event(0, {0xF8}).End(0)}),                   // real-time byte
    };
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(host::ParseMidiFile(bad[i], &seq)) << "case " << i;
    std::vector<uint8_t> longTrack = good;
    longTrack[21] = 0x7F;  // track length far past the file
    EXPECT_FALSE(host::ParseMidiFile(longTrack, &seq));
}

TEST(MidiFileTest, ChunksOtherThanTracksAreSkipped) {
    const MidiTrack tempo = MidiTrack().Tempo(0, 250000).End(0);
    const MidiTrack notes = MidiTrack().Event(96, {0x90, 60, 90}).End(96);
    const std::vector<uint8_t> plain = MidiFile(1, 96, {tempo, notes});
    const size_t header = 14, firstTrack = header + 8 + tempo.Bytes().size();
    std::vector<uint8_t> extra = plain;
    const std::vector<uint8_t> info = {'X', 'F', 'I', 'H', 0, 0, 0, 3, 1, 2, 3};
    extra.insert(extra.begin() + long(firstTrack), info.begin(), info.end());
    extra.insert(extra.begin() + long(header), info.begin(), info.end());
    host::MidiSequence expected, seq;
    ASSERT_TRUE(host::ParseMidiFile(plain, &expected));
    ASSERT_TRUE(host::ParseMidiFile(extra, &seq));
    ASSERT_EQ(seq.events.size(), 1u);
    EXPECT_DOUBLE_EQ(seq.events[0].seconds, expected.events[0].seconds);
    EXPECT_DOUBLE_EQ(seq.lengthSeconds, expected.lengthSeconds);
    extra.resize(header + 10);  // a chunk claiming more than the file holds
    EXPECT_FALSE(host::ParseMidiFile(extra, &seq));
}

TEST(MidiSynthTest, NotesSoundAtTheirPitchOnBothSidesAndDieAwayAfterRelease) {
    for (auto [key, program, hz] : {std::tuple{69, 0, 440.0}, std::tuple{57, 80, 220.0}, std::tuple{81, 0, 880.0}}) {
        host::BuiltinMidiSynth synth;
        synth.Message(0xC0, uint8_t(program), 0);
        synth.Message(0x90, uint8_t(key), 127);
        std::vector<int32_t> acc(2 * 44100, 0);
        synth.Render(acc.data(), 22050, 44100);
        synth.Message(0x80, uint8_t(key), 0);
        synth.Render(acc.data() + 44100, 22050, 44100);
        EXPECT_NEAR(Frequency(acc, 4410, 22050, 44100), hz, hz * 0.005) << "key " << key;
        EXPECT_EQ(acc[2 * 11025], acc[2 * 11025 + 1]) << "centre pan";
        int32_t peak = 0;
        for (size_t i = 2 * 11025; i < 2 * 22050; ++i) peak = std::max(peak, std::abs(acc[i]));
        EXPECT_GT(peak, 1500);
        EXPECT_LT(peak, 32767);
        // Release of 80 ms: sounding shortly after the note off, silent from then on.
        EXPECT_NE(*std::max_element(acc.begin() + 2 * 22050, acc.begin() + 2 * (22050 + 1000)), 0);
        EXPECT_TRUE(std::all_of(acc.begin() + 2 * (22050 + 3600), acc.end(), [](int32_t v) { return v == 0; }));
        EXPECT_FALSE(synth.Sounding());
    }
}

TEST(MidiSynthTest, PanAndVolumeControllersShapeTheLevel) {
    host::BuiltinMidiSynth synth;
    synth.Message(0xB0, 10, 0);  // hard left
    synth.Message(0xB0, 7, 50);
    synth.Message(0x90, 69, 127);
    std::vector<int32_t> acc(2 * 4410, 0);
    synth.Render(acc.data(), 4410, 44100);
    int32_t left = 0, right = 0;
    for (size_t i = 0; i < acc.size(); i += 2) {
        left = std::max(left, std::abs(acc[i]));
        right = std::max(right, std::abs(acc[i + 1]));
    }
    EXPECT_EQ(right, 0);
    EXPECT_NEAR(left, 6000.0 * 50 / 127, 60);
}

TEST_F(MciTest, SequencerPlaysTheNoteForItsLengthAndStops) {
    host::SetSoundFontSearchPaths({});  // the built-in synthesiser's exact silence after a release
    Write(orvik_test::OneNoteFile(69, 96));  // half a second of A
    host::MCIDEVICEID id = 0;
    ASSERT_EQ(Open(&id), 0u);
    EXPECT_EQ(Status(id, host::MCI_STATUS_LENGTH), 500u);
    EXPECT_EQ(Status(id, host::MCI_STATUS_MODE), host::MCI_MODE_STOP);
    EXPECT_EQ(Mix(4410), std::vector<int16_t>(8820, 0)) << "silent until played";
    host::MCI_PLAY_PARMS play;
    ASSERT_EQ(host::mciSendCommandA(id, host::MCI_PLAY, host::MCI_FROM, &play), 0u);
    EXPECT_EQ(Status(id, host::MCI_STATUS_MODE), host::MCI_MODE_PLAY);
    const std::vector<int16_t> note = Mix(22050);
    EXPECT_EQ(Status(id, host::MCI_STATUS_POSITION), 500u);
    EXPECT_EQ(Status(id, host::MCI_STATUS_MODE), host::MCI_MODE_STOP) << "ended with the sequence";
    std::vector<int32_t> wide(note.begin(), note.end());
    EXPECT_NEAR(Frequency(wide, 2205, 22050, 44100), 440, 2.2);
    const std::vector<int16_t> after = Mix(8820);
    EXPECT_TRUE(std::all_of(after.begin() + 2 * 4000, after.end(), [](int16_t v) { return v == 0; }));

    play.dwFrom = 250;
    ASSERT_EQ(host::mciSendCommandA(id, host::MCI_PLAY, host::MCI_FROM, &play), 0u);
    EXPECT_EQ(Status(id, host::MCI_STATUS_POSITION), 250u);
    Mix(4410);
    ASSERT_EQ(host::mciSendCommandA(id, host::MCI_STOP, 0, nullptr), 0u);
    EXPECT_EQ(Status(id, host::MCI_STATUS_POSITION), 350u);
    play.dwFrom = 501;
    EXPECT_EQ(host::mciSendCommandA(id, host::MCI_PLAY, host::MCI_FROM, &play), host::MCIERR_OUTOFRANGE);
    ASSERT_EQ(host::mciSendCommandA(id, host::MCI_CLOSE, 0, nullptr), 0u);
    EXPECT_FALSE(host::IsMidiSequencerOpen());
    EXPECT_EQ(host::mciSendCommandA(id, host::MCI_PLAY, 0, nullptr), host::MCIERR_INVALID_DEVICE_ID);
}

// Each open once made a synthesiser of its own, loading the sound font again and leaving
// FluidSynth's leftovers behind; the performance made its own too.
TEST_F(MciTest, PlaysOneAfterAnotherShareOneSynthesiserWithThePerformance) {
    const std::vector<uint8_t> file = orvik_test::OneNoteFile(69, 24);
    Write(file);
    const uint32_t made = host::MidiSynthsMade();
    for (int play = 0; play < 3; ++play) {
        host::MCIDEVICEID id = 0;
        ASSERT_EQ(Open(&id), 0u);
        host::MCI_PLAY_PARMS from;
        ASSERT_EQ(host::mciSendCommandA(id, host::MCI_PLAY, host::MCI_FROM, &from), 0u);
        Mix(11025);
        ASSERT_EQ(host::mciSendCommandA(id, host::MCI_CLOSE, 0, nullptr), 0u);
    }
    void* object = nullptr;
    ASSERT_EQ(host::CreateDirectMusicPerformanceCom(host::IID_IDirectMusicPerformance8, &object), host::S_OK);
    auto* performance = static_cast<host::IDirectMusicPerformance8*>(object);
    host::IDirectMusicSegment8* segment = nullptr;
    ASSERT_EQ(host::CreateSegmentFromMidi(file, &segment), host::S_OK);
    EXPECT_EQ(performance->InitAudio(nullptr, nullptr, nullptr, 1, 64, 0, nullptr), host::S_OK);
    EXPECT_EQ(performance->PlaySegmentEx(segment, 0, 0, nullptr), host::S_OK);
    Mix(11025);
    performance->CloseDown();
    performance->Release();
    segment->Release();
    EXPECT_EQ(host::MidiSynthsMade() - made, 1u);
}

TEST_F(MciTest, OpenRefusesOtherDevicesMissingOrDamagedFilesAndASecondSequence) {
    host::MCIDEVICEID id = 0;
    EXPECT_EQ(Open(&id), host::MCIERR_FILE_NOT_FOUND);
    Write({'M', 'T', 'h', 'd', 0, 0});
    EXPECT_EQ(Open(&id), host::MCIERR_INVALID_FILE);
    Write(orvik_test::OneNoteFile(60, 10));
    EXPECT_EQ(Open(&id, "waveaudio"), host::MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(host::mciSendCommandA(0, host::MCI_OPEN, 0, nullptr), host::MCIERR_MISSING_PARAMETER);
    ASSERT_EQ(Open(&id), 0u);
    host::MCIDEVICEID second = 0;
    EXPECT_EQ(Open(&second), host::MCIERR_SEQ_PORT_INUSE);
    EXPECT_EQ(host::mciSendCommandA(id, 0x0999, 0, nullptr), host::MCIERR_UNRECOGNIZED_COMMAND);
    EXPECT_EQ(host::mciSendCommandA(id, host::MCI_STATUS, host::MCI_STATUS_ITEM, nullptr), host::MCIERR_MISSING_PARAMETER);
}

}  // namespace

// A program may end with a sequence still open. As it exits, the sequencer's devices are
// destroyed while an output may still pull from the mixer, so a device must be out of the
// mixer before it goes.
TEST(MciExitTest, ASequenceLeftPlayingIsOutOfTheMixerBeforeItIsDestroyed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
#if defined(__SANITIZE_ADDRESS__)
            __lsan_disable();
#endif
            host::ResetDirectSoundHost();  // the mixer before the music, as a program's sound starts
            // Registered before the devices' table is made, so at exit this pull comes after it is gone.
            std::atexit([] {
                std::vector<int16_t> out(512);
                host::MixAudio(out);
            });
            const std::string path = ::testing::TempDir() + "/mci_exit_" + std::to_string(::getpid()) + ".mid";
            const std::vector<uint8_t> file = orvik_test::OneNoteFile(69, 960);
            FILE* f = std::fopen(path.c_str(), "wb");
            std::fwrite(file.data(), 1, file.size(), f);
            std::fclose(f);
            host::MCI_OPEN_PARMSA open;
            open.lpstrDeviceType = "sequencer";
            open.lpstrElementName = path.c_str();
            if (host::mciSendCommandA(0, host::MCI_OPEN, host::MCI_OPEN_TYPE | host::MCI_OPEN_ELEMENT, &open) != 0)
                std::exit(3);
            std::remove(path.c_str());
            host::MCI_PLAY_PARMS play;
            std::exit(host::mciSendCommandA(open.wDeviceID, host::MCI_PLAY, host::MCI_FROM, &play) == 0 ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");
}
