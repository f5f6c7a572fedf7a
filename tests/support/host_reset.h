// Every host state back to a fresh program's, on the headless backend.
#pragma once
#include "host/backends/backend.h"
#include "host/backends/display_clock.h"
#include "host/backends/headless/headless.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/ddraw/ddraw.h"
#include "host/dinput/dinput.h"
#include "host/dinput/input_devices.h"
#include "host/dmusic/dmusic_config.h"
#include "host/gdi/dib_output.h"
#include "host/gdi/dib_section.h"
#include "host/win/system/clipboard.h"
#include "host/win/system/com.h"
#include "host/win/window/desktop.h"
#include "host/win/window/hooks.h"
#include "host/win/system/imm.h"
#include "host/win/window/layered_window.h"
#include "host/win/system/modules.h"
#include "host/win/system/system_services.h"
#include "host/win/window/window.h"

namespace orvik_test {

inline void ResetHost() {
    host::UseBackend("headless");
    host::ResetWindows();
    host::ResetDesktop();
    host::ResetCursor();
    host::ResetModules();
    host::ResetCom();
    host::ResetInputDevices();
    host::ResetSystemServices();
    host::ResetIme();
    host::ResetClipboard();
    host::ResetWindowsHooks();
    host::headless::Reset();
    host::ResetD3D9Host();
    host::ResetDirectDraw();
    host::ResetDirectMusicHost();
    host::ResetWindowPicture();
    host::ResetDibSections();
    host::ResetLayeredPicture();
    host::SetVerticalBlankRate(60);
    host::SetSystemDeviceFails(host::GUID_SysKeyboard, false);
    host::SetSystemDeviceFails(host::GUID_SysMouse, false);
}

}  // namespace orvik_test
