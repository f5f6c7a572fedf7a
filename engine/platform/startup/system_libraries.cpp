#include "engine/platform/startup/system_libraries.h"

#include <cstring>
#include <iterator>

namespace orvik {

namespace {
SystemLibraries g_libraries;

const char* const kWs2Names[] = {"WSAGetLastError", "WSAStartup", "WSACleanup", "WSAAsyncSelect",
                                 "gethostbyaddr", "gethostbyname", "gethostname", "ntohs", "htons",
                                 "connect", "socket", "send", "sendto", "recvfrom", "accept",
                                 "closesocket", "shutdown", "listen", "bind", "inet_addr", "recv"};
static_assert(std::size(kWs2Names) == std::size(SystemLibraries{}.ws2Functions));

template <class F>
void Take(host::HMODULE module, F& slot, const char* name) {
    slot = reinterpret_cast<F>(host::GetProcAddress(module, name));
}

// Loads a library once: a library whose handle is already set is not loaded again.
bool Load(host::HMODULE& module, const char* name) {
    if (module) return false;
    module = host::LoadLibraryA(name);
    return module != nullptr;
}

template <size_t N>
void TakeAll(host::HMODULE module, host::FARPROC (&slots)[N], const char* const (&names)[N]) {
    for (size_t i = 0; i < N; ++i) slots[i] = host::GetProcAddress(module, names[i]);
}
void TakeImm(SystemLibraries& l) {
    Take(l.imm32, l.ImmGetContext, "ImmGetContext");
    Take(l.imm32, l.ImmReleaseContext, "ImmReleaseContext");
    Take(l.imm32, l.ImmGetOpenStatus, "ImmGetOpenStatus");
    Take(l.imm32, l.ImmGetConversionStatus, "ImmGetConversionStatus");
    Take(l.imm32, l.ImmNotifyIME, "ImmNotifyIME");
    Take(l.imm32, l.ImmSetOpenStatus, "ImmSetOpenStatus");
    Take(l.imm32, l.ImmGetCandidateListA, "ImmGetCandidateListA");
    Take(l.imm32, l.ImmGetCompositionStringA, "ImmGetCompositionStringA");
    Take(l.imm32, l.ImmSetCompositionStringA, "ImmSetCompositionStringA");
}
}  // namespace

SystemLibraries& Libraries() { return g_libraries; }

void LoadStartupLibraries() {
    auto& l = g_libraries;
    if (Load(l.ws2_32, "ws2_32.dll")) TakeAll(l.ws2_32, l.ws2Functions, kWs2Names);
    if (Load(l.imm32, "Imm32.dll")) TakeImm(l);
    if (Load(l.winmm, "winmm.dll")) {
        Take(l.winmm, l.timeGetTime, "timeGetTime");
        Take(l.winmm, l.timeBeginPeriod, "timeBeginPeriod");
        Take(l.winmm, l.timeEndPeriod, "timeEndPeriod");
        Take(l.winmm, l.timeGetDevCaps, "timeGetDevCaps");
        Take(l.winmm, l.joyGetPosEx, "joyGetPosEx");
        Take(l.winmm, l.joyGetDevCapsA, "joyGetDevCapsA");
        Take(l.winmm, l.mciSendCommandA, "mciSendCommandA");
    }
    if (Load(l.ole32, "ole32.dll")) {
        Take(l.ole32, l.CoCreateInstance, "CoCreateInstance");
        Take(l.ole32, l.CoTaskMemAlloc, "CoTaskMemAlloc");
        Take(l.ole32, l.CoTaskMemFree, "CoTaskMemFree");
        Take(l.ole32, l.CoInitialize, "CoInitialize");
        Take(l.ole32, l.CoFreeUnusedLibraries, "CoFreeUnusedLibraries");
        Take(l.ole32, l.CoUninitialize, "CoUninitialize");
    }
    if (Load(l.comctl32, "comctl32.dll")) Take(l.comctl32, l.InitCommonControls, "InitCommonControls");
}

void LoadLateLibraries() {
    auto& l = g_libraries;
    if (Load(l.dwmapi, "dwmapi.dll")) Take(l.dwmapi, l.DwmEnableComposition, "DwmEnableComposition");
    if (Load(l.user32, "User32.dll")) Take(l.user32, l.WINNLSEnableIME, "WINNLSEnableIME");
}

host::FARPROC Ws2Function(const char* name) {
    for (size_t i = 0; i < std::size(kWs2Names); ++i)
        if (std::strcmp(kWs2Names[i], name) == 0) return g_libraries.ws2Functions[i];
    return nullptr;
}

void FreeSystemLibraries() {
    auto& l = g_libraries;
    host::HMODULE* order[] = {&l.dwmapi, &l.user32, &l.ws2_32, &l.imm32, &l.winmm, &l.ole32, &l.comctl32};
    for (host::HMODULE* m : order)
        if (*m) host::FreeLibrary(*m);
    // Every handle and function pointer goes with its library.
    l = SystemLibraries{};
}

}  // namespace orvik
