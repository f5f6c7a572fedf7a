// "d3d9.dll" in the table of libraries loaded by name, and presents through the backend.
#pragma once
#include "host/d3d9/device/d3d9_types.h"

namespace host {

// Registers the library's two creation entries, Direct3DCreate9 (Direct3D9* (UINT)) and
// Direct3DCreate9Ex (HRESULT (UINT, Direct3D9**)), and marks the library missing when the
// host has no d3d9 (ORVIK_NO_D3D9 or the settings) and the Ex entry missing when it is
// not exported. Call again after changing the settings.
void RegisterD3D9Module();

struct PresentedFrame;
// A present hook that shows the frame's source rectangle through the active backend
// (which scales it to the window). A backend that fails to show it makes the present
// report a lost device; without a backend the frame is dropped.
HRESULT PresentFrameToBackend(const PresentedFrame& frame);

}  // namespace host
