// SPDX-License-Identifier: ISC
// The texts hosts show for the parameters: names, labels and value displays,
// and the reading of such a text back into a value.
#include "core/TapestrumEffect.h"

#include "core/EffectQuantities.h"
#include "core/ParameterIndexCheck.h"
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
std::string QuantityText(const ValueMapping& m, const EngineQuantity& q, float sampleRate,
                         float binWidth) {
    switch (m.kind) {
    case QuantityKind::TrackFrames:
    case QuantityKind::StorageFrames:
    case QuantityKind::HeadFrame:
        return NumberText(Milliseconds(q.count, sampleRate)) + std::string(m.unit);
    case QuantityKind::Bins:
        return NumberText(Frequency(q.count, binWidth)) + std::string(m.unit);
    case QuantityKind::Gain:
    case QuantityKind::GateLevel:
        return DecibelText(q.gain);
    case QuantityKind::Mix:
        return MixBarText(MixBarStart(q.gain));
    case QuantityKind::Switch:
        break;
    }
    return std::string(q.flag ? m.onText : m.offText);
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

// A gain's value from the gain itself: divided by the scale, then the root of
// the exponent (the square root in double precision).
double GainRoot(double gain, const ValueMapping& m) {
    const double scaled = gain / m.scale;
    if (m.exponent == 1) return scaled;
    if (m.exponent == 2) return std::sqrt(scaled);
    return std::pow(scaled, 1.0 / m.exponent);
}

} // namespace

std::string_view TapestrumEffect::parameterName(int32_t index) {
    const std::optional<int32_t> row = ShownParameterIndex(index);
    return row ? kParameters[*row].name : kNegativeIndexText;
}

std::string TapestrumEffect::parameterLabel(int32_t index) {
    if (IsParameterIndex(index)) return std::string(kParameters[index].label);
    return "(cc" + std::to_string(index) + ")";
}

// The mix shows the stored value, the others the engine's current quantities.
std::string TapestrumEffect::displayText(int32_t index) const {
    const std::optional<int32_t> row = ShownParameterIndex(index);
    if (!row) return std::string(kNegativeIndexText);
    const ValueMapping& mapping = kParameters[*row].mapping;
    const TDelayVoc& e = *delayVoc;
    return QuantityText(mapping, CurrentQuantity(mapping, e, values[*row]), hostRate, e.BinWidth());
}

// As applyParameter would leave the engine: at the host's rate, with the
// track length raised to at least one frame and kept within the track.
std::string TapestrumEffect::displayTextFor(int32_t index, float value) const {
    const std::optional<int32_t> row = ShownParameterIndex(index);
    if (!row) return std::string(kNegativeIndexText);
    const ValueMapping& mapping = kParameters[*row].mapping;
    const float rate = hostRate;
    return QuantityText(mapping, QuantityFor(mapping, ClampParameterValue(value), *delayVoc), rate,
                        rate / TDelayVoc::FrameLength);
}

// Counts (frames, bins) are found by trying each one the parameter can reach,
// since the texts are rounded; gains invert the decibel text's formula.
std::optional<float> TapestrumEffect::valueForText(int32_t index, std::string_view text) const {
    if (!IsParameterIndex(index)) return std::nullopt;
    const ValueMapping& m = kParameters[index].mapping;
    const std::string_view trimmed = Trimmed(text);
    if (m.kind == QuantityKind::Switch) {
        if (SameLetters(trimmed, m.onText)) return 1.0f;
        if (SameLetters(trimmed, m.offText)) return 0.0f;
        return std::nullopt;
    }
    if (m.kind == QuantityKind::Mix) {
        for (int32_t start = 1; start <= kMixBarSteps; ++start)
            if (text == MixBarText(start) || trimmed == Trimmed(MixBarText(start)))
                return start == 1 ? 0.0f : static_cast<float>(start) / kMixBarSteps;
        const std::optional<double> number = ReadNumber(trimmed, "");
        if (!number || *number < 0 || *number > 1) return std::nullopt;
        return static_cast<float>(*number);
    }
    const std::optional<double> number = ReadNumber(trimmed, Trimmed(m.unit));
    if (!number) return std::nullopt;
    const TDelayVoc& e = *delayVoc;
    const float rate = hostRate;
    const auto valueOfCount = [&](int32_t n) {
        return static_cast<float>(RootOf(n / CountWhole(m, e), m));
    };
    const auto ms = [&](int32_t n) { return static_cast<double>(Milliseconds(n, rate)); };
    const auto hz = [&](int32_t n) {
        return static_cast<double>(Frequency(n, rate / TDelayVoc::FrameLength));
    };
    switch (m.kind) {
    case QuantityKind::TrackFrames:
    case QuantityKind::HeadFrame:
        return NearestCount(*number, 0, e.TrackLength(), ms, valueOfCount);
    case QuantityKind::StorageFrames:
        return NearestCount(*number, TDelayVoc::MinTrackFrames, TDelayVoc::MaxTrackFrames, ms,
                            valueOfCount);
    case QuantityKind::Bins: // the band's two edges limit each other
        if (m.target == EngineTarget::StartBin)
            return NearestCount(*number, 0, e.EndBin(), hz, valueOfCount);
        return NearestCount(*number, e.StartBin(), TDelayVoc::BinCount, hz, valueOfCount);
    case QuantityKind::Gain:
    case QuantityKind::GateLevel:
    case QuantityKind::Switch:
    case QuantityKind::Mix:
        break;
    }
    // Gains and the gate level, from decibels.
    return ClampParameterValue(static_cast<float>(GainRoot(std::pow(10.0, *number / 20.0), m)));
}
