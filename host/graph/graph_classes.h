// The graph's COM classes and the system filters it renders with.
#pragma once
#include <string>

#include "host/graph/filter_base.h"

namespace host::graph {

// COM factories of CLSID_FilterGraph and CLSID_NullRenderer.
HRESULT CreateFilterGraph(REFIID iid, void** object);
HRESULT CreateNullRenderer(REFIID iid, void** object);

// System filters, each with one reference for the caller.
Filter* MakeMpegAudioDecoder();
Filter* MakeAudioRenderer();
// The source of a media file (one reference for the caller), or null with *result set
// when FFmpeg cannot read it.
Filter* MakeFileSource(const std::string& path, HRESULT* result);

}  // namespace host::graph
