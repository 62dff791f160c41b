// SPDX-License-Identifier: ISC
// Renders raw 32-bit float audio through a plug-in module, so that the same
// render can run on every platform (no audio-file library needed) and the
// results can be compared sample by sample; and gives the other faces' renders
// and texts for the Python module's tests to compare with:
//   raw_render signal OUT.f32
//   raw_render render MODULE IN.f32 OUT.f32 [--rate HZ --tail SECONDS] [NAME=VALUE]...
//       the offline host's render (at 44100 Hz with its default tail unless told)
//   raw_render render-c IN.f32 OUT.f32 RATE CHANNELS [INDEX=VALUE]...
//       the C interface: tapestrum_new (CHANNELS 1, or tapestrum_new_stereo for
//       2, the input interleaved), the values, then the input in blocks of 512
//   raw_render texts MODULE RATE VALUE...
//       for each parameter and value, a new instance of the module switched on
//       with that value set: "INDEX VALUE<tab>TEXT<tab>READ-BACK" (hexadecimal)
//   raw_render compare A.f32 B.f32 TOLERANCE
#include "c/tapestrum.h"
#include "support/Signals.h"
#include "tools/Render.h"
#include "tools/ToolError.h"
#include "tools/hosting/PluginHost.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<float> ReadRaw(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw ToolError("cannot read " + path);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

void WriteRaw(const std::string& path, const std::vector<float>& samples) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(samples.data()),
               static_cast<std::streamsize>(samples.size() * sizeof(float)));
    if (!file) throw ToolError("cannot write " + path);
}

// Ten seconds: tones, a gap, noise bursts, a melody of plain sines.
std::vector<float> ComparisonSignal() {
    std::vector<float> signal = Tones({{220, 0.2}, {331, 0.15}, {1234.5, 0.1}}, 44100, 441000);
    const std::vector<float> noise = Noise(441000, 0.3f, 77);
    for (size_t i = 100000; i < 441000; ++i)
        signal[i] = (i / 20000) % 3 == 0 ? 0.0f : signal[i] + noise[i] * ((i / 20000) % 2);
    return signal;
}

// NAME=VALUE arguments as (name, value text) pairs.
std::vector<std::pair<std::string, std::string>> Settings(const std::vector<std::string>& args) {
    std::vector<std::pair<std::string, std::string>> settings;
    for (const std::string& arg : args) {
        const size_t equals = arg.find('=');
        settings.emplace_back(arg.substr(0, equals), arg.substr(equals + 1));
    }
    return settings;
}

void RenderModule(const std::vector<std::string>& args) {
    AudioData input;
    input.channels.push_back(ReadRaw(args[2]));
    RenderSettings settings;
    settings.pluginPath = args[1];
    size_t next = 4;
    for (; next + 1 < args.size() && args[next].starts_with("--"); next += 2) {
        if (args[next] == "--rate") {
            settings.sampleRate = std::stof(args[next + 1]);
            input.sampleRate = static_cast<int>(settings.sampleRate);
        } else if (args[next] == "--tail") {
            settings.tailSeconds = std::stod(args[next + 1]);
        } else {
            throw ToolError("unknown option " + args[next]);
        }
    }
    settings.parameters = Settings({args.begin() + static_cast<std::ptrdiff_t>(next), args.end()});
    WriteRaw(args[3], Render(input, settings).channels[0]);
}

void RenderC(const std::vector<std::string>& args) {
    const bool stereo = std::stoi(args[4]) == 2;
    const float rate = std::stof(args[3]);
    const std::unique_ptr<tapestrum, decltype(&tapestrum_delete)> effect(
        stereo ? tapestrum_new_stereo(rate) : tapestrum_new(rate), tapestrum_delete);
    for (const auto& [index, value] : Settings({args.begin() + 5, args.end()}))
        tapestrum_set_parameter(effect.get(), std::stoi(index), std::stof(value));
    std::vector<float> samples = ReadRaw(args[1]);
    if (!stereo) {
        for (size_t done = 0; done < samples.size(); done += 512)
            tapestrum_process(effect.get(), &samples[done], &samples[done],
                              static_cast<int>(std::min<size_t>(512, samples.size() - done)));
        WriteRaw(args[2], samples);
        return;
    }
    const size_t frames = samples.size() / 2;
    std::vector<float> left(frames), right(frames);
    for (size_t n = 0; n < frames; ++n) {
        left[n] = samples[2 * n];
        right[n] = samples[2 * n + 1];
    }
    for (size_t done = 0; done < frames; done += 512)
        tapestrum_process_stereo(effect.get(), &left[done], &right[done], &left[done], &right[done],
                                 static_cast<int>(std::min<size_t>(512, frames - done)));
    for (size_t n = 0; n < frames; ++n) {
        samples[2 * n] = left[n];
        samples[2 * n + 1] = right[n];
    }
    WriteRaw(args[2], samples);
}

void Texts(const std::vector<std::string>& args) {
    const PluginModule module(args[1]);
    const float rate = std::stof(args[2]);
    for (int32_t index = 0; index < tapestrum_parameter_count(); ++index)
        for (size_t value = 3; value < args.size(); ++value) {
            PluginInstance instance(module, rate, 512);
            instance.resume();
            instance.setParameter(index, std::stof(args[value]));
            std::printf("%d %s\t%s\t%a\n", index, args[value].c_str(),
                        instance.parameterDisplay(index).c_str(),
                        static_cast<double>(instance.parameter(index)));
        }
}

int Compare(const std::string& a, const std::string& b, double tolerance) {
    const std::vector<float> x = ReadRaw(a), y = ReadRaw(b);
    if (x.size() != y.size()) {
        std::printf("lengths differ: %zu and %zu samples\n", x.size(), y.size());
        return 1;
    }
    double worst = 0, peak = 0;
    size_t differing = 0, identical = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double difference = std::fabs(static_cast<double>(x[i]) - y[i]);
        worst = std::max(worst, difference);
        peak = std::max(peak, std::fabs(static_cast<double>(x[i])));
        (x[i] == y[i] ? identical : differing) += 1;
    }
    std::printf("%zu samples: %zu bit-identical, %zu differ; largest difference %.3g (%.1f dB "
                "below the peak %.3g)\n",
                x.size(), identical, differing, worst,
                worst > 0 ? 20 * std::log10(peak / worst) : INFINITY, peak);
    return worst <= tolerance * peak ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "signal") {
            WriteRaw(args[1], ComparisonSignal());
            return 0;
        }
        if (args.size() == 4 && args[0] == "compare")
            return Compare(args[1], args[2], std::stod(args[3]));
        if (args.size() >= 4 && args[0] == "render") {
            RenderModule(args);
            return 0;
        }
        if (args.size() >= 5 && args[0] == "render-c") {
            RenderC(args);
            return 0;
        }
        if (args.size() >= 3 && args[0] == "texts") {
            Texts(args);
            return 0;
        }
        std::fputs("usage: raw_render signal OUT | render MODULE IN OUT [--rate HZ --tail "
                   "SECONDS] [NAME=VALUE]... | render-c IN OUT RATE CHANNELS [INDEX=VALUE]... | "
                   "texts MODULE RATE VALUE... | compare A B TOLERANCE\n",
                   stderr);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "raw_render: %s\n", error.what());
        return 1;
    }
}
