#include "host/win/window/message_queue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "host/backends/backend_events.h"
#include "host/clock.h"
#include "host/dinput/keyboard_state.h"
#include "host/sync.h"
#include "host/win/window/window.h"
#include "host/win/window/window_state.h"

namespace host {

namespace {

struct SentMessage {
    HWND window;
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
};

struct ThreadQueue {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<MSG> posted;
    std::deque<SentMessage*> sent;
    bool quit = false;
    int quitCode = 0;
};

std::mutex g_registryMutex;
std::map<uint32_t, std::shared_ptr<ThreadQueue>> g_queues;

std::shared_ptr<ThreadQueue> QueueOf(uint32_t thread, bool create) {
    std::lock_guard lock(g_registryMutex);
    auto it = g_queues.find(thread);
    if (it != g_queues.end()) return it->second;
    if (!create) return nullptr;
    return g_queues[thread] = std::make_shared<ThreadQueue>();
}

bool InRange(uint32_t message, uint32_t first, uint32_t last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

// A null filter takes every message of the thread, -1 only those without a window.
bool WindowMatches(HWND filter, HWND window) {
    if (!filter) return true;
    if (filter == HandleFromId<HWND>(uintptr_t(-1))) return window == nullptr;
    return filter == window;
}

void DispatchSent(ThreadQueue& q) {
    for (;;) {
        SentMessage* sm;
        {
            std::lock_guard lock(q.mutex);
            if (q.sent.empty()) return;
            sm = q.sent.front();
            q.sent.pop_front();
        }
        LRESULT r = CallWindowProc(sm->window, sm->message, sm->wParam, sm->lParam);
        std::lock_guard lock(q.mutex);
        sm->result = r;
        sm->done = true;
        q.cv.notify_all();
    }
}

MSG Make(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    MSG m;
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = timeGetTime();
    return m;
}

// WM_PAINT for an invalid window, then WM_TIMER for a timer that is due: these are made
// only when nothing was posted, as on the real system.
bool SynthesizeMessage(MSG* out, HWND filter, uint32_t first, uint32_t last, bool remove) {
    using namespace detail;
    uint32_t thread = GetCurrentThreadId();
    uint32_t now = timeGetTime();
    std::lock_guard lock(Win().mutex);
    if (InRange(WM_PAINT, first, last)) {
        for (auto& [id, rec] : Win().windows) {
            HWND w = HandleFromId<HWND>(id);
            if (rec.thread == thread && rec.visible && rec.invalid && WindowMatches(filter, w)) {
                *out = Make(w, WM_PAINT, 0, 0);
                return true;
            }
        }
    }
    if (!InRange(WM_TIMER, first, last)) return false;
    for (auto& [id, rec] : Win().windows) {
        HWND w = HandleFromId<HWND>(id);
        if (rec.thread != thread || !WindowMatches(filter, w)) continue;
        for (auto& t : rec.timers) {
            if (int32_t(now - t.due) < 0) continue;
            *out = Make(w, WM_TIMER, t.id, LPARAM(reinterpret_cast<intptr_t>(t.proc)));
            if (remove) t.due = now + t.elapse;
            return true;
        }
    }
    return false;
}

// The procedure of a live timer of the window, when the message names it; anything else
// in a WM_TIMER's lParam is not an address to call.
TIMERPROC TimerProcOf(HWND window, WPARAM id, LPARAM proc) {
    using namespace detail;
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = FindWindowRecord(window);
    if (!rec) return nullptr;
    for (const auto& t : rec->timers)
        if (t.id == id && reinterpret_cast<LPARAM>(t.proc) == proc) return t.proc;
    return nullptr;
}

}  // namespace

BOOL PeekMessageA(MSG* msg, HWND window, uint32_t first, uint32_t last, uint32_t remove) {
    PollBackendEvents();
    auto q = QueueOf(GetCurrentThreadId(), true);
    DispatchSent(*q);
    MSG found;
    {
        std::lock_guard lock(q->mutex);
        for (auto it = q->posted.begin(); it != q->posted.end(); ++it) {
            if (!WindowMatches(window, it->hwnd) || !InRange(it->message, first, last)) continue;
            found = *it;
            if (remove & PM_REMOVE) q->posted.erase(it);
            if (msg) *msg = found;
            return 1;
        }
        bool threadLevel = !window || window == HandleFromId<HWND>(uintptr_t(-1));
        if (q->quit && threadLevel && InRange(WM_QUIT, first, last)) {
            found = Make(nullptr, WM_QUIT, WPARAM(q->quitCode), 0);
            if (remove & PM_REMOVE) q->quit = false;
            if (msg) *msg = found;
            return 1;
        }
    }
    if (!SynthesizeMessage(&found, window, first, last, remove & PM_REMOVE)) return 0;
    if (msg) *msg = found;
    return 1;
}

BOOL PostMessageA(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    uint32_t thread = window ? GetWindowThreadProcessId(window) : GetCurrentThreadId();
    if (!thread) return 0;
    auto q = QueueOf(thread, true);
    std::lock_guard lock(q->mutex);
    q->posted.push_back(Make(window, message, wParam, lParam));
    q->cv.notify_all();
    return 1;
}

BOOL PostThreadMessageA(uint32_t threadId, uint32_t message, WPARAM wParam, LPARAM lParam) {
    auto q = QueueOf(threadId, threadId == GetCurrentThreadId());
    if (!q) return 0;
    std::lock_guard lock(q->mutex);
    q->posted.push_back(Make(nullptr, message, wParam, lParam));
    q->cv.notify_all();
    return 1;
}

LRESULT SendMessageA(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    uint32_t owner = GetWindowThreadProcessId(window);
    if (!owner) return 0;
    if (owner == GetCurrentThreadId()) return CallWindowProc(window, message, wParam, lParam);
    // Another thread's window: its owner runs the procedure the next time it looks at its
    // queue, and this thread waits for the answer.
    auto q = QueueOf(owner, true);
    SentMessage sm{window, message, wParam, lParam};
    std::unique_lock lock(q->mutex);
    q->sent.push_back(&sm);
    q->cv.notify_all();
    q->cv.wait(lock, [&] { return sm.done; });
    return sm.result;
}

void PostQuitMessage(int exitCode) {
    auto q = QueueOf(GetCurrentThreadId(), true);
    std::lock_guard lock(q->mutex);
    q->quit = true;
    q->quitCode = exitCode;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return 0;
    // Printable characters arrive from the backend's text input; the keys that type
    // control characters are turned into WM_CHAR here.
    if (uint8_t c = ControlCharOfKey(uint8_t(msg->wParam))) PostMessageA(msg->hwnd, WM_CHAR, c, msg->lParam);
    return 1;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        if (TIMERPROC proc = TimerProcOf(msg->hwnd, msg->wParam, msg->lParam)) {
            proc(msg->hwnd, WM_TIMER, msg->wParam, timeGetTime());
            return 0;
        }
    }
    if (!msg->hwnd) return 0;
    return CallWindowProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t elapse, TIMERPROC proc) {
    using namespace detail;
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = FindWindowRecord(window);
    if (!rec) return 0;
    elapse = elapse < 10 ? 10 : elapse;
    detail::TimerRecord t{id, elapse, timeGetTime() + elapse, proc};
    for (auto& old : rec->timers)
        if (old.id == id) {
            old = t;
            return id ? id : 1;
        }
    rec->timers.push_back(t);
    return id ? id : 1;
}

BOOL KillTimer(HWND window, uintptr_t id) {
    using namespace detail;
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = FindWindowRecord(window);
    if (!rec) return 0;
    auto& ts = rec->timers;
    for (auto it = ts.begin(); it != ts.end(); ++it)
        if (it->id == id) {
            ts.erase(it);
            return 1;
        }
    return 0;
}

size_t CountQueuedMessages() {
    auto q = QueueOf(GetCurrentThreadId(), true);
    std::lock_guard lock(q->mutex);
    return q->posted.size() + q->sent.size();
}

bool WaitForQueuedMessage(uint32_t timeoutMs) {
    auto q = QueueOf(GetCurrentThreadId(), true);
    std::unique_lock lock(q->mutex);
    return q->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [&] { return !q->posted.empty() || !q->sent.empty(); });
}

void ResetThreadQueue() {
    auto q = QueueOf(GetCurrentThreadId(), true);
    std::lock_guard lock(q->mutex);
    q->posted.clear();
    q->quit = false;
    q->quitCode = 0;
}

}  // namespace host
