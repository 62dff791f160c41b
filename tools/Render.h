// SPDX-License-Identifier: ISC
// Rendering audio through a plug-in the way a host plays a track through it.
#pragma once

#include "tools/AudioData.h"
#include "tools/AudioStream.h"
#include "tools/Automation.h"
#include "tools/ProgramFile.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class PluginInstance;
class PluginModule;
class WorkerPool;

struct RenderSettings {
    std::string pluginPath;
    // A program file's values, applied in index order before the --set values.
    std::optional<ProgramData> preset;
    std::string presetLabel; // the program file's name, for messages
    // A factory preset's name, given to the program before the values; its
    // values come first among `parameters`.
    std::string programName;
    // (name or index, value text) pairs from --set, checked against the plug-in.
    std::vector<std::pair<std::string, std::string>> parameters;
    // Ramps, in command-line order.
    std::vector<Automation> automation;
    float sampleRate = 0; // told to the plug-in; 0: the input's own rate
    int32_t blockSize = 512;
    double tailSeconds = -1; // below 0: the default tail of 1024 samples
    int threads = 1;         // channels rendered at the same time
};

constexpr int32_t kDefaultTailFrames = 1024; // the wet path's lag

// Reports the share of the work done so far, from 0 to 1. It may be called from
// any of the render's threads, one call at a time.
using ProgressReport = std::function<void(double)>;

// Plays audio through a plug-in the way a host plays a track through it. A
// plug-in with one input and one output gets an instance per channel, as a host
// runs a mono effect on a multi-channel track, and the channels render on up to
// settings.threads threads; any other plug-in gets the channels as its inputs, in
// one instance. Each instance gets the preset, then the --set values, then the
// automation's values at sample 0, before it is switched on; while it runs, the
// automation sets each parameter every 32 samples to the ramp's value, when that
// value changes. The output is the input's length and the tail after it.
//
// The audio goes through a chunk at a time, each chunk a whole number of blocks,
// so that the instances see the same blocks as they would for the audio in one
// piece and the memory held does not grow with its length.
class Renderer {
  public:
    // Loads the module and makes and prepares the instances for an input of
    // `channels` channels at `inputRate`. Throws ToolError (or UsageError for a
    // bad --set or --automate).
    Renderer(const RenderSettings& settings, size_t channels, int inputRate);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    size_t outputChannels() const { return channelsOut; }

    // Reads the input to its end and writes the output, the tail included, to
    // the sink. Call once. Throws what the source or the sink throws.
    void run(AudioSource& input, AudioSink& output, const ProgressReport& progress = {});

  private:
    struct Pass;

    size_t block;
    size_t tailFrames = 0;
    size_t channelsIn;
    size_t channelsOut = 0;
    double inputRate;
    std::unique_ptr<PluginModule> module; // outlives the instances, declared after it
    std::vector<Pass> passes;
    std::unique_ptr<WorkerPool> pool;
};

// Renders audio held in memory: the output, the tail included.
AudioData Render(const AudioData& input, const RenderSettings& settings,
                 const ProgressReport& progress = {});

// Loads the preset into an instance, then applies every --set, in order.
void ApplyProgramSettings(PluginInstance& instance, const RenderSettings& settings);

// Checks the settings against one instance of the plug-in, as Render would:
// the preset's plug-in and parameter count, and every parameter named.
void CheckSettings(const RenderSettings& settings);

// Parses a parameter value: a number from 0 to 1, or throws UsageError.
float ParseParameterValue(const std::string& parameter, const std::string& text);
