// SPDX-License-Identifier: ISC
// The built VST 3 bundle, loaded and driven by the test host as a host does:
// the factory and its classes, the buses and the parameters' list (the audio,
// state and texts are the contract's, tests/contract).
#include "core/EffectIdentity.h"
#include "core/EffectState.h"
#include "vst3/PresetFile.h"
#include "vst3/Vst3TestHost.h"

#include <cstring>
#include <gtest/gtest.h>

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

    // Each class's category and subcategories.
    const std::pair<const char*, const char*> classes[] = {{"Audio Module Class", "Fx|Delay"},
                                                           {"Component Controller Class", ""}};
    std::string ids[2];
    for (int32_t i = 0; i < 2; ++i) {
        PClassInfo2 info{};
        ASSERT_EQ(module.factory2->getClassInfo2(i, &info), kResultOk);
        EXPECT_STREQ(info.category, classes[i].first);
        EXPECT_STREQ(info.subCategories, classes[i].second);
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
    // or interface gives nothing, nor does an unknown view.
    Vst3Plugin plugin(module);
    TUID controllerId;
    ASSERT_EQ(plugin.component->getControllerClassId(controllerId), kResultOk);
    EXPECT_EQ(Uuid(controllerId), ids[1]);
    void* object = &plugin;
    TUID unknown{};
    EXPECT_NE(module.factory->createInstance(unknown, unknown, &object), kResultOk);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Query<FUnknown>(plugin.controller, kAudioProcessorIid), nullptr);
    // The one view is the editor (tests/editor, the editor contract); other types give none.
    EXPECT_EQ(plugin.controller->createView("no such view"), nullptr);
    IPlugView* editor = plugin.controller->createView(kViewTypeEditor);
    ASSERT_NE(editor, nullptr);
    editor->release();
}

// The byte order of identifiers: Windows lays the first three words out as a
// COM GUID does, other platforms write every word big-endian.
TEST(Vst3Identifiers, ByteOrderOfThePlatform) {
    // The same bytes on either layout.
    const uint8_t unknown[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    // The second word's halves are swapped on Windows: F2D5 4301 -> D5 F2 01 43.
#if defined(_WIN32)
    const uint8_t component[8] = {0x31, 0xFF, 0x31, 0xE8, 0xD5, 0xF2, 0x01, 0x43};
#else
    const uint8_t component[8] = {0xE8, 0x31, 0xFF, 0x31, 0xF2, 0xD5, 0x43, 0x01};
#endif
    EXPECT_EQ(std::memcmp(kFUnknownIid.bytes, unknown, 16), 0);
    EXPECT_EQ(std::memcmp(kComponentIid.bytes, component, 8), 0);
    // A preset file names a class by its four words, whatever the layout.
    EXPECT_EQ(ClassIdText(kComponentIid), "E831FF31F2D54301928EBBEE25697802");
}

// One main audio bus each way, mono until the host arranges stereo on both;
// every other arrangement is refused and leaves the buses as they were, and so
// is a change while the component is on. The cases run in turn, each from
// where the one before left the buses.
TEST_F(Vst3Bundle, OneBusEachWayMonoOrStereoAndNothingElse) {
    Vst3Plugin plugin(module);
    EXPECT_EQ(plugin.component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(plugin.component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(plugin.component->getBusCount(kEvent, kInput), 0);
    EXPECT_EQ(plugin.component->getBusCount(kEvent, kOutput), 0);
    const auto expectBuses = [&](SpeakerArrangement expected, int32_t channels) {
        for (int32_t direction : {kInput, kOutput}) {
            BusInfo bus{};
            ASSERT_EQ(plugin.component->getBusInfo(kAudio, direction, 0, bus), kResultOk);
            EXPECT_EQ(bus.channelCount, channels);
            EXPECT_EQ(bus.direction, direction);
            EXPECT_EQ(bus.busType, kMain);
            EXPECT_EQ(std::u16string(bus.name), direction == kInput ? u"Input" : u"Output");
            EXPECT_NE(plugin.component->getBusInfo(kAudio, direction, 1, bus), kResultOk);
            SpeakerArrangement arrangement = 0;
            ASSERT_EQ(plugin.processor->getBusArrangement(direction, 0, arrangement), kResultOk);
            EXPECT_EQ(arrangement, expected);
        }
    };
    expectBuses(kSpeakerMono, 1);

    constexpr SpeakerArrangement kFiveOne = 0x3F; // left, right, centre, LFE, both surrounds
    struct Case {
        std::vector<SpeakerArrangement> inputs, outputs;
        bool on;
        tresult expected;
        SpeakerArrangement after;
    };
    const Case cases[] = {
        {{kSpeakerMono}, {kSpeakerMono}, false, kResultTrue, kSpeakerMono},
        {{kSpeakerStereo}, {kSpeakerStereo}, true, kResultFalse, kSpeakerMono},
        {{kSpeakerStereo}, {kSpeakerStereo}, false, kResultTrue, kSpeakerStereo},
        {{kFiveOne}, {kFiveOne}, false, kResultFalse, kSpeakerStereo},
        {{kSpeakerStereo}, {kSpeakerMono}, false, kResultFalse, kSpeakerStereo},
        {{kSpeakerMono}, {kSpeakerStereo}, false, kResultFalse, kSpeakerStereo},
        {{kSpeakerMono}, {kSpeakerMono}, true, kResultFalse, kSpeakerStereo},
        {{kSpeakerStereo}, {kSpeakerStereo}, true, kResultTrue, kSpeakerStereo},
        {{kSpeakerMono}, {kSpeakerMono}, false, kResultTrue, kSpeakerMono},
        {{kFiveOne}, {kFiveOne}, false, kResultFalse, kSpeakerMono},
        {{kSpeakerMono}, {kSpeakerStereo}, false, kResultFalse, kSpeakerMono},
        {{kSpeakerStereo}, {kSpeakerMono}, false, kResultFalse, kSpeakerMono},
        {{kSpeakerMono, kSpeakerMono}, {kSpeakerMono}, false, kResultFalse, kSpeakerMono},
        {{}, {kSpeakerMono}, false, kResultFalse, kSpeakerMono},
        {{kSpeakerMono}, {}, false, kResultFalse, kSpeakerMono},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.inputs.size() << " inputs, " << c.outputs.size() << " outputs, "
                     << (c.on ? "on" : "off") << ", case " << &c - cases);
        auto inputs = c.inputs, outputs = c.outputs;
        if (c.on) plugin.component->setActive(1);
        EXPECT_EQ(plugin.processor->setBusArrangements(
                      inputs.data(), static_cast<int32_t>(inputs.size()), outputs.data(),
                      static_cast<int32_t>(outputs.size())),
                  c.expected);
        if (c.on) plugin.component->setActive(0);
        expectBuses(c.after, c.after == kSpeakerStereo ? 2 : 1);
    }
    EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample64), kResultFalse);
    ProcessSetup doubles{0, kSample64, 512, 44100.0};
    EXPECT_NE(plugin.processor->setupProcessing(doubles), kResultOk);
    EXPECT_EQ(plugin.processor->getLatencySamples(), 0u);
    EXPECT_EQ(plugin.processor->getTailSamples(), kInfiniteTail);
}

// The parameters as the controller lists them; their texts and their reading
// are the contract's.
TEST_F(Vst3Bundle, ParametersAsTheControllerListsThem) {
    Vst3Plugin plugin(module);
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
        // A text that cannot be read leaves the host's value as it was.
        String128 nonsense = u"loud, please";
        ParamValue untouched = 0.25;
        EXPECT_NE(plugin.controller->getParamValueByString(row.index, nonsense, untouched),
                  kResultOk);
        EXPECT_EQ(untouched, 0.25);
    }
    vst3::ParameterInfo info{};
    EXPECT_NE(plugin.controller->getParameterInfo(kParameterCount, info), kResultOk);
    EXPECT_EQ(plugin.text(kParameterCount, 0.5), "<none>");
}

// With no samples, a block only takes its changes; without buffers as well.
TEST_F(Vst3Bundle, EmptyBlocksTakeTheirChanges) {
    Vst3Plugin plugin(module);
    ASSERT_TRUE(plugin.activate(44100));
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
