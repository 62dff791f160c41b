// SPDX-License-Identifier: ISC
// One contract for every face, each driven as its format's host drives it: the
// audio equals the core's scalar reference bit for bit, changes land on their
// sample, the state survives streams of any shape and bad blocks change
// nothing, the texts are the core's, the main thread may work beside the audio
// thread, a missing input is silence, and rates outside what the face takes are
// refused.
#include "contract/ContractSuite.h"
#include "contract/FaceDrivers.h"
#include "core/EffectState.h"
#include "core/TapestrumEffect.h"
#include "support/Signals.h"
#include "tools/Automation.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

namespace {

using Changes = std::vector<ParameterChange>;
using Values = std::array<float, kParameterCount>;

// The core as the faces drive it, switched on at the rate, with the scalar
// kernels. A block is cut at each change, as in every face; a missing input is
// a block of zeros.
class Reference {
  public:
    explicit Reference(float rate);
    void process(const float* input, float* output, int32_t frames, const Changes& changes);
    // What a face's value reads give for the parameter.
    float value(ValueReads reads, int32_t index) const;

    TapestrumEffect effect{SimdLevel::Reference};
};

Reference::Reference(float rate) {
    effect.setSampleRate(rate);
    effect.resume();
}

void Reference::process(const float* input, float* output, int32_t frames, const Changes& changes) {
    if (!input) {
        std::fill_n(output, frames, 0.0f);
        input = output;
    }
    SplitAtChanges(
        frames, changes,
        [&](int32_t from, int32_t to) { effect.process(input + from, output + from, to - from); },
        [&](const ParameterChange& c) { effect.setParameter(c.index, c.value); });
}

float Reference::value(ValueReads reads, int32_t index) const {
    return reads == ValueReads::Engine ? effect.readParameter(index)
                                       : effect.storedParameter(index);
}

// Every parameter's value, in index order, as changes at offset 0.
Changes Settings(const Values& values) {
    Changes changes;
    for (int32_t i = 0; i < kParameterCount; ++i)
        changes.push_back({i, 0, values[static_cast<size_t>(i)]});
    return changes;
}

// `signal` through the face in blocks of `block` (every other one in place),
// with `changesAt(start, frames)` for each block's changes; when `reference`
// is given, the same through it in one call, which the output must equal.
template <class ChangesAt>
std::vector<float> Render(FaceDriver& face, const std::vector<float>& signal, int32_t block,
                          const ChangesAt& changesAt, Reference* reference = nullptr) {
    std::vector<float> output(signal.size(), 123.0f); // what a face must not add to
    Changes all; // at their offsets in the whole signal, for the reference's one call
    for (size_t start = 0; start < signal.size(); start += static_cast<size_t>(block)) {
        const auto frames = static_cast<int32_t>(
            std::min<size_t>(static_cast<size_t>(block), signal.size() - start));
        const Changes changes = changesAt(start, frames);
        for (const ParameterChange& c : changes)
            all.push_back({c.index, c.offset + static_cast<int32_t>(start), c.value});
        float* target = output.data() + start;
        const bool inPlace = (start / static_cast<size_t>(block)) % 2 == 1;
        if (inPlace) std::copy_n(signal.data() + start, frames, target);
        EXPECT_TRUE(
            face.process(inPlace ? target : signal.data() + start, target, frames, changes));
    }
    if (reference) {
        std::vector<float> expected(signal.size());
        reference->process(signal.data(), expected.data(), static_cast<int32_t>(signal.size()),
                           all);
        EXPECT_EQ(FirstDifference(output, expected), -1);
        EXPECT_GT(Energy(expected), 1.0); // a comparison of sound, not of silence
    }
    return output;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST_P(Contract, RendersAsTheReference) {
    const struct {
        double rate;
        int32_t block;
        Values settings;
    } cases[] = {
        {44100, 512, {0, 0, 1, 0, 1, 0, 1, 0, 0.5f, 1, 0}}, // the defaults
        {44100, 1, {0, 0, 1, 0, 1, 0, 1, 0, 0.5f, 0.5f, 0}},
        {44100, 63, {0, 0, 1, 0, 1, 0, 1, 0, 0.5f, 0.5f, 0}},
        {44100, 512, {0.4f, 1, 1, 0, 1, 0, 0.7f, 0, 0.5f, 0.6f, 1}},
        {48000, 100, {0.45f, 1, 1, 0.3f, 0.8f, 0.002f, 0.6f, 0.3f, 0.7f, 0.6f, 1}},
        {48000, 4096, {0.2f, 0, 0.8f, 0.3f, 0.6f, 0.05f, 1, 0.4f, 0.9f, 0.5f, 0}},
        // Values beyond the range, taken as the core clamps them.
        {44100, 512, {kNaN, 0, kInf, 0, 1, -kInf, 1, 0, 7, 1.5f, -0.5f}},
        {44100, 512, {7, 0, -kInf, 0, 1, 0, 1, 0, -0.5f, kNaN, kNaN}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, blocks of " << c.block);
        face = GetParam().make();
        ASSERT_TRUE(face->activate(c.rate));
        Reference reference(static_cast<float>(c.rate));
        const Changes settings = Settings(c.settings);
        Render(
            *face, TestSignal(c.rate, static_cast<int32_t>(c.rate * 2)), c.block,
            [&](size_t start, int32_t) { return start == 0 ? settings : Changes{}; }, &reference);
        for (int32_t i = 0; i < kParameterCount; ++i)
            EXPECT_EQ(face->value(i), reference.value(traits().values, i)) << "parameter " << i;
    }
}

// Ramps as the offline host's automation makes them (a change every 32 samples
// where a ramp has moved), against the reference cutting its one block at each
// change. They cross (the recorded band's ends pass each other), so the order
// of changes at one sample matters as well as their times.
TEST_P(Contract, ChangesLandOnTheirSample) {
    const double rate = 44100;
    const std::vector<std::pair<int32_t, std::vector<AutomationPoint>>> ramps = {
        {kRecStartFreq, {{0.2, 0.0}, {2.0, 0.95}}},
        {kRecEndFreq, {{0.0, 1.0}, {2.2, 0.2}}},
        {kDelay, {{0.0, 0.1}, {1.0, 0.7}, {2.0, 0.3}}},
        {kProcess, {{1.2, 0.0}, {1.21, 1.0}}},
        {kHeadPosition, {{0.7, 0.0}, {0.9, 0.8}}},
        {kTrackLength, {{0.1, 0.5}, {1.2, 0.8}}},
        {kMix, {{0.0, 0.7}}},
    };
    std::vector<float> last(kParameterCount, kNaN);
    size_t sent = 0;
    const auto changesAt = [&](size_t start, int32_t frames) {
        Changes changes;
        for (size_t n = (start + kAutomationStep - 1) / kAutomationStep * kAutomationStep;
             n < start + static_cast<size_t>(frames); n += kAutomationStep)
            for (const auto& [index, points] : ramps) {
                const auto value =
                    static_cast<float>(RampValue(points, static_cast<double>(n) / rate));
                if (value == last[static_cast<size_t>(index)]) continue;
                last[static_cast<size_t>(index)] = value;
                changes.push_back({index, static_cast<int32_t>(n - start), value});
            }
        std::stable_sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) {
            return a.offset != b.offset ? a.offset < b.offset : a.index < b.index;
        });
        sent += changes.size();
        return changes;
    };
    ASSERT_TRUE(face->activate(rate));
    Reference reference(static_cast<float>(rate));
    Render(*face, TestSignal(rate, 110000), 512, changesAt, &reference);
    EXPECT_GT(sent, 1000u);
}

EffectState DefaultState() {
    EffectState defaults;
    for (const ParameterInfo& row : kParameters)
        defaults.values[static_cast<size_t>(row.index)] = row.defaultValue;
    defaults.name = "Preset 0";
    return defaults;
}

std::vector<uint8_t> Saved(FaceDriver& face, size_t perCall = ChunkedStream::kNever) {
    ChunkedStream stream{{}, perCall};
    EXPECT_TRUE(face.save(stream));
    return stream.bytes;
}

bool Load(FaceDriver& face, std::vector<uint8_t> block, size_t perCall = ChunkedStream::kNever) {
    ChunkedStream stream{std::move(block), perCall};
    return face.load(stream);
}

const EffectState kSaved{{0.3f, 1, 0.25f, 0.1f, 0.9f, 0.05f, 0.7f, 0.5f, 0.8f, 0.6f, 1}, "pads"};

// Saved through streams that move a byte, a few bytes and everything per call,
// and loaded through the same into an instance set otherwise: the values, the
// block and the sound come back.
TEST_P(Contract, StateRoundTrips) {
    if (!traits().state) GTEST_SKIP() << GetParam().name << " keeps no state";
    ASSERT_TRUE(face->activate(44100));
    EXPECT_EQ(ReadEffectState(Saved(*face)), DefaultState());
    const std::vector<float> signal = TestSignal(44100, 20000);
    const Changes other = Settings({0.8f, 0, 1, 0, 1, 0, 0.2f, 0, 0.5f, 0.1f, 0});
    for (const size_t perCall : {size_t{1}, size_t{3}, ChunkedStream::kNever}) {
        SCOPED_TRACE(testing::Message() << perCall << " bytes per call");
        std::vector<uint8_t> block = WriteEffectState(kSaved);
        face = GetParam().make();
        ASSERT_TRUE(face->activate(44100));
        Reference reference(44100);
        Render(
            *face, signal, 500,
            [&](size_t start, int32_t) { return start == 0 ? other : Changes{}; }, &reference);
        ASSERT_TRUE(Load(*face, block, perCall));
        for (int32_t i = 0; i < kParameterCount; ++i) {
            EXPECT_EQ(face->value(i), kSaved.values[static_cast<size_t>(i)]) << "parameter " << i;
            reference.effect.setParameter(i, kSaved.values[static_cast<size_t>(i)]);
        }
        EXPECT_EQ(Saved(*face, perCall), block);
        Render(
            *face, signal, 500, [](size_t, int32_t) { return Changes{}; }, &reference);
    }

    // A block of an earlier build, with fewer values, loads: the rest at their
    // defaults.
    std::vector<uint8_t> earlier = WriteEffectState(kSaved);
    earlier[8] = 10;
    earlier.erase(earlier.begin() + 12 + 40, earlier.begin() + 12 + 44);
    ASSERT_TRUE(Load(*face, earlier, 3));
    EXPECT_EQ(face->value(kHeadDirection), kParameters[kHeadDirection].defaultValue);
    EXPECT_EQ(face->value(kMix), kSaved.values[kMix]);
}

TEST_P(Contract, BadStatesChangeNothing) {
    if (!traits().state) GTEST_SKIP() << GetParam().name << " keeps no state";
    ASSERT_TRUE(face->activate(44100));
    ASSERT_TRUE(Load(*face, WriteEffectState(kSaved)));
    const std::vector<uint8_t> good = Saved(*face);

    const EffectState other{DefaultState().values, "other"};
    const auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> block = WriteEffectState(other);
        std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
        return block;
    };
    uint8_t nan[4];
    std::memcpy(nan, &kNaN, 4);
    std::vector<uint8_t> shortBlock = WriteEffectState(other);
    shortBlock.pop_back();
    const struct {
        const char* what;
        ChunkedStream stream;
    } cases[] = {
        {"empty", {}},
        {"header only", {std::vector<uint8_t>(good.begin(), good.begin() + 12), 3}},
        {"short", {shortBlock, 3}},
        {"foreign", {patched(0, {'R', 'I', 'F', 'F'}), 3}},
        {"newer version", {patched(4, {2, 0, 0, 0}), 3}},
        {"more parameters", {patched(8, {12, 0, 0, 0}), 3}},
        {"no parameters", {patched(8, {0, 0, 0, 0}), 3}},
        {"value NaN", {patched(12, {nan[0], nan[1], nan[2], nan[3]}), 3}},
        {"value 2", {patched(16, {0, 0, 0, 0x40}), 3}},
        {"name longer than it may be", {patched(56, {200, 0, 0, 0}), 3}},
        {"name longer than the block", {patched(56, {9, 0, 0, 0}), 3}},
        {"a zero inside the name", {patched(62, {0}), 3}},
        {"a stream failing part way", {WriteEffectState(other), 3, 20}},
        {"a read of nothing mid-block", {WriteEffectState(other), 3, ChunkedStream::kNever, 21}},
    };
    for (const auto& c : cases) {
        const bool wholeStream =
            c.stream.failAt == ChunkedStream::kNever && c.stream.stallAt == ChunkedStream::kNever;
        if (wholeStream) {
            EXPECT_FALSE(ReadEffectState(c.stream.bytes)) << c.what; // the core refuses it too
        }
        ChunkedStream stream = c.stream;
        EXPECT_FALSE(face->load(stream)) << c.what;
        EXPECT_EQ(Saved(*face), good) << c.what;
        for (int32_t i = 0; i < kParameterCount; ++i)
            EXPECT_EQ(face->value(i), kSaved.values[static_cast<size_t>(i)]) << c.what << ", " << i;
    }
    ChunkedStream takesNothing{{}, 0};
    EXPECT_FALSE(face->save(takesNothing)) << "a stream that takes nothing";
}

// At a rate other than the default, each parameter in turn (some twice, after
// the others have moved): the core's text for every value, in and beyond the
// range; every text reads back, in the face and in the core, to a value that
// shows it, and nonsense is refused. Values set on the main thread reach the
// texts by the next block, empty or not.
TEST_P(Contract, TextsAreTheCores) {
    if (!traits().texts) GTEST_SKIP() << GetParam().name << " shows no texts";
    ASSERT_TRUE(face->activate(48000));
    Reference reference(48000);
    TapestrumEffect& core = reference.effect;
    std::vector<float> values{1e-7f,  1e-3f,  0.013f, 0.37f, 0.4999f, 0.5001f, 0.731f,
                              0.999f, -0.25f, 1.5f,   -0.0f, kNaN,    kInf,    -kInf};
    for (int k = 0; k <= 32; ++k)
        values.push_back(static_cast<float>(k) / 32);
    const auto setBoth = [&](int32_t index, float value) {
        face->set(index, value);
        face->process(nullptr, nullptr, 0, {});
        core.setParameter(index, value);
    };
    for (const int32_t index : {6, 0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 6, 0, 7}) {
        for (const float value : values) {
            const std::string expected = core.displayTextFor(index, value);
            EXPECT_EQ(face->text(index, value), expected) << "index " << index << " at " << value;
            if (!traits().textsOfAnyValue) core.setParameter(index, value);
            const std::optional<float> back = core.valueForText(index, expected);
            ASSERT_TRUE(back) << "index " << index << ": '" << expected << "'";
            EXPECT_EQ(core.displayTextFor(index, *back), expected) << "index " << index;
            if (!traits().parses) continue;
            EXPECT_EQ(face->parse(index, expected), back) << "index " << index;
            EXPECT_EQ(face->text(index, *back), expected) << "index " << index;
        }
        if (traits().parses) {
            EXPECT_FALSE(face->parse(index, "loud, please")) << index;
        }
        if (traits().textsOfAnyValue) {
            EXPECT_EQ(face->value(index), core.storedParameter(index))
                << "a text changed " << index;
        }
        setBoth(index, 0.3f);
    }
    // A delay's text depends on the track's length; a track's on the rate.
    const std::string withFullTrack = face->text(kDelay, 0.7f);
    setBoth(kTrackLength, 0.5f);
    EXPECT_EQ(face->text(kDelay, 0.7f), core.displayTextFor(kDelay, 0.7f));
    EXPECT_NE(face->text(kDelay, 0.7f), withFullTrack);
    TapestrumEffect at44k;
    at44k.resume();
    EXPECT_NE(face->text(kTrackLength, 1.0f), at44k.displayTextFor(kTrackLength, 1.0f));
}

// The main thread sets values, reads them and their texts, and saves and loads
// the state while the audio thread processes with changes in every block.
// Under ThreadSanitizer this shows every unordered access either makes.
TEST_P(Contract, MainThreadBesideTheAudioThread) {
    ASSERT_TRUE(face->activate(44100));
    const EffectState restored{{0.2f, 1, 0.9f, 0.1f, 0.8f, 0.01f, 0.6f, 0.3f, 0.7f, 0.5f, 1}, "x"};
    const std::vector<float> input = Noise(256 * 400, 0.5f, 3);
    std::vector<float> output(input.size());
    std::atomic<bool> done{false};
    std::thread audio([&] {
        for (size_t block = 0; block < 400; ++block) {
            const Changes changes = {
                {kDelay, static_cast<int32_t>(block % 256), (block % 17) / 17.0f},
                {kTrackLength, 100, 0.5f + (block % 5) / 10.0f}};
            face->process(input.data() + block * 256, output.data() + block * 256, 256, changes);
        }
        done = true;
    });
    size_t rounds = 0;
    while (!done || rounds < 20) {
        for (int32_t i = 0; i < kParameterCount; ++i) {
            if (traits().texts) {
                const std::string text = face->text(i, static_cast<float>(rounds % 10) / 9);
                EXPECT_FALSE(text.empty()) << i;
                if (traits().parses) {
                    EXPECT_TRUE(face->parse(i, text)) << i << ": '" << text << "'";
                }
            }
            face->set(i, static_cast<float>(rounds % 7) / 6);
            const float value = face->value(i);
            EXPECT_TRUE(value >= 0 && value <= 1) << i;
        }
        if (traits().state) {
            EXPECT_TRUE(ReadEffectState(Saved(*face, 64)));
            EXPECT_TRUE(Load(*face, WriteEffectState(restored), 64));
        }
        ++rounds;
    }
    audio.join();
    ASSERT_TRUE(AllFinite(output));
    if (traits().state) {
        EXPECT_TRUE(Load(*face, WriteEffectState(restored)));
        EXPECT_EQ(ReadEffectState(Saved(*face)), restored);
    }
}

// A block without an input is a block of silence through the effect, every
// sample written, and the stream goes on from it as from the zeros (the C face
// hands the core the missing input as it is).
TEST_P(Contract, MissingInputIsSilenceProcessed) {
    ASSERT_TRUE(face->activate(44100));
    Reference reference(44100);
    const std::vector<float> signal = TestSignal(44100, 512 * 60);
    std::vector<float> output(signal.size(), 99.0f), expected(signal.size());
    const Changes settings = Settings({0.5f, 0, 1, 0, 1, 0, 0.3f, 0, 0.5f, 0.5f, 0});
    for (size_t block = 0; block < 60; ++block) {
        const float* in = block >= 20 && block < 24 ? nullptr : signal.data() + block * 512;
        const Changes& changes = block == 0 ? settings : Changes{};
        EXPECT_TRUE(face->process(in, output.data() + block * 512, 512, changes)) << block;
        reference.process(in, expected.data() + block * 512, 512, changes);
    }
    EXPECT_EQ(FirstDifference(output, expected), -1);
    // The loop plays on through the silence.
    EXPECT_TRUE(std::any_of(expected.begin() + 20 * 512, expected.begin() + 24 * 512,
                            [](float s) { return s != 0.0f; }));
}

TEST_P(Contract, RefusesRatesItCannotTake) {
    if (traits().rate == RateType::Unchecked) GTEST_SKIP() << GetParam().name << " cannot refuse";
    const double inf = std::numeric_limits<double>::infinity();
    for (const double rate : {0.0, -44100.0, double{kNaN}, inf, -inf, 1e300})
        EXPECT_FALSE(face->activate(rate)) << rate;
    // What it takes, it plays.
    std::vector<float> block = Noise(4096, 0.5f, 5);
    for (const double rate : {8000.0, 22050.0, 44100.0, 96000.0, 768000.0}) {
        ASSERT_TRUE(face->activate(rate)) << rate;
        EXPECT_TRUE(face->process(block.data(), block.data(), 4096,
                                  Settings({0, 0, 1, 0, 1, 0, 1, 0, 0.5f, 0.5f, 0})));
        EXPECT_TRUE(AllFinite(block));
        EXPECT_NE(block, std::vector<float>(block.size())) << rate;
    }
}

INSTANTIATE_TEST_SUITE_P(Faces, Contract, testing::ValuesIn(LoadedFaces()),
                         [](const auto& info) { return info.param.name; });

} // namespace
