// A started engine with a text-entry field: characters typed through the window
// procedure, editing run by the pump, the field's text and cursor read back.
#pragma once
#include <orvik/text_input.h>

#include <string>

#include "engine/platform/input/key_input.h"
#include "engine_fixture.h"
#include "host/dinput/input_devices.h"
#include "host/dinput/key_codes.h"

namespace orvik_test {

class TextInputTest : public EngineTest {
protected:
    void SetUp() override { ASSERT_EQ(orvik::InitLibrary(), 0); }

    // A field made active, with the typed text edited into it.
    int Field(int maxLength, int cancel = 0, int singleByte = 0, int digits = 0) {
        int handle = orvik::MakeKeyInput(maxLength, cancel, singleByte, digits);
        EXPECT_EQ(orvik::SetActiveKeyInput(handle), 0);
        return handle;
    }
    void Type(const std::string& bytes) {
        for (unsigned char c : bytes) host::SendMessageA(MainWindow(), host::WM_CHAR, c, 1);
        orvik::PumpMessages();
    }
    void Key(uint8_t virtualKey) {
        host::SendMessageA(MainWindow(), host::WM_KEYDOWN, virtualKey, 1);
        orvik::PumpMessages();
    }
    // The key state is read once per millisecond by the pump.
    static void HoldShift(bool held) {
        host::SetKeyDown(host::DIK_LSHIFT, held);
        NextMillisecond();
        orvik::PumpMessages();
        NextMillisecond();
    }
    static std::string Text(int handle) {
        char out[1100];
        EXPECT_EQ(orvik::GetKeyInputString(handle, out, sizeof out), 0);
        return out;
    }
    static const orvik::KeyInputRecord& Record(int handle) { return *orvik::FindKeyInput(handle); }
    static std::string PopAll() {
        std::string text;
        uint8_t c[2];
        for (int n; (n = orvik::PopCharCode(c, 1)) > 0;) text.append(reinterpret_cast<char*>(c), size_t(n));
        return text;
    }
};

}  // namespace orvik_test
