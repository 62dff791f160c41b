// The built VST 3 bundle, loaded and driven by the test host as a host does:
// the factory and its classes, the buses, the parameters and their texts, the
// saved state, and the audio, which must equal the VST 2 module's.
#include "core/EffectIdentity.h"
#include "core/EffectState.h"
#include "core/TapestrumEffect.h"
#include "support/Signals.h"
#include "tools/Render.h"
#include "vst3/PresetFile.h"
#include "vst3/Vst3TestHost.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace testhost;

class Vst3Bundle : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(module.loaded()) << module.library.error(); }

    Vst3Module module{TAPESTRUM_VST3_BUNDLE};
};

std::string Uuid(const char* bytes) { return std::string(bytes, 16); }

// ASCII text as the UTF-16 a host reads, widened here without the face's code.
std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

TEST_F(Vst3Bundle, FactoryAndItsTwoClasses) {
#if defined(_WIN32)
    EXPECT_NE(module.symbol("InitDll"), nullptr);
    EXPECT_NE(module.symbol("ExitDll"), nullptr);
#else
    EXPECT_NE(module.symbol("ModuleEntry"), nullptr);
    EXPECT_NE(module.symbol("ModuleExit"), nullptr);
#endif
    PFactoryInfo factoryInfo{};
    ASSERT_EQ(module.factory->getFactoryInfo(&factoryInfo), kResultOk);
    EXPECT_STREQ(factoryInfo.vendor, kVendorName);
    ASSERT_EQ(module.factory->countClasses(), 2);
    ASSERT_NE(module.factory2, nullptr);

    struct Expected {
        const char* category;
        const char* subcategories;
    };
    const Expected classes[] = {{"Audio Module Class", "Fx|Delay"},
                                {"Component Controller Class", ""}};
    std::string ids[2];
    for (int32_t i = 0; i < 2; ++i) {
        PClassInfo2 info{};
        ASSERT_EQ(module.factory2->getClassInfo2(i, &info), kResultOk);
        EXPECT_STREQ(info.category, classes[i].category);
        EXPECT_STREQ(info.subCategories, classes[i].subcategories);
        EXPECT_STREQ(info.name, kEffectName);
        EXPECT_STREQ(info.vendor, kVendorName);
        EXPECT_STREQ(info.version, kVersionText);
        EXPECT_EQ(info.cardinality, 0x7FFFFFFF);
        ids[i] = Uuid(info.cid);
        PClassInfo plain{};
        ASSERT_EQ(module.factory->getClassInfo(i, &plain), kResultOk);
        EXPECT_EQ(Uuid(plain.cid), ids[i]);
    }
    EXPECT_NE(ids[0], ids[1]);
    PClassInfo none{};
    EXPECT_NE(module.factory->getClassInfo(2, &none), kResultOk);

    // The component names the second class as its controller; an unknown class
    // or interface gives nothing.
    Vst3Plugin plugin(module);
    TUID controllerId;
    ASSERT_EQ(plugin.component->getControllerClassId(controllerId), kResultOk);
    EXPECT_EQ(Uuid(controllerId), ids[1]);
    void* object = &plugin;
    TUID unknown{};
    EXPECT_NE(module.factory->createInstance(unknown, unknown, &object), kResultOk);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Query<FUnknown>(plugin.controller, kAudioProcessorIid), nullptr);
    EXPECT_EQ(plugin.controller->createView("editor"), nullptr);
}

// The byte order of identifiers: Windows lays the first three words out as a
// COM GUID does, other platforms write every word big-endian.
TEST(Vst3Identifiers, ByteOrderOfThePlatform) {
    const Uid unknown = kFUnknownIid;
#if defined(_WIN32)
    const uint8_t expected[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    const uint8_t component[4] = {0x31, 0xFF, 0x31, 0xE8};
#else
    const uint8_t expected[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    const uint8_t component[4] = {0xE8, 0x31, 0xFF, 0x31};
#endif
    EXPECT_EQ(std::memcmp(unknown.bytes, expected, 16), 0);
    EXPECT_EQ(std::memcmp(kComponentIid.bytes, component, 4), 0);
    // The second word's halves are swapped on Windows: F2D5 4301 -> D5 F2 01 43.
#if defined(_WIN32)
    const uint8_t second[4] = {0xD5, 0xF2, 0x01, 0x43};
#else
    const uint8_t second[4] = {0xF2, 0xD5, 0x43, 0x01};
#endif
    EXPECT_EQ(std::memcmp(kComponentIid.bytes + 4, second, 4), 0);
    // A preset file names a class by its four words, whatever the layout.
    EXPECT_EQ(ClassIdText(kComponentIid), "E831FF31F2D54301928EBBEE25697802");
}

TEST_F(Vst3Bundle, OneMonoBusEachWayAndNothingElse) {
    Vst3Plugin plugin(module);
    EXPECT_EQ(plugin.component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(plugin.component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(plugin.component->getBusCount(kEvent, kInput), 0);
    EXPECT_EQ(plugin.component->getBusCount(kEvent, kOutput), 0);
    for (int32_t direction : {kInput, kOutput}) {
        BusInfo bus{};
        ASSERT_EQ(plugin.component->getBusInfo(kAudio, direction, 0, bus), kResultOk);
        EXPECT_EQ(bus.channelCount, 1);
        EXPECT_EQ(bus.direction, direction);
        EXPECT_EQ(bus.busType, kMain);
        EXPECT_EQ(std::u16string(bus.name), direction == kInput ? u"Input" : u"Output");
        EXPECT_NE(plugin.component->getBusInfo(kAudio, direction, 1, bus), kResultOk);
        SpeakerArrangement arrangement = 0;
        ASSERT_EQ(plugin.processor->getBusArrangement(direction, 0, arrangement), kResultOk);
        EXPECT_EQ(arrangement, kSpeakerMono);
    }

    struct Case {
        std::vector<SpeakerArrangement> inputs, outputs;
        tresult expected;
    };
    const Case cases[] = {
        {{kSpeakerMono}, {kSpeakerMono}, kResultTrue},
        {{kSpeakerStereo}, {kSpeakerStereo}, kResultFalse},
        {{kSpeakerMono}, {kSpeakerStereo}, kResultFalse},
        {{kSpeakerStereo}, {kSpeakerMono}, kResultFalse},
        {{kSpeakerMono, kSpeakerMono}, {kSpeakerMono}, kResultFalse},
        {{}, {kSpeakerMono}, kResultFalse},
        {{kSpeakerMono}, {}, kResultFalse},
    };
    for (const Case& c : cases) {
        auto inputs = c.inputs, outputs = c.outputs;
        EXPECT_EQ(plugin.processor->setBusArrangements(
                      inputs.data(), static_cast<int32_t>(inputs.size()), outputs.data(),
                      static_cast<int32_t>(outputs.size())),
                  c.expected)
            << c.inputs.size() << " inputs, " << c.outputs.size() << " outputs";
    }
    EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample64), kResultFalse);
    ProcessSetup doubles{0, kSample64, 512, 44100.0};
    EXPECT_NE(plugin.processor->setupProcessing(doubles), kResultOk);
    EXPECT_EQ(plugin.processor->getLatencySamples(), 0u);
    EXPECT_EQ(plugin.processor->getTailSamples(), kInfiniteTail);
}

// A rate beyond the float range has no float to become: it is refused, and the
// processor set up again at a good rate renders what the core renders there.
TEST_F(Vst3Bundle, RateBeyondTheFloatRangeIsRefused) {
    Vst3Plugin plugin(module);
    for (const double rate : {1e300, std::numeric_limits<double>::infinity()}) {
        ProcessSetup setup{0, kSample32, 512, rate};
        EXPECT_EQ(plugin.processor->setupProcessing(setup), kResultFalse) << rate;
    }
    plugin.start(48000.0);
    TapestrumEffect reference;
    reference.setSampleRate(48000.0f);
    reference.resume();
    const std::vector<float> input = Noise(4096, 0.5f, 3);
    std::vector<float> expected(input.size()), output(input.size());
    reference.process(input.data(), expected.data(), static_cast<int32_t>(input.size()));
    ASSERT_EQ(plugin.process(input.data(), output.data(), static_cast<int32_t>(input.size())),
              kResultOk);
    EXPECT_EQ(output, expected);
}

TEST_F(Vst3Bundle, ParametersAndTheirTextsAtTheProcessorsRate) {
    Vst3Plugin plugin(module);
    plugin.start(48000.0);
    TapestrumEffect reference;
    reference.setSampleRate(48000.0f);
    reference.resume();

    ASSERT_EQ(plugin.controller->getParameterCount(), kParameterCount);
    for (const auto& row : kParameters) {
        vst3::ParameterInfo info{};
        ASSERT_EQ(plugin.controller->getParameterInfo(row.index, info), kResultOk);
        EXPECT_EQ(info.id, static_cast<ParamID>(row.index));
        EXPECT_EQ(std::u16string(info.title), Widen(row.name));
        EXPECT_EQ(info.units[0], 0);
        EXPECT_EQ(info.stepCount, row.isSwitch ? 1 : 0) << row.name;
        EXPECT_EQ(info.defaultNormalizedValue, row.defaultValue) << row.name;
        EXPECT_EQ(info.flags & kCanAutomate, kCanAutomate);
        EXPECT_EQ(plugin.controller->getParamNormalized(row.index), row.defaultValue);

        for (double value : {0.0, 0.013, 0.25, 0.4999, 0.5, 0.731, 1.0, 1.5, -0.2}) {
            const std::string text = plugin.text(row.index, value);
            EXPECT_EQ(text, reference.displayTextFor(row.index, static_cast<float>(value)))
                << row.name << " at " << value;
            // What the controller shows, it reads back to a value that shows it.
            String128 typed{};
            std::copy(text.begin(), text.end(), typed);
            ParamValue read = -1;
            ASSERT_EQ(plugin.controller->getParamValueByString(row.index, typed, read), kResultOk)
                << row.name << ": '" << text << "'";
            EXPECT_EQ(plugin.text(row.index, read), text) << row.name;
        }
        String128 nonsense = u"loud, please";
        ParamValue untouched = 0.25;
        EXPECT_NE(plugin.controller->getParamValueByString(row.index, nonsense, untouched),
                  kResultOk);
        EXPECT_EQ(untouched, 0.25);
    }
    vst3::ParameterInfo info{};
    EXPECT_NE(plugin.controller->getParameterInfo(kParameterCount, info), kResultOk);
    EXPECT_EQ(plugin.text(kParameterCount, 0.5), "<none>");
    // A delay's text depends on the track's length the host has set.
    const std::string withFullTrack = plugin.text(kDelay, 0.7);
    ASSERT_EQ(plugin.controller->setParamNormalized(kTrackLength, 0.5), kResultOk);
    reference.setParameter(kTrackLength, 0.5f);
    EXPECT_EQ(plugin.text(kDelay, 0.7), reference.displayTextFor(kDelay, 0.7f));
    EXPECT_NE(plugin.text(kDelay, 0.7), withFullTrack);
    // The rate reaches the texts: 1 s of track at 48 kHz is not 1 s at 44.1 kHz.
    TapestrumEffect at44k;
    at44k.resume();
    EXPECT_NE(plugin.text(kTrackLength, 1.0), at44k.displayTextFor(kTrackLength, 1.0f));
}

// A block for the state with values and a name, then patched as a case asks.
std::vector<uint8_t> Block(const EffectState& state) { return WriteEffectState(state); }

TEST_F(Vst3Bundle, StateRoundTripsAndBadBlocksChangeNothing) {
    Vst3Plugin plugin(module);
    EffectState defaults;
    for (const auto& row : kParameters)
        defaults.values[static_cast<size_t>(row.index)] = row.defaultValue;
    defaults.name = "Preset 0";
    EXPECT_EQ(ReadEffectState(plugin.componentState()), defaults);

    EffectState saved{{0.3f, 1, 0.25f, 0.1f, 0.9f, 0.05f, 0.7f, 0.5f, 0.8f, 0.6f, 1}, "pads"};
    // A stream that moves one byte per call is read and written whole.
    ASSERT_EQ(plugin.setComponentState(Block(saved), 1), kResultOk);
    MemoryStream trickle({}, 1);
    ASSERT_EQ(plugin.component->getState(&trickle), kResultOk);
    EXPECT_EQ(ReadEffectState(trickle.data), saved);
    for (const auto& row : kParameters)
        EXPECT_EQ(plugin.controller->getParamNormalized(row.index),
                  saved.values[static_cast<size_t>(row.index)]);

    // A block of an earlier build, with fewer values, loads: the rest at their
    // defaults.
    std::vector<uint8_t> earlier = Block(saved);
    earlier[8] = 10;
    earlier.erase(earlier.begin() + 12 + 40, earlier.begin() + 12 + 44);
    ASSERT_EQ(plugin.setComponentState(earlier, 3), kResultOk);
    EXPECT_EQ(plugin.controller->getParamNormalized(kHeadDirection),
              kParameters[kHeadDirection].defaultValue);
    ASSERT_EQ(plugin.setComponentState(Block(saved)), kResultOk);

    const std::vector<uint8_t> good = Block(saved);
    auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> block = Block({defaults.values, "other"});
        std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
        return block;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    uint8_t nanBytes[4];
    std::memcpy(nanBytes, &nan, 4);
    struct Case {
        const char* what;
        std::vector<uint8_t> block;
    };
    std::vector<uint8_t> shortBlock = Block({defaults.values, "other"});
    shortBlock.pop_back();
    const Case cases[] = {
        {"empty", {}},
        {"short", shortBlock},
        {"foreign", patched(0, {'R', 'I', 'F', 'F'})},
        {"newer version", patched(4, {2, 0, 0, 0})},
        {"other parameter count", patched(8, {12, 0, 0, 0})},
        {"value NaN", patched(12, {nanBytes[0], nanBytes[1], nanBytes[2], nanBytes[3]})},
        {"value 2", patched(16, {0, 0, 0, 0x40})},
        {"name longer than it may be", patched(56, {200, 0, 0, 0})},
    };
    for (const Case& c : cases) {
        EXPECT_NE(plugin.setComponentState(c.block, 3), kResultOk) << c.what;
        MemoryStream forController(c.block);
        EXPECT_NE(plugin.controller->setComponentState(&forController), kResultOk) << c.what;
        EXPECT_EQ(plugin.componentState(), good) << c.what;
        for (const auto& row : kParameters)
            EXPECT_EQ(plugin.controller->getParamNormalized(row.index),
                      saved.values[static_cast<size_t>(row.index)])
                << c.what;
    }
}

// Ten seconds of tones, noise bursts and gaps.
std::vector<float> TestSignal(double rate, int32_t frames) {
    std::vector<float> signal = Tones({{220, 0.2}, {331, 0.15}, {1234.5, 0.1}}, rate, frames);
    const std::vector<float> noise = Noise(frames, 0.3f, 77);
    for (size_t i = 40000; i < signal.size(); ++i)
        signal[i] = (i / 20000) % 3 == 0 ? 0.0f : signal[i] + noise[i] * ((i / 20000) % 2);
    return signal;
}

struct Setting {
    int32_t index;
    float value;
};

// Renders through the VST 3 face as a host plays a restored project: the
// state set, switched on, then blocks of 512 (every other one in place) with the
// tail of the VST 2 render;
// `changes` gives each block's parameter changes.
std::vector<float>
RenderVst3(const Vst3Module& module, const std::vector<float>& input, double rate,
           const std::vector<Setting>& settings,
           const std::function<void(size_t, int32_t, ParameterChanges&)>& changes = {}) {
    Vst3Plugin plugin(module);
    EffectState state = *ReadEffectState(plugin.componentState());
    for (const Setting& s : settings)
        state.values[static_cast<size_t>(s.index)] = s.value;
    plugin.setComponentState(WriteEffectState(state));
    plugin.start(rate, 512);
    std::vector<float> signal = input;
    signal.resize(input.size() + kDefaultTailFrames, 0.0f);
    std::vector<float> output(signal.size());
    ParameterChanges blockChanges;
    for (size_t done = 0; done < signal.size(); done += 512) {
        const auto frames = static_cast<int32_t>(std::min<size_t>(512, signal.size() - done));
        blockChanges.clear();
        if (changes) changes(done, frames, blockChanges);
        // Every other block in place, as hosts that share one buffer play it.
        float* target = output.data() + done;
        if ((done / 512) % 2 == 1) std::copy_n(signal.data() + done, frames, target);
        const float* source = (done / 512) % 2 == 1 ? target : signal.data() + done;
        EXPECT_EQ(plugin.process(source, target, frames, &blockChanges), kResultOk);
    }
    return output;
}

std::vector<float> RenderVst2(const std::vector<float>& input, double rate,
                              const std::vector<Setting>& settings,
                              const std::vector<Automation>& automation = {}) {
    AudioData audio;
    audio.sampleRate = static_cast<int>(rate);
    audio.channels = {input};
    RenderSettings render;
    render.pluginPath = TAPESTRUM_MODULE_PATH;
    for (const Setting& s : settings)
        render.parameters.emplace_back(std::to_string(s.index), std::to_string(s.value));
    render.automation = automation;
    return Render(audio, render).channels[0];
}

void ExpectSameSamples(const std::vector<float>& vst2, const std::vector<float>& vst3) {
    ASSERT_EQ(vst2.size(), vst3.size());
    size_t differing = 0, first = vst2.size();
    double energy = 0;
    for (size_t i = 0; i < vst2.size(); ++i) {
        energy += double(vst2[i]) * vst2[i];
        if (std::memcmp(&vst2[i], &vst3[i], sizeof(float)) != 0 && differing++ == 0) first = i;
    }
    EXPECT_EQ(differing, 0u) << "first at sample " << first;
    EXPECT_GT(energy, 1.0); // the comparison is of sound, not of silence
}

TEST_F(Vst3Bundle, RendersBitForBitWhatTheVst2ModuleRenders) {
    struct Case {
        double rate;
        std::vector<Setting> settings;
    };
    const Case cases[] = {
        {44100, {}},
        {44100,
         {{kMix, 0.6f}, {kDelay, 0.4f}, {kHeadDirection, 1}, {kProcess, 1}, {kTrackLength, 0.7f}}},
        {48000,
         {{kThreshold, 0.05f},
          {kRecStartFreq, 0.3f},
          {kRecEndFreq, 0.6f},
          {kOutAmp, 0.8f},
          {kRecAmp, 0.9f},
          {kHeadPosition, 0.4f},
          {kMix, 0.5f},
          {kDelay, 0.2f}}},
    };
    for (const Case& c : cases) {
        // std::to_string keeps six decimals: the values above are exact in it.
        const std::vector<float> input = TestSignal(c.rate, 120000);
        ExpectSameSamples(RenderVst2(input, c.rate, c.settings),
                          RenderVst3(module, input, c.rate, c.settings));
    }
}

// The offline host's --automate sets a parameter every 32 samples when its ramp
// has moved; the same changes sent at their sample offsets give the same audio.
TEST_F(Vst3Bundle, AutomationAtSampleOffsetsEqualsTheOfflineHost) {
    const double rate = 44100;
    const std::vector<float> input = TestSignal(rate, 100000);
    // In parameter order, as the face applies changes at one offset.
    std::vector<Automation> ramps = {
        {"0", {{0.1, 0.0}, {1.2, 0.8}}},
        {"6", {{0.0, 1.0}, {1.5, 0.5}}},
        {"9", {{0.2, 1.0}, {0.9, 0.3}}},
        {"10", {{0.7, 0.0}, {0.7001, 1.0}}},
    };
    std::vector<Setting> start;
    std::vector<float> last;
    for (const Automation& ramp : ramps) {
        last.push_back(static_cast<float>(RampValue(ramp.points, 0.0)));
        start.push_back({std::stoi(ramp.parameter), last.back()});
    }
    size_t changesSent = 0;
    auto changes = [&](size_t done, int32_t frames, ParameterChanges& block) {
        for (size_t n = (done + kAutomationStep - 1) / kAutomationStep * kAutomationStep;
             n < done + static_cast<size_t>(frames); n += kAutomationStep) {
            if (n == 0) continue;
            for (size_t r = 0; r < ramps.size(); ++r) {
                const auto value =
                    static_cast<float>(RampValue(ramps[r].points, static_cast<double>(n) / rate));
                if (value == last[r]) continue;
                last[r] = value;
                block.add(static_cast<ParamID>(start[r].index), static_cast<int32_t>(n - done),
                          value);
                ++changesSent;
            }
        }
    };
    const std::vector<float> vst3 = RenderVst3(module, input, rate, start, changes);
    EXPECT_GT(changesSent, 1000u);
    ExpectSameSamples(RenderVst2(input, rate, {}, ramps), vst3);
}

// With no samples, a block only takes its changes; without buffers as well.
TEST_F(Vst3Bundle, EmptyBlocksTakeTheirChanges) {
    Vst3Plugin plugin(module);
    plugin.start();
    ParameterChanges changes;
    changes.add(kMix, 0, 0.25);
    changes.add(kDelay, 0, 0.5);
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.inputParameterChanges = &changes;
    ASSERT_EQ(plugin.processor->process(data), kResultOk);
    // The component's state shows what the audio thread took.
    const std::optional<EffectState> state = ReadEffectState(plugin.componentState());
    ASSERT_TRUE(state);
    EXPECT_EQ(state->values[kMix], 0.25f);
    EXPECT_EQ(state->values[kDelay], 0.5f);
}

} // namespace
