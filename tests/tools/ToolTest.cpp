// SPDX-License-Identifier: ISC
// The offline host as people use it from a shell: the built program, its exit
// status, its one line on stderr and the files it leaves.
#include "core/FactoryPresets.h"
#include "support/LoadedModule.h"
#include "support/RecordingHost.h"
#include "support/Signals.h"
#include "tools/AudioFile.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class Tool : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        folder = fs::temp_directory_path() /
                 ("tapestrum-tool-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // `shell` comes before the program on the shell's command line.
    ToolRun run(const std::string& arguments, const std::string& shell = "") {
        const fs::path out = folder / "stdout.txt", err = folder / "stderr.txt";
        const std::string command = shell + TAPESTRUM_TOOL_PATH + " " + arguments + " >" +
                                    out.string() + " 2>" + err.string() + " </dev/null";
        const int raw = std::system(command.c_str());
        ToolRun result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
        fs::remove(out);
        fs::remove(err);
        return result;
    }

    std::string file(const std::string& name) const { return (folder / name).string(); }

    std::string writeInput(const std::string& name, const std::vector<std::vector<float>>& channels,
                           int rate = 44100) {
        AudioData audio;
        audio.sampleRate = rate;
        audio.channels = channels;
        AudioFileWriter writer(file(name), rate, static_cast<int>(channels.size()));
        writer.write(audio);
        writer.commit();
        return file(name);
    }

    // Every file in the folder, so that a test can see nothing was left behind.
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder;
};

using Ramps = std::vector<std::pair<int32_t, std::vector<double>>>; // index, time/value pairs

// The module driven directly, with the host's automation rule: ramps read at
// sample 0 (before switching on) and every `step` samples after, set when
// changed.
std::vector<float> ProcessAutomated(const std::vector<float>& input, size_t tail,
                                    const Ramps& ramps, size_t step = 32) {
    auto rampAt = [](const std::vector<double>& points, double t) {
        if (t <= points[0]) return points[1];
        for (size_t p = 2; p < points.size(); p += 2)
            if (t < points[p])
                return points[p - 1] + (points[p + 1] - points[p - 1]) * (t - points[p - 2]) /
                                           (points[p] - points[p - 2]);
        return points.back();
    };
    LoadedModule module;
    RecordingHost host;
    AEffect* e = module.entry()(RecordingHost::Callback);
    Dispatch(e, effOpen);
    Dispatch(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    std::vector<float> last;
    for (const auto& [index, points] : ramps) {
        last.push_back(static_cast<float>(rampAt(points, 0.0)));
        e->setParameter(e, index, last.back());
    }
    Dispatch(e, effMainsChanged, 0, 1);
    std::vector<float> in = input, out(input.size() + tail);
    in.resize(out.size(), 0.0f);
    for (size_t n = 0; n < out.size(); n += step) {
        for (size_t r = 0; n > 0 && r < ramps.size(); ++r) {
            const auto value = static_cast<float>(rampAt(ramps[r].second, n / 44100.0));
            if (value != last[r]) e->setParameter(e, ramps[r].first, last[r] = value);
        }
        float* inputs[1] = {in.data() + n};
        float* outputs[1] = {out.data() + n};
        e->processReplacing(e, inputs, outputs,
                            static_cast<int32_t>(std::min(step, out.size() - n)));
    }
    Dispatch(e, effClose);
    return out;
}

// The same samples through the effect directly: the module, driven in one call.
std::vector<float> ProcessDirectly(const std::vector<float>& input, size_t tail,
                                   const std::vector<std::pair<int32_t, float>>& parameters) {
    Ramps constant;
    for (const auto& [index, value] : parameters)
        constant.push_back({index, {0.0, value}});
    return ProcessAutomated(input, tail, constant, input.size() + tail);
}

TEST_F(Tool, RenderEqualsProcessingTheEffectDirectly) {
    const std::vector<float> signal = TestSignal(44100, 30000, 1);
    const std::string in = writeInput("in.wav", {signal});
    const std::vector<float> expected =
        ProcessDirectly(signal, 1024, {{9, 0.5f}, {0, 0.3f}, {10, 1.0f}});
    for (const int block : {1, 512, 4096}) {
        const ToolRun result =
            run("render " + in + " " + file("out.wav") +
                " --set mix=0.5 --set 0=0.3 --set \"HEAD direction=1\" --block " +
                std::to_string(block));
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const AudioData output = ReadAudioFile(file("out.wav"));
        ASSERT_EQ(output.channels.size(), 1u);
        ASSERT_EQ(output.frames(), expected.size());
        EXPECT_EQ(0, std::memcmp(output.channels[0].data(), expected.data(),
                                 expected.size() * sizeof(float)))
            << "block " << block;
    }
}

TEST_F(Tool, StereoChannelsAreIndependentInstances) {
    const std::vector<float> left = TestSignal(44100, 30000, 2),
                             right = TestSignal(44100, 30000, 3);
    const std::string in = writeInput("stereo.wav", {left, right});
    const ToolRun result = run("render " + in + " " + file("out.wav") + " --set delay=0.5");
    ASSERT_EQ(result.status, 0) << result.err;
    const AudioData output = ReadAudioFile(file("out.wav"));
    ASSERT_EQ(output.channels.size(), 2u);
    EXPECT_EQ(output.channels[0], ProcessDirectly(left, 1024, {{0, 0.5f}}));
    EXPECT_EQ(output.channels[1], ProcessDirectly(right, 1024, {{0, 0.5f}}));
    EXPECT_NE(output.channels[0], output.channels[1]);
}

TEST_F(Tool, TheTailHasTheStatedLength) {
    const std::string in = writeInput("in.wav", {TestSignal(44100, 30000, 4)});
    const std::pair<const char*, size_t> cases[] = {
        {"", 1024}, {" --tail 0.5", 22050}, {" --tail 0", 0}};
    for (const auto& [option, tail] : cases) {
        const ToolRun result = run("render " + in + " " + file("out.wav") + option);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(ReadAudioFile(file("out.wav")).frames(), 30000 + tail) << option;
    }
}

TEST_F(Tool, OtherFormatsByExtension) {
    const std::string in = writeInput("in.wav", {TestSignal(44100, 30000, 5)});
    for (const char* name : {"out.aiff", "out.flac", "out.ogg"}) {
        const ToolRun result = run("render " + in + " " + file(name) + " --set mix=0.5");
        ASSERT_EQ(result.status, 0) << name << ": " << result.err;
        const AudioData output = ReadAudioFile(file(name));
        EXPECT_EQ(output.frames(), 31024u) << name;
        // The flac copy is 24-bit; it matches the float render to its resolution.
        if (std::string(name) == "out.flac") {
            const AudioData reference = ReadAudioFile(file("out.aiff"));
            for (size_t i = 0; i < output.frames(); i += 97)
                ASSERT_NEAR(output.channels[0][i], reference.channels[0][i], 1e-6) << i;
        }
    }
}

struct ErrorCase {
    std::string arguments; // IN stands for a readable input, OUT for the output
    std::string message;
    int status;
};

TEST_F(Tool, EveryErrorIsOneLineAStatusAndNoOutputFile) {
    const std::string in = writeInput("in.wav", {TestSignal(44100, 30000, 6)});
    std::ofstream(file("not-audio.wav")) << "this is text";
    std::ofstream(file("not-a-module.so")) << "this is text";
    const std::vector<ErrorCase> cases = {
        {"render " + file("missing.wav") + " OUT", "cannot read '" + file("missing.wav") + "'", 1},
        {"render " + file("not-audio.wav") + " OUT", "cannot read '" + file("not-audio.wav") + "'",
         1},
        {"render IN OUT --set wobble=0.5", "the plug-in has no parameter 'wobble'", 2},
        {"render IN OUT --set 11=0.5", "the plug-in has no parameter '11'", 2},
        {"render IN OUT --set mix=1.5", "the value of 'mix' must lie between 0 and 1, not 1.5", 2},
        {"render IN OUT --set mix=-0.1", "the value of 'mix' must lie between 0 and 1, not -0.1",
         2},
        {"render IN OUT --set mix=loud", "the value of 'mix' is not a number: 'loud'", 2},
        {"render IN OUT --set mix=nan", "the value of 'mix' is not a number: 'nan'", 2},
        {"render IN OUT --set mix", "--set takes NAME_OR_INDEX=VALUE, not 'mix'", 2},
        {"render IN OUT --block 0", "--block takes a number from 1", 2},
        {"render IN OUT --plugin " + file("missing.so"),
         "cannot load plug-in module '" + file("missing.so") + "'", 1},
        {"render IN OUT --plugin " + file("not-a-module.so"), "cannot load plug-in module", 1},
        {"render IN OUT --plugin " + std::string(NO_ENTRY_MODULE), "has no entry point", 1},
        {"render IN OUT --plugin " + std::string(NULL_ENTRY_MODULE), "gave no instance", 1},
        {"render IN " + file("no-such-folder/out.wav"),
         "cannot write '" + file("no-such-folder/out.wav") + "'", 1},
        {"render IN " + file("out.xyz"), "no audio format is known for the extension '.xyz'", 1},
        {"render IN", "render takes an input and an output file", 2},
        {"render IN OUT --speed 2", "unknown option --speed", 2},
        {"info --plugin " + std::string(NULL_ENTRY_MODULE), "gave no instance", 1},
        {"frobnicate", "unknown command 'frobnicate'", 2},
    };
    for (ErrorCase c : cases) {
        for (const auto& [word, path] :
             {std::pair<std::string, std::string>{"IN", in}, {"OUT", file("out.wav")}}) {
            const size_t at = c.arguments.find(word);
            if (at != std::string::npos) c.arguments.replace(at, word.size(), path);
        }
        const std::vector<std::string> before = listing();
        const ToolRun result = run(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments;
        EXPECT_EQ(result.err.rfind("tapestrum: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.arguments << "\n"
                                                                 << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(listing(), before) << c.arguments; // no output and no temporary file
    }
}

TEST_F(Tool, InfoPrintsThePluginsOwnTexts) {
    const ToolRun result = run("info --rate 48000");
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* expected :
         {"tapestrum 26-03-2004", "Vormix", "ZOLT", "parameters      11", "track lenght", "(cc10)",
          "24000.00 Hz", "3200.00 ms", "|||||| wet", "delayed as modulator", "flags           24"})
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
}

TEST_F(Tool, HelpForEveryCommand) {
    for (const char* command : {"--help", "render --help", "info --help", "demo --help"}) {
        const ToolRun result = run(command);
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_NE(result.out.find("usage: tapestrum"), std::string::npos) << command;
    }
}

TEST_F(Tool, DemoMakesItsFilesFromNothing) {
    const ToolRun result = run("demo " + file("demo"));
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> names = {"demo-input.wav", "demo-spectral-echo.wav",
                                            "demo-reverse-carrier.wav", "demo-band-freeze.wav"};
    const AudioData input = ReadAudioFile(file("demo/demo-input.wav"));
    for (const std::string& name : names) {
        EXPECT_NE(result.out.find(name), std::string::npos) << name;
        const AudioData audio = ReadAudioFile(file("demo/" + name));
        ASSERT_TRUE(AllFinite(audio.channels[0])) << name;
        EXPECT_GT(Energy(audio.channels[0]), 100.0) << name;
        if (name != "demo-input.wav") {
            EXPECT_NE(audio.channels[0], input.channels[0]) << name;
        }
    }
}

// Plug-ins nobody here wrote, from Debian's dpf-plugins-vst.
const char* kEqualiser = "/usr/lib/vst/3BandEQ-vst.so";
const char* kReverb = "/usr/lib/vst/MVerb-vst.so";

TEST_F(Tool, HostsAThirdPartyEqualiserTransparently) {
    if (!fs::exists(kEqualiser))
        GTEST_SKIP() << kEqualiser << " is missing: install dpf-plugins-vst";
    const std::vector<float> left = TestSignal(44100, 30000, 7),
                             right = TestSignal(44100, 30000, 8);
    const std::string in = writeInput("stereo.wav", {left, right});
    const ToolRun result = run("render " + in + " " + file("eq.wav") + " --plugin " + kEqualiser);
    ASSERT_EQ(result.status, 0) << result.err;
    const AudioData output = ReadAudioFile(file("eq.wav"));
    ASSERT_EQ(output.channels.size(), 2u);
    for (size_t i = 0; i < left.size(); ++i) {
        ASSERT_NEAR(output.channels[0][i], left[i], 1e-6) << i;
        ASSERT_NEAR(output.channels[1][i], right[i], 1e-6) << i;
    }
}

TEST_F(Tool, HostsAThirdPartyReverb) {
    if (!fs::exists(kReverb)) GTEST_SKIP() << kReverb << " is missing: install dpf-plugins-vst";
    const std::string in =
        writeInput("stereo.wav", {TestSignal(44100, 30000, 9), TestSignal(44100, 30000, 10)});
    const ToolRun result =
        run("render " + in + " " + file("verb.wav") + " --tail 1 --plugin " + kReverb);
    ASSERT_EQ(result.status, 0) << result.err;
    const AudioData output = ReadAudioFile(file("verb.wav"));
    ASSERT_EQ(output.channels.size(), 2u);
    double energy = 0;
    for (const auto& channel : output.channels) {
        ASSERT_TRUE(AllFinite(channel));
        energy += Energy(channel);
    }
    EXPECT_GT(energy, 1.0);
}

// Program files, automation and parallel rendering.

// Big-endian fields, as a program or bank file holds them.
void Put(std::string& bytes, uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((word >> shift) & 0xFF);
}
void Put(std::string& bytes, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Put(bytes, bits);
}
void Put(std::string& bytes, const char (&text)[5]) { bytes.append(text, 4); }
template <typename... Fields>
requires(sizeof...(Fields) > 1) void Put(std::string& bytes, const Fields&... fields) {
    (Put(bytes, fields), ...);
}

// A program file ('FxCk') built field by field.
std::string ProgramBytes(const std::vector<float>& values, const char (&id)[5] = "ZOLT",
                         const std::string& name = "Preset 0") {
    std::string bytes;
    const auto count = static_cast<uint32_t>(values.size());
    Put(bytes, "CcnK", 48 + 4 * count, "FxCk", 1u, id, 1u /* the record's version */, count);
    bytes += name;
    bytes.resize(56, '\0');
    for (const float value : values)
        Put(bytes, value);
    return bytes;
}

// The parameters a host reads back after setting these, from the module itself.
std::vector<float> ReadBacks(const std::vector<std::pair<int32_t, float>>& sets) {
    LoadedModule module;
    RecordingHost host;
    AEffect* e = module.entry()(RecordingHost::Callback);
    Dispatch(e, effOpen);
    Dispatch(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    for (const auto& [index, value] : sets)
        e->setParameter(e, index, value);
    std::vector<float> values;
    for (int32_t i = 0; i < e->numParams; ++i)
        values.push_back(e->getParameter(e, i));
    Dispatch(e, effClose);
    return values;
}

std::string ValueText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

TEST_F(Tool, PresetsAreWrittenAsHostsSaveThemAndRenderAsTheirValues) {
    ASSERT_EQ(run("preset " + file("a.fxp") + " --set mix=0.5 --set delay=0.3").status, 0);
    const std::vector<float> values = ReadBacks({{9, 0.5f}, {0, 0.3f}});
    EXPECT_EQ(Slurp(file("a.fxp")), ProgramBytes(values));
    // A preset, then settings on top of it.
    ASSERT_EQ(run("preset " + file("b.fxp") + " --preset " + file("a.fxp") +
                  " --set 'track lenght=0.5' --set 10=1")
                  .status,
              0);
    const std::vector<float> both = ReadBacks({{9, 0.5f}, {0, 0.3f}, {6, 0.5f}, {10, 1.0f}});
    EXPECT_EQ(Slurp(file("b.fxp")), ProgramBytes(both));

    // A bank in format 2 whose current program is the second.
    std::string bank;
    const std::string first = ProgramBytes(ReadBacks({})), second = Slurp(file("b.fxp"));
    const auto size = static_cast<uint32_t>(148 + first.size() + second.size());
    Put(bank, "CcnK", size, "FxBk", 2u, "ZOLT", 1u, 2u, 1u /* the current program */);
    bank.resize(156, '\0');
    std::ofstream(file("bank.fxb"), std::ios::binary) << bank + first + second;

    const std::string in = writeInput("in.wav", {TestSignal(44100, 30000, 11)});
    std::string sets;
    for (size_t i = 0; i < both.size(); ++i)
        sets += " --set " + std::to_string(i) + "=" + ValueText(both[i]);
    ASSERT_EQ(run("render " + in + " " + file("set.wav") + sets).status, 0);
    for (const char* preset : {"b.fxp", "bank.fxb"}) {
        const ToolRun result =
            run("render " + in + " " + file("preset.wav") + " --preset " + file(preset));
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(ReadAudioFile(file("preset.wav")).channels,
                  ReadAudioFile(file("set.wav")).channels)
            << preset;
    }
    const ToolRun info = run("info --preset " + file("b.fxp"));
    EXPECT_NE(info.out.find("program         Preset 0"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("forward"), std::string::npos) << info.out;
}

// A factory preset, by its name, renders as its values set one by one and is
// saved as a program file of those values under its own name; the list shows
// each once.
TEST_F(Tool, FactoryPresetsByNameRenderAsTheirValuesSetOneByOne) {
    const std::string in = writeInput("in.wav", {TestSignal(44100, 30000, 13)});
    const ToolRun list = run("presets");
    ASSERT_EQ(list.status, 0) << list.err;
    for (const FactoryPreset& preset : FactoryPresets()) {
        const std::string name(preset.name);
        SCOPED_TRACE(name);
        EXPECT_EQ(list.out.find(name + "  "), list.out.rfind(name + "  "));
        EXPECT_NE(list.out.find(name + "  "), std::string::npos) << list.out;
        std::string sets;
        for (int32_t i = 0; i < kParameterCount; ++i)
            sets += " --set " + std::to_string(i) + "=" + ValueText(preset.values[i]);
        ASSERT_EQ(run("render " + in + " " + file("set.wav") + sets).status, 0);
        const ToolRun named =
            run("render " + in + " " + file("named.wav") + " --preset " + PresetFileStem(preset));
        ASSERT_EQ(named.status, 0) << named.err;
        EXPECT_EQ(ReadAudioFile(file("named.wav")).channels,
                  ReadAudioFile(file("set.wav")).channels);
        ASSERT_EQ(run("preset " + file("saved.fxp") + " --preset '" + name + "'").status, 0);
        EXPECT_EQ(Slurp(file("saved.fxp")),
                  ProgramBytes({preset.values.begin(), preset.values.end()}, "ZOLT", name));
    }
    const ToolRun unknown = run("render " + in + " " + file("x.wav") + " --preset no-such-preset");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_FALSE(fs::exists(file("x.wav")));
}

TEST_F(Tool, EveryBadProgramFileIsOneLineStatus1AndNoOutput) {
    const std::string in = writeInput("in.wav", {TestSignal(44100, 30000, 12)});
    const std::string good = ProgramBytes(ReadBacks({}));
    std::string chunk = good;
    chunk.replace(8, 4, "FPCh");
    std::string form = good;
    form.replace(8, 4, "FxZz");
    std::string magic = good;
    magic.replace(0, 4, "RIFF");
    std::string fewer = good;
    fewer.replace(24, 4, std::string("\0\0\0\x0c", 4)); // 12 values, 11 stored
    std::string longer = good;
    longer.replace(4, 4, std::string("\0\0\0\x60", 4)); // 96 bytes said, 92 there
    const struct {
        std::string bytes, message;
    } cases[] = {
        {ProgramBytes(ReadBacks({}), "ABCD"), "is for plug-in 'ABCD', not 'ZOLT'"},
        {ProgramBytes({0.5f, 0.5f}), "holds 2 parameters, the plug-in has 11"},
        {magic, "is not a program or bank file: it does not start with 'CcnK'"},
        {form, "has the form 'FxZz'"},
        {chunk, "stores an opaque chunk, which this plug-in does not use"},
        {good.substr(0, 40), "is shorter than its header"},
        {longer, "is shorter than its header says"},
        {fewer, "is shorter than its values"},
        {good + "xxxx", "has a byte size (92) that disagrees with the file (104 bytes)"},
    };
    std::ofstream(file("bad.fxp"), std::ios::binary) << "";
    for (const auto& c : cases) {
        std::ofstream(file("bad.fxp"), std::ios::binary | std::ios::trunc) << c.bytes;
        for (const std::string& command :
             {"render " + in + " " + file("out.wav") + " --preset " + file("bad.fxp"),
              "preset " + file("out.fxp") + " --preset " + file("bad.fxp")}) {
            const std::vector<std::string> before = listing();
            const ToolRun result = run(command);
            EXPECT_EQ(result.status, 1) << c.message;
            EXPECT_EQ(result.err.rfind("tapestrum: " + file("bad.fxp") + " " + c.message, 0), 0u)
                << result.err;
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
            EXPECT_EQ(listing(), before);
        }
    }
}

TEST_F(Tool, AutomationMovesParametersEvery32SamplesAsAHostDoes) {
    const std::vector<float> signal = TestSignal(44100, 30000, 13);
    const std::string in = writeInput("in.wav", {signal});
    std::ofstream(file("mix.csv")) << "time,value\n0.1,0\n0.9,1\n";
    // 30000 samples of input (0.68 s) and a tail of 0.5 s.
    const struct {
        std::string options;
        Ramps ramps;
    } cases[] = {
        {"--automate mix=0.2:0.1,1.1:0.9", {{9, {0.2, 0.1, 1.1, 0.9}}}},
        {"--automate 'head direction=0:0,0.3:1' --automate mix=" + file("mix.csv") + " --block 100",
         {{10, {0, 0, 0.3, 1}}, {9, {0.1, 0, 0.9, 1}}}},
    };
    for (const auto& c : cases) {
        const ToolRun result =
            run("render " + in + " " + file("out.wav") + " --tail 0.5 " + c.options);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(ReadAudioFile(file("out.wav")).channels[0],
                  ProcessAutomated(signal, 22050, c.ramps))
            << c.options;
    }
}

TEST_F(Tool, EveryBadAutomationIsOneLineStatus2AndNoOutput) {
    const std::string in = writeInput("in.wav", {TestSignal(44100, 30000, 14)});
    std::ofstream(file("bad.csv")) << "time,value\n0,0.5\nhalf,1\n";
    const std::pair<std::string, std::string> cases[] = {
        {"mix=1:0.5,0.5:1", "the times are not increasing at '0.5:1'"},
        {"mix=0:0.5,0:1", "the times are not increasing"},
        {"mix=0:1.5", "the value of '0:1.5' must lie between 0 and 1"},
        {"wobble=0:1", "the plug-in has no parameter 'wobble'"},
        {"mix=0:0.5,1", "malformed point '1'"},
        {"mix=0:x", "malformed point '0:x'"},
        {"mix=" + file("bad.csv"), "malformed point 'half,1'"},
        {"mix=" + file("missing.csv"), "cannot read"},
        {"mix=/dev/zero", "'/dev/zero' is larger than a file of points may be"},
        {"mix", "--automate takes NAME_OR_INDEX=T:V"},
    };
    for (const auto& [automation, message] : cases) {
        const std::vector<std::string> before = listing();
        const ToolRun result =
            run("render " + in + " " + file("out.wav") + " --automate '" + automation + "'");
        EXPECT_EQ(result.status, 2) << automation;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(listing(), before);
    }
}

TEST_F(Tool, ParallelRenderingChangesNothingAndABatchSurvivesABadFile) {
    const std::string in =
        writeInput("quad.wav", {TestSignal(44100, 30000, 15), TestSignal(44100, 30000, 16),
                                TestSignal(44100, 30000, 17), TestSignal(44100, 30000, 18)});
    for (const auto& [jobs, out] : {std::pair{"-j 1", "j1.wav"}, {"-j4", "j4.wav"}})
        ASSERT_EQ(run("render " + in + " " + file(out) + " --set delay=0.2 " + jobs).status, 0);
    // The samples (the files' PEAK chunks hold the time they were written).
    EXPECT_TRUE(ReadAudioFile(file("j1.wav")).channels == ReadAudioFile(file("j4.wav")).channels);

    const std::string a = writeInput("a.wav", {TestSignal(44100, 30000, 19)});
    const std::string b =
        writeInput("b.wav", {TestSignal(44100, 30000, 20), TestSignal(44100, 30000, 21)});
    std::ofstream(file("broken.wav")) << "not audio";
    const ToolRun result = run("render " + a + " " + file("broken.wav") + " " + b + " --out-dir " +
                               file("outs") + " --format aiff -j 3 --set mix=0.5");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("tapestrum: cannot read '" + file("broken.wav") + "'", 0), 0u)
        << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    std::vector<std::string> outputs;
    for (const auto& entry : fs::directory_iterator(folder / "outs"))
        outputs.push_back(entry.path().filename().string());
    std::sort(outputs.begin(), outputs.end());
    EXPECT_EQ(outputs, (std::vector<std::string>{"a.aiff", "b.aiff"}));
    ASSERT_EQ(run("render " + b + " " + file("b1.aiff") + " --set mix=0.5 -j 1").status, 0);
    EXPECT_EQ(ReadAudioFile(file("outs/b.aiff")).channels, ReadAudioFile(file("b1.aiff")).channels);
}

TEST_F(Tool, AModuleThatCrashesLeavesNoPartialOutput) {
    const std::string in = writeInput("in.wav", {TestSignal(44100, 30000, 22)});
    const std::vector<std::string> before = listing();
    const ToolRun result = run("render " + in + " " + file("out.wav") + " --block 4096 --plugin " +
                               FAULTY_MODULE_DIR + "/faulty_crashes_on_long.so");
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(listing(), before);
}

TEST_F(Tool, LongFilesRenderInChunksAsInOnePiece) {
    // Above two chunks of 65536 frames and not a multiple of one, stereo, with
    // automation and a tail that run across chunks.
    const std::vector<float> left = TestSignal(44100, 150001, 23),
                             right = TestSignal(44100, 150001, 24);
    const std::string in = writeInput("long.wav", {left, right});
    const struct {
        std::string options;
        size_t tail;
        Ramps ramps;
    } cases[] = {
        {"-j 1", 1024, {}},
        {"-j 2 --block 1000 --tail 2 --automate mix=0:0,3:1", 88200, {{9, {0, 0, 3, 1}}}},
    };
    for (const auto& c : cases) {
        const ToolRun result = run("render " + in + " " + file("out.wav") + " " + c.options);
        ASSERT_EQ(result.status, 0) << result.err;
        const AudioData output = ReadAudioFile(file("out.wav"));
        ASSERT_EQ(output.channels.size(), 2u);
        EXPECT_EQ(output.channels[0], ProcessAutomated(left, c.tail, c.ramps)) << c.options;
        EXPECT_EQ(output.channels[1], ProcessAutomated(right, c.tail, c.ramps)) << c.options;
    }
}

TEST_F(Tool, AWriteThatFailsMidwayLeavesNoPartialOutput) {
    // 1.2 MB of output, the process allowed to write 1 MB: the second chunk
    // fails, as a write error (the signal ignored) or by the signal.
    const std::string in =
        writeInput("long.wav", {TestSignal(44100, 150001, 25), TestSignal(44100, 150001, 26)});
    const std::string limit = "prlimit --fsize=1000000 ";
    for (const bool signalIgnored : {true, false}) {
        const std::vector<std::string> before = listing();
        const ToolRun result = run("render " + in + " " + file("out.wav"),
                                   signalIgnored ? "trap '' XFSZ; " + limit : limit);
        if (signalIgnored) {
            EXPECT_EQ(result.status, 1) << result.err;
            EXPECT_EQ(result.err.rfind("tapestrum: cannot write '" + file("out.wav") + "'", 0), 0u)
                << result.err;
        } else { // killed by the signal, or a sanitizer's runtime held it back past the report
            EXPECT_NE(result.status, 0);
        }
        EXPECT_EQ(listing(), before) << "signal ignored: " << signalIgnored;
    }
}

} // namespace
