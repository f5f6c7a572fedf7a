// SDL's keys, text, compositions and drops reach the window as the system's messages:
// ALT+ENTER as WM_SYSKEYDOWN with the context bit, text as code-page bytes, compositions
// through the input method, drops as one WM_DROPFILES to a window that takes them.
#include <SDL.h>

#include "host/backends/sdl/sdl_keyboard_events.h"
#include "host/dinput/input_devices.h"
#include "host/dinput/key_codes.h"
#include "host/win/system/drop_files.h"
#include "host/win/window/hooks.h"
#include "host/win/system/imm.h"
#include "host/win/system/system_services.h"
#include "tests/host_win/host_fixture.h"

namespace {

class SdlKeyboardEventsTest : public host_test::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        window_ = MakeWindow();
        Received().clear();
    }
    void TearDown() override {
        host::sdl::ResetKeyboardEvents();
        HostTest::TearDown();
    }
    static bool Handle(SDL_Event e) {
        bool redraw = false;
        return host::sdl::HandleKeyboardEvent(e, &redraw);
    }
    static SDL_Event Key(Uint32 type, SDL_Scancode code, Uint16 mod, Uint8 repeat = 0) {
        SDL_Event e{};
        e.key.type = type;
        e.key.repeat = repeat;
        e.key.keysym.scancode = code;
        e.key.keysym.mod = mod;
        return e;
    }
    // SDL's text is UTF-8; this file's plain literals are code page 932.
    static const char* Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }
    static SDL_Event Text(Uint32 type, const char* utf8, int start = 0) {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_TEXTINPUT) SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
        else {
            SDL_strlcpy(e.edit.text, utf8, sizeof e.edit.text);
            e.edit.start = start;
        }
        return e;
    }
    static SDL_Event Drop(Uint32 type, const char* file = nullptr) {
        SDL_Event e{};
        e.type = type;
        e.drop.file = file ? SDL_strdup(file) : nullptr;
        return e;
    }
    std::vector<host::MSG> Posted() {
        std::vector<host::MSG> out;
        host::MSG m;
        // Keys to drops: WM_PAINT, which a shown window keeps asking for, stays out.
        while (host::PeekMessageA(&m, window_, host::WM_KEYDOWN, host::WM_DROPFILES, host::PM_REMOVE)) out.push_back(m);
        return out;
    }
    host::HWND window_ = nullptr;
};

TEST_F(SdlKeyboardEventsTest, AltEnterComesAsASystemKeyWithTheContextBit) {
    ASSERT_TRUE(Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT)));
    Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT, 1));
    Handle(Key(SDL_KEYUP, SDL_SCANCODE_RETURN, KMOD_LALT));
    Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_NONE));
    auto m = Posted();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].message, host::WM_SYSKEYDOWN);
    EXPECT_EQ(m[0].wParam, host::VK_RETURN);
    EXPECT_EQ(uint32_t(m[0].lParam), (1u << 29) | (uint32_t(host::DIK_RETURN) << 16) | 1u);
    EXPECT_EQ(uint32_t(m[1].lParam) & (1u << 30), 1u << 30);  // held down: a repeat
    EXPECT_EQ(m[2].message, host::WM_SYSKEYUP);
    EXPECT_EQ(uint32_t(m[2].lParam) >> 29, 7u);
    EXPECT_EQ(m[3].message, host::WM_KEYDOWN);
    EXPECT_EQ(uint32_t(m[3].lParam) & (1u << 29), 0u);
}

// A hook as a system-key library makes it: the Windows keys and ALT+TAB are swallowed,
// the rest handed on. The older hook below it counts what reaches it.
int g_olderHookCalls = 0;
host::LRESULT OlderHook(int, host::WPARAM, host::LPARAM) { return ++g_olderHookCalls, 0; }
host::LRESULT SystemKeyHook(int code, host::WPARAM wParam, host::LPARAM lParam) {
    const auto* key = reinterpret_cast<const host::KBDLLHOOKSTRUCT*>(lParam);
    const bool windowsKey = key->vkCode == host::VK_LWIN || key->vkCode == host::VK_RWIN;
    const bool altTab = key->vkCode == host::VK_TAB && (key->flags & host::LLKHF_ALTDOWN);
    if (code == host::HC_ACTION && (windowsKey || altTab)) return 1;
    return host::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(SdlKeyboardEventsTest, KeysAKeyboardHookSwallowsReachNeitherTheKeyStateNorTheWindow) {
    host::HHOOK older = host::SetWindowsHookExA(host::WH_KEYBOARD_LL, OlderHook, nullptr, 0);
    host::HHOOK hook = host::SetWindowsHookExA(host::WH_KEYBOARD_LL, SystemKeyHook, nullptr, 0);
    g_olderHookCalls = 0;
    Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_LGUI, KMOD_NONE));
    EXPECT_FALSE(host::IsKeyDown(host::DIK_LWIN));
    Handle(Key(SDL_KEYUP, SDL_SCANCODE_LGUI, KMOD_NONE));
    Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_TAB, KMOD_LALT));
    EXPECT_FALSE(host::IsKeyDown(host::DIK_TAB));
    EXPECT_EQ(g_olderHookCalls, 0);  // the Windows key's release was swallowed too
    EXPECT_TRUE(Posted().empty());
    // TAB alone is the program's, and went through both hooks.
    Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_TAB, KMOD_NONE));
    EXPECT_TRUE(host::IsKeyDown(host::DIK_TAB));
    EXPECT_EQ(g_olderHookCalls, 1);
    const auto m = Posted();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].wParam, host::VK_TAB);
    // Unhooked, the Windows key is an ordinary key.
    host::UnhookWindowsHookEx(hook);
    host::UnhookWindowsHookEx(older);
    Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_LGUI, KMOD_NONE));
    EXPECT_TRUE(host::IsKeyDown(host::DIK_LWIN));
    EXPECT_EQ(Posted().size(), 1u);
}

TEST_F(SdlKeyboardEventsTest, TypedTextArrivesAsCodePageBytesInOrder) {
    ASSERT_TRUE(Handle(Text(SDL_TEXTINPUT, Utf8(u8"a日本"))));
    std::string bytes;
    for (const host::MSG& m : Posted()) {
        EXPECT_EQ(m.message, host::WM_CHAR);
        bytes += char(m.wParam);
    }
    EXPECT_EQ(bytes, "a日本");
}

TEST_F(SdlKeyboardEventsTest, CompositionGoesThroughTheInputMethodWhileItIsOn) {
    ASSERT_TRUE(Handle(Text(SDL_TEXTEDITING, Utf8(u8"かんa"), 2)));
    EXPECT_TRUE(host::ImeComposing());
    host::HIMC context = host::ImmGetContext(window_);
    char text[16] = {};
    ASSERT_EQ(host::ImmGetCompositionStringA(context, host::GCS_COMPSTR, text, sizeof text), 5);
    EXPECT_STREQ(text, "かんa");
    EXPECT_EQ(host::ImmGetCompositionStringA(context, host::GCS_CURSORPOS, nullptr, 0), 4);
    host::ImmReleaseContext(window_, context);
    EXPECT_NE(std::find(Received().begin(), Received().end(), host::WM_IME_STARTCOMPOSITION), Received().end());
    Handle(Text(SDL_TEXTEDITING, ""));
    EXPECT_FALSE(host::ImeComposing());
    EXPECT_EQ(Received().back(), host::WM_IME_ENDCOMPOSITION);

    host::WINNLSEnableIME(window_, 0);
    Received().clear();
    Handle(Text(SDL_TEXTEDITING, Utf8(u8"か"), 1));
    EXPECT_FALSE(host::ImeComposing());
    EXPECT_TRUE(Received().empty());
}

TEST_F(SdlKeyboardEventsTest, DropReachesOnlyAWindowThatTakesFiles) {
    size_t openDrops = host::CountOpenDrops();
    for (SDL_Event e : {Drop(SDL_DROPBEGIN), Drop(SDL_DROPFILE, "/tmp/a.png"), Drop(SDL_DROPCOMPLETE)}) Handle(e);
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(host::CountOpenDrops(), openDrops);

    host::DragAcceptFiles(window_, 1);
    for (SDL_Event e : {Drop(SDL_DROPBEGIN), Drop(SDL_DROPFILE, "/tmp/a.png"), Drop(SDL_DROPFILE, Utf8(u8"/tmp/試.txt")),
                        Drop(SDL_DROPCOMPLETE)})
        ASSERT_TRUE(Handle(e));
    auto m = Posted();
    ASSERT_EQ(m.size(), 1u);
    ASSERT_EQ(m[0].message, host::WM_DROPFILES);
    auto drop = reinterpret_cast<host::HDROP>(m[0].wParam);
    ASSERT_EQ(host::DragQueryFileA(drop, host::kDragQueryCount, nullptr, 0), 2u);
    char name[64];
    host::DragQueryFileA(drop, 1, name, sizeof name);
    EXPECT_STREQ(name, "/tmp/試.txt");
    host::DragFinish(drop);
}

}  // namespace
