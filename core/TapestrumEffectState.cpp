// SPDX-License-Identifier: ISC
// The whole state in one call each way, for every face that saves and restores
// it (VST 3, CLAP) or loads a set of values at once (the VST 2 program, the C
// interface's presets).
#include "core/TapestrumEffect.h"

void TapestrumEffect::setValues(const std::array<float, kParameterCount>& newValues) {
    for (int32_t i = 0; i < kParameterCount; ++i)
        setParameter(i, newValues[static_cast<size_t>(i)]);
}

EffectState TapestrumEffect::state() const {
    EffectState state;
    for (int32_t i = 0; i < kParameterCount; ++i)
        state.values[static_cast<size_t>(i)] = storedParameter(i);
    state.name = programName;
    return state;
}

void TapestrumEffect::setState(const EffectState& state) {
    setValues(state.values);
    programName = state.name;
}
