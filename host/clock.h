// Time for the engine: a millisecond tick and a performance counter over CLOCK_MONOTONIC,
// or a manual clock that tests move by hand.
#pragma once
#include <cstdint>

namespace host {

// Milliseconds since the clock's origin, wrapping at 2^32 like the platform tick.
uint32_t timeGetTime();
// Ticks of the performance counter and its rate in ticks per second.
bool QueryPerformanceCounter(int64_t* count);
bool QueryPerformanceFrequency(int64_t* frequency);

// The manual clock: while on, time stands still until AdvanceManualClock (or a Sleep,
// host/sync.h) moves it.
void UseManualClock(bool on);
void AdvanceManualClock(int64_t microseconds);
void SetManualClock(int64_t microseconds);
bool IsManualClock();
// How many times the manual clock has been moved (or its waiters woken), so that a
// thread that waits for it to reach a time can sleep until it moves instead of looking at
// it again and again: read the count, then the time, then wait with the count read. The
// wait ends when the clock has moved since, or after `mostMicroseconds` of real time.
uint64_t ManualClockMoves();
void WaitForManualClockMove(uint64_t seen, int64_t mostMicroseconds);
// Ends every such wait as a move would, the clock left where it stands: for a waiter
// whose own reason to look again (a stop, a start) came from elsewhere.
void WakeManualClockWaiters();
// Microseconds on whichever clock is in use.
int64_t NowMicroseconds();

// The processor's time-stamp counter; on the manual clock one tick per nanosecond of
// manual time, so its rate measures as exactly 1 GHz there.
uint64_t ReadTimeStampCounter();

}  // namespace host
