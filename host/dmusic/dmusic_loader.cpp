#include "host/dmusic/dmusic_loader.h"

#include <algorithm>
#include <vector>

#include "host/dmusic/dmusic_segment.h"
#include "host/mci/midi_file.h"
#include "host/win/system/wide_text.h"

namespace host {

namespace {

// The bytes a description points at: its memory image, or its file read whole.
HRESULT DescribedData(const DMUS_OBJECTDESC& desc, std::vector<uint8_t>* bytes) {
    if (desc.dwValidData & DMUS_OBJ_MEMORY) {
        if (!desc.pbMemData || desc.llMemLength <= 0) return E_INVALIDARG;
        bytes->assign(desc.pbMemData, desc.pbMemData + desc.llMemLength);
        return S_OK;
    }
    if (desc.dwValidData & (DMUS_OBJ_FILENAME | DMUS_OBJ_FULLPATH)) {
        const std::string path = Utf16ToUtf8(desc.wszFileName);
        return ReadWholeFile(path.c_str(), bytes) ? S_OK : DMUS_E_LOADER_FAILEDOPEN;
    }
    return E_INVALIDARG;
}

class Loader final : public ComObject<IDirectMusicLoader8> {
public:
    ~Loader() override {
        for (IUnknown* object : cache_) object->Release();
    }

    HRESULT GetObject(const DMUS_OBJECTDESC* desc, REFIID iid, void** object) override {
        if (!desc || !object) return E_POINTER;
        *object = nullptr;
        if (desc->dwSize != sizeof(DMUS_OBJECTDESC)) return E_INVALIDARG;
        if (!(desc->dwValidData & DMUS_OBJ_CLASS) || desc->guidClass != CLSID_DirectMusicSegment)
            return DMUS_E_LOADER_NOCLASSID;
        if (iid != IID_IDirectMusicSegment8) return E_NOINTERFACE;
        std::vector<uint8_t> bytes;
        HRESULT hr = DescribedData(*desc, &bytes);
        if (hr < 0) return hr;
        IDirectMusicSegment8* segment = nullptr;
        hr = CreateSegmentFromMidi(bytes, &segment);
        if (hr < 0) return hr;
        segment->AddRef();
        cache_.push_back(segment);
        *object = segment;
        return S_OK;
    }

    HRESULT LoadObjectFromFile(REFCLSID clsid, REFIID iid, const char16_t* fileName, void** object) override {
        if (!fileName) return E_POINTER;
        DMUS_OBJECTDESC desc;
        desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FULLPATH;
        desc.guidClass = clsid;
        const size_t units = std::char_traits<char16_t>::length(fileName);
        if (units >= DMUS_MAX_FILENAME) return E_INVALIDARG;
        std::copy_n(fileName, units, desc.wszFileName);
        return GetObject(&desc, iid, object);
    }

    HRESULT ReleaseObjectByUnknown(IUnknown* object) override {
        auto at = std::find(cache_.begin(), cache_.end(), object);
        if (!object || at == cache_.end()) return S_FALSE;
        cache_.erase(at);
        object->Release();
        return S_OK;
    }

private:
    std::vector<IUnknown*> cache_;  // one reference each
};

}  // namespace

HRESULT CreateDirectMusicLoaderCom(REFIID iid, void** object) {
    return CreateComObject<IDirectMusicLoader8, Loader>(iid, IID_IDirectMusicLoader8, object);
}

}  // namespace host
