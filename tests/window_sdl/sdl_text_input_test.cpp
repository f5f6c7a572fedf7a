// Typing into a text-entry field of the engine through a real X server, and ALT+ENTER
// reaching the engine's switch between window and full screen. One display for both, as
// starting a display costs more than the checks.
#include <gtest/gtest.h>

#include <orvik/platform.h>
#include <orvik/text_input.h>

#include "../support/bounded_wait.h"
#include "engine/platform/window/window.h"
#include "host/backends/backend.h"
#include "sdl_engine_setup.h"

namespace orvik_test {
namespace {

const char* kTypingTitle = "Orvik Typing Probe";

std::string FieldText(int field) {
    char text[64];
    return orvik::GetKeyInputString(field, text, sizeof text) == 0 ? text : "";
}

using SdlTextInputTest = SdlEngineTest;

TEST_F(SdlTextInputTest, TypedTextFillsAFieldAndAltEnterAsksForTheOtherMode) {
    int switches = 0;
    orvik::Window().settings.allowModeSwitch = 1;
    orvik::Window().settings.modeChangeCallback = [](void* user) { ++*static_cast<int*>(user); };
    orvik::Window().settings.modeChangeUser = &switches;
    orvik::SetAppWindowTitle(kTypingTitle);
    orvik::ChangeWindowMode(1);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    std::string id;
    ASSERT_TRUE(WaitUntil([&] {
        orvik::PumpMessages();
        id = RunProgram({"xdotool", "search", "--name", kTypingTitle});
        return !id.empty();
    }));
    id = id.substr(0, id.find('\n'));
    RunProgram({"xdotool", "windowfocus", "--sync", id});

    int field = orvik::MakeKeyInput(32, 0, 0, 0);
    ASSERT_EQ(orvik::SetActiveKeyInput(field), 0);
    RunProgram({"xdotool", "type", "--delay", "10", "Orvik 42"});
    RunProgram({"xdotool", "key", "BackSpace", "Return"});
    EXPECT_TRUE(WaitUntil([&] {
        orvik::PumpMessages();
        return orvik::CheckKeyInputEnd(field) == 1;
    }));
    EXPECT_EQ(FieldText(field), "Orvik 4");

    RunProgram({"xdotool", "key", "alt+Return"});
    EXPECT_TRUE(WaitUntil([&] {
        orvik::PumpMessages();
        return switches == 1;
    }));
    EXPECT_EQ(orvik::IsWindowMode(), 0);

    EXPECT_EQ(orvik::EndLibrary(), 0);
}

}  // namespace
}  // namespace orvik_test
