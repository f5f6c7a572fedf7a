#include "ranking.h"

#include <orvik/platform.h>

#include <cstdio>

#include "engine_port.h"
#include "frame.h"
#include "game_files.h"
#include "game_state.h"
#include "input_map.h"

namespace vantorix {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

int PlaceScore(int32_t score) {
    int32_t* ranking = Game().ranking;
    for (int p = 0; p < kRankingPlaces; ++p) {
        if (ranking[p] >= score) continue;
        for (int q = kRankingPlaces - 1; q > p; --q) ranking[q] = ranking[q - 1];
        ranking[p] = score;
        return p + 1;
    }
    return 0;
}

void DrawRanking() {
    static const char* const kPlaces[kRankingPlaces] = {"1st", "2nd", "3rd", "4th", "5th",
                                                        "6th", "7th", "8th", "9th", "10th"};
    Draw().DrawFilledRect(0, 0, kScreenWidth, kScreenHeight, 0);
    Draw().SetFontThickness(4);
    Draw().SetFontSize(36);
    Draw().DrawText(200, 60, "SCORE RANKING", kWhite);
    Draw().SetFontSize(24);
    for (int k = 0; k < kRankingPlaces; ++k) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", Game().ranking[k]);
        Draw().DrawText(220, 140 + 30 * k, kPlaces[k], kWhite);
        Draw().DrawText(300, 140 + 30 * k, text, kWhite);
    }
}

}  // namespace

int InsertScore(int32_t score) {
    int place = PlaceScore(score);
    SaveRanking();
    return place;
}

void ShowRanking(int32_t score) {
    if (score > 0) PlaceScore(score);
    for (;;) {
        if (orvik::PumpMessages() != 0) return;
        BeginFrame();
        DrawRanking();
        UpdateInput();
        if (TakePress(kActSub)) {
            SaveRanking();
            return;
        }
        if (EscapeQuits()) return;
        PresentFrame();
    }
}

}  // namespace vantorix
