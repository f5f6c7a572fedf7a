// The DirectMusic performance playing several segments: secondary segments on top of the
// primary, primaries replacing and queued after one another, plays and stops that wait
// for a time or a boundary of the tempo map, and the segment states that follow each
// play, all heard through the host mixer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/debug_output.h"
#include "host/dmusic/dmusic_config.h"
#include "host/dmusic/dmusic_loader.h"
#include "host/dmusic/dmusic_performance.h"
#include "host/dmusic/music_timing.h"
#include "host/dsound/dsound_config.h"
#include "host/dsound/mixer.h"
#include "tests/support/midi_builder.h"

namespace {

using orvik_test::MidiFile;
using orvik_test::MidiTrack;

constexpr uint32_t kSegRate = 44100;
constexpr uint32_t kSegChunk = 512;  // frames an output pulls at a time

// A note held from 0 to `ticks` at 96 ticks a quarter, after a first quarter at 120 beats
// a minute and then, when `slowAfterFirstBeat`, 60.
std::vector<uint8_t> HeldNoteFile(uint8_t key, uint32_t ticks, bool slowAfterFirstBeat, uint8_t program = 0) {
    MidiTrack track;
    track.Tempo(0, 500000);
    if (slowAfterFirstBeat) track.Tempo(96, 1000000);
    MidiTrack notes;
    notes.Event(0, {0xC0, program}).Event(0, {0x90, key, 100}).Event(ticks, {0x80, key, 0}).End(0);
    return MidiFile(1, 96, {track.End(0), notes});
}

std::vector<int16_t> MixFrames(size_t frames) {
    std::vector<int16_t> out(frames * 2);
    for (size_t at = 0; at < frames; at += kSegChunk) {
        const size_t n = std::min<size_t>(kSegChunk, frames - at);
        host::MixAudio(std::span<int16_t>(out.data() + 2 * at, 2 * n));
    }
    return out;
}

double RmsOf(const std::vector<int16_t>& s, size_t fromFrame, size_t toFrame) {
    double sum = 0;
    for (size_t i = 2 * fromFrame; i < 2 * toFrame && i < s.size(); ++i) sum += double(s[i]) * s[i];
    return toFrame > fromFrame ? std::sqrt(sum / double(2 * (toFrame - fromFrame))) : 0;
}

// The first frame at which two renders part, or -1 when they never do. A synthesiser
// taken again for a play renders a step or two from a new one (its filters keep a trace
// of earlier notes), which is not parting.
long FirstDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (std::abs(a[i] - b[i]) > 2) return long(i / 2);
    return -1;
}

void KeepDebugLine(const char* text, void* context) { *static_cast<std::string*>(context) += text; }

class DirectMusicSegmentsTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetDirectSoundHost();
        host::ResetDirectMusicHost();
        host::SetMixerOutputRate(kSegRate);
        void* object = nullptr;
        ASSERT_EQ(host::CreateDirectMusicLoaderCom(host::IID_IDirectMusicLoader8, &object), host::S_OK);
        loader_ = static_cast<host::IDirectMusicLoader8*>(object);
        host::SetDebugOutputSink(&KeepDebugLine, &debug_);
    }
    void TearDown() override {
        host::SetDebugOutputSink(nullptr, nullptr);
        for (host::IDirectMusicSegmentState8* s : states_) s->Release();
        for (host::IDirectMusicPerformance8* p : performances_) {
            p->CloseDown();
            EXPECT_EQ(p->Release(), 0u);
        }
        for (host::IDirectMusicSegment8* s : segments_) s->Release();
        loader_->Release();
    }

    host::IDirectMusicPerformance8* Performance() {
        void* object = nullptr;
        EXPECT_EQ(host::CreateDirectMusicPerformanceCom(host::IID_IDirectMusicPerformance8, &object), host::S_OK);
        auto* p = static_cast<host::IDirectMusicPerformance8*>(object);
        EXPECT_EQ(p->InitAudio(nullptr, nullptr, nullptr, 1, 64, 0, nullptr), host::S_OK);
        performances_.push_back(p);
        return p;
    }
    host::IDirectMusicSegment8* Segment(const std::vector<uint8_t>& image, uint32_t repeats = 0) {
        host::DMUS_OBJECTDESC desc;
        desc.dwValidData = host::DMUS_OBJ_CLASS | host::DMUS_OBJ_MEMORY;
        desc.guidClass = host::CLSID_DirectMusicSegment;
        desc.pbMemData = image.data();
        desc.llMemLength = int64_t(image.size());
        void* object = nullptr;
        EXPECT_EQ(loader_->GetObject(&desc, host::IID_IDirectMusicSegment8, &object), host::S_OK);
        auto* segment = static_cast<host::IDirectMusicSegment8*>(object);
        segment->SetRepeats(repeats);
        segments_.push_back(segment);
        return segment;
    }
    // Plays and keeps the segment state (released by TearDown).
    host::IDirectMusicSegmentState8* Play(host::IDirectMusicPerformance8* p, host::IDirectMusicSegment8* segment,
                                          uint32_t flags = 0, int64_t time = 0) {
        host::IDirectMusicSegmentState8* state = nullptr;
        EXPECT_EQ(p->PlaySegmentEx(segment, flags, time, &state), host::S_OK);
        if (state) states_.push_back(state);
        return state;
    }
    // Plays the segment alone on a performance of its own and mixes `frames`.
    std::vector<int16_t> Alone(host::IDirectMusicSegment8* segment, uint32_t flags, size_t frames) {
        host::IDirectMusicPerformance8* p = Performance();
        Play(p, segment, flags);
        std::vector<int16_t> mix = MixFrames(frames);
        p->CloseDown();
        return mix;
    }

    host::IDirectMusicLoader8* loader_ = nullptr;
    std::vector<host::IDirectMusicPerformance8*> performances_;
    std::vector<host::IDirectMusicSegment8*> segments_;
    std::vector<host::IDirectMusicSegmentState8*> states_;
    std::string debug_;
};

TEST(MusicTimingTest, TempoChangesAndTheTimeSignatureShapeMusicTime) {
    // 3/8, a quarter at 120 and then at 60 beats a minute.
    MidiTrack track;
    track.Event(0, {0xFF, 0x58, 0x04, 3, 3, 24, 8}).Tempo(0, 500000).Tempo(96, 1000000).End(192);
    host::MidiSequence sequence;
    ASSERT_TRUE(host::ParseMidiFile(MidiFile(0, 96, {track}), &sequence));
    EXPECT_EQ(sequence.beatsPerMeasure, 3);
    EXPECT_EQ(sequence.beatNote, 8);
    const host::MusicTiming timing(sequence);
    EXPECT_EQ(timing.Length(), 3 * host::DMUS_PPQ);
    EXPECT_DOUBLE_EQ(timing.LengthSeconds(), 2.5);
    EXPECT_DOUBLE_EQ(timing.SecondsAt(host::DMUS_PPQ / 2), 0.25);
    EXPECT_DOUBLE_EQ(timing.SecondsAt(2 * host::DMUS_PPQ), 1.5) << "the second quarter takes a second";
    EXPECT_DOUBLE_EQ(timing.MusicAt(1.5), 2 * host::DMUS_PPQ);
    EXPECT_DOUBLE_EQ(timing.MusicAt(0.25), host::DMUS_PPQ / 2);
    EXPECT_DOUBLE_EQ(timing.Resolution(host::DMUS_SEGF_BEAT), host::DMUS_PPQ / 2) << "an eighth";
    EXPECT_DOUBLE_EQ(timing.Resolution(host::DMUS_SEGF_MEASURE), 3 * host::DMUS_PPQ / 2);
    EXPECT_DOUBLE_EQ(timing.Resolution(host::DMUS_SEGF_GRID), host::DMUS_PPQ / 8);
    EXPECT_EQ(timing.Resolution(0), 0);

    // A signature of a zero count or of a 128th note is damage: 4/4 stays.
    for (uint8_t beats : {0, 2}) {
        const uint8_t power = beats ? 7 : 2;
        MidiTrack odd;
        odd.Event(0, {0xFF, 0x58, 0x04, beats, power, 24, 8}).End(96);
        ASSERT_TRUE(host::ParseMidiFile(MidiFile(0, 96, {odd}), &sequence));
        EXPECT_EQ(sequence.beatsPerMeasure, 4);
        EXPECT_EQ(sequence.beatNote, 4);
    }
}

TEST_F(DirectMusicSegmentsTest, ASecondarySoundsOnTopOfThePrimaryAndEndsOnItsOwn) {
    host::IDirectMusicSegment8* low = Segment(HeldNoteFile(57, 384, false));   // two seconds
    host::IDirectMusicSegment8* high = Segment(HeldNoteFile(81, 48, false, 73));  // a quarter second
    const size_t frames = kSegRate;
    const std::vector<int16_t> lowAlone = Alone(low, 0, frames);
    const std::vector<int16_t> highAlone = Alone(high, host::DMUS_SEGF_SECONDARY, frames);

    host::IDirectMusicPerformance8* p = Performance();
    host::IDirectMusicSegmentState8* primary = Play(p, low);
    host::IDirectMusicSegmentState8* secondary = Play(p, high, host::DMUS_SEGF_SECONDARY);
    ASSERT_NE(secondary, nullptr);
    ASSERT_NE(primary, secondary);
    const std::vector<int16_t> both = MixFrames(frames / 10);
    EXPECT_EQ(p->IsPlaying(nullptr, primary), host::S_OK);
    EXPECT_EQ(p->IsPlaying(nullptr, secondary), host::S_OK);
    EXPECT_EQ(p->IsPlaying(high, nullptr), host::S_OK);
    std::vector<int16_t> rest = MixFrames(frames - frames / 10);
    std::vector<int16_t> mix = both;
    mix.insert(mix.end(), rest.begin(), rest.end());
    EXPECT_EQ(p->IsPlaying(nullptr, secondary), host::S_FALSE) << "the secondary has ended";
    EXPECT_EQ(p->IsPlaying(high, nullptr), host::S_FALSE);
    EXPECT_EQ(p->IsPlaying(nullptr, primary), host::S_OK) << "the primary goes on";

    // Each plays through its own voices: the mix is the sum of the two heard alone, but
    // for the synthesiser's rounding.
    ASSERT_GT(RmsOf(lowAlone, 0, frames), 100);
    ASSERT_GT(RmsOf(highAlone, 0, frames / 4), 100);
    int worst = 0;
    double squares = 0;
    for (size_t i = 0; i < mix.size(); ++i) {
        const int off = mix[i] - (lowAlone[i] + highAlone[i]);
        worst = std::max(worst, std::abs(off));
        squares += double(off) * off;
    }
    EXPECT_LE(worst, 16);
    EXPECT_LT(std::sqrt(squares / double(mix.size())), 1.0);

    host::IDirectMusicSegment8* played = nullptr;
    ASSERT_EQ(secondary->GetSegment(&played), host::S_OK);
    EXPECT_EQ(played, high);
    played->Release();
}

TEST_F(DirectMusicSegmentsTest, ANewPrimaryReplacesTheOldButNotTheSecondaries) {
    host::IDirectMusicSegment8* first = Segment(HeldNoteFile(57, 96, false), host::DMUS_SEG_REPEAT_INFINITE);
    host::IDirectMusicSegment8* over = Segment(HeldNoteFile(76, 96, false), host::DMUS_SEG_REPEAT_INFINITE);
    host::IDirectMusicSegment8* second = Segment(HeldNoteFile(64, 96, false), host::DMUS_SEG_REPEAT_INFINITE);
    host::IDirectMusicPerformance8* p = Performance();
    host::IDirectMusicSegmentState8* a = Play(p, first);
    host::IDirectMusicSegmentState8* b = Play(p, over, host::DMUS_SEGF_SECONDARY);
    MixFrames(kSegRate / 4);
    host::IDirectMusicSegmentState8* c = Play(p, second);
    MixFrames(kSegRate / 4);
    EXPECT_EQ(p->IsPlaying(nullptr, a), host::S_FALSE);
    EXPECT_EQ(p->IsPlaying(nullptr, b), host::S_OK);
    EXPECT_EQ(p->IsPlaying(nullptr, c), host::S_OK);
    // Stopping one state leaves the other play of the same performance alone.
    EXPECT_EQ(p->StopEx(b, 0, 0), host::S_OK);
    EXPECT_EQ(p->IsPlaying(nullptr, b), host::S_FALSE);
    EXPECT_EQ(p->IsPlaying(nullptr, c), host::S_OK);
    // Null stops everything.
    EXPECT_EQ(p->Stop(nullptr, nullptr, 0, 0), host::S_OK);
    MixFrames(kSegChunk);
    EXPECT_EQ(p->IsPlaying(nullptr, c), host::S_FALSE);
}

TEST_F(DirectMusicSegmentsTest, AStopAtTheNextBeatEndsTheSoundOnTheBeatOfTheTempoMap) {
    // Beats at 0.5 s, then (at 60 a minute) 1.5 s, 2.5 s...
    host::IDirectMusicSegment8* held = Segment(HeldNoteFile(57, 480, true, 19));  // organ
    const size_t frames = 2 * kSegRate;
    const std::vector<int16_t> whole = Alone(held, 0, frames);

    host::IDirectMusicPerformance8* p = Performance();
    host::IDirectMusicSegmentState8* state = Play(p, held);
    std::vector<int16_t> mix = MixFrames(kSegRate * 6 / 10);
    ASSERT_EQ(p->StopEx(state, 0, host::DMUS_SEGF_BEAT), host::S_OK);
    EXPECT_EQ(p->IsPlaying(nullptr, state), host::S_OK) << "not stopped at once";
    std::vector<int16_t> rest = MixFrames(frames - kSegRate * 6 / 10);
    mix.insert(mix.end(), rest.begin(), rest.end());
    EXPECT_EQ(p->IsPlaying(nullptr, state), host::S_FALSE);
    const long beat = long(kSegRate * 3 / 2);
    const long parted = FirstDifference(mix, whole);
    EXPECT_GE(parted, beat - 64) << "the note sounds on to the beat";
    EXPECT_LE(parted, beat + 128) << "and goes into its release there";
    EXPECT_LT(RmsOf(mix, frames - kSegRate / 4, frames), RmsOf(whole, frames - kSegRate / 4, frames) / 10);
    host::MUSIC_TIME seek = -1;
    ASSERT_EQ(state->GetSeek(&seek), host::S_OK);
    EXPECT_EQ(seek, 2 * host::DMUS_PPQ) << "ended on the second beat";
}

TEST_F(DirectMusicSegmentsTest, StopsAtAMusicTimeAReferenceTimeAndTheDefaultBoundary) {
    host::IDirectMusicSegment8* held = Segment(HeldNoteFile(57, 480, false, 19));  // 120 a minute
    const size_t frames = 2 * kSegRate;
    const std::vector<int16_t> whole = Alone(held, 0, frames);
    struct Case {
        int64_t time;
        uint32_t flags;
        uint32_t defaultResolution;
        long frame;  // where the stop falls
    };
    for (const Case& c : {Case{3 * host::DMUS_PPQ / 2, 0, 0, long(kSegRate * 3 / 4)},
                          Case{11'000'000, host::DMUS_SEGF_REFTIME, 0, long(kSegRate * 11 / 10)},
                          Case{0, host::DMUS_SEGF_DEFAULT, host::DMUS_SEGF_MEASURE, long(2 * kSegRate)},
                          Case{0, host::DMUS_SEGF_DEFAULT, host::DMUS_SEGF_GRID, long(kSegRate / 8 * 3)}}) {
        SCOPED_TRACE(c.frame);
        ASSERT_EQ(held->SetDefaultResolution(c.defaultResolution), host::S_OK);
        host::IDirectMusicPerformance8* p = Performance();
        host::IDirectMusicSegmentState8* state = Play(p, held);
        std::vector<int16_t> mix = MixFrames(kSegRate / 3);
        host::MUSIC_TIME now = -1;
        host::REFERENCE_TIME reference = -1;
        ASSERT_EQ(p->GetTime(&reference, &now), host::S_OK);
        EXPECT_EQ(reference, 10'000'000 / 3);
        EXPECT_EQ(now, host::DMUS_PPQ * 2 / 3);
        ASSERT_EQ(p->StopEx(state, c.time, c.flags), host::S_OK);
        std::vector<int16_t> rest = MixFrames(frames - kSegRate / 3);
        mix.insert(mix.end(), rest.begin(), rest.end());
        const long parted = FirstDifference(mix, whole);
        if (c.frame >= long(frames)) {
            EXPECT_EQ(parted, -1) << "not stopped before the measure";
        } else {
            EXPECT_GE(parted, c.frame - 64);
            EXPECT_LE(parted, c.frame + 128);
        }
        p->CloseDown();
    }
}

TEST_F(DirectMusicSegmentsTest, PlaysWaitForTheirBoundaryAndAQueuedPrimaryForTheEnd) {
    host::IDirectMusicSegment8* slow = Segment(HeldNoteFile(57, 96, true));  // a half-second quarter
    host::IDirectMusicSegment8* next = Segment(HeldNoteFile(64, 96, false));
    host::IDirectMusicSegment8* accent = Segment(HeldNoteFile(81, 24, false, 73));
    host::IDirectMusicPerformance8* p = Performance();
    host::IDirectMusicSegmentState8* first = Play(p, slow);
    host::IDirectMusicSegmentState8* queued = Play(p, next, host::DMUS_SEGF_QUEUE);
    MixFrames(kSegRate / 5);
    host::IDirectMusicSegmentState8* onBeat = Play(p, accent, host::DMUS_SEGF_SECONDARY | host::DMUS_SEGF_BEAT);
    MixFrames(kSegRate / 5);
    EXPECT_EQ(p->IsPlaying(nullptr, onBeat), host::S_FALSE) << "waiting for the primary's beat at 0.5 s";
    EXPECT_EQ(p->IsPlaying(nullptr, queued), host::S_FALSE);
    MixFrames(kSegRate * 2 / 10);
    EXPECT_EQ(p->IsPlaying(nullptr, onBeat), host::S_OK);
    EXPECT_EQ(p->IsPlaying(nullptr, first), host::S_FALSE) << "a quarter long";
    EXPECT_EQ(p->IsPlaying(nullptr, queued), host::S_OK) << "the queued primary follows";
    host::MUSIC_TIME start = -1;
    ASSERT_EQ(onBeat->GetStartTime(&start), host::S_OK);
    EXPECT_EQ(start, host::DMUS_PPQ);
    ASSERT_EQ(queued->GetStartTime(&start), host::S_OK);
    EXPECT_EQ(start, host::DMUS_PPQ);

    // A primary not queued cancels the ones queued after the one playing.
    host::IDirectMusicSegmentState8* cancelled = Play(p, slow, host::DMUS_SEGF_QUEUE);
    host::IDirectMusicSegmentState8* now = Play(p, slow);
    MixFrames(kSegRate / 5);
    EXPECT_EQ(p->IsPlaying(nullptr, now), host::S_OK);
    EXPECT_EQ(p->IsPlaying(nullptr, cancelled), host::S_FALSE);
    MixFrames(kSegRate);
    EXPECT_EQ(p->IsPlaying(nullptr, cancelled), host::S_FALSE) << "never plays";
}

TEST_F(DirectMusicSegmentsTest, BadArgumentsGetDirectMusicsErrorsAndALogLine) {
    host::IDirectMusicSegment8* segment = Segment(HeldNoteFile(57, 96, false));
    void* object = nullptr;
    ASSERT_EQ(host::CreateDirectMusicPerformanceCom(host::IID_IDirectMusicPerformance8, &object), host::S_OK);
    auto* idle = static_cast<host::IDirectMusicPerformance8*>(object);
    host::IDirectMusicSegmentState8* state = reinterpret_cast<host::IDirectMusicSegmentState8*>(uintptr_t(1));
    EXPECT_EQ(idle->PlaySegmentEx(segment, 0, 0, &state), host::DMUS_E_NOT_INIT);
    EXPECT_EQ(state, nullptr);
    host::MUSIC_TIME now = 0;
    EXPECT_EQ(idle->GetTime(nullptr, &now), host::DMUS_E_NOT_INIT);
    EXPECT_EQ(idle->StopEx(segment, 0, 0), host::DMUS_E_NOT_INIT);
    EXPECT_EQ(idle->Release(), 0u);

    host::IDirectMusicPerformance8* p = Performance();
    EXPECT_EQ(p->PlaySegmentEx(nullptr, 0, 0, nullptr), host::E_POINTER);
    EXPECT_EQ(p->PlaySegmentEx(loader_, 0, 0, nullptr), host::E_INVALIDARG);
    EXPECT_NE(debug_.find("DirectMusic: PlaySegmentEx refused: the source is not a segment\n"), std::string::npos);
    EXPECT_EQ(p->StopEx(loader_, 0, 0), host::E_INVALIDARG);
    EXPECT_NE(debug_.find("DirectMusic: StopEx refused: not a segment or segment state\n"), std::string::npos);
    EXPECT_EQ(p->IsPlaying(nullptr, nullptr), host::E_POINTER);
    EXPECT_EQ(p->GetTime(nullptr, nullptr), host::E_POINTER);
    EXPECT_EQ(segment->SetDefaultResolution(host::DMUS_SEGF_QUEUE), host::E_INVALIDARG);

    MixFrames(kSegRate);  // a second: music time 1536, reference time 10 000 000
    debug_.clear();
    EXPECT_EQ(p->PlaySegmentEx(segment, 0, 1000, &state), host::DMUS_E_TIME_PAST);
    EXPECT_EQ(state, nullptr);
    EXPECT_EQ(p->PlaySegmentEx(segment, host::DMUS_SEGF_REFTIME, 9'000'000, nullptr), host::DMUS_E_TIME_PAST);
    EXPECT_NE(debug_.find("DirectMusic: PlaySegmentEx refused: the start time has passed\n"), std::string::npos);
    EXPECT_EQ(p->IsPlaying(segment, nullptr), host::S_FALSE) << "nothing was started";
    // A time to come is taken, and nothing sounds before it.
    host::IDirectMusicSegmentState8* later = Play(p, segment, 0, 2 * 1536);
    MixFrames(kSegRate * 9 / 10);
    EXPECT_EQ(p->IsPlaying(nullptr, later), host::S_FALSE);
    MixFrames(kSegRate / 5);
    EXPECT_EQ(p->IsPlaying(nullptr, later), host::S_OK);
}

TEST_F(DirectMusicSegmentsTest, AStopEndsNotesTheSustainPedalHolds) {
    MidiTrack track;
    track.Event(0, {0xC0, 19}).Event(0, {0xB0, 64, 127}).Event(0, {0x90, 57, 100}).Event(24, {0x80, 57, 0}).End(960);
    host::IDirectMusicSegment8* pedalled = Segment(MidiFile(0, 96, {track}));
    host::IDirectMusicPerformance8* p = Performance();
    host::IDirectMusicSegmentState8* state = Play(p, pedalled);
    const std::vector<int16_t> held = MixFrames(kSegRate / 2);
    ASSERT_GT(RmsOf(held, kSegRate / 4, kSegRate / 2), 100) << "the pedal holds the note on";
    ASSERT_EQ(p->StopEx(state, 0, 0), host::S_OK);
    const std::vector<int16_t> after = MixFrames(kSegRate);
    EXPECT_LT(RmsOf(after, kSegRate / 2, kSegRate), 2);
}

}  // namespace
