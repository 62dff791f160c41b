// SPDX-License-Identifier: ISC
#include "core/TapestrumEffect.h"

#include "core/EffectQuantities.h"
#include "core/ParameterIndexCheck.h"

TapestrumEffect::TapestrumEffect(int32_t channelCount, SimdLevel simd)
    : delayVoc(std::make_unique<TDelayVoc>(simd)),
      secondVoc(channelCount >= 2 ? std::make_unique<TDelayVoc>(simd) : nullptr), simdLevel(simd),
      feed(std::make_unique<LoopFeed>()) {
    for (const ParameterInfo& row : kParameters)
        values[row.index] = row.defaultValue;
}

TapestrumEffect::~TapestrumEffect() = default;

void TapestrumEffect::storeParameter(int32_t index, float value) {
    value = ClampParameterValue(value);
    if (!IsParameterIndex(index)) return;
    values[index] = value;
}

void TapestrumEffect::setParameter(int32_t index, float value) {
    storeParameter(index, value);
    if (IsParameterIndex(index)) applyParameter(index);
}

// Turns a stored value into engine quantities, in each channel's engine from
// the same value. The engine learns the host's sample rate here, so the first
// resume is what passes it on. A new track length derives the delay again,
// which keeps its share of the track.
void TapestrumEffect::applyParameter(int32_t index) {
    if (!IsParameterIndex(index)) return;
    const float rate = hostRate;
    const float value = values[index];
    const ValueMapping& mapping = kParameters[index].mapping;
    for (TDelayVoc* engine : {delayVoc.get(), secondVoc.get()}) {
        if (!engine) continue;
        TDelayVoc& e = *engine;
        if (e.SampleRate() != rate) e.SetSampleRate(rate);
        SetQuantity(mapping, QuantityFor(mapping, value, e), e);
    }
    if (mapping.target == EngineTarget::TrackLength) setParameter(kDelay, values[kDelay]);
}

// Every answer lies within 0 to 1: a head left beyond a shortened track reads
// as 1.
float TapestrumEffect::readParameter(int32_t index) const {
    const std::optional<int32_t> row = ShownParameterIndex(index);
    if (!row) return 0.0f;
    return ValueReadBack(kParameters[*row].mapping, *delayVoc, values[*row]);
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
    if (secondVoc) secondVoc->Reset();
    feed->refreshAll();
    resume();
}

void TapestrumEffect::setChannelCount(int32_t channelCount) {
    if ((channelCount >= 2) != (secondVoc != nullptr))
        secondVoc = channelCount >= 2 ? std::make_unique<TDelayVoc>(simdLevel) : nullptr;
    reset();
}

void TapestrumEffect::processChannels(const float* const* inputs, float* const* outputs,
                                      int32_t frames) {
    if (!secondVoc) return process(inputs ? inputs[0] : nullptr, outputs[0], frames);
    const auto input = [&](int32_t channel) -> const float* {
        const float* given = inputs ? inputs[channel] : nullptr;
        if (given) return given;
        std::fill_n(outputs[channel], std::max(frames, 0), 0.0f);
        return outputs[channel];
    };
    const float* left = input(0);
    const float* right = input(1);
    ProcessLinkedPair(*delayVoc, *secondVoc, left, right, outputs[0], outputs[1], frames);
    if (feed->attached()) feed->publish(*delayVoc, secondVoc.get());
}

void TapestrumEffect::trackPicture(float* picture) const {
    constexpr size_t kCount = TDelayVoc::TrackView::MagnitudeCount();
    const float* first = delayVoc->Track().Magnitudes();
    if (!secondVoc) {
        std::copy_n(first, kCount, picture);
        return;
    }
    const float* second = secondVoc->Track().Magnitudes();
    for (size_t i = 0; i < kCount; ++i)
        picture[i] = std::max(first[i], second[i]);
}
