// The DirectDraw object (for the vertical blank), the Direct3D object and the device:
// presentation parameters, the format table, capabilities, the back-buffer read-back
// test, the depth buffer and the sub back buffer. Every step writes its result to the log.
#pragma once

namespace orvik {

int CreateDirectDrawObject();
int CreateDirect3D9Object();
int CreateDirect3DDevice9();
int CreateZBuffer();
int CreateSubBackBuffer();
// Dialog boxes over a full-screen device (device path only); 0.
int SetDialogBoxModeFlag(int on);
// Ends a begun scene first.
int SetDialogBoxModeAfterEndScene(int on);
// Releases the swap chain, back buffer and sub back buffer, each when present.
void ReleaseDeviceSurfaces();

}  // namespace orvik
