// SPDX-License-Identifier: ISC
// The engine quantities the parameter values turn into, following each row's
// mapping (core/ParameterTable.h): the one set of formulas behind applying a
// value, reading it back, showing its text and reading a text back.
#pragma once

#include "core/ParameterTable.h"
#include "dsp/GuardedMath.h"
#include "engine/DelayVoc.h"

#include <cstdint>

struct EngineQuantity {
    int32_t count = 0; // frames or bins
    float gain = 0.0f; // gains, threshold, mix
    bool flag = false; // the two switches
};

// v^exponent, and the root that undoes it, in extended precision.
inline Extended PowerOf(Extended v, const ValueMapping& m) { return RealPower(v, m.exponent); }
inline Extended RootOf(Extended x, const ValueMapping& m) {
    return RealPower(x, static_cast<Extended>(m.rootExponent));
}

// The whole that a count of frames or bins is a share of: the track length,
// the storage (600 frames) or the 512 bins.
Extended CountWhole(const ValueMapping& m, const TDelayVoc& engine);

// The quantity `value` (0 to 1) becomes, given the engine's other quantities:
// a track length raised to at least one frame, a start bin limited by the end
// bin and an end bin by the start bin.
EngineQuantity QuantityFor(const ValueMapping& m, float value, const TDelayVoc& engine);

// What the engine holds now; for the mix, the value the effect stored (the
// engine keeps only wet and dry).
EngineQuantity CurrentQuantity(const ValueMapping& m, const TDelayVoc& engine, float storedValue);

// Sets the mapping's engine quantity.
void SetQuantity(const ValueMapping& m, const EngineQuantity& quantity, TDelayVoc& engine);

// The value (0 to 1) that gives the engine's current quantity; a mapping that
// reads back as stored gives the stored value (a switch's rounded to 0 or 1).
float ValueReadBack(const ValueMapping& m, const TDelayVoc& engine, float storedValue);
