// A started device over the headless output, as the engine's sound start-up leaves it.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/dsound/dsound_config.h"
#include "host/dsound/dsound_device.h"
#include "host/dsound/headless_output.h"
#include "host/dsound/mixer.h"

namespace audio_test {

inline host::HWND AnyWindow() { return reinterpret_cast<host::HWND>(uintptr_t(1)); }

inline host::WAVEFORMATEX Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = uint16_t(channels * bits / 8);
    return {host::WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

constexpr uint32_t kAllControls = host::DSBCAPS_STATIC | host::DSBCAPS_CTRLFREQUENCY |
                                  host::DSBCAPS_CTRLPAN | host::DSBCAPS_CTRLVOLUME |
                                  host::DSBCAPS_GLOBALFOCUS;

class DsoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetDirectSoundHost();
        ASSERT_EQ(host::OpenHeadlessAudio(44100), 0);
        ASSERT_EQ(host::DirectSoundCreate(nullptr, &ds_, nullptr), host::DS_OK);
        ASSERT_EQ(ds_->SetCooperativeLevel(AnyWindow(), host::DSSCL_PRIORITY), host::DS_OK);
    }
    void TearDown() override {
        for (host::IDirectSoundBuffer* b : buffers_) b->Release();
        if (ds_) ds_->Release();
        host::CloseHeadlessAudio();
        host::ResetDirectSoundHost();
    }

    // A buffer released by TearDown, or null when creation failed.
    host::IDirectSoundBuffer* Make(const host::WAVEFORMATEX& format, uint32_t bytes,
                                   uint32_t flags = kAllControls) {
        host::DSBUFFERDESC desc;
        desc.dwFlags = flags;
        desc.dwBufferBytes = bytes;
        desc.lpwfxFormat = &format;
        host::IDirectSoundBuffer* b = nullptr;
        if (ds_->CreateSoundBuffer(&desc, &b, nullptr) != host::DS_OK) return nullptr;
        buffers_.push_back(b);
        return b;
    }

    host::IDirectSoundBuffer* Duplicate(host::IDirectSoundBuffer* original) {
        host::IDirectSoundBuffer* b = nullptr;
        if (ds_->DuplicateSoundBuffer(original, &b) != host::DS_OK) return nullptr;
        buffers_.push_back(b);
        return b;
    }

    // Writes bytes from the start of the buffer through Lock/Unlock.
    static void Fill(host::IDirectSoundBuffer* b, const void* data, uint32_t bytes) {
        void* p1 = nullptr;
        void* p2 = nullptr;
        uint32_t n1 = 0, n2 = 0;
        ASSERT_EQ(b->Lock(0, bytes, &p1, &n1, &p2, &n2, 0), host::DS_OK);
        ASSERT_EQ(n1, bytes);
        std::memcpy(p1, data, bytes);
        ASSERT_EQ(b->Unlock(p1, n1, p2, n2), host::DS_OK);
    }

    // Mixes `frames` frames and returns them.
    static std::vector<int16_t> Advance(uint32_t frames) {
        host::ClearHeadlessAudioCapture();
        EXPECT_EQ(host::HeadlessAudioAdvance(frames), 0);
        return host::HeadlessAudioCapture();
    }

    static uint32_t PlayCursor(host::IDirectSoundBuffer* b) {
        uint32_t play = 0xFFFFFFFF;
        EXPECT_EQ(b->GetCurrentPosition(&play, nullptr), host::DS_OK);
        return play;
    }

    static uint32_t Status(host::IDirectSoundBuffer* b) {
        uint32_t status = 0xFFFFFFFF;
        EXPECT_EQ(b->GetStatus(&status), host::DS_OK);
        return status;
    }

    host::IDirectSound* ds_ = nullptr;
    std::vector<host::IDirectSoundBuffer*> buffers_;
};

}  // namespace audio_test
