// The input method as the main window sees it: switched on for fields that take two-byte
// text, its composition (the text being converted, its clauses, attributes and cursor),
// its results typed into the character buffer, its candidate list, and its reopening
// after the window comes back to the front.
#pragma once
#include <cstdint>

#include "host/win/system/types.h"

namespace orvik {

constexpr int kCompositionSize = 1024;
constexpr int kClauseTableBytes = 4096;

struct IMEState {
    int32_t open = 0;       // the input method's open state, as last announced
    int32_t composing = 0;
    char composition[kCompositionSize] = {};
    char saved[kCompositionSize] = {};  // the composition kept over a reopening
    int32_t cursorChars = 0;           // the composition cursor, in characters
    uint32_t clauses[kClauseTableBytes / 4] = {};
    int32_t clauseCount = 0;
    uint8_t attributes[kCompositionSize] = {};
    int32_t attributeCount = 0;
    void* candidates = nullptr;  // tracked copy of the candidate list
    int32_t candidateSize = 0;
    int32_t reopenStep = 0;      // 0 idle, 1 a reopening is due
    int32_t inOpenStatus = 0;    // an open-state notice is being handled
};

IMEState& IME();
// Frees the candidate list and clears the rest.
void ResetIMEState();
void FreeIMECandidateList();
// The window came to the front: an open input method of a field is reopened by the next
// editing step (it loses its state while the window is away).
void NoteIMEActivation();
// Runs a due reopening: the composition is saved and cancelled, the input method closed
// and opened again, and the composition put back.
void ReopenIMEIfAsked();
host::LRESULT HandleIMEMessage(host::HWND window, uint32_t message, host::WPARAM wParam, host::LPARAM lParam);

}  // namespace orvik
