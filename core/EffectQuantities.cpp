// SPDX-License-Identifier: ISC
#include "core/EffectQuantities.h"

#include <algorithm>
#include <array>

namespace {

// How each engine quantity is set and read, in EngineTarget order. The mix has
// no reading: the effect keeps the value it split into wet and dry.
struct TargetAccess {
    EngineTarget target;
    void (*set)(TDelayVoc&, const EngineQuantity&);
    EngineQuantity (*current)(const TDelayVoc&);
};

EngineQuantity Count(int32_t count) { return {count, 0.0f, false}; }
EngineQuantity Gain(float gain) { return {0, gain, false}; }
EngineQuantity Flag(bool flag) { return {0, 0.0f, flag}; }

constexpr std::array<TargetAccess, kEngineTargetCount> kTargets{{
    {EngineTarget::Delay, [](TDelayVoc& e, const EngineQuantity& q) { e.SetDelay(q.count); },
     [](const TDelayVoc& e) { return Count(e.Delay()); }},
    {EngineTarget::DelayedAsCarrier,
     [](TDelayVoc& e, const EngineQuantity& q) { e.SetDelayedAsCarrier(q.flag); },
     [](const TDelayVoc& e) { return Flag(e.DelayedAsCarrier()); }},
    {EngineTarget::OutputGain,
     [](TDelayVoc& e, const EngineQuantity& q) { e.SetOutputGain(q.gain); },
     [](const TDelayVoc& e) { return Gain(e.OutputGain()); }},
    {EngineTarget::StartBin, [](TDelayVoc& e, const EngineQuantity& q) { e.SetStartBin(q.count); },
     [](const TDelayVoc& e) { return Count(e.StartBin()); }},
    {EngineTarget::EndBin, [](TDelayVoc& e, const EngineQuantity& q) { e.SetEndBin(q.count); },
     [](const TDelayVoc& e) { return Count(e.EndBin()); }},
    {EngineTarget::Threshold, [](TDelayVoc& e, const EngineQuantity& q) { e.SetThreshold(q.gain); },
     [](const TDelayVoc& e) { return Gain(e.Threshold()); }},
    {EngineTarget::TrackLength,
     [](TDelayVoc& e, const EngineQuantity& q) { e.SetTrackLength(q.count); },
     [](const TDelayVoc& e) { return Count(e.TrackLength()); }},
    {EngineTarget::WriteHead,
     [](TDelayVoc& e, const EngineQuantity& q) { e.SetWriteHead(q.count); },
     [](const TDelayVoc& e) { return Count(e.WriteHead()); }},
    {EngineTarget::RecordGain,
     [](TDelayVoc& e, const EngineQuantity& q) { e.SetRecordGain(q.gain); },
     [](const TDelayVoc& e) { return Gain(e.RecordGain()); }},
    {EngineTarget::Mix, [](TDelayVoc& e, const EngineQuantity& q) { e.SetMix(q.gain); }, nullptr},
    {EngineTarget::Forward, [](TDelayVoc& e, const EngineQuantity& q) { e.SetForward(q.flag); },
     [](const TDelayVoc& e) { return Flag(e.Forward()); }},
}};

static_assert([] {
    for (size_t i = 0; i < kTargets.size(); ++i)
        if (static_cast<size_t>(kTargets[i].target) != i) return false;
    return true;
}());

const TargetAccess& AccessFor(const ValueMapping& m) {
    return kTargets[static_cast<size_t>(m.target)];
}

// A read-back value within 0 to 1: NaN gives 0.
float UnitValue(Extended value) {
    if (!(value >= 0)) return 0.0f;
    if (value > 1) return 1.0f;
    return static_cast<float>(value);
}

} // namespace

Extended CountWhole(const ValueMapping& m, const TDelayVoc& e) {
    if (m.kind == QuantityKind::StorageFrames) return TDelayVoc::MaxTrackFrames;
    if (m.kind == QuantityKind::Bins) return TDelayVoc::BinCount;
    return e.TrackLength();
}

// Counts are stored as the engine's integers, gains as its floats.
EngineQuantity QuantityFor(const ValueMapping& m, float value, const TDelayVoc& e) {
    const Extended v = value;
    switch (m.kind) {
    case QuantityKind::TrackFrames:
    case QuantityKind::HeadFrame:
        return Count(Nearest(PowerOf(v, m) * CountWhole(m, e)));
    case QuantityKind::StorageFrames:
        return Count(std::clamp(Nearest(PowerOf(v, m) * CountWhole(m, e)),
                                TDelayVoc::MinTrackFrames, TDelayVoc::MaxTrackFrames));
    case QuantityKind::Bins: {
        // The band's two edges limit each other.
        const int32_t bins = Nearest(PowerOf(v, m) * CountWhole(m, e));
        return Count(m.target == EngineTarget::StartBin ? std::min(e.EndBin(), bins)
                                                        : std::max(e.StartBin(), bins));
    }
    case QuantityKind::Gain:
        return Gain(static_cast<float>(m.scale * PowerOf(v, m)));
    case QuantityKind::Switch:
        return Flag(Nearest(v) != 0);
    case QuantityKind::GateLevel:
    case QuantityKind::Mix:
        break;
    }
    return Gain(value);
}

EngineQuantity CurrentQuantity(const ValueMapping& m, const TDelayVoc& e, float storedValue) {
    if (m.kind == QuantityKind::Mix) return Gain(storedValue);
    return AccessFor(m).current(e);
}

void SetQuantity(const ValueMapping& m, const EngineQuantity& quantity, TDelayVoc& e) {
    AccessFor(m).set(e, quantity);
}

float ValueReadBack(const ValueMapping& m, const TDelayVoc& e, float storedValue) {
    if (m.readsStored)
        return m.kind == QuantityKind::Switch ? static_cast<float>(Nearest(storedValue))
                                              : storedValue;
    const EngineQuantity q = CurrentQuantity(m, e, storedValue);
    switch (m.kind) {
    case QuantityKind::TrackFrames:
    case QuantityKind::StorageFrames:
    case QuantityKind::HeadFrame:
    case QuantityKind::Bins:
        return UnitValue(RootOf(q.count / CountWhole(m, e), m));
    case QuantityKind::Gain:
        return UnitValue(RootOf(q.gain / static_cast<Extended>(m.scale), m));
    case QuantityKind::Switch:
        return q.flag ? 1.0f : 0.0f;
    case QuantityKind::GateLevel:
    case QuantityKind::Mix:
        break;
    }
    return UnitValue(q.gain);
}
