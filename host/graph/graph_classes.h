// The graph's COM classes and the system filters it renders with.
#pragma once
#include "host/graph/filter_base.h"

namespace host::graph {

// COM factories of CLSID_FilterGraph and CLSID_NullRenderer.
HRESULT CreateFilterGraph(REFIID iid, void** object);
HRESULT CreateNullRenderer(REFIID iid, void** object);

// System filters, each with one reference for the caller.
Filter* MakeMpegAudioDecoder();
Filter* MakeAudioRenderer();

}  // namespace host::graph
