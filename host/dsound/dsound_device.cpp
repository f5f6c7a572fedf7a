#include "host/dsound/dsound_device.h"

#include <cstring>
#include <mutex>
#include <new>

#include "host/dsound/dsound_state.h"
#include "host/dsound/mixer.h"
#include "host/dsound/pcm_format_rules.h"

namespace host {
namespace {

using Guard = std::lock_guard<std::recursive_timed_mutex>;

bool SameDevice(const SoundDeviceInfo& d, const SoundDeviceGuid* guid) {
    if (!guid) return true;  // the default device: the first one listed
    return !d.isDefault && std::memcmp(d.guid.bytes, guid->bytes, sizeof guid->bytes) == 0;
}

}  // namespace

HRESULT CreateDirectSoundObject(IDirectSound** object) {
    if (!object) return DSERR_INVALIDPARAM;
    *object = nullptr;
    Guard guard(DirectSoundLock());
    if (TakeFault(DsState().faults.create)) return DSERR_NODRIVER;
    *object = new (std::nothrow) IDirectSound();
    return *object ? DS_OK : DSERR_OUTOFMEMORY;
}

HRESULT CreateDirectSoundCom(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IDirectSound) return E_NOINTERFACE;
    IDirectSound* made = nullptr;
    const HRESULT hr = CreateDirectSoundObject(&made);
    *object = made;
    return hr;
}

HRESULT DirectSoundCreate(const SoundDeviceGuid* device, IDirectSound** object, void* outer) {
    if (!object) return DSERR_INVALIDPARAM;
    *object = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    IDirectSound* made = nullptr;
    HRESULT hr = CreateDirectSoundObject(&made);
    if (hr < 0) return hr;
    hr = made->Initialize(device);
    if (hr < 0) {
        made->Release();
        return hr;
    }
    *object = made;
    return DS_OK;
}

HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, void* context) {
    if (!callback) return DSERR_INVALIDPARAM;
    std::vector<SoundDeviceInfo> devices;
    {
        Guard guard(DirectSoundLock());
        devices = DsState().devices;
    }
    for (const SoundDeviceInfo& d : devices) {
        if (!callback(d.isDefault ? nullptr : &d.guid, d.description.c_str(), d.module.c_str(),
                      context))
            break;
    }
    return DS_OK;
}

IDirectSound::~IDirectSound() {
    if (primary_) primary_->owner_ = nullptr;
}

uint32_t IDirectSound::AddRef() {
    Guard guard(DirectSoundLock());
    return ++refs_;
}

uint32_t IDirectSound::Release() {
    Guard guard(DirectSoundLock());
    const uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT IDirectSound::Initialize(const SoundDeviceGuid* device) {
    Guard guard(DirectSoundLock());
    if (initialized_) return DSERR_ALREADYINITIALIZED;
    DirectSoundHostState& s = DsState();
    if (TakeFault(s.faults.initialize)) return DSERR_NODRIVER;
    bool found = false;
    for (const SoundDeviceInfo& d : s.devices) found = found || SameDevice(d, device);
    if (!found) return DSERR_NODRIVER;
    initialized_ = true;
    return DS_OK;
}

HRESULT IDirectSound::SetCooperativeLevel(HWND window, uint32_t level) {
    Guard guard(DirectSoundLock());
    if (!initialized_) return DSERR_UNINITIALIZED;
    if (!window || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
    if (TakeFault(DsState().faults.cooperativeLevel)) return DSERR_ALLOCATED;
    level_ = level;
    return DS_OK;
}

HRESULT IDirectSound::GetCaps(DSCAPS* caps) {
    Guard guard(DirectSoundLock());
    if (!initialized_) return DSERR_UNINITIALIZED;
    if (!caps || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
    *caps = DsState().caps;
    caps->dwSize = sizeof(DSCAPS);
    return DS_OK;
}

HRESULT IDirectSound::CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                                        void* outer) {
    if (!buffer) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    Guard guard(DirectSoundLock());
    if (!initialized_) return DSERR_UNINITIALIZED;
    if (!desc || (desc->dwSize != sizeof(DSBUFFERDESC) && desc->dwSize != DSBUFFERDESC_SIZE32))
        return DSERR_INVALIDPARAM;
    if (level_ == 0) return DSERR_PRIOLEVELNEEDED;
    DirectSoundHostState& s = DsState();
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
        if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
        if (TakeFault(s.faults.primaryBuffer)) return DSERR_OUTOFMEMORY;
        if (primary_) {
            primary_->refs_++;
        } else {
            primary_ = IDirectSoundBuffer::MakePrimary(this);
            if (!primary_) return DSERR_OUTOFMEMORY;
        }
        *buffer = primary_;
        return DS_OK;
    }
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
        return DSERR_INVALIDPARAM;
    const HRESULT hr = CheckPcmFormat(desc->lpwfxFormat, s.caps, false);
    if (hr != DS_OK) return hr;
    if (desc->dwBufferBytes < desc->lpwfxFormat->nBlockAlign) return DSERR_INVALIDPARAM;
    if (TakeFault(s.faults.secondaryBuffer)) return DSERR_OUTOFMEMORY;
    *buffer = IDirectSoundBuffer::MakeSecondary(*desc);
    return *buffer ? DS_OK : DSERR_OUTOFMEMORY;
}

HRESULT IDirectSound::DuplicateSoundBuffer(IDirectSoundBuffer* original,
                                           IDirectSoundBuffer** duplicate) {
    if (!duplicate) return DSERR_INVALIDPARAM;
    *duplicate = nullptr;
    Guard guard(DirectSoundLock());
    if (!initialized_) return DSERR_UNINITIALIZED;
    if (!original) return DSERR_INVALIDPARAM;
    if (original->primary_) return DSERR_INVALIDCALL;
    if (TakeFault(DsState().faults.duplicate)) return DSERR_OUTOFMEMORY;
    *duplicate = original->Duplicate();
    return *duplicate ? DS_OK : DSERR_OUTOFMEMORY;
}

}  // namespace host
