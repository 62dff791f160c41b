// SPDX-License-Identifier: ISC
#include "tools/Render.h"

#include "tools/ToolError.h"
#include "tools/WorkerPool.h"
#include "tools/cli/Numbers.h"
#include "tools/hosting/PluginHost.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

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

// Frames a chunk holds at least: a quarter of a megabyte per channel.
constexpr size_t kChunkFrames = size_t{1} << 16;

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

// One instance and what it plays: its input and output channels, by their place
// in the chunk, and the buffers of one block it plays them through.
struct Renderer::Pass {
    std::unique_ptr<PluginInstance> instance;
    std::vector<AutomationLane> lanes;
    std::vector<size_t> sources;
    std::vector<size_t> sinks;
    std::vector<std::vector<float>> inputs;
    std::vector<std::vector<float>> outputs;
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;
    size_t block = 0;

    void allocateBlocks(size_t frames);
    bool automationStep(size_t n, double inputRate, bool apply);
    void play(const AudioChunk& in, AudioChunk& out, size_t position, size_t frames,
              double inputRate, const std::function<void(size_t)>& advanced);
};

void Renderer::Pass::allocateBlocks(size_t frames) {
    block = frames;
    inputs.assign(static_cast<size_t>(std::max(0, instance->inputs())),
                  std::vector<float>(block, 0.0f));
    outputs.assign(static_cast<size_t>(std::max(0, instance->outputs())),
                   std::vector<float>(block, 0.0f));
    inputPointers.resize(inputs.size());
    outputPointers.resize(outputs.size());
}

// Whether a ramp's value at sample n differs from what the host set last; with
// `apply`, the host sets every such parameter, in command-line order.
bool Renderer::Pass::automationStep(size_t n, double inputRate, bool apply) {
    bool changed = false;
    for (AutomationLane& lane : lanes) {
        const auto value =
            static_cast<float>(RampValue(lane.ramp->points, static_cast<double>(n) / inputRate));
        if (value == lane.lastSet) continue;
        changed = true;
        if (!apply) return true;
        instance->setParameter(lane.index, value);
        lane.lastSet = value;
    }
    return changed;
}

// Plays the chunk that starts at sample `position` of the whole, block by
// block; every chunk but the last is a whole number of blocks, so the blocks
// fall where they would for the audio in one piece, the last one short. A
// block is cut where automation changes a parameter, so that the change lands
// on its sample.
void Renderer::Pass::play(const AudioChunk& in, AudioChunk& out, size_t position, size_t frames,
                          double inputRate, const std::function<void(size_t)>& advanced) {
    for (size_t done = 0; done < frames; done += block) {
        const size_t length = std::min(block, frames - done);
        const size_t blockStart = position + done;
        for (size_t c = 0; c < inputs.size(); ++c) {
            std::fill(inputs[c].begin(), inputs[c].end(), 0.0f);
            if (c < sources.size())
                std::copy_n(in[sources[c]].begin() + static_cast<std::ptrdiff_t>(done), length,
                            inputs[c].begin());
        }
        for (size_t start = 0; start < length;) {
            const size_t at = blockStart + start;
            if (at > 0 && at % kAutomationStep == 0) automationStep(at, inputRate, true);
            size_t end = length;
            if (!lanes.empty()) {
                for (size_t n = (at / kAutomationStep + 1) * kAutomationStep;
                     n < blockStart + length; n += kAutomationStep)
                    if (automationStep(n, inputRate, false)) {
                        end = n - blockStart;
                        break;
                    }
            }
            for (size_t c = 0; c < inputs.size(); ++c)
                inputPointers[c] = inputs[c].data() + start;
            for (size_t c = 0; c < outputs.size(); ++c)
                outputPointers[c] = outputs[c].data() + start;
            instance->process(inputPointers.data(), outputPointers.data(),
                              static_cast<int32_t>(end - start));
            start = end;
        }
        for (size_t c = 0; c < sinks.size() && c < outputs.size(); ++c)
            std::copy_n(outputs[c].begin(), length,
                        out[sinks[c]].begin() + static_cast<std::ptrdiff_t>(done));
        advanced(length);
    }
}

Renderer::Renderer(const RenderSettings& settings, size_t channels, int inputRate)
    : block(static_cast<size_t>(std::max(1, settings.blockSize))), channelsIn(channels),
      inputRate(static_cast<double>(inputRate)) {
    if (settings.blockSize < 1) throw UsageError("the block size must be at least 1");
    if (channels == 0) throw ToolError("the input has no channels");
    const float rate =
        settings.sampleRate > 0 ? settings.sampleRate : static_cast<float>(inputRate);
    module = std::make_unique<PluginModule>(settings.pluginPath);
    tailFrames = TailFrames(settings, rate);

    auto first = std::make_unique<PluginInstance>(*module, rate, settings.blockSize);
    const bool mono = first->inputs() <= 1 && first->outputs() <= 1;
    channelsOut =
        mono ? channels
             : std::min<size_t>(channels, static_cast<size_t>(std::max(1, first->outputs())));
    if (!mono && first->inputs() < static_cast<int32_t>(channels))
        throw ToolError("the plug-in takes " + std::to_string(first->inputs()) +
                        " input channels, the file has " + std::to_string(channels));

    // Instances are made and prepared here, one after another, as a host makes
    // them on its main thread; only their processing runs in parallel.
    passes.resize(mono ? channels : 1);
    for (size_t p = 0; p < passes.size(); ++p) {
        Pass& pass = passes[p];
        pass.instance = p == 0
                            ? std::move(first)
                            : std::make_unique<PluginInstance>(*module, rate, settings.blockSize);
        pass.lanes = Prepare(*pass.instance, settings);
        pass.allocateBlocks(block);
        for (size_t c = 0; c < (mono ? 1 : channelsIn); ++c)
            pass.sources.push_back(mono ? p : c);
        for (size_t c = 0; c < (mono ? 1 : channelsOut); ++c)
            pass.sinks.push_back(mono ? p : c);
    }
    pool = std::make_unique<WorkerPool>(
        std::min(passes.size(), static_cast<size_t>(std::max(1, settings.threads))));
}

Renderer::~Renderer() = default;

// Each chunk is read, then played by every instance, each worker of the pool
// taking the same instances every time, then written. Input after the end of
// the source (the tail) is silence. This thread fills `in` and empties `out`
// between the pool's rounds; during a round each worker reads `in` and writes
// only its own instances' channels of `out`, and the pool's lock orders the two.
void Renderer::run(AudioSource& input, AudioSink& output, const ProgressReport& progress) {
    const size_t chunkFrames = (kChunkFrames + block - 1) / block * block;
    AudioChunk in(channelsIn, std::vector<float>(chunkFrames, 0.0f));
    AudioChunk out(channelsOut, std::vector<float>(chunkFrames, 0.0f));

    std::mutex progressLock;
    size_t framesDone = 0;
    const double framesInAll = static_cast<double>((input.frames() + tailFrames) * passes.size());
    const std::function<void(size_t)> advanced = [&](size_t frames) {
        const std::lock_guard<std::mutex> lock(progressLock);
        framesDone += frames;
        if (progress) progress(static_cast<double>(framesDone) / framesInAll);
    };

    for (Pass& pass : passes)
        pass.instance->resume();
    bool ended = false;
    size_t end = 0; // the length of the output, once the input has ended
    for (size_t position = 0;; position += chunkFrames) {
        size_t read = 0;
        if (!ended) {
            read = input.read(in, chunkFrames);
            if (read < chunkFrames) {
                ended = true;
                end = position + read + tailFrames;
            }
        }
        const size_t frames = ended ? std::min(chunkFrames, end - position) : chunkFrames;
        if (frames == 0) break;
        for (std::vector<float>& channel : in)
            std::fill(channel.begin() + static_cast<std::ptrdiff_t>(read), channel.end(), 0.0f);
        pool->run([&](size_t worker) {
            for (size_t p = worker; p < passes.size(); p += pool->size())
                passes[p].play(in, out, position, frames, inputRate, advanced);
        });
        output.write(out, frames);
        if (frames < chunkFrames) break;
    }
    for (Pass& pass : passes)
        pass.instance->suspend();
}

namespace {

// Audio in memory, read from the start.
class MemorySource final : public AudioSource {
  public:
    explicit MemorySource(const AudioData& audio) : audio(audio) {}
    int sampleRate() const override { return audio.sampleRate; }
    size_t channels() const override { return audio.channels.size(); }
    size_t frames() const override { return audio.frames(); }
    size_t read(AudioChunk& chunk, size_t frames) override {
        const size_t count = std::min(frames, audio.frames() - position);
        for (size_t c = 0; c < audio.channels.size(); ++c)
            std::copy_n(audio.channels[c].begin() + static_cast<std::ptrdiff_t>(position), count,
                        chunk[c].begin());
        position += count;
        return count;
    }

  private:
    const AudioData& audio;
    size_t position = 0;
};

// Audio appended to memory.
class MemorySink final : public AudioSink {
  public:
    explicit MemorySink(AudioData& audio) : audio(audio) {}
    void write(const AudioChunk& chunk, size_t frames) override {
        for (size_t c = 0; c < audio.channels.size(); ++c)
            audio.channels[c].insert(audio.channels[c].end(), chunk[c].begin(),
                                     chunk[c].begin() + static_cast<std::ptrdiff_t>(frames));
    }

  private:
    AudioData& audio;
};

} // namespace

AudioData Render(const AudioData& input, const RenderSettings& settings,
                 const ProgressReport& progress) {
    Renderer renderer(settings, input.channels.size(), input.sampleRate);
    AudioData output;
    output.sampleRate = input.sampleRate;
    output.channels.resize(renderer.outputChannels());
    MemorySource source(input);
    MemorySink sink(output);
    renderer.run(source, sink, progress);
    return output;
}
