// MP3 through the media graph from outside bytes: every other decoder is turned off, so
// the input reaches the media graph's decoder; what it decodes is read whole, sought back
// and forth and ended.
#include "fuzz_engine.h"
#include "tests/sound/fuzz/decode_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr int kGraphOnly = orvik::kConverterWavePcm | orvik::kConverterWaveAcm | orvik::kConverterOggVorbis |
                               orvik::kConverterMp3Acm;
    orvik_fuzz::Engine();
    if (size > (1u << 20)) return 0;
    orvik_fuzz::DecodeImage(std::vector<uint8_t>(data, data + size), kGraphOnly);
    return 0;
}
