// What the device can do: the capability record, the formats it accepts for each use,
// and the display modes of the one adapter.
#pragma once
#include <vector>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

void FillDeviceCaps(D3DCAPS9* caps);
// Formats a display (and so a full-screen back buffer) can use.
bool IsDisplayFormat(D3DFORMAT format);
// D3D_OK when `format` can be made with `usage` as a resource of `type`, else
// D3DERR_NOTAVAILABLE.
HRESULT CheckResourceFormat(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);
// The display modes of a format, in the order the desktop lists them, and the mode the
// display shows now (a 24-bit desktop gives R8G8B8, which no device accepts).
std::vector<D3DDISPLAYMODE> AdapterModes(D3DFORMAT format);
D3DDISPLAYMODE AdapterDisplayMode();
// Colour bits of a display format (0 for others).
int BitsOfDisplayFormat(D3DFORMAT format);

}  // namespace host
