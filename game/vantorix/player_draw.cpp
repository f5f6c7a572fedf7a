// The ship, its blade swing, its barrier and its attack beam.
#include <cmath>

#include "angles.h"
#include "assets.h"
#include "field_draw.h"
#include "game_state.h"

namespace vantorix {
namespace {

constexpr float kBladeReach[3] = {12.0f, 24.0f, 36.0f};

void SwingBlade(PlayerState& pl, bool frozen) {
    if (pl.bladeTimer < 1.0f) return;
    if (!frozen) {
        pl.bladeTimer -= 1.0f;
        double a = DegreesToRadians(static_cast<int>(30 - 20 * pl.bladeTimer));
        for (int k = 0; k < 3; ++k) {
            pl.bladeX[k] = static_cast<float>(pl.x + std::cos(a) * kBladeReach[k]);
            pl.bladeY[k] = static_cast<float>(pl.y + std::sin(a) * kBladeReach[k]);
        }
    }
    DrawSpriteRotated(1002, pl.x - 48, pl.y - 48, static_cast<int>(120 - 20 * pl.bladeTimer), 1.0);
}

void DrawShip(const PlayerState& pl, int frameCounter) {
    float left = pl.x - 24, top = pl.y - 24;
    bool blinking = pl.invulnerable > 0;
    if (blinking && pl.invulnerable % 4 > 1) return;
    if (pl.subCooldown > 0) {
        DrawSpriteAt(pl.subCooldown > 10 ? 511 + (26 - pl.subCooldown) / 2 : 519, left, top);
        if (pl.subCooldown <= 12) DrawSpriteAt(1005 + (12 - pl.subCooldown) / 2, left, pl.y - 168);
    } else if (pl.bladeTimer == 0.0f) {
        DrawSpriteAt(blinking ? 501 : 501 + (frameCounter % 24) / 8, left, top);
    } else {
        DrawSpriteAt(506, left, top);
    }
}

}  // namespace

void DrawPlayer() {
    PlayState& p = Game().play;
    PlayerState& pl = p.player;
    SwingBlade(pl, p.freeze != 0);
    if (pl.barrier == 1) DrawSpriteAt(pl.barrierEnergy >= 50 ? 1301 : 1302, pl.x - 32, pl.y - 32);
    DrawShip(pl, p.frameCounter);
}

}  // namespace vantorix
