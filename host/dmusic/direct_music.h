// The DirectMusic object: the list of the machine's music ports. The performance makes
// its own synthesiser port, so a program asks this object only what ports there are.
#pragma once
#include <cstdint>

#include "host/dmusic/dmusic_types.h"

namespace host {

class IDirectMusic : public IUnknown {
public:
    // IID_IDirectMusic or IID_IDirectMusic8 (both this object, with one more reference).
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    // The port at `index` into caps (its dwSize must be sizeof(DMUS_PORTCAPS)): S_OK, or
    // S_FALSE past the last port.
    virtual HRESULT EnumPort(uint32_t index, DMUS_PORTCAPS* caps) = 0;
};

class IDirectMusic8 : public IDirectMusic {};

// The COM class's factory: a DirectMusic object for IID_IDirectMusic or IID_IDirectMusic8.
HRESULT CreateDirectMusicCom(REFIID iid, void** object);

}  // namespace host
