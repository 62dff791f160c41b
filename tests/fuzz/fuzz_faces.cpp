// SPDX-License-Identifier: ISC
// Every face driven through the contract tests' drivers by a sequence of calls
// decoded from the input: switched on and off at any rate, blocks of any
// length up to 4096 samples with any changes (missing inputs and blocks
// processed in place among them), states of any bytes through streams of any
// shape, values set and read, texts shown and read. The first byte picks the
// face; the faces are linked in and reached through their entry points.
//
// Besides the sanitizers' reports, a face fails when a value reads back
// outside 0 to 1, when a text it reads gives a value outside 0 to 1 or a text
// it shows at a usual rate does not read back, when audio within full scale at
// a usual rate comes out as anything but finite numbers, or when its state
// does not follow the core's reading of the bytes: a stream that holds a whole
// valid block (VST 3: a valid block at its start) and neither fails nor stalls
// loads; a load that succeeds took the values of the block the face read; one
// that fails changes nothing.
#include "ByteStream.h"

#include "clap/ClapInterface.h"
#include "contract/FaceDrivers.h"
#include "core/EffectState.h"
#include "vst2/EntryPoint.h"
#include "vst3/Vst3Interface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <lv2/core/lv2.h>
#include <vector>

extern "C" vst3::IPluginFactory* GetPluginFactory();
extern "C" const clap::PluginEntry clap_entry;
extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace {

enum Kind { kVst2, kVst3, kClap, kLv2, kC, kKinds };

constexpr int32_t kSampleBudget = 1 << 14; // per input, so that every input stays quick
constexpr size_t kMaxChanges = 24;
constexpr size_t kMaxCalls = 64;

void Check(bool holds) {
    if (!holds) std::abort();
}

std::unique_ptr<FaceDriver> Make(Kind kind) {
    switch (kind) {
    case kVst2:
        return MakeVst2Driver(CreateInstanceRecord);
    case kVst3:
        return MakeVst3Driver(GetPluginFactory());
    case kClap: {
        static const bool initialised = clap_entry.init("");
        Check(initialised);
        return MakeClapDriver(
            static_cast<const clap::PluginFactory*>(clap_entry.getFactory(clap::kPluginFactoryId)));
    }
    case kLv2:
        return MakeLv2Driver(lv2_descriptor(0));
    default:
        return MakeCDriver();
    }
}

// What the face should take from the bytes: the whole stream (VST 3: the one
// block at its start, however much follows).
std::optional<EffectState> CoreReading(std::span<const uint8_t> bytes, bool oneBlock) {
    if (!oneBlock) return ReadEffectState(bytes);
    size_t read = 0;
    for (;;) {
        const std::optional<size_t> size = EffectStateSize(bytes.first(read));
        if (!size || *size > bytes.size()) return std::nullopt;
        if (*size == read) return ReadEffectState(bytes.first(read));
        read = *size;
    }
}

std::vector<uint8_t> Saved(FaceDriver& face) {
    ChunkedStream stream;
    Check(face.save(stream));
    return stream.bytes;
}

class Session {
  public:
    Session(Kind kind, ByteStream& in) : kind(kind), in(in), face(Make(kind)) {
        Check(face != nullptr);
    }

    void run() {
        using Call = void (Session::*)();
        static constexpr Call kCalls[] = {
            &Session::activate, &Session::deactivate, &Session::process, &Session::load,
            &Session::save,     &Session::setAndRead, &Session::texts};
        for (size_t call = 0; call < kMaxCalls && !in.empty(); ++call)
            (this->*kCalls[in.byte() % std::size(kCalls)])();
    }

  private:
    void deactivate() { face->deactivate(); }

    void activate() {
        static constexpr double kUsualRates[] = {44100, 48000, 96000, 22050, 8000, 192000};
        const uint8_t choice = in.byte();
        double rate = choice < 192 ? kUsualRates[choice % 6] : in.real();
        if (choice == 255) rate = 1e300;
        const bool taken = face->activate(rate);
        usualRate = taken && choice < 192;
        if (rate == 44100 && face->traits().rate != RateType::Unchecked) Check(taken);
    }

    void process() {
        const int32_t frames = std::min<int32_t>(static_cast<int32_t>(in.word() % 4097), budget);
        budget -= frames;
        const uint8_t shape = in.byte();
        std::vector<ParameterChange> changes(std::min<size_t>(in.byte(), kMaxChanges));
        for (ParameterChange& change : changes)
            change = {in.integer(),
                      static_cast<int32_t>(in.word() % static_cast<uint32_t>(frames + 2)),
                      in.real()};
        std::stable_sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) {
            return a.offset != b.offset ? a.offset < b.offset : a.index < b.index;
        });
        std::vector<float> input(static_cast<size_t>(frames)), output(static_cast<size_t>(frames));
        for (size_t i = 0; i < input.size(); ++i)
            input[i] =
                static_cast<float>(static_cast<int>((i * 2654435761u + shape) % 2001) - 1000) /
                1000;
        const bool missing = shape % 4 == 1, inPlace = shape % 4 == 2;
        if (inPlace) output = input;
        face->process(missing   ? nullptr
                      : inPlace ? output.data()
                                : input.data(),
                      output.data(), frames, changes);
        if (usualRate)
            for (const float sample : output)
                Check(std::isfinite(sample));
    }

    ChunkedStream stream(std::vector<uint8_t> bytes) {
        ChunkedStream shaped{std::move(bytes), 1 + in.byte() % 64u};
        const uint8_t fault = in.byte();
        if (fault % 4 == 1) shaped.failAt = in.byte();
        if (fault % 4 == 2) shaped.stallAt = in.byte();
        return shaped;
    }

    void load() {
        if (!face->traits().state) return;
        std::vector<uint8_t> bytes;
        if (in.byte() % 2 == 0) { // a valid block, perhaps patched
            EffectState state;
            for (float& value : state.values)
                value = static_cast<float>(in.byte()) / 255;
            state.name = in.text();
            bytes = WriteEffectState(state);
            if (in.byte() % 2 == 0 && !bytes.empty()) bytes[in.byte() % bytes.size()] = in.byte();
        } else {
            const std::string raw = in.text();
            bytes.assign(raw.begin(), raw.end());
        }
        const std::vector<uint8_t> before = Saved(*face);
        ChunkedStream shaped = stream(bytes);
        const bool clean =
            shaped.failAt == ChunkedStream::kNever && shaped.stallAt == ChunkedStream::kNever;
        const bool loaded = face->load(shaped);
        if (clean) Check(loaded == CoreReading(bytes, kind == kVst3).has_value());
        if (!loaded) {
            Check(Saved(*face) == before);
            return;
        }
        const std::optional<EffectState> read = ReadEffectState(
            std::span<const uint8_t>(bytes).first(std::min(shaped.position, bytes.size())));
        Check(read.has_value());
        const std::optional<EffectState> now = ReadEffectState(Saved(*face));
        Check(now == read);
    }

    void save() {
        if (!face->traits().state) return;
        ChunkedStream shaped = stream({});
        if (shaped.stallAt != ChunkedStream::kNever) shaped.perCall = 0;
        if (face->save(shaped)) Check(ReadEffectState(shaped.bytes).has_value());
    }

    void setAndRead() {
        const int32_t index = in.integer();
        face->set(index, in.real());
        if (index < 0 || index >= kParameterCount) return;
        const float value = face->value(index);
        if (kind != kLv2) Check(value >= 0 && value <= 1); // LV2's ports hold what the host wrote
    }

    void texts() {
        if (!face->traits().texts) return;
        const int32_t index = std::clamp(in.integer(), 0, kParameterCount - 1);
        const std::string shown = face->text(index, in.real());
        if (!face->traits().parses) return;
        const std::optional<float> typed = face->parse(index, in.text());
        if (typed) Check(*typed >= 0 && *typed <= 1);
        if (!usualRate) return; // at other rates durations may show as INF or NAN
        const std::optional<float> back = face->parse(index, shown);
        Check(back.has_value());
        Check(face->text(index, *back) == shown);
    }

    Kind kind;
    ByteStream& in;
    std::unique_ptr<FaceDriver> face;
    bool usualRate = true; // every face starts at 44100 Hz
    int32_t budget = kSampleBudget;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteStream in(data, size);
    Session(static_cast<Kind>(in.byte() % kKinds), in).run();
    return 0;
}
