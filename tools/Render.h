// Rendering audio through a plug-in the way a host plays a track through it.
#pragma once

#include "tools/AudioData.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct RenderSettings {
    std::string pluginPath;
    // (name or index, value text) pairs from --set, checked against the plug-in.
    std::vector<std::pair<std::string, std::string>> parameters;
    float sampleRate = 0; // told to the plug-in; 0: the input's own rate
    int32_t blockSize = 512;
    double tailSeconds = -1; // below 0: the default tail of 1024 samples
};

constexpr int32_t kDefaultTailFrames = 1024; // the wet path's lag

// Reports the share of the work done so far, from 0 to 1.
using ProgressReport = std::function<void(double)>;

// Plays the input through the plug-in and returns the output, the tail included.
// A plug-in with one input and one output gets an instance per channel, as a host
// runs a mono effect on a multi-channel track; any other gets the channels as its
// inputs, in one instance. Throws ToolError (or UsageError for a bad --set).
AudioData Render(const AudioData& input, const RenderSettings& settings,
                 const ProgressReport& progress = {});

// Parses a parameter value: a number from 0 to 1, or throws UsageError.
float ParseParameterValue(const std::string& parameter, const std::string& text);
