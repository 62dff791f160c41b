// SPDX-License-Identifier: ISC
// The record the base constructor fills, the flag setters and the
// speaker-arrangement utilities.
#include "support/RecordingEffect.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(Record, BaseConstructorFillsEveryField) {
    RecordingEffect effect(nullptr, 3, 5);
    const AEffect* e = effect.getAeffect();
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 3);
    EXPECT_EQ(e->numParams, 5);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->object, static_cast<AudioEffect*>(&effect));
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->uniqueID, 0x4E6F4566);
    EXPECT_EQ(e->version, 1);
    for (char c : e->future)
        EXPECT_EQ(c, 0);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
}

TEST(Record, EntryFunctionsReachTheObject) {
    RecordingEffect effect;
    AEffect* e = effect.getAeffect();
    float* channels[1] = {nullptr};
    e->process(e, channels, channels, 17);
    e->processReplacing(e, channels, channels, 18);
    e->setParameter(e, 2, 0.5f);
    EXPECT_EQ(e->getParameter(e, 1), 0.25f);
    ASSERT_EQ(effect.calls.size(), 4u);
    EXPECT_EQ(effect.calls[0].name, "process");
    EXPECT_EQ(effect.calls[0].args[2], 17);
    EXPECT_EQ(effect.calls[1].name, "processReplacing");
    EXPECT_EQ(effect.calls[2].real, 0.5f);
    EXPECT_EQ(effect.calls[3].name, "getParameter");
}

TEST(Record, EntryFunctionsIgnoreARecordWithoutObject) {
    AEffect orphan{};
    EXPECT_EQ(EffectEntry::dispatch(&orphan, effGetVstVersion, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(EffectEntry::dispatch(nullptr, effClose, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(EffectEntry::getParameter(nullptr, 0), 0.0f);
    EffectEntry::process(nullptr, nullptr, nullptr, 10);
    EffectEntry::setParameter(&orphan, 0, 1.0f);
}

TEST(Record, CloseThroughTheEntryDestroysTheObjectAndAnswersOne) {
    RecordingEffect::destroyed = 0;
    auto* effect = new RecordingEffect;
    AEffect* e = effect->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0), 1);
    EXPECT_EQ(RecordingEffect::destroyed, 1);
}

TEST(Flags, EachSetterSetsAndClearsOnlyItsBit) {
    struct Setter {
        void (*apply)(DefaultEffect&, bool);
        int32_t bit;
    };
    const Setter setters[] = {
        {[](DefaultEffect& e, bool s) { e.hasVu(s); }, 4},
        {[](DefaultEffect& e, bool s) { e.hasClip(s); }, 2},
        {[](DefaultEffect& e, bool s) { e.canMono(s); }, 8},
        {[](DefaultEffect& e, bool s) { e.canProcessReplacing(s); }, 16},
        {[](DefaultEffect& e, bool s) { e.programsAreChunks(s); }, 32},
        {[](DefaultEffect& e, bool s) { e.isSynth(s); }, 256},
        {[](DefaultEffect& e, bool s) { e.noTail(s); }, 512},
        {[](DefaultEffect& e, bool s) { e.wantAsyncOperation(s); }, 1024},
        {[](DefaultEffect& e, bool s) { e.hasExternalBuffer(s); }, 2048},
    };
    for (const Setter& setter : setters) {
        DefaultEffect effect;
        effect.getAeffect()->flags = 0x10000 | 1;
        setter.apply(effect, true);
        EXPECT_EQ(effect.getAeffect()->flags, 0x10000 | 1 | setter.bit);
        setter.apply(effect, false);
        EXPECT_EQ(effect.getAeffect()->flags, 0x10000 | 1);
    }
    DefaultEffect effect;
    effect.canMono(true);
    effect.canProcessReplacing(true);
    effect.hasVu(false);
    EXPECT_EQ(effect.getAeffect()->flags, 24);
    effect.canMono(false);
    EXPECT_EQ(effect.getAeffect()->flags, 16);
}

TEST(Flags, ValueSettersOverwriteTheirFields) {
    DefaultEffect effect;
    effect.setUniqueID(0x12345678);
    effect.setNumInputs(3);
    effect.setNumOutputs(4);
    effect.setRealtimeQualities(5);
    effect.setOfflineQualities(6);
    effect.setInitialDelay(1024);
    const AEffect* e = effect.getAeffect();
    EXPECT_EQ(e->uniqueID, 0x12345678);
    EXPECT_EQ(e->numInputs, 3);
    EXPECT_EQ(e->numOutputs, 4);
    EXPECT_EQ(e->realQualities, 5);
    EXPECT_EQ(e->offQualities, 6);
    EXPECT_EQ(e->initialDelay, 1024);
}

TEST(Arrangements, AllocateGivesAZeroedBlockOfTheRightSize) {
    DefaultEffect effect;
    VstSpeakerArrangement* arrangement = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&arrangement, 2));
    ASSERT_NE(arrangement, nullptr);
    EXPECT_EQ(arrangement->numChannels, 2);
    EXPECT_EQ(arrangement->type, 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(arrangement);
    for (size_t i = 8; i < 232; ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    // Allocating again releases the old block first.
    ASSERT_TRUE(effect.allocateArrangement(&arrangement, 0));
    EXPECT_EQ(arrangement->numChannels, 0);
    EXPECT_TRUE(effect.deallocateArrangement(&arrangement));
    EXPECT_EQ(arrangement, nullptr);
    EXPECT_TRUE(effect.deallocateArrangement(&arrangement)); // null: still true
    EXPECT_FALSE(effect.allocateArrangement(&arrangement, -1));
    EXPECT_FALSE(effect.allocateArrangement(nullptr, 2));
}

TEST(Arrangements, CopySpeakerCopiesEveryFieldAndRefusesNull) {
    DefaultEffect effect;
    VstSpeakerProperties from{};
    from.azimuth = 0.5f;
    from.elevation = -0.25f;
    from.radius = 2.0f;
    from.reserved = 3.0f;
    std::strcpy(from.name, "Left surround");
    from.type = 7;
    std::memset(from.future, 0x5A, sizeof from.future);
    VstSpeakerProperties to{};
    ASSERT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_EQ(std::memcmp(&to, &from, sizeof to), 0);
    EXPECT_FALSE(effect.copySpeaker(nullptr, &from));
    EXPECT_FALSE(effect.copySpeaker(&to, nullptr));
}

TEST(Arrangements, MatchCopiesTypeAndEverySpeaker) {
    DefaultEffect effect;
    VstSpeakerArrangement* source = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&source, 3));
    source->type = 42;
    for (int32_t i = 0; i < 3; ++i) {
        speakerAt(source, i)->type = i + 10;
        speakerAt(source, i)->azimuth = static_cast<float>(i);
        std::snprintf(speakerAt(source, i)->name, kVstSpeakerNameSize, "speaker %d", i);
    }
    VstSpeakerArrangement* destination = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&destination, 1)); // replaced by the match
    ASSERT_TRUE(effect.matchArrangement(&destination, source));
    EXPECT_EQ(destination->type, 42);
    ASSERT_EQ(destination->numChannels, 3);
    EXPECT_EQ(std::memcmp(destination, source, 8 + 3 * 112), 0);
    EXPECT_FALSE(effect.matchArrangement(&destination, nullptr));
    effect.deallocateArrangement(&source);
    effect.deallocateArrangement(&destination);
}

} // namespace
