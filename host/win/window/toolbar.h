// Toolbars: a child window of fixed height along the top of its parent's client area,
// holding a row of buttons. A pressed button sends WM_COMMAND with its command id to the
// parent, the toolbar window as the message's control.
#pragma once
#include <cstdint>
#include <vector>

#include "host/gdi/dib_section.h"
#include "host/win/system/types.h"

namespace host {

constexpr uint32_t TB_DELETEBUTTON = WM_USER + 22, TB_BUTTONCOUNT = WM_USER + 24;
constexpr uint8_t TBSTATE_ENABLED = 0x04;
constexpr uint8_t BTNS_BUTTON = 0x00, BTNS_SEP = 0x01;
// Every toolbar is this many pixels high; each button picture is a 16 x 15 cell of the
// toolbar's bitmap, the cells side by side from the left.
constexpr int kToolbarHeight = 28;
constexpr int kToolbarImageWidth = 16, kToolbarImageHeight = 15;

struct TBBUTTON {
    int32_t iBitmap = 0;
    int32_t idCommand = 0;
    uint8_t fsState = TBSTATE_ENABLED;
    uint8_t fsStyle = BTNS_BUTTON;
};

// A toolbar as wide as the parent's client area; null without a live parent.
HWND CreateToolbarEx(HWND parent, uint32_t id, const TBBUTTON* buttons, int count);
// The bitmap the buttons' pictures are cut from (TB_ADDBITMAP with one bitmap); the caller
// keeps it alive while the toolbar shows it. FALSE for an unknown toolbar.
BOOL SetToolbarBitmap(HWND toolbar, HBITMAP bitmap);
HBITMAP GetToolbarBitmap(HWND toolbar);
// The toolbar made for `parent`, or null.
HWND FindToolbarOf(HWND parent);
// The buttons the toolbar holds now, in order (tests).
std::vector<TBBUTTON> GetToolbarButtons(HWND toolbar);
// The user presses the button at `index`: an enabled button that is not a separator sends
// its command. False when nothing was sent.
bool PressToolbarButton(HWND toolbar, int index);

}  // namespace host
