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

const TargetAccess& AccessFor(const ParameterInfo& row) {
    return kTargets[static_cast<size_t>(row.target)];
}

// A read-back value within 0 to 1: NaN gives 0.
float UnitValue(Extended value) {
    if (!(value >= 0)) return 0.0f;
    if (value > 1) return 1.0f;
    return static_cast<float>(value);
}

} // namespace

Extended CountWhole(const ParameterInfo& row, const TDelayVoc& e) {
    switch (row.kind) {
    case QuantityKind::StorageFrames:
        return TDelayVoc::MaxTrackFrames;
    case QuantityKind::Bins:
        return TDelayVoc::BinCount;
    default:
        return e.TrackLength();
    }
}

// Counts are stored as the engine's integers, gains as its floats.
EngineQuantity QuantityFor(const ParameterInfo& row, float value, const TDelayVoc& e) {
    const Extended v = value;
    switch (row.kind) {
    case QuantityKind::TrackFrames:
    case QuantityKind::HeadFrame:
        return Count(Nearest(PowerOf(v, row) * CountWhole(row, e)));
    case QuantityKind::StorageFrames:
        return Count(std::clamp(Nearest(PowerOf(v, row) * CountWhole(row, e)),
                                TDelayVoc::MinTrackFrames, TDelayVoc::MaxTrackFrames));
    case QuantityKind::Bins: {
        // The band's two edges limit each other.
        const int32_t bins = Nearest(PowerOf(v, row) * CountWhole(row, e));
        return Count(row.target == EngineTarget::StartBin ? std::min(e.EndBin(), bins)
                                                          : std::max(e.StartBin(), bins));
    }
    case QuantityKind::Gain:
        return Gain(static_cast<float>(row.scale * PowerOf(v, row)));
    case QuantityKind::Switch:
        return Flag(Nearest(v) != 0);
    default: // gate level, mix
        return Gain(value);
    }
}

EngineQuantity CurrentQuantity(const ParameterInfo& row, const TDelayVoc& e, float storedValue) {
    if (row.kind == QuantityKind::Mix) return Gain(storedValue);
    return AccessFor(row).current(e);
}

void SetQuantity(const ParameterInfo& row, const EngineQuantity& quantity, TDelayVoc& e) {
    AccessFor(row).set(e, quantity);
}

float ValueReadBack(const ParameterInfo& row, const TDelayVoc& e, float storedValue) {
    if (row.readsStored)
        return row.kind == QuantityKind::Switch ? static_cast<float>(Nearest(storedValue))
                                                : storedValue;
    const EngineQuantity q = AccessFor(row).current(e);
    switch (row.kind) {
    case QuantityKind::Switch:
        return q.flag ? 1.0f : 0.0f;
    case QuantityKind::Gain:
        return UnitValue(RootOf(q.gain / static_cast<Extended>(row.scale), row));
    case QuantityKind::GateLevel:
    case QuantityKind::Mix:
        return UnitValue(q.gain);
    default: // frames, bins
        return UnitValue(RootOf(q.count / CountWhole(row, e), row));
    }
}
