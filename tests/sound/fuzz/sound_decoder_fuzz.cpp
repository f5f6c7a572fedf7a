// libFuzzer target over the sound decoders: the input is a sound file image, opened
// through the conversion record as a load opens it (the PCM WAVE walk, the compressed
// WAVE walk with the compression manager's codecs, the MP3 tag and frame walk), then
// read whole, sought back and forth, and ended. Each input is tried twice: with every
// decoder, and with the PCM decoder masked so that PCM files reach the manager too. The
// media graph's MP3 decoder runs on the started engine and has a target of its own
// (tests/fuzz/targets/mp3_graph_fuzz.cpp); here it stays masked.
#include <cstdint>
#include <vector>

#include "decode_image.h"
#include "engine/sound/decoders/mp3_frame_header.h"
#include "engine/sound/core/sound_state.h"
#include "host/acm/acm.h"

namespace {

void UseHostCompressionManager() {
    orvik::AcmFunctions& a = orvik::Sound().acm;
    a.formatSuggest = &host::acmFormatSuggest;
    a.streamOpen = &host::acmStreamOpen;
    a.streamClose = &host::acmStreamClose;
    a.metrics = &host::acmMetrics;
    a.streamPrepareHeader = &host::acmStreamPrepareHeader;
    a.streamConvert = &host::acmStreamConvert;
    a.streamUnprepareHeader = &host::acmStreamUnprepareHeader;
    a.streamSize = &host::acmStreamSize;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (UseHostCompressionManager(), true);
    (void)ready;
    if (size > (1u << 20)) return 0;
    const std::vector<uint8_t> image(data, data + size);
    if (size >= 4) {
        orvik::Mp3FrameInfo info;
        orvik::ParseMp3FrameHeader(data, &info);
    }
    orvik_fuzz::DecodeImage(image, orvik::kConverterMp3Graph);
    orvik_fuzz::DecodeImage(image, orvik::kConverterMp3Graph | orvik::kConverterWavePcm);
    return 0;
}
