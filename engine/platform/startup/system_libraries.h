// The system libraries the engine loads by name at start-up, with the functions it takes
// from each. A missing library or function leaves a null pointer.
#pragma once
#include "host/clock.h"
#include "host/dinput/joystick.h"
#include "host/mci/mci.h"
#include "host/win/system/com.h"
#include "host/win/system/imm.h"
#include "host/win/system/modules.h"
#include "host/win/system/system_services.h"

namespace orvik {

struct SystemLibraries {
    host::HMODULE ws2_32 = nullptr, imm32 = nullptr, winmm = nullptr, ole32 = nullptr,
                  comctl32 = nullptr, dwmapi = nullptr, user32 = nullptr;
    // winmm
    decltype(&host::timeGetTime) timeGetTime = nullptr;
    decltype(&host::timeBeginPeriod) timeBeginPeriod = nullptr;
    decltype(&host::timeEndPeriod) timeEndPeriod = nullptr;
    decltype(&host::timeGetDevCaps) timeGetDevCaps = nullptr;
    decltype(&host::joyGetPosEx) joyGetPosEx = nullptr;
    decltype(&host::joyGetDevCapsA) joyGetDevCapsA = nullptr;
    decltype(&host::mciSendCommandA) mciSendCommandA = nullptr;
    // ole32
    decltype(&host::CoCreateInstance) CoCreateInstance = nullptr;
    decltype(&host::CoTaskMemAlloc) CoTaskMemAlloc = nullptr;
    decltype(&host::CoTaskMemFree) CoTaskMemFree = nullptr;
    decltype(&host::CoInitialize) CoInitialize = nullptr;
    decltype(&host::CoFreeUnusedLibraries) CoFreeUnusedLibraries = nullptr;
    decltype(&host::CoUninitialize) CoUninitialize = nullptr;
    // comctl32, dwmapi, User32
    decltype(&host::InitCommonControls) InitCommonControls = nullptr;
    decltype(&host::DwmEnableComposition) DwmEnableComposition = nullptr;
    decltype(&host::WINNLSEnableIME) WINNLSEnableIME = nullptr;
    // Imm32
    decltype(&host::ImmGetContext) ImmGetContext = nullptr;
    decltype(&host::ImmReleaseContext) ImmReleaseContext = nullptr;
    decltype(&host::ImmGetOpenStatus) ImmGetOpenStatus = nullptr;
    decltype(&host::ImmGetConversionStatus) ImmGetConversionStatus = nullptr;
    decltype(&host::ImmNotifyIME) ImmNotifyIME = nullptr;
    decltype(&host::ImmSetOpenStatus) ImmSetOpenStatus = nullptr;
    decltype(&host::ImmGetCandidateListA) ImmGetCandidateListA = nullptr;
    decltype(&host::ImmGetCompositionStringA) ImmGetCompositionStringA = nullptr;
    decltype(&host::ImmSetCompositionStringA) ImmSetCompositionStringA = nullptr;
    // ws2_32: the network layer takes its functions by these names.
    host::FARPROC ws2Functions[21] = {};
};

SystemLibraries& Libraries();

// ws2_32, Imm32, winmm, ole32, comctl32 (start-up step 2).
void LoadStartupLibraries();
// dwmapi and User32 (start-up step 10).
void LoadLateLibraries();
// dwmapi, User32, ws2_32, Imm32, winmm, ole32, comctl32, each only if loaded.
void FreeSystemLibraries();
// The ws2_32 function of that name taken at start-up, or null.
host::FARPROC Ws2Function(const char* name);

}  // namespace orvik
