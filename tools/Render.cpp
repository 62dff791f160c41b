// SPDX-License-Identifier: ISC
#include "tools/Render.h"

#include "tools/ToolError.h"
#include "tools/cli/Numbers.h"
#include "tools/hosting/PluginHost.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace {

int32_t FindParameter(const PluginInstance& instance, const std::string& name) {
    const int32_t index = instance.findParameter(name);
    if (index < 0) throw UsageError("the plug-in has no parameter '" + name + "'");
    return index;
}

} // namespace

void ApplyProgramSettings(PluginInstance& instance, const RenderSettings& settings) {
    if (settings.preset) LoadProgram(instance, *settings.preset, settings.presetLabel);
    if (!settings.programName.empty()) instance.setProgramName(settings.programName);
    for (const auto& [name, value] : settings.parameters)
        instance.setParameter(FindParameter(instance, name), ParseParameterValue(name, value));
}

namespace {

// The automation of one instance: which parameter each ramp moves, and the
// value the host set it to last.
struct AutomationLane {
    const Automation* ramp;
    int32_t index;
    float lastSet;
};

// Gives an instance its state before it is switched on, as a host restores a
// plug-in: the preset, every --set, and every automated parameter's value at
// sample 0, in that order.
std::vector<AutomationLane> Prepare(PluginInstance& instance, const RenderSettings& settings) {
    ApplyProgramSettings(instance, settings);
    std::vector<AutomationLane> lanes;
    for (const Automation& automation : settings.automation) {
        const int32_t index = FindParameter(instance, automation.parameter);
        for (const AutomationLane& lane : lanes)
            if (lane.index == index)
                throw UsageError("--automate moves the parameter '" + automation.parameter +
                                 "' twice");
        const auto value = static_cast<float>(RampValue(automation.points, 0.0));
        instance.setParameter(index, value);
        lanes.push_back({&automation, index, value});
    }
    return lanes;
}

size_t TailFrames(const RenderSettings& settings, float rate) {
    if (settings.tailSeconds < 0) return kDefaultTailFrames;
    return static_cast<size_t>(std::llround(settings.tailSeconds * rate));
}

// One instance and what it plays: its input and output channels.
struct Pass {
    std::unique_ptr<PluginInstance> instance;
    std::vector<AutomationLane> lanes;
    std::vector<const std::vector<float>*> sources;
    std::vector<std::vector<float>*> sinks;
};

// Whether a ramp's value at sample n differs from what the host set last; with
// `apply`, the host sets every such parameter, in command-line order.
bool AutomationStep(Pass& pass, size_t n, double inputRate, bool apply) {
    bool changed = false;
    for (AutomationLane& lane : pass.lanes) {
        const auto value =
            static_cast<float>(RampValue(lane.ramp->points, static_cast<double>(n) / inputRate));
        if (value == lane.lastSet) continue;
        changed = true;
        if (!apply) return true;
        pass.instance->setParameter(lane.index, value);
        lane.lastSet = value;
    }
    return changed;
}

// Runs one instance over its channels, block by block, the last block short.
// Input beyond the end of the file (the tail) is silence. A block is cut where
// automation changes a parameter, so that the change lands on its sample.
void RunPass(Pass& pass, size_t totalFrames, double inputRate,
             const std::function<void(size_t)>& advanced) {
    PluginInstance& instance = *pass.instance;
    const auto block = static_cast<size_t>(instance.blockSize());
    std::vector<std::vector<float>> inputs(static_cast<size_t>(std::max(0, instance.inputs())),
                                           std::vector<float>(block, 0.0f));
    std::vector<std::vector<float>> outputs(static_cast<size_t>(std::max(0, instance.outputs())),
                                            std::vector<float>(block, 0.0f));
    std::vector<float*> inputPointers(inputs.size()), outputPointers(outputs.size());

    instance.resume();
    for (size_t done = 0; done < totalFrames; done += block) {
        const size_t frames = std::min(block, totalFrames - done);
        for (size_t c = 0; c < inputs.size(); ++c) {
            std::fill(inputs[c].begin(), inputs[c].end(), 0.0f);
            if (c < pass.sources.size() && done < pass.sources[c]->size()) {
                const size_t available = std::min(frames, pass.sources[c]->size() - done);
                std::copy_n(pass.sources[c]->begin() + static_cast<std::ptrdiff_t>(done), available,
                            inputs[c].begin());
            }
        }
        for (size_t start = 0; start < frames;) {
            const size_t position = done + start;
            if (position > 0 && position % kAutomationStep == 0)
                AutomationStep(pass, position, inputRate, true);
            size_t end = frames;
            if (!pass.lanes.empty()) {
                for (size_t n = (position / kAutomationStep + 1) * kAutomationStep;
                     n < done + frames; n += kAutomationStep)
                    if (AutomationStep(pass, n, inputRate, false)) {
                        end = n - done;
                        break;
                    }
            }
            for (size_t c = 0; c < inputs.size(); ++c)
                inputPointers[c] = inputs[c].data() + start;
            for (size_t c = 0; c < outputs.size(); ++c)
                outputPointers[c] = outputs[c].data() + start;
            instance.process(inputPointers.data(), outputPointers.data(),
                             static_cast<int32_t>(end - start));
            start = end;
        }
        for (size_t c = 0; c < pass.sinks.size() && c < outputs.size(); ++c)
            std::copy_n(outputs[c].begin(), frames,
                        pass.sinks[c]->begin() + static_cast<std::ptrdiff_t>(done));
        advanced(frames);
    }
    instance.suspend();
}

// Runs the passes on up to `threads` threads and rethrows the first failure.
void RunPasses(std::vector<Pass>& passes, int threads, size_t totalFrames, double inputRate,
               const std::function<void(size_t)>& advanced) {
    std::atomic<size_t> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    auto work = [&] {
        for (size_t p; (p = next++) < passes.size();) {
            try {
                RunPass(passes[p], totalFrames, inputRate, advanced);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureLock);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    const size_t helpers = std::min(passes.size(), static_cast<size_t>(std::max(1, threads))) - 1;
    std::vector<std::thread> workers;
    for (size_t i = 0; i < helpers; ++i)
        workers.emplace_back(work);
    work();
    for (std::thread& worker : workers)
        worker.join();
    if (failure) std::rethrow_exception(failure);
}

} // namespace

float ParseParameterValue(const std::string& parameter, const std::string& text) {
    const std::optional<double> value = ParseNumber(text);
    if (!value)
        throw UsageError("the value of '" + parameter + "' is not a number: '" + text + "'");
    if (*value < 0 || *value > 1)
        throw UsageError("the value of '" + parameter + "' must lie between 0 and 1, not " + text);
    return static_cast<float>(*value);
}

void CheckSettings(const RenderSettings& settings) {
    const PluginModule module(settings.pluginPath);
    PluginInstance instance(module, settings.sampleRate > 0 ? settings.sampleRate : 44100.0f,
                            settings.blockSize);
    Prepare(instance, settings);
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

    // Instances are made and prepared here, one after another, as a host makes
    // them on its main thread; only their processing runs in parallel.
    std::vector<Pass> passes(mono ? channels : 1);
    for (size_t p = 0; p < passes.size(); ++p) {
        Pass& pass = passes[p];
        pass.instance = p == 0 ? std::move(first)
                               : std::make_unique<PluginInstance>(module, rate, settings.blockSize);
        pass.lanes = Prepare(*pass.instance, settings);
        if (mono) {
            pass.sources.push_back(&input.channels[p]);
            pass.sinks.push_back(&output.channels[p]);
        } else {
            for (const auto& channel : input.channels)
                pass.sources.push_back(&channel);
            for (auto& channel : output.channels)
                pass.sinks.push_back(&channel);
        }
    }

    std::mutex progressLock;
    size_t framesDone = 0;
    auto advanced = [&](size_t frames) {
        const std::lock_guard<std::mutex> lock(progressLock);
        framesDone += frames;
        if (progress)
            progress(static_cast<double>(framesDone) /
                     static_cast<double>(totalFrames * passes.size()));
    };
    RunPasses(passes, settings.threads, totalFrames, static_cast<double>(input.sampleRate),
              advanced);
    return output;
}
