// The texts the host shows: parameter names, labels and value displays, and the
// effect's identity.
#include "plugin/uPlugin.h"

#include "dsp/GuardedMath.h"
#include "dsp/TextUtils.h"
#include "plugin/HostText.h"

#include <string>

namespace {

constexpr const char* kParameterNames[kParameterCount] = {
    "delay",        "process",   "out amp",       "rec start freq",
    "rec end freq", "threshold", "track lenght",  "head position",
    "rec amp",      "mix",       "head direction"};

constexpr const char* kEffectName = "tapestrum 26-03-2004";
constexpr const char* kVendorName = "Vormix";
constexpr const char* kProductName = kEffectName;

// Names, labels and displays fill at most 24 characters of the host's 25 bytes.
constexpr size_t kParameterTextChars = 24;
constexpr size_t kWholeText = 64;

constexpr const char* kMixBar = "dry ||||||||-|||||||| wet";
constexpr int32_t kMixBarWindow = 10;

constexpr const char* kNegativeIndexText = " ";

// n frames (of 256 samples) as milliseconds at the host's sample rate.
std::string MillisecondsText(int32_t frames, float sampleRate) {
    const Extended ms = frames * 1000.0L * TDelayVoc::HopLength / sampleRate;
    return NumberText(static_cast<float>(ms)) + " ms ";
}

std::string FrequencyText(int32_t bin, float binWidth) {
    return NumberText(static_cast<float>(static_cast<Extended>(bin) * binWidth));
}

// Ten characters of the bar, starting further right as the mix rises.
std::string MixBarText(float mix) {
    int32_t start = Nearest(16.0L * mix);
    if (start < 1) start = 1;
    return std::string(kMixBar).substr(static_cast<size_t>(start - 1), kMixBarWindow);
}

} // namespace

void APlugin::getParameterName(int32_t index, char* text) {
    if (index < 0) return CopyHostText(text, kNegativeIndexText, kParameterTextChars);
    if (index >= kParameterCount) index = kParameterCount - 1;
    CopyHostText(text, kParameterNames[index], kParameterTextChars);
}

void APlugin::getParameterLabel(int32_t index, char* label) {
    CopyHostText(label, "(cc" + std::to_string(index) + ")", kParameterTextChars);
}

void APlugin::getParameterDisplay(int32_t index, char* text) {
    if (index < 0) return CopyHostText(text, kNegativeIndexText, kParameterTextChars);
    if (index >= kParameterCount) index = kParameterCount - 1;
    CopyHostText(text, displayText(index), kParameterTextChars);
}

// Indexes 0 to 8 and 10 show the engine's current quantities; the mix shows the
// stored value. Durations use the host's sample rate, frequencies the engine's
// bin width.
std::string APlugin::displayText(int32_t index) const {
    const TDelayVoc& e = *delayVoc;
    switch (index) {
    case 0:
        return MillisecondsText(e.delay, sampleRate);
    case 1:
        return e.delayedAsCarrier ? "delayed as carrier" : "delayed as modulator";
    case 2:
        return DecibelText(e.outAmp);
    case 3:
        return FrequencyText(e.startBin, e.binWidth) + "Hz";
    case 4:
        return FrequencyText(e.endBin, e.binWidth) + " Hz";
    case 5:
        return DecibelText(e.threshold);
    case 6:
        return MillisecondsText(e.trackLen, sampleRate);
    case 7:
        return MillisecondsText(e.writeIdx, sampleRate);
    case 8:
        return DecibelText(e.recAmp);
    case 9:
        return MixBarText(params[9]);
    default:
        return e.forward ? "forward" : "backward";
    }
}

bool APlugin::getEffectName(char* name) {
    CopyHostText(name, kEffectName, kWholeText);
    return true;
}

bool APlugin::getVendorString(char* text) {
    CopyHostText(text, kVendorName, kWholeText);
    return true;
}

bool APlugin::getProductString(char* text) {
    CopyHostText(text, kProductName, kWholeText);
    return true;
}

int32_t APlugin::getVendorVersion() { return PackDate(today()); }
