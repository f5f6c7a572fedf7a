// One message queue per thread: posted and sent messages, WM_QUIT, and the WM_PAINT and
// WM_TIMER messages that are made when the queue has nothing else.
#pragma once
#include <cstddef>

#include "host/win/system/types.h"

namespace host {

BOOL PeekMessageA(MSG* msg, HWND window, uint32_t first, uint32_t last, uint32_t remove);
BOOL PostMessageA(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageA(uint32_t threadId, uint32_t message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// WM_KEYDOWN of BACKSPACE, TAB, RETURN, ESCAPE or CONTROL+letter posts its WM_CHAR.
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);

// A timer posts WM_TIMER to its window every `elapse` ms (or calls `proc`); the same id
// on the same window replaces the old timer.
uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t elapse, TIMERPROC proc);
BOOL KillTimer(HWND window, uintptr_t id);

// For tests and the backends: messages waiting in the calling thread's queue (posted and
// sent, not counting WM_PAINT or timers), and dropping a thread's queue with its windows gone.
size_t CountQueuedMessages();
// Waits until the calling thread's queue holds a posted or sent message, at most timeoutMs
// real milliseconds. True when one is there.
bool WaitForQueuedMessage(uint32_t timeoutMs);
void ResetThreadQueue();

}  // namespace host
