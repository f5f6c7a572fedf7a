// The enemy waves of the six stages and the gates that hold some of them back.
#pragma once
#include <span>

namespace vantorix {

// A line of `count` enemies of one type, the first at (x, y) in play-field coordinates and
// each next one (dx, dy) further on. All fire together at the phase frame given.
struct Wave {
    int stage, phase, frame;
    bool gated;  // spawned only while the phase's gate is open
    int type, x, y, count, dx, dy;
};

// A gate opens when the field is empty on some frame of its window and closes at its close
// frame.
struct WaveGate {
    int stage, phase, windowFirst, windowLast, closeFrame;
};

std::span<const Wave> Waves();
std::span<const WaveGate> WaveGates();

}  // namespace vantorix
