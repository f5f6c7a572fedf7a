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

void EndFrame() {
    Draw().SetDrawTarget(kBackBuffer);
    Draw().DrawGraphStretched(0, 0, kScreenWidth, kScreenHeight, Game().gameScreen, 0);
    Draw().PresentScreen();
    orvik::PumpMessages();
    UpdateInput();
}

}  // namespace vantorix
