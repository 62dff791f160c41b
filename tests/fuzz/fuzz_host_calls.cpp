// SPDX-License-Identifier: ISC
// The VST 2 face driven as a host drives it, by a stream of calls decoded from
// the input: dispatcher opcodes with their indexes, values, floats and
// pointers, parameter sets and reads, and processing calls of any block
// length. The instance is made as a host makes it (CreateInstanceRecord, what
// the module's entry points call) and closed with effClose, which frees it.
//
// Pointers are what the interface promises: text buffers of the sizes hosts
// give (64 bytes for the effect's identity texts, 25 for parameter texts, 24
// for program names), each its own allocation so that a write past it is
// caught; any zero-terminated text, or null, where the host passes a text in;
// null only where the interface allows it.
//
// Besides the sanitizers' reports, the effect fails when a text it claims to
// have written is not zero-terminated within its buffer, when a parameter
// reads back outside 0 to 1, or when audio within full scale, at a usual
// sample rate, comes out as anything but finite numbers.
#include "ByteStream.h"

#include "vst2/EntryPoint.h"
#include "vst2/record/EffectRecord.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr size_t kIdentityTextBytes = 64;
constexpr size_t kParameterTextBytes = 25;
constexpr size_t kProgramNameBytes = 24;
constexpr size_t kScratchBytes = 1024; // larger than any record the interface passes
constexpr int32_t kMaxBlock = 4096;
// Per input, so that every input stays quick.
constexpr int32_t kSampleBudget = 1 << 13;
constexpr int32_t kMaxReopens = 2;

intptr_t VSTCALL HostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion         ? 2400
           : opcode == audioMasterGetSampleRate ? 44100
           : opcode == audioMasterGetBlockSize  ? 512
                                                : 0;
}

// A buffer of the host's, filled with a canary so that a missing terminating
// zero shows.
std::unique_ptr<char[]> HostBuffer(size_t bytes) {
    std::unique_ptr<char[]> buffer(new char[bytes]);
    std::memset(buffer.get(), 'x', bytes);
    return buffer;
}

void CheckTerminated(const char* buffer, size_t bytes) {
    if (strnlen(buffer, bytes) == bytes) std::abort();
}

// Speaker arrangements as the host builds them: the head and as many entries as
// it says, in one block.
std::unique_ptr<char[]> Arrangement(ByteStream& in) {
    const int32_t channels = in.byte() % 9;
    const size_t bytes = sizeof(VstSpeakerArrangement) + channels * sizeof(VstSpeakerProperties);
    std::unique_ptr<char[]> block(new char[bytes]);
    for (size_t i = 0; i < bytes; ++i)
        block[i] = static_cast<char>(in.byte());
    auto* head = reinterpret_cast<VstSpeakerArrangement*>(block.get());
    head->numChannels = channels;
    return block;
}

class Session {
  public:
    explicit Session(ByteStream& in) : in(in) { open(); }
    ~Session() { close(); }

    void run() {
        while (!in.empty()) {
            switch (const uint8_t op = in.byte() % 8) {
            case 0:
                dispatch(in.byte() % (effBeginLoadProgram + 2));
                break;
            case 1: {
                // Any opcode at all, with nothing behind the pointer.
                const auto opcode = static_cast<int32_t>(in.word());
                const int32_t index = in.integer();
                const intptr_t value = in.integer();
                const float opt = in.real();
                // Where the value carries a pointer, the interface allows only
                // null or a real one.
                const bool valueIsPointer =
                    opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement;
                if (opcode == effClose)
                    reopen();
                else
                    call(opcode, index, valueIsPointer ? 0 : value, nullptr, opt);
                break;
            }
            case 2: {
                const int32_t index = in.integer();
                const float value = in.real();
                record->setParameter(record, index, value);
                break;
            }
            case 3: {
                const float value = record->getParameter(record, in.integer());
                if (!(value >= 0.0f && value <= 1.0f)) std::abort();
                break;
            }
            case 4: // replacing, accumulating, in place
            case 5:
            case 6:
                process(op == 5, op == 6);
                break;
            default:
                reopen();
                break;
            }
        }
    }

  private:
    void open() {
        record = CreateInstanceRecord(HostCallback);
        if (!record || record->magic != kEffectMagic) std::abort();
        tame = true;
    }

    // A new instance in place of the old one, a few times per input: building
    // one is what costs most here.
    void reopen() {
        if (reopens == kMaxReopens) return;
        ++reopens;
        close();
        open();
    }

    void close() {
        if (record && record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f) != 1) std::abort();
        record = nullptr;
    }

    intptr_t call(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }

    void dispatch(int32_t opcode) {
        const int32_t index = in.integer();
        const intptr_t value = in.integer();
        const float opt = in.real();
        switch (opcode) {
        case effClose:
            reopen();
            return;
        case effSetSampleRate:
        case effSetBlockSizeAndSampleRate:
            noteRate(opt);
            call(opcode, index, value, nullptr, opt);
            return;
        case effSetProgramName:
        case effCanDo:
        case effString2Parameter:
        case effVendorSpecific: {
            // Any zero-terminated text, or none.
            if (in.byte() & 1) {
                call(opcode, index, value, nullptr, opt);
                return;
            }
            const std::string text = in.text();
            std::unique_ptr<char[]> copy(new char[text.size() + 1]);
            std::memcpy(copy.get(), text.c_str(), text.size() + 1);
            call(opcode, index, value, copy.get(), opt);
            return;
        }
        case effGetProgramName:
        case effGetParamLabel:
        case effGetParamDisplay:
        case effGetParamName:
        case effGetProgramNameIndexed: {
            const size_t bytes = opcode == effGetProgramName || opcode == effGetProgramNameIndexed
                                     ? kProgramNameBytes
                                     : kParameterTextBytes;
            auto buffer = HostBuffer(bytes);
            const intptr_t answer = call(opcode, index, value, buffer.get(), opt);
            if (opcode != effGetProgramNameIndexed || answer == 1)
                CheckTerminated(buffer.get(), bytes);
            return;
        }
        case effGetEffectName:
        case effGetErrorText:
        case effGetVendorString:
        case effGetProductString:
        case effShellGetNextPlugin: {
            auto buffer = HostBuffer(kIdentityTextBytes);
            if (call(opcode, index, value, buffer.get(), opt) == 1 &&
                opcode != effShellGetNextPlugin)
                CheckTerminated(buffer.get(), kIdentityTextBytes);
            return;
        }
        case effGetChunk:
        case effEditGetRect: {
            void* holder = nullptr;
            call(opcode, index, value, &holder, opt);
            return;
        }
        case effSetChunk: {
            const std::string bytes = in.text();
            std::unique_ptr<char[]> chunk(new char[bytes.size() + 1]);
            std::memcpy(chunk.get(), bytes.data(), bytes.size());
            call(opcode, index, static_cast<intptr_t>(bytes.size()), chunk.get(), opt);
            return;
        }
        case effProcessEvents:
            processEvents(index, value, opt);
            return;
        case effGetInputProperties:
        case effGetOutputProperties: {
            if (in.byte() & 1) {
                call(opcode, index, value, nullptr, opt);
                return;
            }
            auto properties = std::make_unique<VstPinProperties>();
            std::memset(properties.get(), 'x', sizeof *properties);
            if (call(opcode, index, value, properties.get(), opt) == 1)
                CheckTerminated(properties->label, sizeof properties->label);
            return;
        }
        case effSetSpeakerArrangement: {
            auto input = Arrangement(in);
            auto output = Arrangement(in);
            call(opcode, index, reinterpret_cast<intptr_t>(input.get()), output.get(), opt);
            return;
        }
        case effGetSpeakerArrangement: {
            VstSpeakerArrangement* input = nullptr;
            VstSpeakerArrangement* output = nullptr;
            call(opcode, index, reinterpret_cast<intptr_t>(&input), &output, opt);
            return;
        }
        case effOfflineNotify:
        case effOfflinePrepare:
        case effOfflineRun:
        case effProcessVarIo:
        case effGetParameterProperties:
        case effGetMidiProgramName:
        case effGetCurrentMidiProgram:
        case effGetMidiProgramCategory:
        case effGetMidiKeyName:
        case effBeginLoadBank:
        case effBeginLoadProgram: {
            // Records the effect only fills in: room enough for any of them.
            std::unique_ptr<char[]> scratch(new char[kScratchBytes]());
            call(opcode, index, value, scratch.get(), opt);
            return;
        }
        default:
            call(opcode, index, value, nullptr, opt);
            return;
        }
    }

    // A list of up to 8 events, MIDI or of any other type, or no list.
    void processEvents(int32_t index, intptr_t value, float opt) {
        const uint8_t count = in.byte();
        if (count == 255) {
            call(effProcessEvents, index, value, nullptr, opt);
            return;
        }
        const int32_t events = count % 9;
        std::vector<VstMidiEvent> storage(static_cast<size_t>(events));
        std::vector<char> list(2 * sizeof(intptr_t) + sizeof(VstEvent*) * (events + 1));
        auto* head = reinterpret_cast<VstEvents*>(list.data());
        head->numEvents = events;
        auto** pointers = reinterpret_cast<VstEvent**>(list.data() + 2 * sizeof(intptr_t));
        for (int32_t i = 0; i < events; ++i) {
            VstMidiEvent& event = storage[static_cast<size_t>(i)];
            event.type = in.byte() & 1 ? kVstMidiType : in.integer();
            event.byteSize = sizeof event;
            event.deltaFrames = in.integer();
            for (char& byte : event.midiData)
                byte = static_cast<char>(in.byte());
            pointers[i] = reinterpret_cast<VstEvent*>(&event);
        }
        call(effProcessEvents, index, value, head, opt);
    }

    void noteRate(float rate) {
        if (!(rate >= 8000.0f && rate <= 384000.0f)) tame = false;
    }

    // One processing call: a block of 0 to 4096 samples of silence, a sine,
    // noise, full scale or numbers from the input, in place or not.
    void process(bool accumulating, bool inPlace) {
        const int32_t wanted =
            static_cast<int32_t>((in.byte() | (in.byte() << 8)) % (kMaxBlock + 1));
        const int32_t frames = std::min(wanted, budget);
        budget -= frames;
        std::vector<float> input(static_cast<size_t>(frames));
        const uint8_t kind = in.byte() % 5;
        uint32_t noise = in.word() | 1;
        for (int32_t i = 0; i < frames; ++i) {
            float& sample = input[static_cast<size_t>(i)]; // silence unless set
            if (kind == 1) sample = static_cast<float>(std::sin(0.05 * (i + produced)));
            if (kind == 2) {
                noise ^= noise << 13;
                noise ^= noise >> 17;
                noise ^= noise << 5;
                sample = static_cast<float>(noise) / 4294967296.0f * 2.0f - 1.0f;
            }
            if (kind == 3) sample = i & 1 ? 1.0f : -1.0f;
            if (kind == 4) sample = i < 16 ? in.real() : input[static_cast<size_t>(i % 16)];
            if (!(std::fabs(sample) <= 1.0f)) tame = false;
        }
        std::vector<float> output(inPlace ? 0 : static_cast<size_t>(frames), 7.0f);
        float* inputs[1] = {input.data()};
        float* outputs[1] = {inPlace ? input.data() : output.data()};
        if (accumulating)
            record->process(record, inputs, outputs, frames);
        else
            record->processReplacing(record, inputs, outputs, frames);
        produced += frames;
        if (!tame) return;
        for (int32_t i = 0; i < frames; ++i)
            if (!std::isfinite(outputs[0][i])) std::abort();
    }

    ByteStream& in;
    AEffect* record = nullptr;
    bool tame = true; // every sample rate usual and every input sample within full scale
    int32_t budget = kSampleBudget;
    int32_t reopens = 0;
    int64_t produced = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteStream in(data, size);
    Session session(in);
    session.run();
    return 0;
}
