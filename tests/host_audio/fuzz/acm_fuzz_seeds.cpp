// Writes the starting corpus of the codec fuzz target: one input per codec, each with a
// format the codec takes and a valid source (MPEG audio encoded with libmp3lame).
#include <lame.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr size_t kFormatBytes = 18 + 64;

void Put16(std::vector<uint8_t>& v, size_t at, int x) {
    v[at] = uint8_t(x & 0xFF);
    v[at + 1] = uint8_t((x >> 8) & 0xFF);
}

// Codec index, format fields, step and room, then the source.
std::vector<uint8_t> Seed(int codec, int channels, int rate, int align, int bits, int extra) {
    std::vector<uint8_t> v(1 + kFormatBytes + 4, 0);
    v[0] = uint8_t(codec);
    Put16(v, 1 + 2, channels);
    Put16(v, 1 + 4, rate & 0xFFFF);
    Put16(v, 1 + 6, rate >> 16);
    Put16(v, 1 + 12, align);
    Put16(v, 1 + 14, bits);
    Put16(v, 1 + 16, extra);
    Put16(v, 1 + kFormatBytes, 2047);
    Put16(v, 1 + kFormatBytes + 2, 4000);
    return v;
}

std::vector<uint8_t> Mp3Bytes() {
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, 22050);
    lame_set_num_channels(lame, 1);
    lame_set_mode(lame, MONO);
    lame_set_brate(lame, 32);
    lame_set_bWriteVbrTag(lame, 0);
    lame_init_params(lame);
    std::vector<int16_t> pcm(4000);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = int16_t(9000 * std::sin(i * 0.07));
    std::vector<uint8_t> out(16384);
    int n = lame_encode_buffer(lame, pcm.data(), pcm.data(), int(pcm.size()), out.data(), int(out.size()));
    n += lame_encode_flush(lame, out.data() + n, int(out.size()) - n);
    lame_close(lame);
    out.resize(size_t(n > 0 ? n : 0));
    return out;
}

void Write(const std::string& dir, const char* name, std::vector<uint8_t> seed,
           const std::vector<uint8_t>& source) {
    seed.insert(seed.end(), source.begin(), source.end());
    if (FILE* f = std::fopen((dir + "/" + name).c_str(), "wb")) {
        std::fwrite(seed.data(), 1, seed.size(), f);
        std::fclose(f);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string dir = argv[1];
    // Fresh each run: the fuzzer adds what it finds to this directory.
    std::error_code error;
    std::filesystem::remove_all(dir, error);
    std::filesystem::create_directories(dir, error);
    std::vector<uint8_t> noise(3000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 7919 % 251);

    Write(dir, "pcm", Seed(0, 2, 22050, 4, 16, 0), noise);
    std::vector<uint8_t> ms = Seed(1, 1, 22050, 256, 4, 32);
    const int coef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    Put16(ms, 1 + 18, 500);
    Put16(ms, 1 + 20, 7);
    for (int i = 0; i < 7; ++i) {
        Put16(ms, 1 + 22 + 4 * size_t(i), coef[i][0]);
        Put16(ms, 1 + 24 + 4 * size_t(i), coef[i][1]);
    }
    Write(dir, "ms_adpcm", ms, noise);
    Write(dir, "alaw", Seed(2, 1, 8000, 1, 8, 0), noise);
    Write(dir, "mulaw", Seed(3, 2, 8000, 2, 8, 0), noise);
    std::vector<uint8_t> ima = Seed(4, 2, 22050, 512, 4, 2);
    Put16(ima, 1 + 18, 505);
    Write(dir, "ima_adpcm", ima, noise);
    Write(dir, "mpeg", Seed(5, 1, 22050, 1, 0, 12), Mp3Bytes());
    return 0;
}
