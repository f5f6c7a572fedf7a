// libFuzzer target over the sound decoders: the input is a sound file image, opened
// through the conversion record as a load opens it (the PCM WAVE walk, the compressed
// WAVE walk with the compression manager's codecs, the MP3 tag and frame walk), then
// read whole, sought back and forth, and ended. Each input is tried twice: with every
// decoder, and with the PCM decoder masked so that PCM files reach the manager too.
#include <cstdint>
#include <vector>


#include "engine/platform/stream.h"
#include "engine/sound/mp3_frame_header.h"
#include "engine/sound/sound_convert.h"
#include "engine/sound/sound_state.h"
#include "host/acm/acm.h"

namespace {

constexpr int32_t kMostOutput = 16 << 20;

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

void Decode(const std::vector<uint8_t>& image, int32_t mask) {
    orvik::Sound().disabledConverters = mask;
    orvik::MemImageStreamRecord* m = orvik::OpenMemImageStream(image.data(), int32_t(image.size()));
    if (!m) return;
    const orvik::StreamDescriptor s{*orvik::GetMemImageStreamFunctions(), orvik::ToStreamHandle(m)};
    orvik::SoundConvert c{};
    if (orvik::SetupSoundConvert(&s, &c) == 0) {
        orvik::GetSoundConvertDestSize(&c);
        std::vector<uint8_t> out(1 << 16);
        int32_t total = 0;
        for (int32_t n; total < kMostOutput && (n = orvik::ReadSoundConvert(&c, out.data(), int32_t(out.size()))) > 0;)
            total += n;
        const int32_t align = c.outputFormat.nBlockAlign ? c.outputFormat.nBlockAlign : 1;
        orvik::SeekSoundConvert(&c, total / align / 2);
        orvik::ReadSoundConvert(&c, out.data(), 4096);
        orvik::SeekSoundConvert(&c, 0);
        orvik::ReadSoundConvert(&c, out.data(), 4096);
        orvik::SeekSoundConvert(&c, total / align + 1000);
        orvik::ReadSoundConvert(&c, out.data(), 4096);
        orvik::TerminateSoundConvert(&c);
    }
    orvik::CloseMemImageStream(orvik::ToStreamHandle(m));
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
    Decode(image, 0);
    Decode(image, 0x01);
    return 0;
}
