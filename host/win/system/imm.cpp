// One input context serves every window, as programs of one window see it. The input
// method is used on the thread of the window it talks to, so it keeps no lock.
#include "host/win/system/imm.h"

#include <algorithm>
#include <cstring>

#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"

namespace host {

namespace {
struct ImeState {
    bool open = false;
    bool composing = false;
    std::string composition, result;
    int32_t cursor = 0;
    std::vector<std::string> candidates;
    uint32_t selection = 0;
    bool candidatesShown = false;
    bool candidateReadFails = false;
    int contextsHeld = 0;
    int openStatusSets = 0;
    HWND window = nullptr;  // the window the last context was taken for
};
ImeState g_ime;

const HIMC kContext = HandleFromId<HIMC>(0x1C0);

bool Valid(HIMC context) { return context == kContext; }

// Copies a part out: its size for an empty buffer, else as much as fits.
int32_t CopyPart(const void* data, size_t bytes, void* buffer, uint32_t size) {
    if (!buffer || size == 0) return int32_t(bytes);
    size_t n = std::min<size_t>(bytes, size);
    std::memcpy(buffer, data, n);
    return int32_t(n);
}

std::vector<uint8_t> CandidateListBytes() {
    const auto& c = g_ime.candidates;
    size_t header = offsetof(CANDIDATELIST, dwOffset) + sizeof(uint32_t) * std::max<size_t>(c.size(), 1);
    std::vector<uint32_t> offsets;
    size_t total = header;
    for (const std::string& s : c) {
        offsets.push_back(uint32_t(total));
        total += s.size() + 1;
    }
    std::vector<uint8_t> bytes(total, 0);
    CANDIDATELIST head{uint32_t(total), IME_CAND_READ, uint32_t(c.size()), g_ime.selection, 0,
                       uint32_t(std::min<size_t>(c.size(), 9)), {0}};
    std::memcpy(bytes.data(), &head, offsetof(CANDIDATELIST, dwOffset));
    std::memcpy(bytes.data() + offsetof(CANDIDATELIST, dwOffset), offsets.data(), offsets.size() * sizeof(uint32_t));
    for (size_t i = 0; i < c.size(); ++i) std::memcpy(bytes.data() + offsets[i], c[i].data(), c[i].size());
    return bytes;
}

// Announces a change of the open state to the window.
void SetOpen(bool open) {
    bool changed = g_ime.open != open;
    g_ime.open = open;
    if (changed) SendMessageA(g_ime.window, WM_IME_NOTIFY, IMN_SETOPENSTATUS, 0);
}

void EndComposition(HWND window) {
    if (!g_ime.composing) return;
    g_ime.composing = false;
    g_ime.composition.clear();
    g_ime.cursor = 0;
    SendMessageA(window, WM_IME_ENDCOMPOSITION, 0, 0);
}
}  // namespace

HIMC ImmGetContext(HWND window) {
    if (!IsWindow(window)) return nullptr;
    ++g_ime.contextsHeld;
    g_ime.window = window;
    return kContext;
}

BOOL ImmReleaseContext(HWND, HIMC context) {
    if (!Valid(context) || g_ime.contextsHeld == 0) return 0;
    --g_ime.contextsHeld;
    return 1;
}

BOOL ImmGetOpenStatus(HIMC context) { return Valid(context) && g_ime.open; }

BOOL ImmSetOpenStatus(HIMC context, BOOL open) {
    if (!Valid(context)) return 0;
    ++g_ime.openStatusSets;
    SetOpen(open != 0);
    return 1;
}

BOOL ImmGetConversionStatus(HIMC context, uint32_t* conversion, uint32_t* sentence) {
    if (!Valid(context)) return 0;
    if (conversion) *conversion = IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
    if (sentence) *sentence = IME_SMODE_PHRASEPREDICT;
    return 1;
}

BOOL ImmNotifyIME(HIMC context, uint32_t action, uint32_t index, uint32_t value) {
    if (!Valid(context) || action != NI_COMPOSITIONSTR || index != 0) return 0;
    if (value == CPS_CANCEL) {
        ImeCancel(g_ime.window);
        return 1;
    }
    if (value == CPS_COMPLETE) {
        ImeCommit(g_ime.window, std::string(g_ime.composition));
        return 1;
    }
    return 0;
}

uint32_t ImmGetCandidateListA(HIMC context, uint32_t index, CANDIDATELIST* list, uint32_t size) {
    if (!Valid(context) || index != 0 || !g_ime.candidatesShown) return 0;
    std::vector<uint8_t> bytes = CandidateListBytes();
    if (!list || size == 0) return uint32_t(bytes.size());
    if (size < bytes.size() || g_ime.candidateReadFails) return 0;
    std::memcpy(list, bytes.data(), bytes.size());
    return uint32_t(bytes.size());
}

int32_t ImmGetCompositionStringA(HIMC context, uint32_t index, void* buffer, uint32_t size) {
    if (!Valid(context)) return IMM_ERROR_GENERAL;
    const std::string& text = g_ime.composition;
    switch (index) {
    case GCS_COMPSTR: return CopyPart(text.data(), text.size(), buffer, size);
    case GCS_RESULTSTR: return CopyPart(g_ime.result.data(), g_ime.result.size(), buffer, size);
    case GCS_CURSORPOS: return g_ime.cursor;
    case GCS_COMPATTR: {
        std::vector<uint8_t> attributes(text.size(), ATTR_INPUT);
        return CopyPart(attributes.data(), attributes.size(), buffer, size);
    }
    case GCS_COMPCLAUSE: {
        // One clause over the whole composition.
        const uint32_t clauses[2] = {0, uint32_t(text.size())};
        return text.empty() ? 0 : CopyPart(clauses, sizeof clauses, buffer, size);
    }
    default: return IMM_ERROR_NODATA;
    }
}

BOOL ImmSetCompositionStringA(HIMC context, uint32_t index, const void* composition, uint32_t compositionSize,
                              const void*, uint32_t) {
    if (!Valid(context) || index != SCS_SETSTR || (!composition && compositionSize)) return 0;
    std::string text(static_cast<const char*>(composition), compositionSize);
    text.resize(std::strlen(text.c_str()));
    if (text.empty())
        ImeCancel(g_ime.window);
    else
        ImeCompose(g_ime.window, text, int(text.size()));
    return 1;
}

void ImeCompose(HWND window, std::string_view text, int cursorBytes) {
    g_ime.window = window;
    // Typing a composition means the user has switched the input method on.
    SetOpen(true);
    if (!g_ime.composing) {
        g_ime.composing = true;
        SendMessageA(window, WM_IME_STARTCOMPOSITION, 0, 0);
    }
    g_ime.composition = std::string(text);
    g_ime.cursor = std::clamp(cursorBytes, 0, int(text.size()));
    SendMessageA(window, WM_IME_COMPOSITION, 0, GCS_COMPSTR | GCS_COMPATTR | GCS_COMPCLAUSE | GCS_CURSORPOS);
}

void ImeCommit(HWND window, std::string_view text) {
    g_ime.window = window;
    g_ime.result = std::string(text);
    g_ime.composition.clear();
    g_ime.cursor = 0;
    SendMessageA(window, WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
    g_ime.result.clear();
    EndComposition(window);
}

void ImeCancel(HWND window) {
    g_ime.window = window;
    EndComposition(window);
}

void ImeShowCandidates(HWND window, const std::vector<std::string>& candidates, int selection) {
    g_ime.window = window;
    g_ime.candidates = candidates;
    g_ime.selection = uint32_t(std::clamp(selection, 0, std::max(int(candidates.size()) - 1, 0)));
    WPARAM notice = g_ime.candidatesShown ? IMN_CHANGECANDIDATE : IMN_OPENCANDIDATE;
    g_ime.candidatesShown = true;
    SendMessageA(window, WM_IME_NOTIFY, notice, 1);
}

void ImeCloseCandidates(HWND window) {
    if (!g_ime.candidatesShown) return;
    g_ime.candidatesShown = false;
    g_ime.candidates.clear();
    SendMessageA(window, WM_IME_NOTIFY, IMN_CLOSECANDIDATE, 1);
}

bool ImeComposing() { return g_ime.composing; }
int ImeContextsHeld() { return g_ime.contextsHeld; }
int ImeOpenStatusSets() { return g_ime.openStatusSets; }
void SetImeCandidateReadFails(bool fails) { g_ime.candidateReadFails = fails; }
void ResetIme() { g_ime = ImeState{}; }

}  // namespace host
