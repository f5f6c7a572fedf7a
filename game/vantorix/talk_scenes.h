// The story scenes played before each boss and after the first five are beaten.
#pragma once
#include <span>

namespace vantorix {

// One message with the portraits shown beside it (sprite ids, 0 for none). Lines are
// separated by ';'.
struct TalkLine {
    const char* text;
    int left, right;
};

struct TalkScene {
    int stage;
    bool afterBoss;   // played as the stage-clear count nears its screen
    bool clearField;  // the enemies explode and the bullets vanish first
    std::span<const TalkLine> lines;
    int soundAfterLine;  // 1-based message after which the sound plays; 0 for none
    int sound;
    int track;  // music started at the end; 0 leaves the music as it is
};

// The scene of the stage before or after its boss; null when there is none.
const TalkScene* FindTalkScene(int stage, bool afterBoss);
std::span<const TalkScene> TalkScenes();

}  // namespace vantorix
