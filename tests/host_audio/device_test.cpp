// The device object: creation that can be made to fail, cooperative level, capabilities,
// the device list, the primary buffer's format rules and secondary buffer validation.
#include <string>

#include "dsound_fixture.h"

namespace audio_test {
namespace {

using host::DS_OK;
using DeviceTest = DsoundTest;

TEST(DeviceCreation, FailuresCanBeInjectedOncePerCountedCall) {
    host::ResetDirectSoundHost();
    host::IDirectSound* ds = reinterpret_cast<host::IDirectSound*>(uintptr_t(8));
    host::DirectSoundFaults faults;
    faults.create = 1;
    faults.initialize = 1;
    host::SetDirectSoundFaults(faults);
    EXPECT_LT(host::DirectSoundCreate(nullptr, &ds, nullptr), 0);
    EXPECT_EQ(ds, nullptr);
    EXPECT_EQ(host::DirectSoundCreate(nullptr, &ds, nullptr), host::DSERR_NODRIVER);  // initialize
    ASSERT_EQ(host::DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    EXPECT_EQ(ds->Initialize(nullptr), host::DSERR_ALREADYINITIALIZED);
    ds->Release();

    // An object made by the class factory must be initialised before use.
    ASSERT_EQ(host::CreateDirectSoundObject(&ds), DS_OK);
    host::DSCAPS caps;
    EXPECT_EQ(ds->GetCaps(&caps), host::DSERR_UNINITIALIZED);
    EXPECT_EQ(ds->SetCooperativeLevel(AnyWindow(), host::DSSCL_PRIORITY), host::DSERR_UNINITIALIZED);
    ds->Release();
    int dummy = 0;
    EXPECT_EQ(host::DirectSoundCreate(nullptr, &ds, &dummy), host::DSERR_NOAGGREGATION);
}

TEST(DeviceCreation, TheComClassMakesAnUninitialisedDeviceForItsInterfaceOnly) {
    host::ResetDirectSoundHost();
    host::RegisterComClass(host::CLSID_DirectSound, host::CreateDirectSoundCom);
    ASSERT_GE(host::CoInitialize(nullptr), 0);
    void* object = nullptr;
    EXPECT_EQ(host::CoCreateInstance(host::CLSID_DirectSound, nullptr, host::CLSCTX_ALL, "IDirectSound8",
                                     &object),
              host::E_NOINTERFACE);
    ASSERT_EQ(host::CoCreateInstance(host::CLSID_DirectSound, nullptr, host::CLSCTX_ALL,
                                     host::IID_IDirectSound, &object),
              DS_OK);
    auto* ds = static_cast<host::IDirectSound*>(object);
    EXPECT_EQ(ds->Initialize(nullptr), DS_OK);
    ds->Release();
    host::DirectSoundFaults faults;
    faults.create = 1;
    host::SetDirectSoundFaults(faults);
    EXPECT_LT(host::CoCreateInstance(host::CLSID_DirectSound, nullptr, host::CLSCTX_ALL,
                                     host::IID_IDirectSound, &object),
              0);
    EXPECT_EQ(object, nullptr);
    host::CoUninitialize();
    host::ResetCom();
}

TEST(DeviceCreation, InitializeFindsTheDeviceInTheList) {
    host::ResetDirectSoundHost();
    host::SoundDeviceInfo card;
    card.guid.bytes[0] = 7;
    card.description = "Card";
    card.module = "card.sys";
    host::SetSoundDevices({card});
    host::IDirectSound* ds = nullptr;
    ASSERT_EQ(host::DirectSoundCreate(&card.guid, &ds, nullptr), DS_OK);
    ds->Release();
    host::SoundDeviceGuid other;
    other.bytes[0] = 8;
    EXPECT_EQ(host::DirectSoundCreate(&other, &ds, nullptr), host::DSERR_NODRIVER);
    host::SetSoundDevices({});
    EXPECT_EQ(host::DirectSoundCreate(nullptr, &ds, nullptr), host::DSERR_NODRIVER);
    host::ResetDirectSoundHost();
}

struct Listed {
    bool hasGuid;
    std::string description, module;
};

host::BOOL Collect(const host::SoundDeviceGuid* guid, const char* description, const char* module,
                   void* context) {
    auto* list = static_cast<std::vector<Listed>*>(context);
    list->push_back({guid != nullptr, description, module});
    return list->size() < 2;  // stop after two
}

TEST(DeviceEnumeration, ListsTheDevicesSetInOrderUntilTheCallbackStops) {
    host::ResetDirectSoundHost();
    std::vector<Listed> listed;
    ASSERT_EQ(host::DirectSoundEnumerateA(Collect, &listed), DS_OK);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_FALSE(listed[0].hasGuid);  // the default device comes without an identity
    EXPECT_EQ(listed[0].description, "Primary Sound Driver");
    EXPECT_TRUE(listed[1].hasGuid);

    std::vector<host::SoundDeviceInfo> devices(3);
    devices[0].isDefault = true;
    devices[0].description = "Primary";
    devices[1].description = "Speakers";
    devices[1].module = "spk.drv";
    devices[2].description = "Headphones";
    host::SetSoundDevices(devices);
    listed.clear();
    ASSERT_EQ(host::DirectSoundEnumerateA(Collect, &listed), DS_OK);
    ASSERT_EQ(listed.size(), 2u);  // the callback asked to stop
    EXPECT_EQ(listed[1].description, "Speakers");
    EXPECT_EQ(listed[1].module, "spk.drv");
    host::ResetDirectSoundHost();
}

TEST_F(DeviceTest, CapsAreTheInjectedOnesAndNeedTheirSize) {
    host::DSCAPS injected = host::DefaultDirectSoundCaps();
    injected.dwFlags = host::DSCAPS_PRIMARYMONO | host::DSCAPS_PRIMARY8BIT;
    injected.dwMaxSecondarySampleRate = 48000;
    injected.dwTotalHwMemBytes = 4096;
    host::SetDirectSoundCaps(injected);
    host::DSCAPS caps;
    ASSERT_EQ(ds_->GetCaps(&caps), DS_OK);
    EXPECT_EQ(caps.dwFlags, injected.dwFlags);
    EXPECT_EQ(caps.dwMaxSecondarySampleRate, 48000u);
    EXPECT_EQ(caps.dwTotalHwMemBytes, 4096u);
    caps.dwSize = 95;
    EXPECT_EQ(ds_->GetCaps(&caps), host::DSERR_INVALIDPARAM);
}

TEST_F(DeviceTest, CooperativeLevelGatesBuffersAndThePrimaryFormat) {
    EXPECT_EQ(ds_->SetCooperativeLevel(nullptr, host::DSSCL_PRIORITY), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(ds_->SetCooperativeLevel(AnyWindow(), 0), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(ds_->SetCooperativeLevel(AnyWindow(), 5), host::DSERR_INVALIDPARAM);
    host::DirectSoundFaults faults;
    faults.cooperativeLevel = -1;
    host::SetDirectSoundFaults(faults);
    EXPECT_LT(ds_->SetCooperativeLevel(AnyWindow(), host::DSSCL_PRIORITY), 0);
    host::SetDirectSoundFaults({});

    host::IDirectSound* fresh = nullptr;
    ASSERT_EQ(host::DirectSoundCreate(nullptr, &fresh, nullptr), DS_OK);
    host::DSBUFFERDESC desc;
    desc.dwFlags = host::DSBCAPS_PRIMARYBUFFER;
    host::IDirectSoundBuffer* primary = nullptr;
    EXPECT_EQ(fresh->CreateSoundBuffer(&desc, &primary, nullptr), host::DSERR_PRIOLEVELNEEDED);
    ASSERT_EQ(fresh->SetCooperativeLevel(AnyWindow(), host::DSSCL_NORMAL), DS_OK);
    ASSERT_EQ(fresh->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    const host::WAVEFORMATEX f = Pcm(2, 44100, 16);
    EXPECT_EQ(primary->SetFormat(&f), host::DSERR_PRIOLEVELNEEDED);
    ASSERT_EQ(fresh->SetCooperativeLevel(AnyWindow(), host::DSSCL_PRIORITY), DS_OK);
    EXPECT_EQ(primary->SetFormat(&f), DS_OK);
    primary->Release();
    fresh->Release();
}

TEST_F(DeviceTest, PrimaryBufferIsOneObjectWhoseFormatTheCapsBound) {
    host::DSBUFFERDESC desc;
    desc.dwFlags = host::DSBCAPS_PRIMARYBUFFER;
    host::IDirectSoundBuffer* primary = nullptr;
    host::IDirectSoundBuffer* again = nullptr;
    ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &again, nullptr), DS_OK);
    EXPECT_EQ(primary, again);
    again->Release();
    const host::WAVEFORMATEX stereo16 = Pcm(2, 44100, 16);
    desc.lpwfxFormat = &stereo16;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &again, nullptr), host::DSERR_INVALIDPARAM);

    // A device limited to mono, 8 bits and 22050 Hz.
    host::DSCAPS caps = host::DefaultDirectSoundCaps();
    caps.dwFlags = host::DSCAPS_PRIMARYMONO | host::DSCAPS_PRIMARY8BIT;
    caps.dwMaxSecondarySampleRate = 22050;
    host::SetDirectSoundCaps(caps);
    EXPECT_EQ(primary->SetFormat(&stereo16), host::DSERR_BADFORMAT);
    const host::WAVEFORMATEX mono16 = Pcm(1, 22050, 16);
    EXPECT_EQ(primary->SetFormat(&mono16), host::DSERR_BADFORMAT);
    const host::WAVEFORMATEX mono8fast = Pcm(1, 44100, 8);
    EXPECT_EQ(primary->SetFormat(&mono8fast), host::DSERR_BADFORMAT);
    host::WAVEFORMATEX mono8 = Pcm(1, 22050, 8);
    mono8.nBlockAlign = 2;
    EXPECT_EQ(primary->SetFormat(&mono8), host::DSERR_INVALIDPARAM);
    mono8 = Pcm(1, 22050, 8);
    mono8.nAvgBytesPerSec = 44100;
    EXPECT_EQ(primary->SetFormat(&mono8), host::DSERR_INVALIDPARAM);
    mono8 = Pcm(1, 22050, 8);
    mono8.cbSize = 22;  // extra bytes are not kept
    ASSERT_EQ(primary->SetFormat(&mono8), DS_OK);
    host::WAVEFORMATEX got;
    uint32_t written = 0;
    ASSERT_EQ(primary->GetFormat(&got, sizeof got, &written), DS_OK);
    EXPECT_EQ(written, 18u);
    mono8.cbSize = 0;
    EXPECT_EQ(std::memcmp(&got, &mono8, 18), 0);

    // The primary buffer carries the format only.
    void* p = nullptr;
    uint32_t n = 0;
    EXPECT_LT(primary->Lock(0, 4, &p, &n, nullptr, nullptr, 0), 0);
    EXPECT_EQ(primary->Play(0, 0, 0), host::DSERR_INVALIDPARAM);  // only as a loop
    primary->Release();
}

TEST_F(DeviceTest, SecondaryBuffersAreCheckedAsADeviceChecksThem) {
    EXPECT_NE(Make(Pcm(1, 8000, 8), 4), nullptr);
    EXPECT_NE(Make(Pcm(2, 96000, 16), 4), nullptr);
    EXPECT_NE(Make(Pcm(2, 100, 16), 1 << 20), nullptr);
    EXPECT_NE(Make(Pcm(2, 44100, 16), 6), nullptr);  // a partial frame is never played

    EXPECT_EQ(Make(Pcm(1, 44100, 16), 3), nullptr);   // under DSBSIZE_MIN
    EXPECT_EQ(Make(Pcm(1, 99, 16), 100), nullptr);
    EXPECT_EQ(Make(Pcm(1, 200001, 16), 100), nullptr);
    EXPECT_EQ(Make(Pcm(3, 44100, 16), 100), nullptr);
    EXPECT_EQ(Make(Pcm(1, 44100, 24), 100), nullptr);
    host::WAVEFORMATEX adpcm = Pcm(1, 44100, 16);
    adpcm.wFormatTag = 2;
    EXPECT_EQ(Make(adpcm, 100), nullptr);

    host::DSBUFFERDESC desc;
    host::IDirectSoundBuffer* b = nullptr;
    desc.dwBufferBytes = 100;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), host::DSERR_INVALIDPARAM);  // no format
    const host::WAVEFORMATEX f = Pcm(2, 44100, 16);
    desc.lpwfxFormat = &f;
    desc.dwSize = 20;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), host::DSERR_INVALIDPARAM);
    desc.dwSize = 36;  // the 32-bit layout's size
    ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
    b->Release();

    // A device without 8-bit secondary buffers refuses them.
    host::DSCAPS caps = host::DefaultDirectSoundCaps();
    caps.dwFlags &= ~host::DSCAPS_SECONDARY8BIT;
    host::SetDirectSoundCaps(caps);
    EXPECT_EQ(Make(Pcm(1, 22050, 8), 100), nullptr);

    // Injected failures: creation (once), duplication and locking.
    host::SetDirectSoundCaps(host::DefaultDirectSoundCaps());
    host::DirectSoundFaults faults;
    faults.secondaryBuffer = 1;
    faults.duplicate = 1;
    faults.lock = 1;
    host::SetDirectSoundFaults(faults);
    EXPECT_EQ(Make(f, 100), nullptr);
    host::IDirectSoundBuffer* ok = Make(f, 100);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(Duplicate(ok), nullptr);
    EXPECT_NE(Duplicate(ok), nullptr);
    void* p = nullptr;
    uint32_t n = 0;
    EXPECT_EQ(ok->Lock(0, 4, &p, &n, nullptr, nullptr, 0), host::DSERR_BUFFERLOST);
    EXPECT_EQ(ok->Lock(0, 4, &p, &n, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(ok->Unlock(p, n, nullptr, 0), DS_OK);
}

}  // namespace
}  // namespace audio_test
