#include "engine/sound/soft/soft_sound_format.h"

#include <cstring>

#include "engine/platform/base/log.h"

namespace orvik {

bool MakeSoftSoundFormat(int channels, int bits, int rate, const char* caller, host::WAVEFORMATEX* format) {
    if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate < 100 || rate > 200000) {
        AddLogFormat("%s: unsupported format (%d channels, %d bits, %d Hz)", caller, channels, bits, rate);
        return false;
    }
    format->wFormatTag = host::WAVE_FORMAT_PCM;
    format->nChannels = uint16_t(channels);
    format->wBitsPerSample = uint16_t(bits);
    format->nSamplesPerSec = uint32_t(rate);
    format->nBlockAlign = uint16_t(channels * bits / 8);
    format->nAvgBytesPerSec = format->nBlockAlign * format->nSamplesPerSec;
    format->cbSize = 0;
    return true;
}

namespace {

bool Fits(const host::WAVEFORMATEX& f, int v) {
    return f.wBitsPerSample == 8 ? (v >= 0 && v <= 255) : (v >= -32768 && v <= 32767);
}

void PutOne(uint16_t bits, uint8_t* at, int v) {
    if (bits == 8) {
        *at = uint8_t(v);
        return;
    }
    const int16_t s = int16_t(v);
    std::memcpy(at, &s, 2);
}

int GetOne(uint16_t bits, const uint8_t* at) {
    if (bits == 8) return *at;
    int16_t s;
    std::memcpy(&s, at, 2);
    return s;
}

}  // namespace

bool SoftSampleFits(const host::WAVEFORMATEX& f, int left, int right) {
    return Fits(f, left) && (f.nChannels == 1 || Fits(f, right));
}

void PutSoftFrame(const host::WAVEFORMATEX& f, uint8_t* frame, int left, int right) {
    const uint16_t step = f.wBitsPerSample / 8;
    PutOne(f.wBitsPerSample, frame, left);
    if (f.nChannels == 2) PutOne(f.wBitsPerSample, frame + step, right);
}

void GetSoftFrame(const host::WAVEFORMATEX& f, const uint8_t* frame, int* left, int* right) {
    const uint16_t step = f.wBitsPerSample / 8;
    if (left) *left = GetOne(f.wBitsPerSample, frame);
    if (right) *right = f.nChannels == 2 ? GetOne(f.wBitsPerSample, frame + step) : GetOne(f.wBitsPerSample, frame);
}

}  // namespace orvik
