// The input method: one input context shared by the windows of the program, its open
// state, the composition being typed with its clauses, attributes and cursor, the
// result string and the candidate list. The backend (or a test) drives it with the Ime*
// calls at the end, which send the window the messages a real input method sends; the
// engine reads it back through the Imm calls. Text is in the system code page.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/win/system/types.h"

namespace host {

struct ImcTag;
using HIMC = ImcTag*;

// ImmGetCompositionStringA and the flags of WM_IME_COMPOSITION.
constexpr uint32_t GCS_COMPSTR = 0x8, GCS_COMPATTR = 0x10, GCS_COMPCLAUSE = 0x20,
                   GCS_CURSORPOS = 0x80, GCS_RESULTSTR = 0x800;
constexpr int32_t IMM_ERROR_NODATA = -1, IMM_ERROR_GENERAL = -2;
constexpr uint8_t ATTR_INPUT = 0;
// ImmNotifyIME and ImmSetCompositionStringA.
constexpr uint32_t NI_COMPOSITIONSTR = 0x15, CPS_COMPLETE = 0x1, CPS_CANCEL = 0x4, SCS_SETSTR = 0x9;
// WM_IME_NOTIFY.
constexpr WPARAM IMN_CHANGECANDIDATE = 0x3, IMN_CLOSECANDIDATE = 0x4, IMN_OPENCANDIDATE = 0x5,
                 IMN_SETOPENSTATUS = 0x8, IMN_SETCANDIDATEPOS = 0x9;
// ImmGetConversionStatus.
constexpr uint32_t IME_CMODE_NATIVE = 0x1, IME_CMODE_FULLSHAPE = 0x8, IME_SMODE_PHRASEPREDICT = 0x8;

// The candidate list as ImmGetCandidateListA lays it out: this header, dwCount offsets
// (from the start of the list) and the 0-ended candidates after them.
struct CANDIDATELIST {
    uint32_t dwSize, dwStyle, dwCount, dwSelection, dwPageStart, dwPageSize;
    uint32_t dwOffset[1];
};
constexpr uint32_t IME_CAND_READ = 1;

// The context of a window (null for a window that does not exist); each must be given
// back with ImmReleaseContext.
HIMC ImmGetContext(HWND window);
BOOL ImmReleaseContext(HWND window, HIMC context);
BOOL ImmGetOpenStatus(HIMC context);
// A change of the open state is announced to the window with IMN_SETOPENSTATUS.
BOOL ImmSetOpenStatus(HIMC context, BOOL open);
BOOL ImmGetConversionStatus(HIMC context, uint32_t* conversion, uint32_t* sentence);
// NI_COMPOSITIONSTR with CPS_CANCEL drops the composition, with CPS_COMPLETE makes it the
// result string.
BOOL ImmNotifyIME(HIMC context, uint32_t action, uint32_t index, uint32_t value);
// With no buffer (or size 0): the bytes the list needs, else the bytes copied; 0 when there
// is no list, the buffer is too small, or the read is made to fail.
uint32_t ImmGetCandidateListA(HIMC context, uint32_t index, CANDIDATELIST* list, uint32_t size);
// GCS_CURSORPOS gives the cursor's byte position; the others give the bytes the part
// needs (size 0) or the bytes copied, at most size.
int32_t ImmGetCompositionStringA(HIMC context, uint32_t index, void* buffer, uint32_t size);
// SCS_SETSTR replaces the composition (an empty one ends it).
BOOL ImmSetCompositionStringA(HIMC context, uint32_t index, const void* composition, uint32_t compositionSize,
                              const void* reading, uint32_t readingSize);

// Driving the input method. Each sends its messages to the window at once, as the
// system's input method does.
// The composition becomes this text with the cursor at the byte given; a composition that
// was not running starts (WM_IME_STARTCOMPOSITION first).
void ImeCompose(HWND window, std::string_view text, int cursorBytes);
// The text is the result (WM_IME_COMPOSITION with GCS_RESULTSTR), and the composition ends.
void ImeCommit(HWND window, std::string_view text);
// The composition ends without a result.
void ImeCancel(HWND window);
// Shows the candidates (IMN_OPENCANDIDATE, or IMN_CHANGECANDIDATE when shown already).
void ImeShowCandidates(HWND window, const std::vector<std::string>& candidates, int selection);
void ImeCloseCandidates(HWND window);
bool ImeComposing();
// Tests: contexts taken and not given back, how often the open state was set, a failing
// candidate read, and everything back to a closed, idle input method.
int ImeContextsHeld();
int ImeOpenStatusSets();
void SetImeCandidateReadFails(bool fails);
void ResetIme();

}  // namespace host
