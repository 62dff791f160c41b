// The engine quantity a parameter value turns into, given the engine's other
// quantities: the one formula behind applying a value, showing its text and
// reading a text back.
#pragma once

#include "engine/DelayVoc.h"

#include <cstdint>

struct EngineQuantity {
    int32_t count = 0; // frames or bins
    float gain = 0.0f; // gains, threshold, mix
    bool flag = false; // the two switches
};

// For "track lenght" the count is the requested length, before the engine
// raises it to at least 1 frame.
EngineQuantity QuantityFor(int32_t index, float value, const TDelayVoc& engine);
