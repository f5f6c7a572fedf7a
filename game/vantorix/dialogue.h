// The talk scenes before and after the bosses: portraits over the frozen field, a talk
// window and up to four lines of text, one message at a time, each closed with Z.
#pragma once

namespace vantorix {

constexpr int kTalkLines = 4;
constexpr int kTalkLineBytes = 49;

// A message split at ';' into at most four lines of at most 49 bytes each.
struct TalkLines {
    char line[kTalkLines][kTalkLineBytes + 1];
};
// Lines beyond the fourth, and bytes beyond the 49th of a line, are cut (logged); a
// two-byte character that would not fit whole is cut with the rest of its line.
TalkLines SplitTalk(const char* message);

// Dialogue mode: play stands still (freeze flag 1), no portraits yet.
void BeginTalk();
// Shows the message over the frozen field until a fresh Z press, or until the message pump
// asks to quit. Each closing press delays the next rapid shot by 2 frames.
void ShowTalk(const char* message);
// Back to play: freeze flag 0, no portraits.
void EndTalk();

}  // namespace vantorix
