// Damaged Ogg Vorbis files for the sound fuzz corpora. Two are chained files whose second
// link is cut short: vorbisfile fails to open them while it walks the chain, the path
// where it leaks a serial number list of its own. The third is one link cut inside its
// audio, which opens and ends early.
#pragma once
#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "tests/sound/ogg_encoder.h"

namespace orvik_fuzz {

using OggBytes = std::vector<uint8_t>;

// The bytes of the page the file starts with: its header, lacing values and body.
inline size_t FirstOggPageBytes(const OggBytes& ogg) {
    if (ogg.size() < 27 || ogg.size() < 27u + ogg[26]) return ogg.size();
    size_t bytes = 27u + ogg[26];
    for (size_t i = 0; i < ogg[26]; ++i) bytes += ogg[27 + i];
    return bytes;
}

inline std::vector<std::pair<std::string, OggBytes>> DamagedOggFiles() {
    const OggBytes first = sound_test::OggSine(3000, 1, 11025);
    const OggBytes second = sound_test::OggSine(2000, 1, 11025, 660.0, /*serial=*/2);
    const auto chained = [&](size_t secondBytes) {
        OggBytes file = first;
        file.insert(file.end(), second.begin(), second.begin() + std::ptrdiff_t(std::min(secondBytes, second.size())));
        return file;
    };
    const size_t secondHeader = FirstOggPageBytes(second);
    return {{"chain_cut_after_first_page.ogg", chained(secondHeader)},
            {"chain_cut_in_headers.ogg", chained(secondHeader + 100)},
            {"cut_in_audio.ogg", OggBytes(first.begin(), first.begin() + std::ptrdiff_t(first.size() * 3 / 4))}};
}

}  // namespace orvik_fuzz
