// Vertex declarations read by the fixed-function pipeline: the layout a declaration gives
// when it says what a flexible vertex format could (one stream; a position first; normal,
// colours and texture coordinate sets anywhere in the vertex).
#pragma once
#include <vector>

#include "host/d3d9/shader_types.h"
#include "host/d3d9/vertex_pipeline.h"

namespace host {

// Not valid for elements the fixed-function pipeline has no place for (other streams,
// blend weights, tangents...), a position not at the start, or texture coordinate sets
// with gaps between them.
FvfLayout LayoutOfDeclaration(const std::vector<D3DVERTEXELEMENT9>& elements);

}  // namespace host
