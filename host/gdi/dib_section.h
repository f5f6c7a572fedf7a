// DIB sections: bitmaps whose pixels the program writes directly, selected into a memory
// device context so that other GDI calls (layered-window output) can read them.
#pragma once
#include <cstdint>

#include "host/gdi/dib_output.h"
#include "host/win/system/types.h"

namespace host {

struct BitmapTag;
using HBITMAP = BitmapTag*;

// A bitmap of 32 bits per pixel, top-down or bottom-up (BI_RGB). *bits receives its rows
// (each width x 4 bytes), zero-filled. Null, and *bits null, for any other header or a
// size beyond 16384 on a side.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, uint32_t usage, void** bits, void* section,
                         uint32_t offset);
BOOL DeleteObject(HBITMAP bitmap);
// Selects the bitmap into a memory device context; returns the one selected before (null
// when none). A null bitmap deselects.
HBITMAP SelectObject(HDC dc, HBITMAP bitmap);

// What a device context has selected, for the GDI calls that read from it.
struct DibView {
    const uint32_t* pixels = nullptr;  // row 0 is the top row
    int width = 0, height = 0;
    int64_t pitchPixels = 0;  // from one shown row to the next (negative for bottom-up)
};
// False when the context has no bitmap selected.
bool SelectedDib(HDC dc, DibView* view);

// Number of bitmaps alive (tests check that nothing leaks).
int LiveDibSectionCount();
// Drops every bitmap and selection (between tests).
void ResetDibSections();

}  // namespace host
