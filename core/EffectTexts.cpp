// The texts hosts show for the parameters: names, labels and value displays,
// and the reading of such a text back into a value.
#include "core/TapestrumEffect.h"

#include "core/EffectQuantities.h"
#include "dsp/GuardedMath.h"
#include "dsp/TextUtils.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr std::string_view kNegativeIndexText = " ";
constexpr std::string_view kMixBar = "dry ||||||||-|||||||| wet";
constexpr int32_t kMixBarWindow = 10;
constexpr int32_t kMixBarSteps = 16;

constexpr std::string_view kCarrierText = "delayed as carrier";
constexpr std::string_view kModulatorText = "delayed as modulator";
constexpr std::string_view kForwardText = "forward";
constexpr std::string_view kBackwardText = "backward";

// n frames (of 256 samples) as milliseconds at the host's sample rate.
float Milliseconds(int32_t frames, float sampleRate) {
    return static_cast<float>(frames * 1000.0L * TDelayVoc::HopLength / sampleRate);
}

float Frequency(int32_t bin, float binWidth) {
    return static_cast<float>(static_cast<Extended>(bin) * binWidth);
}

// Ten characters of the bar, starting further right as the mix rises.
int32_t MixBarStart(float mix) {
    const int32_t start = Nearest(16.0L * mix);
    return start < 1 ? 1 : start;
}

std::string MixBarText(int32_t start) {
    return std::string(kMixBar.substr(static_cast<size_t>(start - 1), kMixBarWindow));
}

// The text of a parameter whose engine quantity is q. Durations use the host's
// sample rate, frequencies the engine's bin width.
std::string QuantityText(int32_t index, const EngineQuantity& q, float sampleRate, float binWidth) {
    switch (index) {
    case kDelay:
    case kTrackLength:
    case kHeadPosition:
        return NumberText(Milliseconds(q.count, sampleRate)) + " ms ";
    case kProcess:
        return std::string(q.flag ? kCarrierText : kModulatorText);
    case kRecStartFreq:
        return NumberText(Frequency(q.count, binWidth)) + "Hz";
    case kRecEndFreq:
        return NumberText(Frequency(q.count, binWidth)) + " Hz";
    case kOutAmp:
    case kThreshold:
    case kRecAmp:
        return DecibelText(q.gain);
    case kMix:
        return MixBarText(MixBarStart(q.gain));
    default:
        return std::string(q.flag ? kForwardText : kBackwardText);
    }
}

// What the engine holds now, in the form QuantityFor gives.
EngineQuantity CurrentQuantity(int32_t index, const TDelayVoc& e, float storedMix) {
    EngineQuantity q;
    switch (index) {
    case kDelay:
        q.count = e.delay;
        break;
    case kProcess:
        q.flag = e.delayedAsCarrier;
        break;
    case kOutAmp:
        q.gain = e.outAmp;
        break;
    case kRecStartFreq:
        q.count = e.startBin;
        break;
    case kRecEndFreq:
        q.count = e.endBin;
        break;
    case kThreshold:
        q.gain = e.threshold;
        break;
    case kTrackLength:
        q.count = e.trackLen;
        break;
    case kHeadPosition:
        q.count = e.writeIdx;
        break;
    case kRecAmp:
        q.gain = e.recAmp;
        break;
    case kMix:
        q.gain = storedMix;
        break;
    default:
        q.flag = e.forward;
        break;
    }
    return q;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A number as the texts write it (either separator, an exponent as "E07",
// "INF" and "-INF"), followed by nothing but the given unit, if any.
std::optional<double> ReadNumber(std::string_view text, std::string_view unit) {
    text = Trimmed(text);
    if (!unit.empty() && text.size() >= unit.size() &&
        SameLetters(text.substr(text.size() - unit.size()), unit))
        text = Trimmed(text.substr(0, text.size() - unit.size()));
    if (text.empty() || text.size() > 40) return std::nullopt;
    if (SameLetters(text, "INF") || SameLetters(text, "+INF"))
        return std::numeric_limits<double>::infinity();
    if (SameLetters(text, "-INF")) return -std::numeric_limits<double>::infinity();
    std::string plain;
    for (const char c : text) {
        if (c == ',' || c == DecimalSeparator())
            plain += '.';
        else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
                 c == 'e' || c == 'E')
            plain += c;
        else
            return std::nullopt;
    }
    char* end = nullptr;
    const double number = std::strtod(plain.c_str(), &end);
    if (end != plain.c_str() + plain.size() || !std::isfinite(number)) return std::nullopt;
    return number;
}

// The value nearest to `wanted` among `steps` + 1 evenly counted quantities
// 0..steps (or first..steps), each shown as shown(n) and set by valueOf(n).
template <typename Shown, typename ValueOf>
float NearestCount(double wanted, int32_t first, int32_t last, Shown shown, ValueOf valueOf) {
    int32_t best = first;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int32_t n = first; n <= last; ++n) {
        const double distance = std::fabs(shown(n) - wanted);
        if (distance < bestDistance) {
            best = n;
            bestDistance = distance;
        }
    }
    return ClampParameterValue(valueOf(best));
}

float RootOf(Extended ratio, Extended exponent) {
    return static_cast<float>(RealPower(ratio, exponent));
}

} // namespace

std::string_view TapestrumEffect::parameterName(int32_t index) {
    if (index < 0) return kNegativeIndexText;
    if (index > kLastParameter) index = kLastParameter;
    return kParameters[index].name;
}

std::string TapestrumEffect::parameterLabel(int32_t index) {
    if (index >= 0 && index <= kLastParameter) return std::string(kParameters[index].label);
    return "(cc" + std::to_string(index) + ")";
}

// Indexes 0 to 8 and 10 show the engine's current quantities; the mix shows
// the stored value.
std::string TapestrumEffect::displayText(int32_t index) const {
    if (index < 0) return std::string(kNegativeIndexText);
    if (index > kLastParameter) index = kLastParameter;
    const TDelayVoc& e = *delayVoc;
    return QuantityText(index, CurrentQuantity(index, e, values[kMix]), hostRate, e.binWidth);
}

// As applyParameter would leave the engine: at the host's rate, with the
// track length raised to at least one frame and kept within the track.
std::string TapestrumEffect::displayTextFor(int32_t index, float value) const {
    if (index < 0) return std::string(kNegativeIndexText);
    if (index > kLastParameter) index = kLastParameter;
    const TDelayVoc& e = *delayVoc;
    EngineQuantity q = QuantityFor(index, ClampParameterValue(value), e);
    if (index == kTrackLength) q.count = std::clamp(q.count, 1, TDelayVoc::MaxTrackFrames);
    const float rate = hostRate;
    return QuantityText(index, q, rate, rate / TDelayVoc::FrameLength);
}

// Counts (frames, bins) are found by trying each one the parameter can reach,
// since the texts are rounded; gains invert the decibel text's formula.
std::optional<float> TapestrumEffect::valueForText(int32_t index, std::string_view text) const {
    if (index < 0 || index > kLastParameter) return std::nullopt;
    const std::string_view trimmed = Trimmed(text);
    const auto either = [&](std::string_view on, std::string_view off) -> std::optional<float> {
        if (SameLetters(trimmed, on)) return 1.0f;
        if (SameLetters(trimmed, off)) return 0.0f;
        return std::nullopt;
    };
    const TDelayVoc& e = *delayVoc;
    const float rate = hostRate;
    const int32_t trackLen = e.trackLen;
    const Extended bins = TDelayVoc::BinCount;
    const Extended maxFrames = TDelayVoc::MaxTrackFrames;
    const auto ms = [&](int32_t n) { return static_cast<double>(Milliseconds(n, rate)); };
    const auto hz = [&](int32_t n) {
        return static_cast<double>(Frequency(n, rate / TDelayVoc::FrameLength));
    };
    const auto gainFromDecibels = [](double db) { return std::pow(10.0, db / 20.0); };
    std::optional<double> number;
    switch (index) {
    case kProcess:
        return either(kCarrierText, kModulatorText);
    case kHeadDirection:
        return either(kForwardText, kBackwardText);
    case kMix:
        for (int32_t start = 1; start <= kMixBarSteps; ++start)
            if (text == MixBarText(start) || trimmed == Trimmed(MixBarText(start)))
                return start == 1 ? 0.0f : static_cast<float>(start) / kMixBarSteps;
        number = ReadNumber(trimmed, "");
        if (!number || *number < 0 || *number > 1) return std::nullopt;
        return static_cast<float>(*number);
    case kDelay:
    case kTrackLength:
    case kHeadPosition:
        number = ReadNumber(trimmed, "ms");
        break;
    case kRecStartFreq:
    case kRecEndFreq:
        number = ReadNumber(trimmed, "Hz");
        break;
    default:
        number = ReadNumber(trimmed, "dB");
        break;
    }
    if (!number) return std::nullopt;
    const double x = *number;
    switch (index) {
    case kDelay:
        return NearestCount(x, 0, trackLen, ms, [&](int32_t n) {
            return RootOf(n / static_cast<Extended>(trackLen), 0.5L);
        });
    case kTrackLength:
        return NearestCount(x, 1, TDelayVoc::MaxTrackFrames, ms,
                            [&](int32_t n) { return RootOf(n / maxFrames, 0.5L); });
    case kHeadPosition:
        return NearestCount(x, 0, trackLen, ms, [&](int32_t n) {
            return static_cast<float>(n / static_cast<Extended>(trackLen));
        });
    case kRecStartFreq:
        return NearestCount(x, 0, e.endBin, hz,
                            [&](int32_t n) { return RootOf(n / bins, 1.0L / 3.0L); });
    case kRecEndFreq:
        return NearestCount(x, e.startBin, TDelayVoc::BinCount, hz,
                            [&](int32_t n) { return RootOf(n / bins, 0.5L); });
    case kOutAmp:
        return ClampParameterValue(static_cast<float>(std::sqrt(gainFromDecibels(x))));
    case kThreshold:
        return ClampParameterValue(static_cast<float>(gainFromDecibels(x)));
    default: // rec amp
        return ClampParameterValue(static_cast<float>(gainFromDecibels(x) / 2));
    }
}
