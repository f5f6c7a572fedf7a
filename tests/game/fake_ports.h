// Recording stand-ins for the engine's pictures and sound: graphics get handles and sizes,
// every draw is kept with the blend mode it was made under, sounds remember their plays.
#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "game/vantorix/engine_port.h"
#include "host/clock.h"

namespace vantorix_test {

// A text as drawn, with the default font's settings at the time.
struct TextCall {
    int x, y;
    std::string text;
    uint32_t color;
    int size, thickness, fontType;
};

struct DrawCall {
    enum Kind { kAt, kStretched, kRotated, kLine } kind;
    int handle, x, y, x2, y2;
    double scale, angle;
    int blendMode, blendParam;
};

class RecordingDraw final : public vantorix::DrawPort {
public:
    std::vector<DrawCall> calls;
    std::set<std::string> missingFiles;
    std::vector<std::string> loaded;
    struct Cell {
        int x, y, w, h, source;
    };
    std::map<int, Cell> derivedFrom;
    int presents = 0;
    int target = 0;

    int SetDrawFilterMode(int) override { return 0; }
    int CreateDrawableGraph(int w, int h) override { return Make(w, h); }
    int SetTransparentColor(int, int, int) override { return 0; }
    int LoadImageToGraph(const char* file) override {
        loaded.push_back(file);
        return missingFiles.count(file) ? -1 : Make(1024, 1024);
    }
    int DeriveGraph(int x, int y, int w, int h, int source) override {
        if (!sizes_.count(source)) return -1;
        int handle = Make(w, h);
        derivedFrom[handle] = {x, y, w, h, source};
        return handle;
    }
    int DeleteGraphHandle(int handle) override { return sizes_.erase(handle) ? 0 : -1; }
    int QueryGraphSize(int handle, int* w, int* h) override {
        auto it = sizes_.find(handle);
        if (it == sizes_.end()) return -1;
        if (w) *w = it->second.first;
        if (h) *h = it->second.second;
        return 0;
    }
    int SetDrawTarget(int handle) override {
        target = handle;
        return 0;
    }
    int ClearDrawTarget() override { return 0; }
    int SetBlendMode(int mode, int parameter) override {
        mode_ = mode;
        param_ = parameter;
        return 0;
    }
    int DrawGraphAt(int x, int y, int handle, int) override {
        return Record({DrawCall::kAt, handle, x, y, 0, 0, 1.0, 0.0, 0, 0});
    }
    int DrawGraphStretched(int x1, int y1, int x2, int y2, int handle, int) override {
        return Record({DrawCall::kStretched, handle, x1, y1, x2, y2, 1.0, 0.0, 0, 0});
    }
    int DrawGraphRotated(int x, int y, double scale, double angle, int handle, int, int) override {
        return Record({DrawCall::kRotated, handle, x, y, 0, 0, scale, angle, 0, 0});
    }
    int DrawColorLine(int x1, int y1, int x2, int y2, uint32_t, int) override {
        return Record({DrawCall::kLine, 0, x1, y1, x2, y2, 1.0, 0.0, 0, 0});
    }
    int DrawFilledRect(int, int, int, int, uint32_t) override { return 0; }
    int SetFontSize(int size) override {
        fontSize_ = size;
        return 0;
    }
    int SetFontThickness(int thickness) override {
        thickness_ = thickness;
        return 0;
    }
    int SetFontType(int fontType) override {
        fontType_ = fontType;
        return 0;
    }
    int DrawText(int x, int y, const char* text, uint32_t color) override {
        texts.push_back({x, y, text, color, fontSize_, thickness_, fontType_});
        return 0;
    }
    std::vector<TextCall> texts;
    // One presented picture is one sixtieth of a second, so the next pump reads the keys.
    // Scripted play sets the keys of the next frame here.
    int PresentScreen() override {
        ++presents;
        host::AdvanceManualClock(16667);
        if (onPresent) onPresent(presents);
        return 0;
    }
    std::function<void(int)> onPresent;

    bool IsLive(int handle) const { return sizes_.count(handle) != 0; }

private:
    int Make(int w, int h) {
        sizes_[next_] = {w, h};
        return next_++;
    }
    int Record(DrawCall call) {
        if (!sizes_.count(call.handle) && call.kind != DrawCall::kLine) return -1;
        call.blendMode = mode_;
        call.blendParam = param_;
        calls.push_back(call);
        return 0;
    }
    std::map<int, std::pair<int, int>> sizes_;
    int next_ = 1;
    int mode_ = 0, param_ = 255;
    int fontSize_ = 16, thickness_ = 6, fontType_ = 0;
};

class RecordingSound final : public vantorix::SoundPort {
public:
    struct Play {
        int handle, type, fromTop;
    };
    std::vector<std::string> loads;
    std::vector<Play> plays;
    int stops = 0;

    int LoadSound(const char* file, int) override {
        loads.push_back(file);
        live_.insert(next_);
        return next_++;
    }
    int SetSoundVolume(int volume, int handle) override {
        if (!live_.count(handle)) return -1;
        volume_[handle] = volume;
        return 0;
    }
    int PlaySoundHandle(int handle, int type, int fromTop) override {
        if (!live_.count(handle)) return -1;
        plays.push_back({handle, type, fromTop});
        playing_.insert(handle);
        return 0;
    }
    int StopSound(int handle) override {
        if (!live_.count(handle)) return -1;
        ++stops;
        playing_.erase(handle);
        return 0;
    }
    int CheckSoundPlaying(int handle) override {
        return live_.count(handle) ? int(playing_.count(handle)) : -1;
    }
    int DeleteSound(int handle) override {
        playing_.erase(handle);
        return live_.erase(handle) ? 0 : -1;
    }
    int Volume(int handle) const { return volume_.count(handle) ? volume_.at(handle) : -1; }
    bool IsLive(int handle) const { return live_.count(handle) != 0; }

private:
    std::set<int> live_, playing_;
    std::map<int, int> volume_;
    int next_ = 1;
};

}  // namespace vantorix_test
