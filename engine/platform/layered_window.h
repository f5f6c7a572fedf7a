// Layered-window output: with the layered-window option each presented frame reaches the
// desktop through UpdateLayeredWindow, the transparent colour becoming holes in the window.
#pragma once
#include <cstdint>

#include "host/gdi/dib_section.h"
#include "host/win/layered_window.h"

namespace orvik {

struct BaseImage;

struct LayeredWindowState {
    // Taken from User32 by name when the window is made; without it nothing is shown.
    decltype(&host::UpdateLayeredWindow) update = nullptr;
    // The window's picture: 32-bit top-down, the frame rows above the client area on top.
    host::HBITMAP dib = nullptr;
    uint32_t* bits = nullptr;
    int32_t width = 0, height = 0;
};

// Looks up UpdateLayeredWindow in User32 (window creation).
void TakeUpdateLayeredWindow();
// Shows the image as the main window's picture. 0; -1 with a log line when the image is
// unusable or the bitmap cannot be made.
int UpdateLayeredMainWindow(const BaseImage& image);
// Deletes the window's bitmap when one was made (window destruction).
void DeleteLayeredWindowBitmap();

}  // namespace orvik
