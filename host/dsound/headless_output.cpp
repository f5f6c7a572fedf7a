#include "host/dsound/headless_output.h"

#include "host/dsound/mixer.h"
#include "host/dsound/wav_file.h"

namespace host {
namespace {

struct HeadlessAudioState {
    bool open = false;
    std::vector<int16_t> capture;
};

HeadlessAudioState& State() {
    static HeadlessAudioState state;
    return state;
}

}  // namespace

int OpenHeadlessAudio(uint32_t samplesPerSecond) {
    if (samplesPerSecond == 0) return -1;
    SetMixerOutputRate(samplesPerSecond);
    State().open = true;
    State().capture.clear();
    return 0;
}

void CloseHeadlessAudio() {
    State().open = false;
    State().capture.clear();
    State().capture.shrink_to_fit();
}

bool IsHeadlessAudioOpen() { return State().open; }

int HeadlessAudioAdvance(uint32_t frames) {
    if (!State().open) return -1;
    std::vector<int16_t>& capture = State().capture;
    const size_t start = capture.size();
    capture.resize(start + size_t(frames) * 2);
    MixAudio(std::span<int16_t>(capture.data() + start, size_t(frames) * 2));
    return 0;
}

const std::vector<int16_t>& HeadlessAudioCapture() { return State().capture; }

void ClearHeadlessAudioCapture() { State().capture.clear(); }

int WriteHeadlessAudioWav(const std::string& path) {
    return WriteStereo16Wav(path, MixerOutputRate(), State().capture);
}

}  // namespace host
