#include "host/dsound/wav_file.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace host {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

int WriteStereo16Wav(const std::string& path, uint32_t rate, std::span<const int16_t> samples) {
    const uint64_t dataBytes = uint64_t(samples.size()) * 2;
    if (dataBytes > 0xFFFFFFFFu - 36) return -1;
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    Put32(out, uint32_t(36 + dataBytes));
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 2);
    Put32(out, rate);
    Put32(out, rate * 4);
    Put16(out, 4);
    Put16(out, 16);
    PutTag(out, "data");
    Put32(out, uint32_t(dataBytes));
    for (int16_t s : samples) Put16(out, uint16_t(s));
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) return -1;
    if (std::fwrite(out.data(), 1, out.size(), file.get()) != out.size()) return -1;
    return std::fflush(file.get()) == 0 ? 0 : -1;
}

}  // namespace host
