// Host tests start from an empty desktop on the headless backend with the manual clock.
#pragma once
#include <gtest/gtest.h>

#include "host/backends/backend.h"
#include "host/backends/headless/headless.h"
#include "host/clock.h"
#include "host/dinput/input_devices.h"
#include "host/win/system/com.h"
#include "host/win/window/desktop.h"
#include "host/win/window/message_queue.h"
#include "host/win/system/modules.h"
#include "host/win/window/window.h"
#include "tests/support/host_reset.h"

namespace host_test {

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvik_test::ResetHost();
        host::UseManualClock(true);
        host::SetManualClock(1000000);
    }
    void TearDown() override {
        host::ResetWindows();
        host::UseManualClock(false);
    }

    // A top-level window of a class whose procedure counts what it receives.
    host::HWND MakeWindow(const char* className = "TestClass", bool show = true) {
        host::WNDCLASSEXA wc;
        wc.lpfnWndProc = &Proc;
        wc.lpszClassName = className;
        host::RegisterClassExA(&wc);
        host::HWND w = host::CreateWindowExA(0, className, "title", host::WS_POPUP | host::WS_CAPTION, 10, 20,
                                             200, 100, nullptr, nullptr, nullptr, nullptr);
        if (show) host::ShowWindow(w, host::SW_SHOW);
        return w;
    }

    static host::LRESULT Proc(host::HWND w, uint32_t m, host::WPARAM wp, host::LPARAM lp) {
        Received().push_back(m);
        LastThread() = host::GetWindowThreadProcessId(w) == host::GetCurrentThreadId();
        return host::DefWindowProcA(w, m, wp, lp);
    }
    static std::vector<uint32_t>& Received() {
        static std::vector<uint32_t> r;
        return r;
    }
    static bool& LastThread() {
        static bool onOwner = false;
        return onOwner;
    }
};

}  // namespace host_test
