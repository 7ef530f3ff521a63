#pragma once
// The scheduler: activates effects as their start is reached, retires them
// once their end has passed, and each frame draws the live ones in layer order.
#include <cstdint>

#include "core/effect.h"
#include "core/radix_sorter.h"

class EffectList {
public:
    static constexpr int32_t kCapacity = 10000;

    RadixSorter registered{kCapacity};  // every added effect, keyed by start
    int32_t nextToActivate = 0;         // index into the start-sorted order
    PtrList<Effect> active;             // most recently activated first
    RadixSorter live{kCapacity};        // this frame's effects, keyed by layer

    // Registers an effect (borrowed). Ignored once 10000 are registered.
    void add(Effect* effect);

    // Sorts the registered effects by start. Call once, after the last add.
    void prepare();

    // Forgets an effect (before it is destroyed): it is no longer registered,
    // active or drawn. The others keep their order.
    void remove(Effect* effect);

    // Draws the frame at music time t; t must not decrease between calls.
    void renderFrame(Frame& frame, int32_t t);
};
