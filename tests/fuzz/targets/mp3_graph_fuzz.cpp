// MP3 through the media graph from outside bytes: every other decoder is turned off, so
// the input reaches the graph's memory reader and MPEG audio decoder; what it decodes is
// read whole, sought back and forth and ended.
#include <orvik/sound.h>

#include <vector>

#include "engine/platform/stream.h"
#include "engine/sound/sound_convert.h"
#include "fuzz_engine.h"

namespace {

constexpr int kGraphOnly = orvik::kConverterWavePcm | orvik::kConverterWaveAcm | orvik::kConverterOggVorbis |
                           orvik::kConverterMp3Acm;
constexpr int32_t kMostOutput = 16 << 20;

void ReadAndSeek(orvik::SoundConvert& c) {
    orvik::GetSoundConvertDestSize(&c);
    std::vector<uint8_t> out(1 << 16);
    int32_t total = 0;
    for (int32_t n; total < kMostOutput && (n = orvik::ReadSoundConvert(&c, out.data(), int32_t(out.size()))) > 0;)
        total += n;
    const int32_t align = c.outputFormat.nBlockAlign ? c.outputFormat.nBlockAlign : 1;
    for (int32_t sample : {total / align / 2, 0, total / align + 1000}) {
        orvik::SeekSoundConvert(&c, sample);
        orvik::ReadSoundConvert(&c, out.data(), 4096);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvik_fuzz::Engine();
    if (size > (1u << 20)) return 0;
    const std::vector<uint8_t> image(data, data + size);
    orvik::MemImageStreamRecord* m = orvik::OpenMemImageStream(image.data(), int32_t(image.size()));
    if (!m) return 0;
    const orvik::StreamDescriptor s{*orvik::GetMemImageStreamFunctions(), orvik::ToStreamHandle(m)};
    orvik::SetDisableSoundConverters(kGraphOnly);
    orvik::SoundConvert c{};
    if (orvik::SetupSoundConvert(&s, &c) == 0) {
        ReadAndSeek(c);
        orvik::TerminateSoundConvert(&c);
    }
    orvik::SetDisableSoundConverters(0);
    orvik::CloseMemImageStream(orvik::ToStreamHandle(m));
    return 0;
}
