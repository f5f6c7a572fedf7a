// Stage play with the field cleared, for driving enemies, bullets and effects step by step.
#pragma once
#include <cmath>

#include "game/vantorix/enemies.h"
#include "game/vantorix/enemy_bullets.h"
#include "game/vantorix/enemy_kinds.h"
#include "game/vantorix/field_draw.h"
#include "game/vantorix/pools.h"
#include "game/vantorix/random.h"
#include "game_fixture.h"

namespace vantorix_test {

class FieldTest : public PlayTest {
protected:
    static vantorix::EnemyPool& Enemies() { return vantorix::Game().play.enemies; }
    static vantorix::EnemyBulletPool& Bullets() { return vantorix::Game().play.bullets; }
    static vantorix::EffectPool& Effects() { return vantorix::Game().play.effects; }
    static int Count(int kind) { return vantorix::Game().play.count[kind]; }

    // An enemy of the type at a screen position; returns its slot.
    static int EnemyAt(int type, float x, float y) {
        int slot = vantorix::FindFreeSlot(vantorix::kPoolEnemies);
        EXPECT_EQ(vantorix::SpawnEnemyByType(type, x - 32.0f, y - 16.0f), 0);
        return slot;
    }
    static void Updates(int n) {
        for (int i = 0; i < n; ++i) vantorix::UpdateEnemies();
    }
    // Draws both effect layers once, as a frame of play does.
    static void EffectFrames(int n) {
        for (int i = 0; i < n; ++i) {
            vantorix::DrawEffects(2);
            vantorix::DrawEffects(3);
        }
    }
    static void PlaceShip(float x, float y) {
        Player().x = x;
        Player().y = y;
    }
    static int BulletCount() { return Count(vantorix::kPoolBullets); }
};

// The whole-degree direction from one point to another as the game works it out.
inline double Degrees(double dx, double dy) { return std::atan2(dy, dx) * 180.0 / 3.1415; }

}  // namespace vantorix_test
