// Writes the starting corpora of the engine fuzz targets, one folder each below the
// directory given: small MIDI files, sound files for the stream and media-graph targets
// (a few damaged Ogg files among them), framed messages split into reads, and the game's
// three files.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/fuzz/targets/damaged_ogg.h"
#include "tests/sound/mp3_encoder.h"
#include "tests/sound/ogg_encoder.h"
#include "tests/sound/wave_builder.h"
#include "tests/support/midi_builder.h"

namespace {

using sound_test::Bytes;

std::string root;

void Write(const char* folder, const char* name, const Bytes& bytes) {
    const std::string dir = root + "/" + folder;
    ::mkdir(dir.c_str(), 0755);
    if (FILE* f = std::fopen((dir + "/" + name).c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

Bytes Prefixed(uint8_t first, const Bytes& rest) {
    Bytes b{first};
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

void MidiSeeds() {
    using orvik_test::MidiFile;
    using orvik_test::MidiTrack;
    Write("midi", "one_note.mid", orvik_test::OneNoteFile(60, 96));
    Write("midi", "two_tracks.mid",
          MidiFile(1, 480, {MidiTrack().Tempo(0, 400000).End(960),
                            MidiTrack().Event(0, {0xB0, 7, 90}).Event(0, {0x91, 64, 80}).Event(240, {64, 0})
                                .Event(0, {0xE1, 0, 80}).Event(0, {0xF0, 2, 1, 0xF7}).End(0)}));
    Write("midi", "smpte.mid", MidiFile(0, 0xE728, {MidiTrack().Event(0, {0x99, 38, 100}).Event(40, {0x89, 38, 0}).End(0)}));
}

void SoundSeeds() {
    using namespace sound_test;
    const Bytes wave = PcmWave(2, 22050, Ramp(3000, 2));
    const Bytes mp3 = EncodeMp3(22050, 1, 3000, 32);
    std::vector<std::pair<std::string, Bytes>> files = {{"wave", wave}, {"mp3", mp3}, {"ogg", OggSine(3000, 1, 11025)}};
    for (auto& damaged : orvik_fuzz::DamagedOggFiles()) files.push_back(std::move(damaged));
    for (uint8_t mode = 0; mode < 4; ++mode)
        for (const auto& [name, bytes] : files)
            Write("stream", (name + "_" + std::to_string(mode)).c_str(), Prefixed(mode, bytes));
    Write("mp3", "mono.mp3", mp3);
    Write("mp3", "stereo.mp3", EncodeMp3(44100, 2, 2000, 128));
}

// Each read event is a length byte and the bytes that arrive with it.
void NetworkSeeds() {
    Write("network", "two_messages", {8, 3, 0, 0, 0, 'a', 'b', 'c', 5, 2, 4, 0, 0, 0, 3, 'd', 'e', 'f', 'g'});
    Write("network", "split_prefix", {1, 6, 1, 0, 2, 0, 0, 6, 1, 2, 3, 4, 5, 6});
}

void PutInt(Bytes& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(uint32_t(v) >> (8 * i));
}

// The selector byte first: 0 stage, 1 options, 2 ranking.
void GameSeeds() {
    Bytes stage(1 + 77201, 0);
    for (int i = 0; i < 200; ++i) PutInt(stage, 1 + 1001 + 4 * i, 1 + i % 9);
    for (int i = 0; i < 12 * 1400; i += 7) PutInt(stage, 1 + 10001 + 4 * i, i % 361);
    Write("game", "stage", stage);
    Bytes options(1 + 102, 0);
    options[0] = 1;
    for (size_t at : {4, 90, 94}) PutInt(options, 1 + at, 1);
    for (int b = 0; b < 4; ++b) PutInt(options, 1 + 14 + 4 * b, 5 + b);
    Write("game", "options", options);
    Bytes ranking(1 + 54, 0);
    ranking[0] = 2;
    PutInt(ranking, 1 + 4, 1);
    for (int i = 0; i < 10; ++i) PutInt(ranking, 1 + 14 + 4 * i, 1000 - 100 * i);
    Write("game", "ranking", ranking);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    root = argv[1];
    ::mkdir(root.c_str(), 0755);
    MidiSeeds();
    SoundSeeds();
    NetworkSeeds();
    GameSeeds();
    return 0;
}
