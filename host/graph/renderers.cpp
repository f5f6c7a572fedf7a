// The null renderer (a COM class): takes any input and drops it.
#include "host/graph/filter_base.h"
#include "host/graph/graph_classes.h"

namespace host::graph {

namespace {

class NullRenderer final : public Filter {
public:
    NullRenderer() : Filter(1) { AddPin(PINDIR_INPUT); }
    bool AcceptsInput(const AM_MEDIA_TYPE&) const override { return true; }
};

}  // namespace

HRESULT CreateNullRenderer(REFIID iid, void** object) {
    if (iid != IID_IBaseFilter) return E_NOINTERFACE;
    *object = static_cast<IBaseFilter*>(new NullRenderer);
    return S_OK;
}

}  // namespace host::graph
