#include "host/dsound/mixer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "host/dsound/dsound_state.h"
#include "host/dsound/voice.h"

namespace host {

std::recursive_timed_mutex& DirectSoundLock() {
    static std::recursive_timed_mutex lock;
    return lock;
}

void SetMixerOutputRate(uint32_t samplesPerSecond) {
    std::lock_guard guard(DirectSoundLock());
    if (samplesPerSecond > 0) DsState().outputRate = samplesPerSecond;
}

uint32_t MixerOutputRate() {
    std::lock_guard guard(DirectSoundLock());
    return DsState().outputRate;
}

uint64_t MixerFramesMixed() {
    std::lock_guard guard(DirectSoundLock());
    return DsState().mixedFrames;
}

int32_t AmplitudeQ15(int32_t level) {
    if (level <= -10000) return 0;
    if (level >= 0) return 32768;
    return int32_t(std::lround(32768.0 * std::pow(10.0, level / 2000.0)));
}

namespace {

// Sums under the lock (the caller holds it) and saturates into out.
void MixLocked(std::span<int16_t> out) {
    DirectSoundHostState& s = DsState();
    const size_t frames = out.size() / 2;
    thread_local std::vector<int32_t> acc;
    acc.assign(frames * 2, 0);
    for (Voice* v : s.voices) MixVoice(*v, acc.data(), uint32_t(frames), s.outputRate);
    for (MixerSource* source : s.sources) source->Render(acc.data(), uint32_t(frames), s.outputRate);
    for (size_t i = 0; i < frames * 2; ++i)
        out[i] = int16_t(std::clamp<int32_t>(acc[i], -32768, 32767));
    if (out.size() % 2) out.back() = 0;
    if (s.tap) s.tap(out.data(), frames, s.tapUser);
    s.mixedFrames += frames;
}

}  // namespace

void AddMixerSource(MixerSource* source) {
    std::lock_guard guard(DirectSoundLock());
    std::vector<MixerSource*>& sources = DsState().sources;
    if (std::find(sources.begin(), sources.end(), source) == sources.end()) sources.push_back(source);
}

void RemoveMixerSource(MixerSource* source) {
    std::lock_guard guard(DirectSoundLock());
    std::erase(DsState().sources, source);
}

void SetMixerTap(MixTap tap, void* user) {
    std::lock_guard guard(DirectSoundLock());
    DsState().tap = tap;
    DsState().tapUser = user;
}

void MixAudio(std::span<int16_t> out) {
    std::lock_guard guard(DirectSoundLock());
    MixLocked(out);
}

bool TryMixAudio(std::span<int16_t> out, uint32_t waitMilliseconds) {
    std::unique_lock guard(DirectSoundLock(), std::defer_lock);
    if (!guard.try_lock_for(std::chrono::milliseconds(waitMilliseconds))) {
        std::fill(out.begin(), out.end(), int16_t(0));
        return false;
    }
    MixLocked(out);
    return true;
}

}  // namespace host
