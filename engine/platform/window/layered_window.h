// Layered-window output: with the layered-window option each presented frame reaches the
// desktop through UpdateLayeredWindow, the transparent colour becoming holes in the window.
#pragma once
#include <cstdint>

#include "host/gdi/dib_section.h"
#include "host/win/window/layered_window.h"

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
// Shows the image as the main window's picture. With a source device context the
// picture is the bitmap selected into it instead, the image's size taken as the screen's
// and the transparent colour as the colour key. 0; -1 with a log line when the image is
// unusable, the bitmap cannot be made or the window refuses the picture.
int UpdateLayeredMainWindow(const BaseImage& image, host::HDC source = nullptr);
// Deletes the window's bitmap when one was made (window destruction).
void DeleteLayeredWindowBitmap();

}  // namespace orvik
