// Screens driven by scripted keys: the keys held after each presented frame are listed in
// advance, every frame's texts are kept, and a screen still running long after the script
// has ended is closed as the window would be, so a screen that never returns fails the
// test instead of hanging it.
#pragma once
#include <functional>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "game_fixture.h"
#include "host/win/window/window.h"

namespace vantorix_test {

using Keys = std::vector<uint8_t>;

// What is held after one presented frame: keys (DirectInput codes) and buttons of the pad.
struct Held {
    Keys keys;
    std::vector<int> padButtons = {};
};

// Each key pressed for one frame and let go for the next.
inline std::vector<Held> Taps(std::initializer_list<uint8_t> keys) {
    std::vector<Held> out;
    for (uint8_t key : keys) {
        out.push_back({{key}, {}});
        out.push_back({});
    }
    return out;
}

inline std::vector<Held> operator+(std::vector<Held> a, const std::vector<Held>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A menu's id and cursor row as one frame showed them.
struct MenuAt {
    int id, row;
    bool operator==(const MenuAt&) const = default;
};

// What a screen showed in one presented frame.
struct ShownFrame {
    std::vector<TextCall> texts;
    std::vector<DrawCall> draws;
};

// Adds scripted screens to a test fixture that owns draw_ (PlayTest, or one that starts the
// game without stage play).
template <typename Base>
class Scripted : public Base {
protected:
    static constexpr int kGiveUpAfter = 600;

    // held[i] is held after the (i + 1)-th presented frame from now; after the list nothing
    // is, until the test holds keys of its own.
    void Script(std::vector<Held> held) {
        held_ = std::move(held);
        first_ = this->draw_.presents;
        shown_.clear();
        this->draw_.texts.clear();
        this->draw_.calls.clear();
        this->draw_.onPresent = [this](int present) { OnPresent(present - first_); };
    }
    // Called after frame n (from 1) has been presented, before its keys are set.
    std::function<void(int)> onFrame;

    // Holds the keys from now, for the first frame of a screen about to run; the engine
    // reads the keyboard again once time has moved on.
    static void HoldNow(Keys keys) {
        Hold({std::move(keys)});
        host::AdvanceManualClock(16667);
    }

    int Frames() const { return this->draw_.presents - first_; }
    const ShownFrame& Shown(int n) const { return shown_.at(size_t(n - 1)); }
    // The texts of frame n, for a quick look at what was written.
    std::vector<std::string> TextsOf(int n) const {
        std::vector<std::string> out;
        for (const TextCall& t : Shown(n).texts) out.push_back(t.text);
        return out;
    }
    const TextCall* FindText(int n, const std::string& text) const {
        for (const TextCall& t : Shown(n).texts)
            if (t.text == text) return &t;
        return nullptr;
    }
    // The text drawn in frame n at (x, y) in the font size and thickness given.
    ::testing::AssertionResult ShowsText(int n, const std::string& text, int x, int y, int size,
                                         int thickness) const {
        const TextCall* t = FindText(n, text);
        if (!t) return ::testing::AssertionFailure() << '"' << text << "\" not drawn in frame " << n;
        if (std::tie(t->x, t->y, t->size, t->thickness) == std::tie(x, y, size, thickness))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << '"' << text << "\" drawn at " << t->x << ", " << t->y
                                             << " in size " << t->size << ", thickness " << t->thickness;
    }
    bool Drew(int n, int spriteId, int x, int y) const {
        for (const DrawCall& c : Shown(n).draws)
            if (c.handle == vantorix::SpriteHandle(spriteId) && c.x == x && c.y == y) return true;
        return false;
    }

    std::vector<ShownFrame> shown_;

private:
    void OnPresent(int n) {
        shown_.push_back({std::move(this->draw_.texts), std::move(this->draw_.calls)});
        this->draw_.texts.clear();
        this->draw_.calls.clear();
        if (onFrame) onFrame(n);
        if (n > int(held_.size()) + kGiveUpAfter) host::RequestWindowClose();
        if (n > int(held_.size()) + 1) return;  // keys set by the test itself stay
        Hold(n <= int(held_.size()) ? held_[size_t(n - 1)] : Held{});
    }
    static void Hold(const Held& held) {
        host::ReleaseAllKeys();
        for (int b = 0; b < 16; ++b) host::SetPadButton(0, b, false);
        for (uint8_t key : held.keys) host::SetKeyDown(key, true);
        for (int b : held.padButtons) host::SetPadButton(0, b, true);
    }

    std::vector<Held> held_;
    int first_ = 0;
};

// The game started (options and ranking files in the test's directory) but no screen run.
class StartedGame : public ::testing::Test {
protected:
    void SetUp() override {
        vantorix::ResetGameGlobals();
        vantorix::Game().fileDirectory = Directory();
        Write("save_data01.dat", PlainStage());
        vantorix::SetDrawPort(&draw_);
        vantorix::SetSoundPort(&sound_);
        ASSERT_EQ(host::AttachPad("test pad", false), 0);
        ASSERT_EQ(vantorix::StartGame(7), 0);
        LeaveTheFrontBuffer();
    }
    void TearDown() override {
        vantorix::SetDrawPort(nullptr);
        vantorix::SetSoundPort(nullptr);
        vantorix::ResetGameGlobals();
    }
    std::string Directory() const { return engine_.Log().Directory(); }
    void Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(Directory() + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    Bytes Read(const std::string& name) const {
        std::string text = orvik_test::TempLog::ReadFile(Directory() + "/" + name);
        return Bytes(text.begin(), text.end());
    }

    orvik_test::HeadlessEngine engine_;
    RecordingDraw draw_;
    RecordingSound sound_;
};

using ScriptedScreens = Scripted<StartedGame>;
using ScriptedPlay = Scripted<PlayTest>;

}  // namespace vantorix_test
