// SPDX-License-Identifier: ISC
#include "core/TapestrumEffect.h"

#include "core/EffectQuantities.h"

TapestrumEffect::TapestrumEffect(SimdLevel simd) : delayVoc(std::make_unique<TDelayVoc>(simd)) {
    for (const ParameterInfo& row : kParameters)
        values[row.index] = row.defaultValue;
}

TapestrumEffect::~TapestrumEffect() = default;

void TapestrumEffect::storeParameter(int32_t index, float value) {
    value = ClampParameterValue(value);
    if (index < 0 || index > kLastParameter) return;
    values[index] = value;
}

void TapestrumEffect::setParameter(int32_t index, float value) {
    storeParameter(index, value);
    if (index >= 0 && index <= kLastParameter) applyParameter(index);
}

// Turns a stored value into engine quantities. The engine learns the host's
// sample rate here, so the first resume is what passes it on. A new track
// length derives the delay again, which keeps its share of the track.
void TapestrumEffect::applyParameter(int32_t index) {
    if (index < 0 || index > kLastParameter) return;
    TDelayVoc& e = *delayVoc;
    const float rate = hostRate;
    if (e.SampleRate() != rate) e.SetSampleRate(rate);
    const ValueMapping& mapping = kParameters[index].mapping;
    SetQuantity(mapping, QuantityFor(mapping, values[index], e), e);
    if (mapping.target == EngineTarget::TrackLength) setParameter(kDelay, values[kDelay]);
}

// Every answer lies within 0 to 1: a head left beyond a shortened track reads
// as 1.
float TapestrumEffect::readParameter(int32_t index) const {
    if (index < 0) return 0.0f;
    if (index > kLastParameter) index = kLastParameter;
    return ValueReadBack(kParameters[index].mapping, *delayVoc, values[index]);
}

// Applies every value again in ascending order: the delay with the track
// length the engine has, then the track length (which derives the delay again);
// the start bin limited by the old end bin, then the end bin raised to at least
// the new start bin; and the write head put back to "head position".
void TapestrumEffect::resume() {
    for (int32_t i = 0; i < kParameterCount; ++i)
        setParameter(i, values[i]);
}

void TapestrumEffect::reset() {
    delayVoc->Reset();
    resume();
}
