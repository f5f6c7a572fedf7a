#include "engine/platform/window/window_toolbar.h"

#include <vector>

#include "engine/platform/base/log.h"
#include "engine/platform/window/window.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/toolbar.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {
using namespace host;

TBBUTTON HostButton(const ToolbarButtonSetting& b) {
    TBBUTTON out;
    out.iBitmap = b.image;
    out.idCommand = kToolbarCommandBase + b.id;
    out.fsStyle = b.kind == kToolbarSeparator ? BTNS_SEP : BTNS_BUTTON;
    out.fsState = b.disabled ? 0 : TBSTATE_ENABLED;
    return out;
}
}  // namespace

int CreateAppToolbar() {
    auto& w = Window();
    const auto& wanted = w.settings.toolbarButtons;
    if (wanted.empty() || !w.rt.mainWindow) return 0;
    if (wanted.size() > size_t(kToolbarButtonMax))
        return AddLogFormat("ツールバーのボタンが多すぎます(%d 個まで) in CreateAppToolbar", kToolbarButtonMax);
    std::vector<TBBUTTON> buttons;
    for (const ToolbarButtonSetting& b : wanted) buttons.push_back(HostButton(b));
    w.rt.toolbar = CreateToolbarEx(w.rt.mainWindow, 0, buttons.data(), int(buttons.size()));
    if (!w.rt.toolbar) return AddLogText("ツールバーの作成に失敗しました\n");
    SetToolbarBitmap(w.rt.toolbar, w.settings.toolbarBitmap);
    for (size_t i = 0; i < wanted.size(); ++i)
        w.rt.toolbarButtons[i] = ToolbarButton{wanted[i].id, wanted[i].kind, wanted[i].disabled, 0};
    w.rt.toolbarButtonCount = int(wanted.size());
    ShowWindow(w.rt.toolbar, SW_SHOW);
    return 0;
}

void RemoveAppToolbar() {
    auto& rt = Window().rt;
    if (!rt.toolbar) return;
    DeleteAllToolbarButtons();
    DestroyWindow(rt.toolbar);
    rt.toolbar = nullptr;
}

int GetToolbarHeight() {
    RECT r;
    if (!Window().rt.toolbar || !GetWindowRect(Window().rt.toolbar, &r)) return 0;
    return r.bottom - r.top;
}

int FindToolbarButton(int id) {
    auto& rt = Window().rt;
    if (!rt.toolbar) return -1;
    for (int i = 0; i < rt.toolbarButtonCount; ++i) {
        const ToolbarButton& b = rt.toolbarButtons[size_t(i)];
        if (b.id == id && b.kind != kToolbarSeparator) return i;
    }
    return -1;
}

int DeleteAllToolbarButtons() {
    auto& rt = Window().rt;
    if (!rt.toolbar) return -1;
    // From the last button down, so every index still names a button when it is sent.
    for (int i = rt.toolbarButtonCount - 1; i >= 0; --i) SendMessageA(rt.toolbar, TB_DELETEBUTTON, WPARAM(i), 0);
    rt.toolbarButtonCount = 0;
    return 0;
}

void HandleToolbarCommand(int command) {
    int index = FindToolbarButton(command - kToolbarCommandBase);
    if (index < 0) return;
    ToolbarButton& b = Window().rt.toolbarButtons[size_t(index)];
    if (!b.disabled) b.clicked = 1;
}

int TakeToolbarButtonClick(int id) {
    int index = FindToolbarButton(id);
    if (index < 0) return AddLogFormat("ID %d のツールバーボタンがありません in TakeToolbarButtonClick", id);
    ToolbarButton& b = Window().rt.toolbarButtons[size_t(index)];
    int clicked = b.clicked;
    b.clicked = 0;
    return clicked;
}

}  // namespace orvik
