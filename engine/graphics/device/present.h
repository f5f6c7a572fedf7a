// Presentation of the finished frame (the device's swap chain, or the software screen
// through GDI) and pacing to the vertical blank, measured at start-up.
#pragma once
#include <orvik/graphics.h>
#include <cstdint>

#include "host/win/system/types.h"

namespace orvik {

int MeasureRefreshPeriod();
// Sleeps until shortly before the next vertical blank, then waits for it.
int WaitVerticalBlank();
int PresentScreen();
// 1 waits for the blank when presenting (the default), 0 presents at once.
int SetVBlankWaitFlag(int wait);
// With the layered-window option frames go to the window as a per-pixel-alpha picture.
bool PresentsThroughLayeredWindow();
// Reads the screen back and shows it through the layered window. 0 or -1.
int PresentLayeredScreen();
// The 32 ms refresh of the front buffer while it is the draw target.
void FrontBufferTimerProc(host::HWND window, uint32_t message, uintptr_t id, uint32_t time);
constexpr uintptr_t kFrontBufferTimerId = 32767;
constexpr uint32_t kFrontBufferTimerMillis = 32;

}  // namespace orvik
