#include "dialogue.h"

#include <orvik/log.h>

#include <cstring>

#include "assets.h"
#include "engine_port.h"
#include "field_draw.h"
#include "frame.h"
#include "game_state.h"
#include "hud_draw.h"
#include "input_map.h"
#include "menu_draw.h"

namespace vantorix {
namespace {

constexpr char kLineBreak = ';';
constexpr int kTalkWindowSprite = 26;
constexpr int kShotDelayPerMessage = 2;

// Shift-JIS lead bytes; the byte after one belongs to the same character.
bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The field as it stood when the talk began; enemies of layer 2 and the gauges stay hidden
// behind the window.
void DrawFrozenField() {
    DrawStageMap();
    DrawPlayerShots();
    DrawEffects(2);
    DrawEnemies(1);
    if (Game().play.player.visible == 1) DrawPlayer();
    DrawEffects(3);
    DrawEnemyBullets();
    DrawHud();
}

void DrawTalk(const TalkLines& lines) {
    const PlayState& p = Game().play;
    if (p.portraitLeft != 0) DrawSpriteAt(p.portraitLeft, 48.0f, 82.0f);
    if (p.portraitRight != 0) DrawSpriteAt(p.portraitRight, 240.0f, 82.0f);
    DrawSpriteAt(kTalkWindowSprite, 32.0f, 366.0f);
    Draw().SetFontSize(16);
    Draw().SetFontThickness(4);
    for (int i = 0; i < kTalkLines; ++i)
        if (lines.line[i][0] != '\0') Draw().DrawText(46, 374 + 20 * i, lines.line[i], kTextWhite);
}

}  // namespace

TalkLines SplitTalk(const char* message) {
    TalkLines lines = {};
    if (!message) {
        orvik::AddLogText("talk message missing");
        return lines;
    }
    bool cut = false;
    int line = 0, column = 0;
    for (size_t i = 0; message[i] != '\0';) {
        if (message[i] == kLineBreak) {
            ++i;
            column = 0;
            if (++line < kTalkLines) continue;
            cut = message[i] != '\0';
            break;
        }
        char next = message[i + 1];
        bool pair = IsLeadByte(static_cast<unsigned char>(message[i])) && next != '\0' && next != kLineBreak;
        int width = pair ? 2 : 1;
        if (column + width <= kTalkLineBytes) {
            std::memcpy(&lines.line[line][column], &message[i], size_t(width));
            column += width;
        } else {
            cut = true;
        }
        i += size_t(width);
    }
    if (cut) orvik::AddLogFormat("talk message longer than %d lines of %d bytes is cut", kTalkLines, kTalkLineBytes);
    return lines;
}

void BeginTalk() {
    PlayState& p = Game().play;
    p.portraitLeft = p.portraitRight = 0;
    p.freeze = 1;
}

void ShowTalk(const char* message) {
    TalkLines lines = SplitTalk(message);
    // A Z still held from play or from the last message does not close this one.
    Game().input.latch[kActSub] = 1;
    RunScreenFrames([&lines] {
        DrawFrozenField();
        DrawTalk(lines);
        UpdateInput();
        if (!TakePress(kActSub)) return false;
        Game().play.player.shotCooldown += kShotDelayPerMessage;
        return true;
    });
}

void EndTalk() {
    PlayState& p = Game().play;
    p.portraitLeft = p.portraitRight = 0;
    p.freeze = 0;
}

}  // namespace vantorix
