// SPDX-License-Identifier: ISC
// The demo: a signal made from nothing, rendered through contrasting settings.
#pragma once

#include "core/FactoryPresets.h"
#include "tools/AudioData.h"

#include <vector>

// A few seconds at 44.1 kHz: a chord, a melody and noise bursts with silence
// between them, so that the gate, the loop and the delay can be heard.
AudioData SynthesiseDemoSignal();

// The factory presets the demo renders: "spectral echo", "reverse carrier" and
// "band freeze".
std::vector<const FactoryPreset*> DemoPresets();
