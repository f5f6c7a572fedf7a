#include "game_state.h"

#include <cstring>
#include <type_traits>

namespace vantorix {
namespace {

GameGlobals globals;

template <typename T>
void Zero(T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memset(&value, 0, sizeof value);
}

}  // namespace

GameGlobals& Game() { return globals; }

void ResetGameGlobals() {
    GameGlobals& g = globals;
    g.gameState = 0;
    g.gameScreen = -1;
    Zero(g.titleMenu);
    g.titleExit = 0;
    Zero(g.input);
    Zero(g.play);
    Zero(g.score);
    Zero(g.options);
    Zero(g.ranking);
    Zero(g.stageMap);
    Zero(g.assets);
    g.assets.bgmHandle = -1;
    g.randomSeed = 1;
    g.fileDirectory.clear();
}

}  // namespace vantorix
