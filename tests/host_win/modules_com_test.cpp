// Libraries loaded by name and COM classes, each of which a test can make missing.
#include "host/dinput/dinput.h"
#include "host/win/system/system_services.h"
#include "host_fixture.h"

namespace host_test {
namespace {

using namespace host;

class ModulesTest : public HostTest {};

TEST_F(ModulesTest, LibrariesLoadByNameWithoutCaseAndCountReferences) {
    HMODULE a = LoadLibraryA("WINMM.DLL");
    HMODULE b = LoadLibraryA("winmm");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(GetModuleLoadCount("winmm.dll"), 2);
    auto begin = reinterpret_cast<decltype(&timeBeginPeriod)>(GetProcAddress(a, "timeBeginPeriod"));
    ASSERT_NE(begin, nullptr);
    EXPECT_EQ(begin(1), 0u);
    EXPECT_EQ(timeEndPeriod(1), 0u);
    EXPECT_EQ(GetProcAddress(a, "NoSuchFunction"), nullptr);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_FALSE(FreeLibrary(b));
    EXPECT_EQ(GetModuleHandleA("winmm.dll"), nullptr);
    EXPECT_EQ(LoadLibraryA("nothere.dll"), nullptr);
}

TEST_F(ModulesTest, MissingLibrariesAndExportsGiveNull) {
    SetModuleMissing("dwmapi.dll", true);
    EXPECT_EQ(LoadLibraryA("dwmapi.dll"), nullptr);
    SetModuleMissing("dwmapi.dll", false);
    HMODULE user = LoadLibraryA("User32.dll");
    ASSERT_NE(user, nullptr);
    SetExportMissing("user32", "WINNLSEnableIME", true);
    EXPECT_EQ(GetProcAddress(user, "WINNLSEnableIME"), nullptr);
    SetExportMissing("user32", "WINNLSEnableIME", false);
    EXPECT_NE(GetProcAddress(user, "WINNLSEnableIME"), nullptr);
    // A library gives null for a function this system does not provide.
    HMODULE ws = LoadLibraryA("ws2_32.dll");
    ASSERT_NE(ws, nullptr);
    EXPECT_NE(GetProcAddress(ws, "WSAStartup"), nullptr);
    EXPECT_EQ(GetProcAddress(ws, "WSAIoctl"), nullptr);
    FreeLibrary(ws);
    FreeLibrary(user);
}

TEST_F(ModulesTest, ComNeedsStartingAndKnowsItsClasses) {
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A, &object),
              CO_E_NOTINITIALIZED);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput8A, &object),
              E_NOINTERFACE);
    EXPECT_EQ(CoCreateInstance("NoSuchClass", nullptr, CLSCTX_ALL, IID_IDirectInput7A, &object), REGDB_E_CLASSNOTREG);
    SetComClassMissing(CLSID_DirectInput8, true);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_ALL, IID_IDirectInput8A, &object),
              REGDB_E_CLASSNOTREG);
    SetComClassMissing(CLSID_DirectInput8, false);
    ASSERT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_ALL, IID_IDirectInput8A, &object), S_OK);
    auto* di = static_cast<IDirectInput*>(object);
    IDirectInputDevice* dev = nullptr;
    EXPECT_EQ(di->CreateDevice(GUID_SysKeyboard, &dev, nullptr), DIERR_NOTINITIALIZED);
    EXPECT_EQ(di->Initialize(nullptr, 0x0700), DIERR_INVALIDPARAM);
    EXPECT_EQ(di->Initialize(nullptr, 0x0800), DI_OK);
    EXPECT_EQ(di->CreateDevice("Joypad3", &dev, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(di->CreateDevice("Joypad99", &dev, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(di->Release(), 0u);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(ComInitCount(), 0);
}

}  // namespace
}  // namespace host_test
