// The capture file: everything the mixer puts out, as 16-bit stereo PCM at 44100 Hz,
// written behind a header that is filled in when the file is closed.
#include <orvik/soft_sound.h>

#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"
#include "host/dsound/mixer.h"
#include "host/dsound/mixer_source.h"

namespace orvik {

namespace {

constexpr uint32_t kCaptureRate = 44100;
// The most frames whose sizes the header's 32-bit fields can still state.
constexpr uint32_t kMostCaptureFrames = (0xFFFFFFFFu - 38) / 4;

void Put32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(v >> (8 * i));
}

void Put16(uint8_t* at, uint16_t v) {
    at[0] = uint8_t(v);
    at[1] = uint8_t(v >> 8);
}

// Called by the mixer under the sound lock with each block it puts out.
// Past the largest file the header can describe, the rest is not written, so the
// sizes never wrap round to a short file that hides what was captured.
void CaptureBlock(const int16_t* samples, size_t frames, void*) {
    SoundCaptureState& c = Sound().capture;
    const uint32_t room = kMostCaptureFrames - c.framesCaptured;
    if (frames > room) {
        frames = room;
        c.full = 1;
    }
    uint32_t written = 0;
    if (frames > 0) host::WriteFile(c.file, samples, uint32_t(frames * 4), &written);
    c.framesCaptured += written / 4;
}

}  // namespace

void MakeCaptureHeader(uint32_t frames, uint8_t (&h)[kCaptureHeaderSize]) {
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 38 + 4 * frames);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 18);
    Put16(h + 20, 1);
    Put16(h + 22, 2);
    Put32(h + 24, kCaptureRate);
    Put32(h + 28, kCaptureRate * 4);
    Put16(h + 32, 4);
    Put16(h + 34, 16);
    Put16(h + 36, 0);
    std::memcpy(h + 38, "data", 4);
    Put32(h + 42, 4 * frames);
}

int StartSoundCapture(const char* fileName) {
    if (!SoundStarted()) return -1;
    SoundLockGuard guard(SoundLock());
    SoundCaptureState& c = Sound().capture;
    if (c.active || host::MixerOutputRate() != kCaptureRate) {
        AddLogText("StartSoundCapture: a capture runs already, or the output is not at 44100 Hz\n");
        return -1;
    }
    c.file = host::CreateFileA(fileName, host::CREATE_ALWAYS);
    uint8_t header[kCaptureHeaderSize] = {};
    uint32_t written = 0;
    if (c.file == host::INVALID_FILE_HANDLE || !host::WriteFile(c.file, header, kCaptureHeaderSize, &written)) {
        AddLogFormat("StartSoundCapture: cannot write %s", fileName ? fileName : "(null)");
        if (c.file != host::INVALID_FILE_HANDLE) host::CloseFile(c.file);
        c.file = host::INVALID_FILE_HANDLE;
        return -1;
    }
    c.active = 1;
    c.full = 0;
    c.framesCaptured = 0;
    host::SetMixerTap(&CaptureBlock, nullptr);
    return 0;
}

int CloseSoundCaptureFile() {
    SoundLockGuard guard(SoundLock());
    SoundCaptureState& c = Sound().capture;
    if (!c.active) return -1;
    host::SetMixerTap(nullptr, nullptr);
    uint8_t header[kCaptureHeaderSize];
    MakeCaptureHeader(c.framesCaptured, header);
    // A file that cannot go back to its start (a pipe) gets no header at its end.
    const bool headed = host::SetFilePointer(c.file, 0, host::FILE_BEGIN) == 0 &&
                        host::WriteFile(c.file, header, kCaptureHeaderSize, nullptr);
    host::CloseFile(c.file);
    c.file = host::INVALID_FILE_HANDLE;
    c.active = 0;
    if (c.full) AddLogText("CloseSoundCaptureFile: the capture reached the largest WAVE file and ended there\n");
    if (!headed) {
        AddLogText("CloseSoundCaptureFile: the header could not be written at the start of the file\n");
        return -1;
    }
    return 0;
}

}  // namespace orvik
