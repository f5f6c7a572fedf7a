// The element types of vertex declarations: their sizes and their values as four floats,
// for the fixed-function fetch and the vertex shader's inputs alike.
#pragma once
#include <cstdint>

#include "host/d3d9/shader/shader_run.h"
#include "host/d3d9/shader/shader_types.h"

namespace host {

// Bytes an element of the type takes (0 for no type).
int DeclTypeSize(BYTE type);
// Components an element of the type gives (0 for no type).
int DeclTypeComponents(BYTE type);
// One element's value; components the type lacks read as 0, and w as 1. D3DCOLOR's
// bytes (blue, green, red, alpha in memory) read as (red, green, blue, alpha).
Vec4 ReadDeclElement(BYTE type, const uint8_t* p);

}  // namespace host
