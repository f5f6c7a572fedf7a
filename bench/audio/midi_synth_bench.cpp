// MIDI music's cost on the audio path: a busy 16-channel Standard MIDI File (fifteen
// instruments in sixteenth notes and chords, drums on channel 10) played by the MCI
// sequencer into the mixer at 44.1 kHz stereo, in pulls of 1024 frames as the SDL
// output pulls. Through FluidSynth with the General MIDI sound font, and through the
// built-in synthesiser as the peer. "core_percent": mixing time per second of music,
// in percent of one core.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/dsound/dsound_config.h"
#include "host/dsound/mixer.h"
#include "host/mci/mci.h"
#include "host/mci/midi_synth.h"
#include "tests/support/midi_builder.h"

namespace {

constexpr uint32_t kPull = 1024;

// Eight bars at 140 beats a minute, 96 ticks a quarter: each melodic channel plays a
// sixteenth-note line (channels 0-3 three-note chords), channel 10 kick, snare and hats.
std::vector<uint8_t> BusyFile() {
    std::vector<orvik_test::MidiTrack> tracks(17);
    tracks[0].Tempo(0, 428571).End(8 * 4 * 96);
    for (uint8_t ch = 0; ch < 16; ++ch) {
        orvik_test::MidiTrack& t = tracks[ch + 1];
        const bool drums = ch == 9;
        t.Event(0, {uint8_t(0xC0 | ch), uint8_t(ch * 8 % 128)});
        t.Event(0, {uint8_t(0xB0 | ch), 10, uint8_t(ch * 8)});  // spread across the stereo field
        for (int step = 0; step < 8 * 16; ++step) {
            const uint8_t key = drums ? uint8_t(step % 4 == 0 ? 36 : step % 4 == 2 ? 38 : 42)
                                      : uint8_t(40 + ch * 3 + (step * 5 + ch) % 12);
            const int voices = ch < 4 ? 3 : 1;
            for (int v = 0; v < voices; ++v) t.Event(0, {uint8_t(0x90 | ch), uint8_t(key + 4 * v), 96});
            t.Event(22, {uint8_t(0x80 | ch), key, 0});
            for (int v = 1; v < voices; ++v) t.Event(0, {uint8_t(0x80 | ch), uint8_t(key + 4 * v), 0});
            t.Event(2, {uint8_t(0xE0 | ch), 0, uint8_t(64 + (step % 3))});  // a little bend
        }
        t.End(0);
    }
    return orvik_test::MidiFile(1, 96, tracks);
}

void PlayBusyFile(benchmark::State& state, bool soundFont) {
    host::ResetDirectSoundHost();
    host::ResetMci();
    host::SetMixerOutputRate(44100);
    if (!soundFont) host::SetSoundFontSearchPaths({});
    const std::string path = "/tmp/orvik_midi_bench_" + std::to_string(::getpid()) + ".mid";
    const std::vector<uint8_t> file = BusyFile();
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    host::MCI_OPEN_PARMSA open;
    open.lpstrDeviceType = "sequencer";
    open.lpstrElementName = path.c_str();
    if (host::mciSendCommandA(0, host::MCI_OPEN, host::MCI_OPEN_TYPE | host::MCI_OPEN_ELEMENT, &open) != 0)
        state.SkipWithError("the sequencer refused the file");
    std::remove(path.c_str());
    host::MCI_PLAY_PARMS play;
    host::MCI_STATUS_PARMS status;
    status.dwItem = host::MCI_STATUS_MODE;
    std::vector<int16_t> out(kPull * 2);
    for (auto _ : state) {
        host::mciSendCommandA(open.wDeviceID, host::MCI_STATUS, host::MCI_STATUS_ITEM, &status);
        if (status.dwReturn != host::MCI_MODE_PLAY)  // round again from the top
            host::mciSendCommandA(open.wDeviceID, host::MCI_PLAY, host::MCI_FROM, &play);
        host::MixAudio(out);
        benchmark::DoNotOptimize(out.data());
    }
    const double hundredthsOfSound = double(state.iterations()) * kPull / 44100 / 100;
    state.counters["core_percent"] =
        benchmark::Counter(hundredthsOfSound, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    host::ResetMci();
}

void BM_BusyMidiThroughFluidSynth(benchmark::State& s) { PlayBusyFile(s, true); }
void BM_BusyMidiThroughBuiltInSynth(benchmark::State& s) { PlayBusyFile(s, false); }

BENCHMARK(BM_BusyMidiThroughFluidSynth)->MinTime(3);
BENCHMARK(BM_BusyMidiThroughBuiltInSynth)->MinTime(3);

}  // namespace
