// The vertical blank the engine paces itself by: a steady clock of the backend (60 Hz
// unless told otherwise), not the monitor's refresh, so the program runs at the same
// speed on any screen. Runs on the host clock, so the manual clock drives it in tests.
#pragma once
#include <cstdint>

namespace host {

void SetVerticalBlankRate(int hertz);
int64_t VerticalBlankPeriodMicros();
// The first vertical blank at or after `nowMicros`.
int64_t NextVerticalBlankMicros(int64_t nowMicros);
// Waits until the next vertical blank; returns its time in microseconds.
int64_t WaitForNextVerticalBlank();

}  // namespace host
