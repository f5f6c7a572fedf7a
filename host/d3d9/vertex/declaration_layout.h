// Where the fixed-function pipeline finds a vertex's parts: each by usage and usage index
// among a vertex declaration's elements, in any stream, order and declaration type. An
// FVF is read as the declaration it stands for.
#pragma once
#include <span>

#include "host/d3d9/shader/shader_types.h"
#include "host/d3d9/vertex/vertex_pipeline.h"

namespace host {

// Parts the pipeline has no use for (blend weights and indices without vertex blending,
// point sizes, tangents, second positions and normals...) are left out. Not valid without
// a position.
FvfLayout LayoutOfDeclaration(std::span<const D3DVERTEXELEMENT9> elements);

// Not valid without a position, for XYZW (a position for vertex shaders only) or another
// unknown position, or for more texture coordinate sets than the pipeline has.
FvfLayout LayoutOfFvf(DWORD fvf);

}  // namespace host
