// SPDX-License-Identifier: ISC
// The effect through its other faces, for the Python module's tests to compare
// against: the VST 2 module hosted as the offline host hosts it, and the C
// interface. Audio is raw 32-bit floats on standard input and output, a stereo
// signal interleaved; values are given by parameter index.
//   reference_faces render vst2 MODULE RATE TAIL INDEX=VALUE...
//       the offline host's render of the mono input, with TAIL seconds of tail
//   reference_faces render c|c-stereo RATE INDEX=VALUE...
//       tapestrum_new (or tapestrum_new_stereo), the values, then the input in
//       blocks of 512 frames
//   reference_faces texts MODULE RATE VALUE...
//       for each parameter and value, a new VST 2 instance switched on with
//       that one value set: a line "INDEX VALUE<tab>TEXT<tab>READ-BACK", the
//       read-back as a hexadecimal float
#include "c/tapestrum.h"
#include "tools/Render.h"
#include "tools/hosting/PluginHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<float> ReadInput() {
    std::vector<char> bytes((std::istreambuf_iterator<char>(std::cin)),
                            std::istreambuf_iterator<char>());
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

void WriteOutput(const std::vector<float>& samples) {
    std::fwrite(samples.data(), sizeof(float), samples.size(), stdout);
}

std::vector<std::pair<int, float>> Values(const std::vector<std::string>& settings) {
    std::vector<std::pair<int, float>> values;
    for (const std::string& setting : settings) {
        const size_t equals = setting.find('=');
        values.emplace_back(std::stoi(setting.substr(0, equals)),
                            std::strtof(setting.c_str() + equals + 1, nullptr));
    }
    return values;
}

void RenderVst2(const std::string& module, float rate, double tail,
                const std::vector<std::string>& settings) {
    AudioData input;
    input.sampleRate = static_cast<int>(rate);
    input.channels.push_back(ReadInput());
    RenderSettings render;
    render.pluginPath = module;
    render.sampleRate = rate;
    render.tailSeconds = tail;
    for (const std::string& setting : settings) {
        const size_t equals = setting.find('=');
        render.parameters.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
    }
    WriteOutput(Render(input, render).channels[0]);
}

void RenderC(bool stereo, float rate, const std::vector<std::string>& settings) {
    const std::unique_ptr<tapestrum, decltype(&tapestrum_delete)> effect(
        stereo ? tapestrum_new_stereo(rate) : tapestrum_new(rate), tapestrum_delete);
    for (const auto& [index, value] : Values(settings))
        tapestrum_set_parameter(effect.get(), index, value);
    std::vector<float> samples = ReadInput();
    const size_t channels = stereo ? 2 : 1, frames = samples.size() / channels;
    std::vector<float> left(frames), right(frames);
    for (size_t n = 0; n < frames; ++n) {
        left[n] = samples[n * channels];
        if (stereo) right[n] = samples[n * 2 + 1];
    }
    for (size_t done = 0; done < frames; done += 512) {
        const int block = static_cast<int>(std::min<size_t>(512, frames - done));
        if (stereo)
            tapestrum_process_stereo(effect.get(), &left[done], &right[done], &left[done],
                                     &right[done], block);
        else
            tapestrum_process(effect.get(), &left[done], &left[done], block);
    }
    for (size_t n = 0; n < frames; ++n) {
        samples[n * channels] = left[n];
        if (stereo) samples[n * 2 + 1] = right[n];
    }
    WriteOutput(samples);
}

void Texts(const std::string& path, float rate, const std::vector<std::string>& values) {
    const PluginModule module(path);
    for (int32_t index = 0; index < tapestrum_parameter_count(); ++index)
        for (const std::string& value : values) {
            PluginInstance instance(module, rate, 512);
            instance.resume();
            instance.setParameter(index, std::strtof(value.c_str(), nullptr));
            std::printf("%d %s\t%s\t%a\n", index, value.c_str(),
                        instance.parameterDisplay(index).c_str(),
                        static_cast<double>(instance.parameter(index)));
        }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() >= 5 && args[0] == "render" && args[1] == "vst2") {
            RenderVst2(args[2], std::stof(args[3]), std::stod(args[4]),
                       {args.begin() + 5, args.end()});
            return 0;
        }
        if (args.size() >= 3 && args[0] == "render" && (args[1] == "c" || args[1] == "c-stereo")) {
            RenderC(args[1] == "c-stereo", std::stof(args[2]), {args.begin() + 3, args.end()});
            return 0;
        }
        if (args.size() >= 3 && args[0] == "texts") {
            Texts(args[1], std::stof(args[2]), {args.begin() + 3, args.end()});
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "reference_faces: %s\n", error.what());
        return 1;
    }
    std::fputs("usage: reference_faces render vst2 MODULE RATE TAIL INDEX=VALUE... | render "
               "c|c-stereo RATE INDEX=VALUE... | texts MODULE RATE VALUE...\n",
               stderr);
    return 2;
}
