// Window regions: rectangles a window is cut to. A region given to a window belongs to
// the window from then on; the caller must not delete it.
#pragma once
#include <cstddef>

#include "host/win/system/types.h"

namespace host {

struct RegionTag;
using HRGN = RegionTag*;

// Results of GetWindowRgnBox.
constexpr int RGN_ERROR = 0, SIMPLEREGION = 2;

HRGN CreateRectRgn(int left, int top, int right, int bottom);
// 0 for a region that is not live (already given away or deleted).
BOOL DeleteObject(HRGN region);
// Cuts the window to the region (null: no cut) and takes the region over. 0, with the
// region left to the caller, for an unknown window or region.
int SetWindowRgn(HWND window, HRGN region, BOOL redraw);
// The window's cut rectangle in window coordinates: SIMPLEREGION, or RGN_ERROR when the
// window has none or is unknown.
int GetWindowRgnBox(HWND window, RECT* box);
// Regions made and not yet deleted or given to a window (tests).
size_t CountLiveRegions();

}  // namespace host
