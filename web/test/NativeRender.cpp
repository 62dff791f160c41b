// SPDX-License-Identifier: ISC
// The native side of the web tests: the same C interface (c/tapestrum.h)
// built for this machine, rendering and describing what the WebAssembly module
// is compared with.
//   native_render signal OUT.f32                        the test signal, raw floats
//   native_render demo OUT.f32                          the offline host's demo signal
//   native_render render RATE IN.f32 OUT.f32 [I=V]...   the input and a tail of 1024 samples
//   native_render render-stereo RATE LEFT.f32 RIGHT.f32 OUT_LEFT.f32 OUT_RIGHT.f32 [I=V]...
//                                                       the same through a stereo instance
//   native_render state RATE [I=V]...                   no audio
//   native_render presets                               the factory presets' table
// Settings are parameter indexes and values, applied in order after the
// instance starts. render, render-stereo and state print the values and texts the instance
// then shows as one line of JSON ({"values": [...], "texts": [...]}), render
// after its audio. presets prints the table itself as one line of JSON
// ([{"name": ..., "description": ..., "values": [...]}, ...]).
#include "c/tapestrum.h"
#include "core/FactoryPresets.h"
#include "tools/Demo.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kTail = 1024;
constexpr int kBlock = 256;

// Three seconds: three tones throughout, and from the first second on bursts
// of noise (a plain linear congruential generator) every 0.3 s.
std::vector<float> TestSignal() {
    std::vector<float> signal(3 * kRate);
    uint32_t state = 12345;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double value = 0.2 * std::sin(2 * std::numbers::pi * 220 * t) +
                       0.15 * std::sin(2 * std::numbers::pi * 331 * t) +
                       0.1 * std::sin(2 * std::numbers::pi * 1234.5 * t);
        state = state * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(state >> 8) / (1 << 24) - 0.5) * 0.6;
        if (i >= static_cast<size_t>(kRate) && (i / 13230) % 2 == 1) value += noise;
        signal[i] = static_cast<float>(value);
    }
    return signal;
}

std::vector<float> ReadRaw(const char* path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    if (!file.eof() && !file) {
        std::fprintf(stderr, "native_render: cannot read %s\n", path);
        std::exit(1);
    }
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::copy(bytes.begin(), bytes.begin() + static_cast<long>(samples.size() * sizeof(float)),
              reinterpret_cast<char*>(samples.data()));
    return samples;
}

void WriteRaw(const char* path, const std::vector<float>& samples) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(samples.data()),
               static_cast<std::streamsize>(samples.size() * sizeof(float)));
    if (!file) {
        std::fprintf(stderr, "native_render: cannot write %s\n", path);
        std::exit(1);
    }
}

using Handle = std::unique_ptr<tapestrum, decltype(&tapestrum_delete)>;

Handle Start(const char* rate, char** settings, int count,
             tapestrum* (*create)(float) = &tapestrum_new) {
    Handle effect(create(std::strtof(rate, nullptr)), &tapestrum_delete);
    if (!effect) {
        std::fprintf(stderr, "native_render: no instance at %s Hz\n", rate);
        std::exit(1);
    }
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        const long index = std::strtol(settings[i], &end, 10);
        if (*end != '=') {
            std::fprintf(stderr, "native_render: a setting is INDEX=VALUE, not %s\n", settings[i]);
            std::exit(2);
        }
        tapestrum_set_parameter(effect.get(), static_cast<int>(index),
                                std::strtof(end + 1, nullptr));
    }
    return effect;
}

void PrintString(std::string_view text) {
    std::printf("\"");
    for (const char c : text)
        std::printf(c == '"' || c == '\\' ? "\\%c" : "%c", c);
    std::printf("\"");
}

// Values with 9 significant digits, which read back to the same float.
void PrintState(tapestrum* effect) {
    std::printf("{\"values\": [");
    for (int index = 0; index < tapestrum_parameter_count(); ++index)
        std::printf("%s%.9g", index ? ", " : "", tapestrum_get_parameter(effect, index));
    std::printf("], \"texts\": [");
    for (int index = 0; index < tapestrum_parameter_count(); ++index) {
        char text[64];
        tapestrum_parameter_text(effect, index, text, sizeof text);
        std::printf("%s", index ? ", " : "");
        PrintString(text);
    }
    std::printf("]}\n");
}

void PrintPresets() {
    std::printf("[");
    const char* separator = "";
    for (const FactoryPreset& preset : FactoryPresets()) {
        std::printf("%s{\"name\": ", separator);
        PrintString(preset.name);
        std::printf(", \"description\": ");
        PrintString(preset.description);
        std::printf(", \"values\": [");
        for (size_t index = 0; index < preset.values.size(); ++index)
            std::printf("%s%.9g", index ? ", " : "", preset.values[index]);
        std::printf("]}");
        separator = ", ";
    }
    std::printf("]\n");
}

// Each channel of the input, then the tail, in the blocks a host might use;
// one channel through tapestrum_process, two through tapestrum_process_stereo.
void Render(tapestrum* effect, std::vector<std::vector<float>>& channels) {
    for (std::vector<float>& samples : channels)
        samples.resize(samples.size() + kTail, 0.0f);
    const size_t length = channels[0].size();
    for (size_t at = 0; at < length; at += kBlock) {
        const int frames = static_cast<int>(std::min<size_t>(kBlock, length - at));
        float* left = channels[0].data() + at;
        if (channels.size() == 1) {
            tapestrum_process(effect, left, left, frames);
        } else {
            float* right = channels[1].data() + at;
            tapestrum_process_stereo(effect, left, right, left, right, frames);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "signal" && argc == 3) {
        WriteRaw(argv[2], TestSignal());
        return 0;
    }
    if (command == "demo" && argc == 3) {
        WriteRaw(argv[2], SynthesiseDemoSignal().channels[0]);
        return 0;
    }
    if (command == "render" && argc >= 5) {
        const Handle effect = Start(argv[2], argv + 5, argc - 5);
        std::vector<std::vector<float>> channels{ReadRaw(argv[3])};
        Render(effect.get(), channels);
        WriteRaw(argv[4], channels[0]);
        PrintState(effect.get());
        return 0;
    }
    if (command == "render-stereo" && argc >= 7) {
        const Handle effect = Start(argv[2], argv + 7, argc - 7, &tapestrum_new_stereo);
        std::vector<std::vector<float>> channels{ReadRaw(argv[3]), ReadRaw(argv[4])};
        if (channels[0].size() != channels[1].size()) {
            std::fprintf(stderr, "native_render: the channels differ in length\n");
            return 1;
        }
        Render(effect.get(), channels);
        WriteRaw(argv[5], channels[0]);
        WriteRaw(argv[6], channels[1]);
        PrintState(effect.get());
        return 0;
    }
    if (command == "state" && argc >= 3) {
        PrintState(Start(argv[2], argv + 3, argc - 3).get());
        return 0;
    }
    if (command == "presets" && argc == 2) {
        PrintPresets();
        return 0;
    }
    std::fputs("usage: native_render signal OUT | demo OUT | render RATE IN OUT [I=V]... | "
               "render-stereo RATE LEFT RIGHT OUT_LEFT OUT_RIGHT [I=V]... | state RATE [I=V]... | "
               "presets\n",
               stderr);
    return 2;
}
