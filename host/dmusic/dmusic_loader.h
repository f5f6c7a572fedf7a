// The loader: makes segments from MIDI files on disk or images in memory, and keeps a
// reference to each object it made until it is asked to let it go or is released.
#pragma once

#include "host/dmusic/dmusic_types.h"

namespace host {

class IDirectMusicLoader8 : public IUnknown {
public:
    // The object the description names: its class (DMUS_OBJ_CLASS, a segment) and its
    // data, a file (DMUS_OBJ_FILENAME or DMUS_OBJ_FULLPATH) or a memory image
    // (DMUS_OBJ_MEMORY, read at once and not kept).
    virtual HRESULT GetObject(const DMUS_OBJECTDESC* desc, REFIID iid, void** object) = 0;
    virtual HRESULT LoadObjectFromFile(REFCLSID clsid, REFIID iid, const char16_t* fileName, void** object) = 0;
    // Drops the loader's own reference to an object it made; S_FALSE when it holds none.
    virtual HRESULT ReleaseObjectByUnknown(IUnknown* object) = 0;
};

// The COM class's factory: a loader for IID_IDirectMusicLoader8.
HRESULT CreateDirectMusicLoaderCom(REFIID iid, void** object);

}  // namespace host
