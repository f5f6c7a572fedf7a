// The on-screen log: a fixed page of text lines with a font of its own that graphics can
// draw over the screen: the page, the show flag and the start-up entry here, the drawing
// with the font layer.
#pragma once
#include <cstdint>

namespace orvik {

constexpr int kOnScreenLogLines = 80;
constexpr int kOnScreenLogLineBytes = 255;

struct OnScreenLogState {
    int32_t initialised = 0;
    int32_t lineHeight = 16;  // also the font size
    int32_t fontHandle = -1;
    int32_t fontMissing = 1;  // the font has to be made before drawing
    int32_t show = 0;
    char page[kOnScreenLogLines][kOnScreenLogLineBytes] = {};
};

OnScreenLogState& OnScreenLog();
void ResetOnScreenLog();

// -1 without graphics' display object or the main window; 0 when initialised (now or
// before). A fresh page gets its font at once.
int InitOnScreenLog();
int GetOnScreenLogFlag();
// Makes the log's font when it is missing; 0.
int CreateOnScreenLogFont();
// Deletes the log's font when it was made and leaves it to be made again; 0.
int DeleteOnScreenLogFont();
// Draws as many lines of the page as the screen is tall (16 pixels a line); 0.
int DrawOnScreenLog();

}  // namespace orvik
