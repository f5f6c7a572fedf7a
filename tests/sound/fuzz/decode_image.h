// What the sound fuzz targets do with a sound file image: open it through a conversion
// record with some decoders turned off, read it whole, seek to its middle, its start and
// past its end with a read after each, and end the record.
#pragma once
#include <cstdint>
#include <vector>

#include "engine/platform/files/stream.h"
#include "engine/sound/decoders/sound_convert.h"
#include "engine/sound/core/sound_state.h"

namespace orvik_fuzz {

inline void DecodeImage(const std::vector<uint8_t>& image, int32_t disabledConverters) {
    constexpr int32_t kMostOutput = 16 << 20;
    orvik::Sound().disabledConverters = disabledConverters;
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
        for (int32_t sample : {total / align / 2, 0, total / align + 1000}) {
            orvik::SeekSoundConvert(&c, sample);
            orvik::ReadSoundConvert(&c, out.data(), 4096);
        }
        orvik::TerminateSoundConvert(&c);
    }
    orvik::CloseMemImageStream(orvik::ToStreamHandle(m));
    orvik::Sound().disabledConverters = 0;
}

}  // namespace orvik_fuzz
