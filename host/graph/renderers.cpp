// The renderers: the null renderer (a COM class) takes any input and drops it; the audio
// renderer is the system's choice for sound at the end of a rendered chain. Sound
// reaching it is not played: a graph here only ever decodes.
#include "host/graph/filter_base.h"
#include "host/graph/graph_classes.h"

namespace host::graph {

namespace {

class NullRenderer final : public Filter {
public:
    NullRenderer() : Filter(1) { AddPin(PINDIR_INPUT); }
    bool AcceptsInput(const AM_MEDIA_TYPE&) const override { return true; }
};

class AudioRenderer final : public Filter {
public:
    AudioRenderer() : Filter(1) { AddPin(PINDIR_INPUT); }
    bool AcceptsInput(const AM_MEDIA_TYPE& type) const override {
        return type.majortype == MEDIATYPE_Audio && type.formattype == FORMAT_WaveFormatEx;
    }
};

}  // namespace

Filter* MakeAudioRenderer() { return new AudioRenderer; }

HRESULT CreateNullRenderer(REFIID iid, void** object) {
    if (iid != IID_IBaseFilter) return E_NOINTERFACE;
    *object = static_cast<IBaseFilter*>(new NullRenderer);
    return S_OK;
}

}  // namespace host::graph
