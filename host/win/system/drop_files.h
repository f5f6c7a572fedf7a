// What the shell hands a window when files are dropped on it: a drop object carrying the
// dropped names, read back by index and given back once read.
#pragma once
#include <string>
#include <vector>

#include "host/win/system/types.h"

namespace host {

struct DropTag;
using HDROP = DropTag*;

// The index that asks DragQueryFileA for the number of names.
constexpr uint32_t kDragQueryCount = 0xFFFFFFFF;

// Makes the drop object a drop of these names carries (as WM_DROPFILES's wParam).
HDROP MakeDrop(std::vector<std::string> names);
// With kDragQueryCount: the number of names. Without a buffer: the name's length. Else
// copies as much of the name as fits with its ending 0 and returns the bytes copied
// (without the 0). 0 for an unknown drop or an index past the end.
uint32_t DragQueryFileA(HDROP drop, uint32_t index, char* buffer, uint32_t size);
// Lets a window take dropped files (WS_EX_ACCEPTFILES) or stops it; only such a window is
// sent WM_DROPFILES.
void DragAcceptFiles(HWND window, BOOL accept);
bool AcceptsDroppedFiles(HWND window);
// Frees the drop object; an unknown one is ignored.
void DragFinish(HDROP drop);
// Drop objects not yet given back (tests).
size_t CountOpenDrops();

}  // namespace host
