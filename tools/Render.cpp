#include "tools/Render.h"

#include "tools/PluginHost.h"
#include "tools/ToolError.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

// Looks up every --set on the instance and applies it; the host restores a
// plug-in's state in the same way before switching it on.
void ApplyParameters(PluginInstance& instance, const RenderSettings& settings) {
    for (const auto& [name, value] : settings.parameters) {
        const int32_t index = instance.findParameter(name);
        if (index < 0) throw UsageError("the plug-in has no parameter '" + name + "'");
        instance.setParameter(index, ParseParameterValue(name, value));
    }
}

size_t TailFrames(const RenderSettings& settings, float rate) {
    if (settings.tailSeconds < 0) return kDefaultTailFrames;
    return static_cast<size_t>(std::llround(settings.tailSeconds * rate));
}

// Runs one instance over its channels, block by block, the last block short.
// Input beyond the end of the file (the tail) is silence.
void RunInstance(PluginInstance& instance, const std::vector<const std::vector<float>*>& sources,
                 std::vector<std::vector<float>*>& sinks, size_t totalFrames,
                 const std::function<void(size_t)>& advanced) {
    const auto block = static_cast<size_t>(instance.blockSize);
    std::vector<std::vector<float>> inputs(static_cast<size_t>(std::max(0, instance.inputs())),
                                           std::vector<float>(block, 0.0f));
    std::vector<std::vector<float>> outputs(static_cast<size_t>(std::max(0, instance.outputs())),
                                            std::vector<float>(block, 0.0f));
    std::vector<float*> inputPointers, outputPointers;
    for (auto& channel : inputs)
        inputPointers.push_back(channel.data());
    for (auto& channel : outputs)
        outputPointers.push_back(channel.data());

    instance.resume();
    for (size_t done = 0; done < totalFrames; done += block) {
        const size_t frames = std::min(block, totalFrames - done);
        for (size_t c = 0; c < inputs.size(); ++c) {
            std::fill(inputs[c].begin(), inputs[c].end(), 0.0f);
            if (c < sources.size() && done < sources[c]->size()) {
                const size_t available = std::min(frames, sources[c]->size() - done);
                std::copy_n(sources[c]->begin() + static_cast<std::ptrdiff_t>(done), available,
                            inputs[c].begin());
            }
        }
        instance.process(inputPointers.data(), outputPointers.data(), static_cast<int32_t>(frames));
        for (size_t c = 0; c < sinks.size() && c < outputs.size(); ++c)
            std::copy_n(outputs[c].begin(), frames,
                        sinks[c]->begin() + static_cast<std::ptrdiff_t>(done));
        advanced(frames);
    }
    instance.suspend();
}

} // namespace

float ParseParameterValue(const std::string& parameter, const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(value))
        throw UsageError("the value of '" + parameter + "' is not a number: '" + text + "'");
    if (value < 0 || value > 1)
        throw UsageError("the value of '" + parameter + "' must lie between 0 and 1, not " + text);
    return static_cast<float>(value);
}

AudioData Render(const AudioData& input, const RenderSettings& settings,
                 const ProgressReport& progress) {
    if (settings.blockSize < 1) throw UsageError("the block size must be at least 1");
    if (input.channels.empty()) throw ToolError("the input has no channels");
    const float rate =
        settings.sampleRate > 0 ? settings.sampleRate : static_cast<float>(input.sampleRate);
    const PluginModule module(settings.pluginPath);
    const size_t totalFrames = input.frames() + TailFrames(settings, rate);

    auto first = std::make_unique<PluginInstance>(module, rate, settings.blockSize);
    const bool mono = first->inputs() <= 1 && first->outputs() <= 1;
    const size_t channels =
        mono ? input.channels.size()
             : std::min<size_t>(input.channels.size(),
                                static_cast<size_t>(std::max(1, first->outputs())));
    if (!mono && first->inputs() < static_cast<int32_t>(input.channels.size()))
        throw ToolError("the plug-in takes " + std::to_string(first->inputs()) +
                        " input channels, the file has " + std::to_string(input.channels.size()));

    AudioData output;
    output.sampleRate = input.sampleRate;
    output.channels.assign(channels, std::vector<float>(totalFrames, 0.0f));

    const size_t passes = mono ? channels : 1;
    size_t framesDone = 0;
    auto advanced = [&](size_t frames) {
        framesDone += frames;
        if (progress)
            progress(static_cast<double>(framesDone) / static_cast<double>(totalFrames * passes));
    };
    for (size_t pass = 0; pass < passes; ++pass) {
        std::unique_ptr<PluginInstance> instance =
            pass == 0 ? std::move(first)
                      : std::make_unique<PluginInstance>(module, rate, settings.blockSize);
        ApplyParameters(*instance, settings);
        std::vector<const std::vector<float>*> sources;
        std::vector<std::vector<float>*> sinks;
        if (mono) {
            sources.push_back(&input.channels[pass]);
            sinks.push_back(&output.channels[pass]);
        } else {
            for (const auto& channel : input.channels)
                sources.push_back(&channel);
            for (auto& channel : output.channels)
                sinks.push_back(&channel);
        }
        RunInstance(*instance, sources, sinks, totalFrames, advanced);
    }
    return output;
}
