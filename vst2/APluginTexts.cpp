// SPDX-License-Identifier: ISC
// The texts the host shows: parameter names, labels and value displays, and the
// effect's identity.
#include "vst2/APlugin.h"

#include "core/HostText.h"

namespace {
// Names, labels and displays fill at most 24 characters of the host's 25 bytes.
constexpr size_t kParameterTextChars = 24;
constexpr size_t kWholeText = 64;
} // namespace

void APlugin::getParameterName(int32_t index, char* text) {
    CopyHostText(text, TapestrumEffect::parameterName(index), kParameterTextChars);
}

void APlugin::getParameterLabel(int32_t index, char* label) {
    CopyHostText(label, TapestrumEffect::parameterLabel(index), kParameterTextChars);
}

// Durations are shown at the host's current rate, which the effect learns here.
void APlugin::getParameterDisplay(int32_t index, char* text) {
    passSampleRate();
    CopyHostText(text, effect->displayText(index), kParameterTextChars);
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
