#include "frame.h"

#include <orvik/platform.h>

#include "engine_port.h"
#include "game_state.h"
#include "input_map.h"

namespace vantorix {

void BeginFrame() {
    Draw().SetDrawTarget(Game().gameScreen);
    Draw().ClearDrawTarget();
}

void PresentFrame() {
    Draw().SetDrawTarget(kBackBuffer);
    Draw().DrawGraphStretched(0, 0, kScreenWidth, kScreenHeight, Game().gameScreen, 0);
    Draw().PresentScreen();
    orvik::PumpMessages();
}

void EndFrame() {
    PresentFrame();
    UpdateInput();
}

void RunScreenFrames(const std::function<bool()>& body) {
    for (;;) {
        if (orvik::PumpMessages() != 0) return;
        BeginFrame();
        bool last = body();
        PresentFrame();
        if (last) return;
    }
}

}  // namespace vantorix
