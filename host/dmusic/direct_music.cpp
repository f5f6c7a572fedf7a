#include "host/dmusic/direct_music.h"

#include <algorithm>
#include <new>

#include "host/dmusic/dmusic_config.h"

namespace host {

namespace {

class DirectMusic final : public ComObject<IDirectMusic8> {
public:
    // The interface pointer handed out for `iid`, as the caller will cast it back.
    void* As(REFIID iid) {
        if (iid == IID_IDirectMusic8) return static_cast<IDirectMusic8*>(this);
        return static_cast<IDirectMusic*>(this);
    }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IDirectMusic8 && TakeDirectMusicFault(&DirectMusicFaults::queryDirectMusic8))
            return E_NOINTERFACE;
        if (iid != IID_IDirectMusic && iid != IID_IDirectMusic8) return E_NOINTERFACE;
        AddRef();
        *object = As(iid);
        return S_OK;
    }

    HRESULT EnumPort(uint32_t index, DMUS_PORTCAPS* caps) override {
        if (!caps || caps->dwSize != sizeof(DMUS_PORTCAPS)) return E_INVALIDARG;
        const std::vector<DirectMusicPort> ports = DirectMusicPorts();
        if (index >= ports.size()) return S_FALSE;
        const DirectMusicPort& port = ports[index];
        *caps = DMUS_PORTCAPS{};
        caps->dwFlags = port.flags;
        caps->guidPort[0] = uint8_t(index + 1);
        caps->dwClass = port.portClass;
        caps->dwType = DMUS_PORT_USER_MODE_SYNTH;
        caps->dwMaxChannelGroups = 1000;
        caps->dwMaxVoices = 64;
        caps->dwMaxAudioChannels = 2;
        const size_t units = std::min<size_t>(port.description.size(), DMUS_MAX_DESCRIPTION - 1);
        std::copy_n(port.description.begin(), units, caps->wszDescription);
        return S_OK;
    }
};

}  // namespace

HRESULT CreateDirectMusicCom(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IDirectMusic && iid != IID_IDirectMusic8) return E_NOINTERFACE;
    auto* made = new (std::nothrow) DirectMusic();
    if (!made) return E_OUTOFMEMORY;
    *object = made->As(iid);
    return S_OK;
}

}  // namespace host
