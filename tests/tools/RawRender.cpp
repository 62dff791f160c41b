// SPDX-License-Identifier: ISC
// Renders raw 32-bit float audio through a plug-in module, so that the same
// render can run on every platform (no audio-file library needed) and the
// results can be compared sample by sample:
//   raw_render signal OUT.f32
//   raw_render render MODULE IN.f32 OUT.f32 [NAME=VALUE]...
//   raw_render compare A.f32 B.f32 TOLERANCE
#include "support/Signals.h"
#include "tools/Render.h"
#include "tools/ToolError.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
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
            AudioData input;
            input.channels.push_back(ReadRaw(args[2]));
            RenderSettings settings;
            settings.pluginPath = args[1];
            for (size_t i = 4; i < args.size(); ++i) {
                const size_t equals = args[i].find('=');
                settings.parameters.emplace_back(args[i].substr(0, equals),
                                                 args[i].substr(equals + 1));
            }
            WriteRaw(args[3], Render(input, settings).channels[0]);
            return 0;
        }
        std::fputs("usage: raw_render signal OUT | render MODULE IN OUT [NAME=VALUE]... | compare "
                   "A B TOLERANCE\n",
                   stderr);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "raw_render: %s\n", error.what());
        return 1;
    }
}
