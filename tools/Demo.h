// The demo: a signal made from nothing, rendered through contrasting settings.
#pragma once

#include "tools/AudioData.h"

#include <string>
#include <utility>
#include <vector>

// A few seconds at 44.1 kHz: a chord, a melody and noise bursts with silence
// between them, so that the gate, the loop and the delay can be heard.
AudioData SynthesiseDemoSignal();

struct DemoSetting {
    const char* name;
    const char* description;
    std::vector<std::pair<std::string, std::string>> parameters;
};

const std::vector<DemoSetting>& DemoSettings();
