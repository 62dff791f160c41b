#include "core/TapestrumEffect.h"

#include "core/EffectQuantities.h"
#include "dsp/GuardedMath.h"

#include <algorithm>

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
// sample rate here, so the first resume is what passes it on.
void TapestrumEffect::applyParameter(int32_t index) {
    if (index < 0 || index > kLastParameter) return;
    TDelayVoc& e = *delayVoc;
    const float rate = hostRate;
    if (e.rate != rate) e.SetSampleRate(rate);
    const float v = values[index];
    const EngineQuantity q = QuantityFor(index, v, e);
    switch (index) {
    case kDelay:
        e.delay = q.count;
        break;
    case kProcess:
        e.delayedAsCarrier = q.flag;
        break;
    case kOutAmp:
        e.outAmp = q.gain;
        break;
    case kRecStartFreq:
        e.startBin = q.count;
        break;
    case kRecEndFreq:
        e.endBin = q.count;
        break;
    case kThreshold:
        e.threshold = q.gain;
        break;
    case kTrackLength:
        e.SetTrackLength(q.count);
        setParameter(kDelay, values[kDelay]); // the delay keeps its share of the track
        break;
    case kHeadPosition:
        e.writeIdx = q.count;
        break;
    case kRecAmp:
        e.recAmp = q.gain;
        break;
    case kMix:
        e.SetMix(q.gain);
        break;
    default:
        e.forward = q.flag;
        break;
    }
}

// Every answer lies within 0 to 1: a head left beyond a shortened track reads
// as 1.
float TapestrumEffect::readParameter(int32_t index) const {
    if (index < 0) return 0.0f;
    if (index > kLastParameter) index = kLastParameter;
    constexpr Extended kOneThird = 1.0L / 3.0L;
    constexpr Extended kBins = TDelayVoc::BinCount;
    constexpr Extended kMaxFrames = TDelayVoc::MaxTrackFrames;
    const auto unit = [](Extended value) {
        if (!(value >= 0)) return 0.0f;
        if (value > 1) return 1.0f;
        return static_cast<float>(value);
    };
    const TDelayVoc& e = *delayVoc;
    const Extended trackLen = e.trackLen;
    switch (index) {
    case kDelay:
        return unit(RealPower(e.delay / trackLen, 0.5L));
    case kProcess:
        return e.delayedAsCarrier ? 1.0f : 0.0f;
    case kOutAmp:
        return unit(RealPower(e.outAmp, 0.5L));
    case kRecStartFreq:
        return unit(RealPower(e.startBin / kBins, kOneThird));
    case kRecEndFreq:
        return unit(RealPower(e.endBin / kBins, 0.5L));
    case kThreshold:
        return unit(e.threshold);
    case kTrackLength:
        return unit(RealPower(trackLen / kMaxFrames, 0.5L));
    case kHeadPosition:
        return unit(e.writeIdx / trackLen);
    case kRecAmp:
        return values[kRecAmp];
    case kMix:
        return values[kMix];
    default:
        return static_cast<float>(Nearest(values[kHeadDirection]));
    }
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
    TDelayVoc& e = *delayVoc;
    const auto clear = [](std::unique_ptr<float[]>& buffer, size_t count) {
        std::fill_n(buffer.get(), count, 0.0f);
    };
    constexpr size_t kTrackValues = size_t{TDelayVoc::MaxTrackFrames} * TDelayVoc::BinCount;
    clear(e.freqTrack, kTrackValues);
    clear(e.magTrack, kTrackValues);
    clear(e.outAccum, TDelayVoc::FrameLength);
    clear(e.inFifo, TDelayVoc::FrameLength);
    clear(e.outFifo, TDelayVoc::HopLength);
    clear(e.synthPhase, TDelayVoc::BinCount);
    clear(e.lastPhase, TDelayVoc::BinCount);
    e.fifoPos = TDelayVoc::FirstInputPosition;
    e.levelSum = 0.0f;
    e.readIdx = 0;
    resume();
}
