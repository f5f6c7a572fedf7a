// Writing mixed output as a RIFF WAVE file.
#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace host {

// A canonical 44-byte header (PCM, 2 channels, 16 bits) and the samples; 0, or -1 when
// the file cannot be written whole.
int WriteStereo16Wav(const std::string& path, uint32_t samplesPerSecond,
                     std::span<const int16_t> samples);

}  // namespace host
