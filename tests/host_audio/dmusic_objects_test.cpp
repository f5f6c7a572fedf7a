// The DirectMusic stand-in on its own: the loader's segments from memory and files, a
// segment's length in music time, the port list, and the performance's audio set-up,
// downloads, repeats and play state, rendered through the host mixer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/dmusic/direct_music.h"
#include "host/dmusic/dmusic_config.h"
#include "host/dmusic/dmusic_loader.h"
#include "host/dmusic/dmusic_performance.h"
#include "host/dsound/dsound_config.h"
#include "host/dsound/mixer.h"
#include "tests/support/midi_builder.h"

namespace {

template <class Interface>
Interface* Make(host::HRESULT (*factory)(host::REFIID, void**), host::REFIID iid) {
    void* object = nullptr;
    EXPECT_EQ(factory(iid, &object), host::S_OK);
    return static_cast<Interface*>(object);
}

host::DMUS_OBJECTDESC MemoryDesc(const std::vector<uint8_t>& image) {
    host::DMUS_OBJECTDESC desc;
    desc.dwValidData = host::DMUS_OBJ_CLASS | host::DMUS_OBJ_MEMORY;
    desc.guidClass = host::CLSID_DirectMusicSegment;
    desc.pbMemData = image.data();
    desc.llMemLength = int64_t(image.size());
    return desc;
}

class DirectMusicObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetDirectSoundHost();
        host::ResetDirectMusicHost();
        loader_ = Make<host::IDirectMusicLoader8>(&host::CreateDirectMusicLoaderCom, host::IID_IDirectMusicLoader8);
    }
    void TearDown() override {
        if (loader_) loader_->Release();
    }
    host::IDirectMusicSegment8* Segment(const std::vector<uint8_t>& image) {
        const host::DMUS_OBJECTDESC desc = MemoryDesc(image);
        void* object = nullptr;
        EXPECT_EQ(loader_->GetObject(&desc, host::IID_IDirectMusicSegment8, &object), host::S_OK);
        return static_cast<host::IDirectMusicSegment8*>(object);
    }
    static host::MUSIC_TIME Length(host::IDirectMusicSegment8* segment) {
        host::MUSIC_TIME length = -1;
        EXPECT_EQ(segment->GetLength(&length), host::S_OK);
        return length;
    }
    static double MixLevel(size_t frames) {
        std::vector<int16_t> out(frames * 2);
        host::MixAudio(out);
        double peak = 0;
        for (int16_t v : out) peak = std::max(peak, std::abs(double(v)));
        return peak;
    }
    host::IDirectMusicLoader8* loader_ = nullptr;
};

TEST_F(DirectMusicObjectsTest, TheLoaderMakesSegmentsFromMemoryAndFilesAndLetsThemGo) {
    const std::vector<uint8_t> image = orvik_test::OneNoteFile(60, 192);
    host::IDirectMusicSegment8* fromMemory = Segment(image);
    ASSERT_NE(fromMemory, nullptr);
    EXPECT_EQ(Length(fromMemory), 2 * host::DMUS_PPQ) << "two quarters of 96 ticks";
    // SMPTE timing: 25 frames of 40 ticks a second; one second is two quarters at 120.
    const std::vector<uint8_t> smpte = orvik_test::MidiFile(
        0, 0xE728, {orvik_test::MidiTrack().Event(0, {0x90, 60, 100}).Event(1000, {0x80, 60, 0}).End(0)});
    host::IDirectMusicSegment8* timed = Segment(smpte);
    ASSERT_NE(timed, nullptr);
    EXPECT_EQ(Length(timed), 2 * host::DMUS_PPQ);

    const std::string path = ::testing::TempDir() + "/dmusic_test_" + std::to_string(::getpid()) + ".mid";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);
    const std::u16string widePath(path.begin(), path.end());
    void* object = nullptr;
    ASSERT_EQ(loader_->LoadObjectFromFile(host::CLSID_DirectMusicSegment, host::IID_IDirectMusicSegment8,
                                          widePath.c_str(), &object),
              host::S_OK);
    auto* fromFile = static_cast<host::IDirectMusicSegment8*>(object);
    EXPECT_EQ(Length(fromFile), Length(fromMemory));
    std::remove(path.c_str());
    EXPECT_EQ(loader_->LoadObjectFromFile(host::CLSID_DirectMusicSegment, host::IID_IDirectMusicSegment8,
                                          widePath.c_str(), &object),
              host::DMUS_E_LOADER_FAILEDOPEN);

    EXPECT_EQ(loader_->ReleaseObjectByUnknown(fromMemory), host::S_OK);
    EXPECT_EQ(loader_->ReleaseObjectByUnknown(fromMemory), host::S_FALSE) << "the loader holds it no more";
    EXPECT_EQ(fromMemory->Release(), 0u) << "the caller's was the last reference";
    timed->Release();
    fromFile->Release();  // the loader's own references go with the loader
}

TEST_F(DirectMusicObjectsTest, TheLoaderRefusesWrongClassesInterfacesAndData) {
    std::vector<uint8_t> image = orvik_test::OneNoteFile(60, 96);
    host::DMUS_OBJECTDESC desc = MemoryDesc(image);
    void* object = nullptr;
    EXPECT_EQ(loader_->GetObject(&desc, host::IID_IDirectMusicLoader8, &object), host::E_NOINTERFACE);
    desc.guidClass = host::CLSID_DirectMusicPerformance;
    EXPECT_EQ(loader_->GetObject(&desc, host::IID_IDirectMusicSegment8, &object), host::DMUS_E_LOADER_NOCLASSID);
    desc = MemoryDesc(image);
    desc.dwSize = 12;
    EXPECT_EQ(loader_->GetObject(&desc, host::IID_IDirectMusicSegment8, &object), host::E_INVALIDARG);
    desc = MemoryDesc(image);
    desc.llMemLength = 0;
    EXPECT_EQ(loader_->GetObject(&desc, host::IID_IDirectMusicSegment8, &object), host::E_INVALIDARG);
    image.resize(image.size() - 5);
    desc = MemoryDesc(image);
    EXPECT_EQ(loader_->GetObject(&desc, host::IID_IDirectMusicSegment8, &object), host::DMUS_E_UNSUPPORTED_STREAM);
    EXPECT_EQ(object, nullptr);
}

TEST_F(DirectMusicObjectsTest, TheDirectMusicObjectListsPortsUntilSFalse) {
    host::SetDirectMusicPorts({host::DefaultDirectMusicPorts()[0], {host::DMUS_PC_INPUTCLASS, 0, u"In"}});
    auto* music = Make<host::IDirectMusic>(&host::CreateDirectMusicCom, host::IID_IDirectMusic);
    void* object = nullptr;
    ASSERT_EQ(music->QueryInterface(host::IID_IDirectMusic8, &object), host::S_OK);
    auto* music8 = static_cast<host::IDirectMusic8*>(object);
    EXPECT_EQ(music->QueryInterface(host::IID_IDirectMusicLoader8, &object), host::E_NOINTERFACE);
    host::DMUS_PORTCAPS caps;
    ASSERT_EQ(music8->EnumPort(0, &caps), host::S_OK);
    EXPECT_EQ(caps.dwClass, host::DMUS_PC_OUTPUTCLASS);
    EXPECT_TRUE(caps.dwFlags & host::DMUS_PC_SOFTWARESYNTH);
    EXPECT_EQ(std::u16string(caps.wszDescription), u"Orvik Software Synthesizer (FluidSynth)");
    ASSERT_EQ(music8->EnumPort(1, &caps), host::S_OK);
    EXPECT_EQ(caps.dwClass, host::DMUS_PC_INPUTCLASS);
    EXPECT_EQ(music8->EnumPort(2, &caps), host::S_FALSE);
    caps.dwSize = 4;
    EXPECT_EQ(music8->EnumPort(0, &caps), host::E_INVALIDARG);
    music8->Release();
    EXPECT_EQ(music->Release(), 0u);
}

TEST_F(DirectMusicObjectsTest, ThePerformanceChecksItsAudioSetUpAndDownloads) {
    host::SetMixerOutputRate(48000);
    auto* performance =
        Make<host::IDirectMusicPerformance8>(&host::CreateDirectMusicPerformanceCom, host::IID_IDirectMusicPerformance8);
    host::IDirectMusicSegment8* segment = Segment(orvik_test::OneNoteFile(60, 96));
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), host::DMUS_E_NOT_INIT);
    EXPECT_EQ(segment->Download(performance), host::DMUS_E_NOT_INIT);
    host::DMUS_AUDIOPARAMS params;
    params.dwSize = 36;
    host::IDirectSound* device = nullptr;
    EXPECT_EQ(performance->InitAudio(nullptr, &device, nullptr, 1, 64, host::DMUS_AUDIOF_ALL, &params), host::E_INVALIDARG);
    params = host::DMUS_AUDIOPARAMS{};
    EXPECT_EQ(performance->InitAudio(nullptr, &device, nullptr, host::DMUS_APATH_DYNAMIC_3D, 64, 0, &params),
              host::E_INVALIDARG);
    EXPECT_EQ(performance->InitAudio(nullptr, &device, nullptr, 1, 0, 0, &params), host::E_INVALIDARG) << "no channels";
    params.dwValidData = host::DMUS_AUDIOPARAMS_SAMPLERATE;
    params.dwSampleRate = 44100;
    ASSERT_EQ(performance->InitAudio(nullptr, &device, nullptr, 1, 64, host::DMUS_AUDIOF_ALL, &params), host::S_OK);
    ASSERT_NE(device, nullptr) << "a device made and handed back";
    EXPECT_EQ(params.dwSampleRate, 48000u) << "the mixer's rate";
    EXPECT_EQ(performance->InitAudio(nullptr, &device, nullptr, 1, 64, 0, nullptr), host::DMUS_E_ALREADY_INITED);

    EXPECT_EQ(segment->Unload(performance), host::DMUS_E_NOT_DOWNLOADED_TO_PORT);
    EXPECT_EQ(segment->Download(performance), host::S_OK);
    EXPECT_EQ(segment->Unload(performance), host::S_OK);
    EXPECT_EQ(segment->Unload(performance), host::DMUS_E_NOT_DOWNLOADED_TO_PORT);
    EXPECT_EQ(performance->PlaySegmentEx(performance, host::DMUS_SEGF_SECONDARY, 0, nullptr), host::E_INVALIDARG)
        << "not a segment";
    EXPECT_EQ(performance->PlaySegmentEx(nullptr, 0, 0, nullptr), host::E_POINTER);
    EXPECT_EQ(performance->CloseDown(), host::S_OK);
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), host::DMUS_E_NOT_INIT);
    EXPECT_EQ(performance->Release(), 0u);
    EXPECT_EQ(device->Release(), 0u) << "the performance let go of its own reference";
    segment->Release();
}

TEST_F(DirectMusicObjectsTest, ASegmentPlaysItsRepeatsThenEnds) {
    auto* performance =
        Make<host::IDirectMusicPerformance8>(&host::CreateDirectMusicPerformanceCom, host::IID_IDirectMusicPerformance8);
    ASSERT_EQ(performance->InitAudio(nullptr, nullptr, nullptr, 1, 64, 0, nullptr), host::S_OK);
    host::IDirectMusicSegment8* segment = Segment(orvik_test::OneNoteFile(69, 96));  // half a second
    ASSERT_EQ(segment->SetRepeats(1), host::S_OK);
    ASSERT_EQ(performance->PlaySegmentEx(segment, 0, 0, nullptr), host::S_OK);
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), host::S_FALSE) << "until the mixer's next block";
    EXPECT_GT(MixLevel(4410), 300);
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), host::S_OK);
    MixLevel(22050);
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), host::S_OK) << "playing its repeat";
    EXPECT_GT(MixLevel(4410), 300) << "the note struck again";
    MixLevel(22050);
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), host::S_FALSE) << "ended after two times through";
    ASSERT_EQ(performance->PlaySegmentEx(segment, 0, 0, nullptr), host::S_OK);
    MixLevel(441);
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), host::S_OK);
    EXPECT_EQ(performance->StopEx(segment, 5, 0), host::S_OK) << "a music time gone by stops at once";
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), host::S_FALSE);
    performance->CloseDown();
    EXPECT_EQ(MixLevel(441), 0) << "no longer a source of the mixer";
    performance->Release();
    segment->Release();
}

}  // namespace
