#include "host/win/system/builtin_modules.h"

#include "host/acm/acm.h"
#include "host/clock.h"
#include "host/d3d9/device/direct3d9.h"
#include "host/ddraw/ddraw.h"
#include "host/dinput/dinput.h"
#include "host/dmusic/direct_music.h"
#include "host/dmusic/dmusic_loader.h"
#include "host/dmusic/dmusic_performance.h"
#include "host/dinput/joystick.h"
#include "host/dsound/dsound_device.h"
#include "host/graph/graph_classes.h"
#include "host/mci/mci.h"
#include "host/win/system/imm.h"
#include "host/win/window/layered_window.h"
#include "host/win/system/system_services.h"
#include "host/winsock/winsock.h"

namespace host {

namespace {
const BuiltinExport kExports[] = {
    {"winmm", "timeGetTime", AsProc(&timeGetTime)},
    {"winmm", "timeBeginPeriod", AsProc(&timeBeginPeriod)},
    {"winmm", "timeEndPeriod", AsProc(&timeEndPeriod)},
    {"winmm", "timeGetDevCaps", AsProc(&timeGetDevCaps)},
    {"winmm", "joyGetPosEx", AsProc(&joyGetPosEx)},
    {"winmm", "joyGetDevCapsA", AsProc(&joyGetDevCapsA)},
    {"winmm", "mciSendCommandA", AsProc(&mciSendCommandA)},
    {"ole32", "CoInitialize", AsProc(&CoInitialize)},
    {"ole32", "CoUninitialize", AsProc(&CoUninitialize)},
    {"ole32", "CoCreateInstance", AsProc(&CoCreateInstance)},
    {"ole32", "CoTaskMemAlloc", AsProc(&CoTaskMemAlloc)},
    {"ole32", "CoTaskMemFree", AsProc(&CoTaskMemFree)},
    {"ole32", "CoFreeUnusedLibraries", AsProc(&CoFreeUnusedLibraries)},
    {"comctl32", "InitCommonControls", AsProc(&InitCommonControls)},
    {"dwmapi", "DwmEnableComposition", AsProc(&DwmEnableComposition)},
    {"user32", "WINNLSEnableIME", AsProc(&WINNLSEnableIME)},
    {"user32", "UpdateLayeredWindow", AsProc(&UpdateLayeredWindow)},
    {"imm32", "ImmGetContext", AsProc(&ImmGetContext)},
    {"imm32", "ImmReleaseContext", AsProc(&ImmReleaseContext)},
    {"imm32", "ImmGetOpenStatus", AsProc(&ImmGetOpenStatus)},
    {"imm32", "ImmGetConversionStatus", AsProc(&ImmGetConversionStatus)},
    {"imm32", "ImmNotifyIME", AsProc(&ImmNotifyIME)},
    {"imm32", "ImmSetOpenStatus", AsProc(&ImmSetOpenStatus)},
    {"imm32", "ImmGetCandidateListA", AsProc(&ImmGetCandidateListA)},
    {"imm32", "ImmGetCompositionStringA", AsProc(&ImmGetCompositionStringA)},
    {"imm32", "ImmSetCompositionStringA", AsProc(&ImmSetCompositionStringA)},
    {"kernel32", "GlobalMemoryStatusEx", AsProc(&GlobalMemoryStatusEx)},
    {"ws2_32", "WSAGetLastError", AsProc(&WSAGetLastError)},
    {"ws2_32", "WSAStartup", AsProc(&WSAStartup)},
    {"ws2_32", "WSACleanup", AsProc(&WSACleanup)},
    {"ws2_32", "WSAAsyncSelect", AsProc(&WSAAsyncSelect)},
    {"ws2_32", "ntohs", AsProc(&ntohs)},
    {"ws2_32", "htons", AsProc(&htons)},
    {"ws2_32", "inet_addr", AsProc(&inet_addr)},
    {"ws2_32", "socket", AsProc(&socket)},
    {"ws2_32", "bind", AsProc(&bind)},
    {"ws2_32", "listen", AsProc(&listen)},
    {"ws2_32", "accept", AsProc(&accept)},
    {"ws2_32", "connect", AsProc(&connect)},
    {"ws2_32", "recv", AsProc(&recv)},
    {"ws2_32", "send", AsProc(&send)},
    {"ws2_32", "closesocket", AsProc(&closesocket)},
    {"ws2_32", "sendto", AsProc(&sendto)},
    {"ws2_32", "recvfrom", AsProc(&recvfrom)},
    {"ws2_32", "gethostbyname", AsProc(&gethostbyname)},
    {"ws2_32", "gethostbyaddr", AsProc(&gethostbyaddr)},
    {"ws2_32", "gethostname", AsProc(&gethostname)},
    {"d3d9", "Direct3DCreate9", AsProc(&Direct3DCreate9)},
    {"d3d9", "Direct3DCreate9Ex", AsProc(&Direct3DCreate9Ex)},
    {"dsound", "DirectSoundCreate", AsProc(&DirectSoundCreate)},
    {"dsound", "DirectSoundEnumerateA", AsProc(&DirectSoundEnumerateA)},
    {"msacm32", "acmFormatSuggest", AsProc(&acmFormatSuggest)},
    {"msacm32", "acmStreamOpen", AsProc(&acmStreamOpen)},
    {"msacm32", "acmStreamClose", AsProc(&acmStreamClose)},
    {"msacm32", "acmMetrics", AsProc(&acmMetrics)},
    {"msacm32", "acmStreamPrepareHeader", AsProc(&acmStreamPrepareHeader)},
    {"msacm32", "acmStreamConvert", AsProc(&acmStreamConvert)},
    {"msacm32", "acmStreamUnprepareHeader", AsProc(&acmStreamUnprepareHeader)},
    {"msacm32", "acmStreamSize", AsProc(&acmStreamSize)},
};

const BuiltinComClass kComClasses[] = {
    {CLSID_DirectInput, &CreateDirectInput7},
    {CLSID_DirectInput8, &CreateDirectInput8},
    {CLSID_DirectDraw7, &CreateDirectDraw7},
    {CLSID_DirectSound, &CreateDirectSoundCom},
    {CLSID_DirectMusic, &CreateDirectMusicCom},
    {CLSID_DirectMusicLoader, &CreateDirectMusicLoaderCom},
    {CLSID_DirectMusicPerformance, &CreateDirectMusicPerformanceCom},
    {CLSID_FilterGraph, &graph::CreateFilterGraph},
    {CLSID_NullRenderer, &graph::CreateNullRenderer},
};
}  // namespace

std::span<const BuiltinExport> BuiltinExports() { return kExports; }
std::span<const BuiltinComClass> BuiltinComClasses() { return kComClasses; }

}  // namespace host
