// What the device can do: the capability record, the formats it accepts for each use,
// and the display modes of the one adapter.
#pragma once
#include <vector>

#include "host/d3d9/d3d9_types.h"

namespace host {

void FillDeviceCaps(D3DCAPS9* caps);
// Formats a display (and so a full-screen back buffer) can use.
bool IsDisplayFormat(D3DFORMAT format);
// D3D_OK when `format` can be made with `usage` as a resource of `type`, else
// D3DERR_NOTAVAILABLE.
HRESULT CheckResourceFormat(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);
// The display modes of a format, in the order the adapter lists them.
std::vector<D3DDISPLAYMODE> AdapterModes(D3DFORMAT format);
D3DDISPLAYMODE AdapterDisplayMode();

}  // namespace host
