// One frame of each enemy type's behaviour. Each returns false when the enemy has left the
// field during the frame, true while it stays (its phase timer then counts on).
#pragma once
#include <cstddef>

namespace vantorix {

using Behaviour = bool (*)(int slot);

struct BehaviourEntry {
    int type;
    Behaviour behaviour;
};

template <size_t N>
Behaviour FindBehaviour(const BehaviourEntry (&table)[N], int type) {
    for (const BehaviourEntry& entry : table)
        if (entry.type == type) return entry.behaviour;
    return nullptr;
}

// The behaviour of an ordinary enemy type or launcher, null for a type without one.
Behaviour SmallEnemyBehaviour(int type);
Behaviour LargeEnemyBehaviour(int type);
// The phase machine every boss shares, with its own attacks.
bool BehaveBoss(int slot);

}  // namespace vantorix
