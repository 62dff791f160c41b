// The saved state as the VST 3 and CLAP faces read it from a host's stream,
// which may move any number of bytes per call. The first input byte sets how
// many bytes each read moves at most (and whether a read fails part-way); the
// rest is what the stream holds.
//
// VST 3: the face reads exactly one block from the stream's start, so its
// answer is the core's reading of the bytes the block's size words claim.
// CLAP: the face takes a stream that holds one block and nothing more; a state
// it refuses changes nothing, and a state it takes sets every value to the
// block's. Both read through the core's stream loop.
#include "clap/ClapEffect.h"
#include "core/EffectState.h"
#include "vst3/StateStream.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>

namespace {

struct Source {
    std::span<const uint8_t> bytes;
    size_t position = 0;
    size_t step = 1;   // the most one read moves
    size_t failAt = 0; // a read starting here fails (0: none)

    // Moves up to `wanted` bytes; -1 for a failed read.
    int64_t read(void* buffer, size_t wanted) {
        if (failAt != 0 && position >= failAt) return -1;
        const size_t moved = std::min({wanted, step, bytes.size() - position});
        if (moved > 0) std::memcpy(buffer, bytes.data() + position, moved);
        position += moved;
        return static_cast<int64_t>(moved);
    }
};

class FuzzStream final : public vst3::IBStream {
  public:
    explicit FuzzStream(Source& source) : source(source) {}
    vst3::tresult queryInterface(const vst3::TUID, void** object) override {
        *object = nullptr;
        return vst3::kNoInterface;
    }
    uint32_t addRef() override { return 1; }
    uint32_t release() override { return 1; }
    vst3::tresult read(void* buffer, int32_t bytes, int32_t* bytesRead) override {
        const int64_t moved = bytes < 0 ? -1 : source.read(buffer, static_cast<size_t>(bytes));
        if (bytesRead) *bytesRead = moved < 0 ? 0 : static_cast<int32_t>(moved);
        return moved < 0 ? vst3::kResultFalse : vst3::kResultOk;
    }
    vst3::tresult write(void*, int32_t, int32_t*) override { return vst3::kResultFalse; }
    vst3::tresult seek(vst3::int64, int32_t, vst3::int64*) override { return vst3::kResultFalse; }
    vst3::tresult tell(vst3::int64*) override { return vst3::kResultFalse; }

  private:
    Source& source;
};

// What the core reads from the stream's start, block by block as the face does.
std::optional<EffectState> CoreReading(std::span<const uint8_t> bytes) {
    size_t read = 0;
    for (;;) {
        const std::optional<size_t> size = EffectStateSize(bytes.first(read));
        if (!size) return std::nullopt;
        if (*size == read) return ReadEffectState(bytes.first(read));
        if (*size > bytes.size()) return std::nullopt;
        read = *size;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    Source pattern{{data + 1, size - 1}};
    pattern.step = 1 + (data[0] & 0x3F);
    pattern.failAt = (data[0] & 0x40) ? 1 + data[0] % 37 : 0;
    const bool failing = pattern.failAt != 0 && pattern.failAt <= pattern.bytes.size();

    Source vst3Source = pattern;
    FuzzStream stream(vst3Source);
    const std::optional<EffectState> viaFace = vst3::ReadStateBlock(&stream);
    const std::optional<EffectState> viaCore = CoreReading(pattern.bytes);
    if (!failing && viaFace != viaCore) std::abort();
    if (failing && viaFace && viaFace != viaCore) std::abort();

    static ClapEffect clap; // one instance: building one zeroes megabytes
    double before[kParameterCount];
    for (int32_t i = 0; i < kParameterCount; ++i)
        if (!clap.value(static_cast<clap::Id>(i), before[i])) std::abort();
    Source clapSource = pattern;
    const clap::InputStream input{
        &clapSource, [](const clap::InputStream* s, void* buffer, uint64_t wanted) {
            return static_cast<Source*>(s->ctx)->read(
                buffer, static_cast<size_t>(std::min<uint64_t>(wanted, SIZE_MAX)));
        }};
    const bool loaded = clap.loadState(input);
    const std::optional<EffectState> whole = ReadEffectState(pattern.bytes);
    if (!failing && loaded != whole.has_value()) std::abort();
    for (int32_t i = 0; i < kParameterCount; ++i) {
        double now;
        if (!clap.value(static_cast<clap::Id>(i), now)) std::abort();
        const double expected = loaded ? whole->values[static_cast<size_t>(i)] : before[i];
        if (now != expected) std::abort();
    }
    return 0;
}
