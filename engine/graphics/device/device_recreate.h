// Making the Direct3D device anew when the old one may be lost (the window comes back to
// the front): every graphic keeps its handle and gets new textures, those loaded from
// files get their pixels back, and the draw state is put on the new device.
#pragma once

namespace orvik {

// Re-creates the device with the current settings; when it cannot be made, the software
// renderer runs on. 0.
int RecreateGraphicsDeviceSameMode();
// New textures for every graphic and new buffers for every buffer handle. 0.
int RecreateGraphDeviceObjects();
// The main window became active: in a window a present that fails, in full screen
// always (unless minimised), makes the device anew. 0.
int RestoreDeviceOnActivation(int minimized);

}  // namespace orvik
