// The graph's COM classes and the system filters it renders with.
#pragma once
#include <functional>
#include <string>

#include "host/graph/filter_base.h"

namespace host::graph {

// COM factories of CLSID_FilterGraph and CLSID_NullRenderer.
HRESULT CreateFilterGraph(REFIID iid, void** object);
HRESULT CreateNullRenderer(REFIID iid, void** object);

// System filters, each with one reference for the caller.
Filter* MakeMpegAudioDecoder();
Filter* MakeAudioRenderer();
// Whether a filter downstream takes a media type.
using TypeCheck = std::function<bool(const AM_MEDIA_TYPE& type)>;
// The source of a media file (one reference for the caller), or null with *result set
// (E_FILE_NOT_FOUND when there is no such file) and why in *failure (empty when a filter
// refused its pictures' size, which says why itself) when it cannot be played. Its pictures are decoded only at a size whose video
// type `takes` accepts.
Filter* MakeFileSource(const std::string& path, const TypeCheck& takes, HRESULT* result, std::string* failure);

}  // namespace host::graph
