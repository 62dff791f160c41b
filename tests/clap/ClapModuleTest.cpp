// SPDX-License-Identifier: ISC
// The built .clap file as a host meets it: the entry, the factory and the
// descriptor, the extensions, the parameters against the parameter table, and
// what is the format's alone in the texts and the saved state.
#include "contract/ClapDriver.h"
#include "core/EffectIdentity.h"
#include "core/EffectState.h"
#include "core/ParameterTable.h"
#include "core/TapestrumEffect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(ClapModule, EntryFactoryAndDescriptor) {
    const clap::PluginEntry* entry = ClapEntry(TAPESTRUM_CLAP_PATH);
    const clap::PluginFactory* factory = ClapFactory(TAPESTRUM_CLAP_PATH);
    ASSERT_NE(factory, nullptr);
    EXPECT_GE(entry->clapVersion.major, 1u);
    EXPECT_EQ(entry->getFactory("clap.other-factory"), nullptr);
    // The mono plug-in and the stereo one.
    const struct {
        const char* id;
        std::string name;
        std::vector<std::string> features;
    } plugins[] = {{"com.vormix.tapestrum", kEffectName, {"audio-effect", "delay", "mono"}},
                   {"com.vormix.tapestrum.stereo",
                    std::string(kEffectName) + " stereo",
                    {"audio-effect", "delay", "stereo"}}};
    ASSERT_EQ(factory->getPluginCount(factory), 2u);
    EXPECT_EQ(factory->getPluginDescriptor(factory, 2), nullptr);
    for (uint32_t i = 0; i < 2; ++i) {
        const clap::PluginDescriptor* d = factory->getPluginDescriptor(factory, i);
        ASSERT_NE(d, nullptr);
        EXPECT_STREQ(d->id, plugins[i].id);
        EXPECT_EQ(d->name, plugins[i].name);
        EXPECT_STREQ(d->vendor, kVendorName);
        EXPECT_STREQ(d->version, kVersionText);
        std::vector<std::string> features;
        for (const char* const* f = d->features; *f; ++f)
            features.emplace_back(*f);
        EXPECT_EQ(features, plugins[i].features);
    }
    EXPECT_EQ(factory->createPlugin(factory, ClapTestHost(), "com.vormix.other"), nullptr);

    // A second init and its deinit leave the module usable; the factory goes
    // only with the last deinit.
    ASSERT_TRUE(entry->init("again"));
    entry->deinit();
    EXPECT_EQ(entry->getFactory(clap::kPluginFactoryId), factory);
    entry->deinit();
    EXPECT_EQ(entry->getFactory(clap::kPluginFactoryId), nullptr);
    entry->deinit(); // one too many: ignored
    ASSERT_TRUE(entry->init("and again"));
    EXPECT_EQ(entry->getFactory(clap::kPluginFactoryId), factory);
    EXPECT_TRUE(ClapDriver(factory).usable());
}

TEST(ClapModule, PortsLatencyTailAndParameterInfos) {
    for (const auto& [channels, portType] : {std::pair{1, "mono"}, std::pair{2, "stereo"}}) {
        ClapDriver plugin(ClapFactory(TAPESTRUM_CLAP_PATH), channels);
        ASSERT_TRUE(plugin.usable()) << portType;
        for (const bool isInput : {true, false}) {
            ASSERT_EQ(plugin.audioPorts->count(plugin.plugin, isInput), 1u);
            clap::AudioPortInfo port{};
            ASSERT_TRUE(plugin.audioPorts->get(plugin.plugin, 0, isInput, &port));
            EXPECT_EQ(port.flags & clap::kAudioPortIsMain, clap::kAudioPortIsMain);
            EXPECT_EQ(port.channelCount, static_cast<uint32_t>(channels));
            EXPECT_STREQ(port.portType, portType);
            EXPECT_FALSE(plugin.audioPorts->get(plugin.plugin, 1, isInput, &port));
        }
    }
    ClapDriver e(ClapFactory(TAPESTRUM_CLAP_PATH));
    ASSERT_TRUE(e.usable());
    EXPECT_EQ(e.latency->get(e.plugin), 0u);
    EXPECT_GE(e.tail->get(e.plugin), uint32_t{INT32_MAX});

    ASSERT_EQ(e.params->count(e.plugin), 11u);
    for (const ParameterInfo& row : kParameters) {
        clap::ParamInfo info;
        std::memset(&info, 0x5A, sizeof info);
        ASSERT_TRUE(e.params->getInfo(e.plugin, static_cast<uint32_t>(row.index), &info));
        EXPECT_EQ(info.id, static_cast<clap::Id>(row.index));
        EXPECT_EQ(std::string(info.name), row.name);
        EXPECT_STREQ(info.module, "");
        EXPECT_EQ(info.minValue, 0.0);
        EXPECT_EQ(info.maxValue, 1.0);
        EXPECT_EQ(info.defaultValue, row.defaultValue);
        EXPECT_EQ(info.flags,
                  clap::kParamIsAutomatable | (row.isSwitch ? clap::kParamIsStepped : 0));
        EXPECT_EQ(e.value(info.id), row.defaultValue);
    }
    clap::ParamInfo info{};
    EXPECT_FALSE(e.params->getInfo(e.plugin, 11, &info));
    double v = 0;
    EXPECT_FALSE(e.params->getValue(e.plugin, 11, &v));
    char text[8];
    EXPECT_FALSE(e.params->valueToText(e.plugin, 11, 0.5, text, sizeof text));
    EXPECT_FALSE(e.params->textToValue(e.plugin, 11, "0", &v));
}

// A short buffer gets the text's start, terminated (the texts themselves are
// the contract's, tests/contract).
TEST(ClapModule, ShortTextBuffersGetTheStart) {
    ClapDriver e(ClapFactory(TAPESTRUM_CLAP_PATH));
    char text[4] = {'#', '#', '#', '#'};
    ASSERT_TRUE(e.params->valueToText(e.plugin, kTrackLength, 1.0, text, sizeof text));
    EXPECT_EQ(std::string(text), TapestrumEffect().displayTextFor(kTrackLength, 1.0f).substr(0, 3));
}

// A host's odd values arrive in the saved state clamped as the VST 2 face
// clamps them (the state's round trip is the contract's, tests/contract).
TEST(ClapModule, OddValuesAreSavedClamped) {
    ClapDriver source(ClapFactory(TAPESTRUM_CLAP_PATH));
    ClapEvents changes;
    const double set[] = {0.3, 1.0, 0.8, 0.25, 0.75, 0.01, 0.6, 0.4, 0.9, 0.55, 1.0};
    for (clap::Id id = 0; id < 11; ++id)
        changes.add(0, id, set[id]);
    changes.add(0, 12, 0.5); // no such parameter
    changes.add(0, kOutAmp, std::numeric_limits<double>::quiet_NaN());
    changes.add(0, kMix, 7.0);
    changes.add(0, kThreshold, -std::numeric_limits<double>::infinity());
    source.flush(changes);
    ChunkedStream block{{}, 1};
    ASSERT_TRUE(source.save(block));
    const std::optional<EffectState> saved = ReadEffectState(block.bytes);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->name, "Preset 0");
    for (int32_t i = 0; i < kParameterCount; ++i) {
        const float expected = i == kOutAmp || i == kThreshold ? 0.0f
                               : i == kMix                     ? 1.0f
                                                               : static_cast<float>(set[i]);
        EXPECT_EQ(saved->values[static_cast<size_t>(i)], expected) << i;
        EXPECT_EQ(source.value(static_cast<clap::Id>(i)), expected) << i;
    }
}

// The face reads the whole stream: a block with more after it is refused and
// changes nothing (the other bad blocks are the contract's).
TEST(ClapModule, MoreThanTheBlockIsRefused) {
    ClapDriver e(ClapFactory(TAPESTRUM_CLAP_PATH));
    const auto saved = [&e] {
        ChunkedStream stream{{}, 64};
        EXPECT_TRUE(e.save(stream));
        return stream.bytes;
    };
    const std::vector<uint8_t> good = saved();
    std::vector<uint8_t> longer = good;
    longer.push_back('x');
    std::vector<uint8_t> overlong(kStateMaxSize + 1, 0);
    std::copy(good.begin(), good.end(), overlong.begin());
    for (const auto& block : {longer, overlong}) {
        ChunkedStream stream{block, 3};
        EXPECT_FALSE(e.load(stream)) << block.size() << " bytes";
        EXPECT_EQ(saved(), good);
    }
}

} // namespace
