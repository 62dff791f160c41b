#include "core/EffectQuantities.h"

#include "core/ParameterTable.h"
#include "dsp/GuardedMath.h"

// Powers are computed in extended precision with the value as base; the results
// are stored in the engine fields' own types, counts rounded to the nearest
// integer with halves to even.
EngineQuantity QuantityFor(int32_t index, float value, const TDelayVoc& e) {
    constexpr Extended kBins = TDelayVoc::BinCount;
    constexpr Extended kMaxFrames = TDelayVoc::MaxTrackFrames;
    const Extended v = value;
    EngineQuantity q;
    switch (index) {
    case kDelay:
        q.count = Nearest(RealPower(v, 2) * e.trackLen);
        break;
    case kProcess:
    case kHeadDirection:
        q.flag = Nearest(v) != 0;
        break;
    case kOutAmp:
        q.gain = static_cast<float>(RealPower(v, 2));
        break;
    case kRecStartFreq: // cube, not square
        q.count = static_cast<int32_t>(Min64(e.endBin, Nearest(RealPower(v, 3) * kBins)));
        break;
    case kRecEndFreq:
        q.count = static_cast<int32_t>(Max64(e.startBin, Nearest(RealPower(v, 2) * kBins)));
        break;
    case kThreshold:
    case kMix:
        q.gain = value;
        break;
    case kTrackLength:
        q.count = Nearest(RealPower(v, 2) * kMaxFrames);
        break;
    case kHeadPosition:
        q.count = Nearest(e.trackLen * v);
        break;
    case kRecAmp:
        q.gain = static_cast<float>(2 * v);
        break;
    default:
        break;
    }
    return q;
}
