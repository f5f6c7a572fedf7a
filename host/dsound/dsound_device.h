// The DirectSound-style device object: cooperative level, capabilities, buffer creation
// and duplication; plus the creation and enumeration entry points.
#pragma once
#include <cstdint>

#include "host/dsound/dsound_buffer.h"
#include "host/dsound/dsound_types.h"

namespace host {

class IDirectSound : public IUnknown {
public:
    IDirectSound(const IDirectSound&) = delete;
    IDirectSound& operator=(const IDirectSound&) = delete;

    uint32_t AddRef() override;
    // The last reference frees the device. Buffers made from it stay valid until their
    // own last Release.
    uint32_t Release() override;

    // Opens a device of the enumeration list; null is the default device. Fails with
    // DSERR_NODRIVER when there is no such device (or none at all).
    HRESULT Initialize(const SoundDeviceGuid* device);
    // Any window that is not null, DSSCL_NORMAL ... DSSCL_WRITEPRIMARY.
    HRESULT SetCooperativeLevel(HWND window, uint32_t level);
    // dwSize must be sizeof(DSCAPS).
    HRESULT GetCaps(DSCAPS* caps);
    // The primary buffer (DSBCAPS_PRIMARYBUFFER, no size, no format; the same object for
    // every request) or a secondary buffer of DSBSIZE_MIN ... DSBSIZE_MAX bytes in a PCM
    // format the device takes. Needs a cooperative level; outer must be null.
    HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, void* outer);
    // A new stopped buffer over the same sample memory, with the same format, flags,
    // volume, pan and frequency, its cursor at 0.
    HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** duplicate);

private:
    friend class IDirectSoundBuffer;
    friend HRESULT CreateDirectSoundObject(IDirectSound** object);
    IDirectSound() = default;
    ~IDirectSound() override;

    uint32_t refs_ = 1;
    bool initialized_ = false;
    uint32_t level_ = 0;
    IDirectSoundBuffer* primary_ = nullptr;
};

// What the COM class of DirectSound makes: an object still to be initialised.
HRESULT CreateDirectSoundObject(IDirectSound** object);
// The class and interface names for the COM registry, and its factory: an uninitialised
// device for IID_IDirectSound, E_NOINTERFACE for any other interface.
inline constexpr std::string_view CLSID_DirectSound = "DirectSound", IID_IDirectSound = "IDirectSound";
HRESULT CreateDirectSoundCom(REFIID iid, void** object);
// Makes and initialises a device object in one call.
HRESULT DirectSoundCreate(const SoundDeviceGuid* device, IDirectSound** object, void* outer);
// Calls back once per device in the list until the callback returns 0.
HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, void* context);

}  // namespace host
