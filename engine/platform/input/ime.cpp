#include "engine/platform/input/ime.h"

#include <orvik/platform.h>
#include <orvik/text_input.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/platform/input/key_input.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/window/message_pump.h"
#include "engine/platform/startup/system_libraries.h"
#include "engine/platform/base/text.h"
#include "engine/platform/input/text_input.h"
#include "engine/platform/startup/timing.h"
#include "engine/platform/window/window.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {
IMEState g_ime;

// The main window's input context for one step, given back when the step ends; empty
// when the input method library or the window is missing.
class InputContext {
public:
    InputContext() : window_(Window().rt.mainWindow) {
        if (Libraries().ImmGetContext) context_ = Libraries().ImmGetContext(window_);
    }
    ~InputContext() {
        if (context_ && Libraries().ImmReleaseContext) Libraries().ImmReleaseContext(window_, context_);
    }
    InputContext(const InputContext&) = delete;
    InputContext& operator=(const InputContext&) = delete;
    explicit operator bool() const { return context_ != nullptr; }
    host::HIMC get() const { return context_; }

private:
    host::HWND window_;
    host::HIMC context_ = nullptr;
};

// A part of the composition into a buffer of `size` bytes; the bytes read (0 on error).
int ReadPart(const InputContext& ic, uint32_t part, void* buffer, int size) {
    if (!Libraries().ImmGetCompositionStringA) return 0;
    int32_t n = Libraries().ImmGetCompositionStringA(ic.get(), part, buffer, uint32_t(size));
    return std::clamp(n, 0, size);
}

// The composition text, always 0-ended however long the input method's is.
void ReadText(const InputContext& ic, char* out) { out[ReadPart(ic, host::GCS_COMPSTR, out, kCompositionSize - 1)] = 0; }

// The result goes into the character buffer in whole characters.
void TypeResult(const InputContext& ic) {
    if (!Libraries().ImmGetCompositionStringA) return;
    int32_t size = Libraries().ImmGetCompositionStringA(ic.get(), host::GCS_RESULTSTR, nullptr, 0);
    if (size <= 0) return;
    std::vector<char> result(static_cast<size_t>(size));
    int n = ReadPart(ic, host::GCS_RESULTSTR, result.data(), size);
    PushCharText(result.data(), n);
}

void Composition(host::LPARAM flags) {
    InputContext ic;
    if (!ic) return;
    if (flags & host::GCS_COMPSTR) ReadText(ic, g_ime.composition);
    if (flags & host::GCS_RESULTSTR) {
        TypeResult(ic);
        ReadText(ic, g_ime.composition);
    }
    if ((flags & host::GCS_CURSORPOS) && Libraries().ImmGetCompositionStringA) {
        int32_t bytes = Libraries().ImmGetCompositionStringA(ic.get(), host::GCS_CURSORPOS, nullptr, 0);
        g_ime.cursorChars = CountMultiByteChars(g_ime.composition, std::clamp(bytes, 0, kCompositionSize - 1));
    }
    if (flags & host::GCS_COMPCLAUSE) g_ime.clauseCount = ReadPart(ic, host::GCS_COMPCLAUSE, g_ime.clauses, kClauseTableBytes) / 4;
    if (flags & host::GCS_COMPATTR) g_ime.attributeCount = ReadPart(ic, host::GCS_COMPATTR, g_ime.attributes, kCompositionSize);
}

unsigned LogId(const void* handle) { return unsigned(reinterpret_cast<uintptr_t>(handle)); }

void ReadCandidates(host::HWND window) {
    InputContext ic;
    auto get = Libraries().ImmGetCandidateListA;
    if (!ic || !get) return;
    uint32_t size = get(ic.get(), 0, nullptr, 0);
    if (size == 0) {
        AddLogFormat("漢字変換候補のデータサイズが０でした  DefHWND:%x IMC:%x", LogId(window), LogId(ic.get()));
        return;
    }
    FreeIMECandidateList();
    g_ime.candidates = ORVIK_TRACKED_ALLOC(size);
    if (!g_ime.candidates)
        ExitWithErrorFormat("漢字変換候補を保存するメモリの確保に失敗しました( 確保しようとしたサイズ %d バイト )", int(size));
    g_ime.candidateSize = int32_t(size);
    if (get(ic.get(), 0, static_cast<host::CANDIDATELIST*>(g_ime.candidates), size) == 0) {
        FreeIMECandidateList();
        AddLogFormat("漢字変換候補の取得に失敗しました  BufSize:%d", int(size));
    }
}

// The open state changed: the system's handling runs, the messages it caused are
// worked off for up to 2 ms, and the new state is kept. Inside the editing step the pump
// would return at once, so there is nothing to wait for.
void OpenStatusChanged(host::HWND window, uint32_t message, host::WPARAM wParam, host::LPARAM lParam) {
    if (g_ime.inOpenStatus) return;
    g_ime.inOpenStatus = 1;
    host::DefWindowProcA(window, message, wParam, lParam);
    if (!Window().rt.pumpGuard) {
        uint64_t start = GetNowMicroseconds(0);
        host::MSG waiting;
        while (host::PeekMessageA(&waiting, nullptr, 0, 0, host::PM_NOREMOVE) && PumpMessagesCore() == 0 &&
               GetNowMicroseconds(0) - start < 2000) {
        }
    }
    InputContext ic;
    g_ime.open = ic && Libraries().ImmGetOpenStatus && Libraries().ImmGetOpenStatus(ic.get());
    g_ime.inOpenStatus = 0;
}

host::LRESULT Notify(host::HWND window, uint32_t message, host::WPARAM wParam, host::LPARAM lParam) {
    switch (wParam) {
    case host::IMN_OPENCANDIDATE:
    case host::IMN_CHANGECANDIDATE:
    case host::IMN_SETCANDIDATEPOS:
        ReadCandidates(window);
        break;
    case host::IMN_CLOSECANDIDATE:
        FreeIMECandidateList();
        break;
    case host::IMN_SETOPENSTATUS:
        OpenStatusChanged(window, message, wParam, lParam);
        break;
    default:
        host::DefWindowProcA(window, message, wParam, lParam);
        break;
    }
    return 0;
}

// Each step takes the main window's context afresh, as the input method may drop it
// between steps.
void SaveAndCancelComposition() {
    InputContext ic;
    if (!ic) return;
    g_ime.composition[0] = g_ime.saved[0] = 0;
    int n = ReadPart(ic, host::GCS_COMPSTR, g_ime.saved, kCompositionSize - 1);
    g_ime.saved[n] = 0;
    if (Libraries().ImmNotifyIME) Libraries().ImmNotifyIME(ic.get(), host::NI_COMPOSITIONSTR, host::CPS_CANCEL, 0);
}

void SetOpenStatus(host::BOOL open, bool restoreComposition) {
    InputContext ic;
    if (!ic) return;
    if (Libraries().ImmSetOpenStatus) Libraries().ImmSetOpenStatus(ic.get(), open);
    if (restoreComposition && Libraries().ImmSetCompositionStringA)
        Libraries().ImmSetCompositionStringA(ic.get(), host::SCS_SETSTR, g_ime.saved,
                                             uint32_t(std::strlen(g_ime.saved)), nullptr, 0);
}
}  // namespace

IMEState& IME() { return g_ime; }

void FreeIMECandidateList() {
    if (g_ime.candidates) TrackedFree(g_ime.candidates);
    g_ime.candidates = nullptr;
    g_ime.candidateSize = 0;
}

void ResetIMEState() {
    FreeIMECandidateList();
    g_ime = IMEState{};
}

int EnableIME(int on) {
    auto& settings = Window().settings;
    on = on != 0;
    if (settings.imeInputOn == on) return 0;
    if (Libraries().WINNLSEnableIME) Libraries().WINNLSEnableIME(Window().rt.mainWindow, on);
    settings.imeInputOn = on;
    if (!on) {
        FreeIMECandidateList();
        g_ime.composition[0] = 0;
        g_ime.composing = 0;
    }
    return 0;
}

void NoteIMEActivation() {
    if (Window().settings.imeInputOn && g_ime.open) g_ime.reopenStep = 1;
}

void ReopenIMEIfAsked() {
    if (g_ime.reopenStep != 1) return;
    SaveAndCancelComposition();
    SetOpenStatus(0, false);
    SetOpenStatus(1, false);
    SetOpenStatus(1, true);
    g_ime.reopenStep = 0;
}

host::LRESULT HandleIMEMessage(host::HWND window, uint32_t message, host::WPARAM wParam, host::LPARAM lParam) {
    ResetCursorBlink();
    switch (message) {
    case host::WM_IME_STARTCOMPOSITION:
        g_ime.composing = 1;
        g_ime.cursorChars = 0;
        return 0;
    case host::WM_IME_ENDCOMPOSITION:
        g_ime.composition[0] = 0;
        g_ime.composing = 0;
        return 0;
    case host::WM_IME_COMPOSITION:
        Composition(lParam);
        return 0;
    case host::WM_IME_NOTIFY:
        return Notify(window, message, wParam, lParam);
    default:
        return host::DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace orvik
