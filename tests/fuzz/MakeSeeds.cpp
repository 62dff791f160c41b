// SPDX-License-Identifier: ISC
// Writes the generated seeds of the fuzz corpora into a folder (normally
// tests/fuzz/corpus): valid program and bank files and the malformed ones the
// tool's tests refuse, automation lists and CSV files, and streams of host
// calls as a host makes them when it loads, sets up and plays the effect.
//   make_seeds tests/fuzz/corpus
#include "tools/ProgramFile.h"

#include "core/EffectState.h"
#include "vst2/record/EffectRecord.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

void Write(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void PutBigEndian(Bytes& bytes, uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<uint8_t>(word >> shift));
}

void Replace(Bytes& bytes, size_t at, const std::string& with) {
    for (size_t i = 0; i < with.size(); ++i)
        bytes[at + i] = static_cast<uint8_t>(with[i]);
}

ProgramData Program(std::vector<float> values, const std::string& name = "Preset 0") {
    ProgramData program;
    program.pluginId = 0x5A4F4C54; // ZOLT
    program.pluginVersion = 1;
    program.name = name;
    program.values = std::move(values);
    return program;
}

// A bank of these programs in format 1 or 2 (with its current program).
Bytes Bank(const std::vector<Bytes>& programs, uint32_t version, uint32_t current) {
    Bytes body;
    for (const Bytes& program : programs)
        body.insert(body.end(), program.begin(), program.end());
    Bytes bytes;
    const uint32_t size = static_cast<uint32_t>(148 + body.size()),
                   count = static_cast<uint32_t>(programs.size());
    // CcnK, the size, FxBk, the format, ZOLT, its version, the program count and the
    // current program.
    for (const uint32_t word :
         {0x43636E4Bu, size, 0x4678426Bu, version, 0x5A4F4C54u, 1u, count, current})
        PutBigEndian(bytes, word);
    bytes.resize(156, 0);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

void ProgramFiles(const fs::path& folder) {
    const std::vector<float> defaults = {0, 0, 1, 0, 1, 0, 1, 0, 0.5f, 1, 0};
    const std::vector<float> set = {0.3f, 1, 0.8f, 0.1f, 0.9f, 0.05f, 0.5f, 0.2f, 0.6f, 0.5f, 1};
    const Bytes good = EncodeProgramFile(Program(defaults));
    const Bytes other = EncodeProgramFile(Program(set, "a name longer than a file keeps"));
    Write(folder, "program.fxp", good);
    Write(folder, "program-named.fxp", other);
    Write(folder, "bank-1.fxb", Bank({good, other}, 1, 0));
    Write(folder, "bank-2-current.fxb", Bank({good, other}, 2, 1));
    // The malformed files the tool's tests refuse.
    Bytes chunk = good, form = good, magic = good, fewer = good, longer = good, extra = good;
    Replace(chunk, 8, "FPCh");
    Replace(form, 8, "FxZz");
    Replace(magic, 0, "RIFF");
    Replace(fewer, 24, std::string("\0\0\0\x0c", 4));
    Replace(longer, 4, std::string("\0\0\0\x60", 4));
    extra.insert(extra.end(), {'x', 'x', 'x', 'x'});
    Write(folder, "bad-opaque-chunk.fxp", chunk);
    Write(folder, "bad-form.fxp", form);
    Write(folder, "bad-magic.fxp", magic);
    Write(folder, "bad-fewer-values.fxp", fewer);
    Write(folder, "bad-size-too-long.fxp", longer);
    Write(folder, "bad-trailing-bytes.fxp", extra);
    Write(folder, "bad-short-header.fxp", Bytes(good.begin(), good.begin() + 40));
    Write(folder, "bad-two-values.fxp", EncodeProgramFile(Program({0.5f, 0.5f})));
}

Bytes Text(char mode, const std::string& text) {
    Bytes bytes{static_cast<uint8_t>(mode)};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

void AutomationInputs(const fs::path& folder) {
    // Mode 0: a list as given on the command line; mode 1: a CSV file's bytes.
    const std::pair<const char*, Bytes> inputs[] = {
        {"list-one.txt", Text(0, "mix=0.2:0.1,1.1:0.9")},
        {"list-name.txt", Text(0, "head direction=0:0,0.3:1")},
        {"list-exponent.txt", Text(0, "3=0:1e-3,2.5e1:0.25, 30 :1")},
        {"csv-header.csv", Text(1, "time,value\n0.1,0\n0.9,1\n")},
        {"csv-plain.csv", Text(1, "0,0.5\r\n\r\n1.5,1\r\n2,0\r\n")},
        {"bad-list-unsorted.txt", Text(0, "mix=1:0.5,0.5:1")},
        {"bad-list-equal-times.txt", Text(0, "mix=0:0.5,0:1")},
        {"bad-list-value.txt", Text(0, "mix=0:1.5")},
        {"bad-list-unknown-name.txt", Text(0, "wobble=0:1")},
        {"bad-list-no-colon.txt", Text(0, "mix=0:0.5,1")},
        {"bad-list-not-a-number.txt", Text(0, "mix=0:x")},
        {"bad-list-no-equals.txt", Text(0, "mix")},
        {"bad-csv-word.csv", Text(1, "time,value\n0,0.5\nhalf,1\n")},
    };
    for (const auto& [name, bytes] : inputs)
        Write(folder, name, bytes);
}

// Host calls in the stream the host-call target decodes (see fuzz_host_calls.cpp).
class Calls {
  public:
    // A small index or value (-8 to 239).
    Calls& small(int32_t value) {
        bytes.push_back(static_cast<uint8_t>(value + 8));
        return *this;
    }
    Calls& tableReal(uint8_t entry) {
        bytes.push_back(entry);
        return *this;
    }
    Calls& byte(uint8_t value) {
        bytes.push_back(value);
        return *this;
    }
    Calls& raw(std::initializer_list<uint8_t> values) {
        bytes.insert(bytes.end(), values);
        return *this;
    }
    Calls& dispatch(int32_t opcode, int32_t index = 0, int32_t value = 0, uint8_t opt = 0) {
        return byte(0).byte(static_cast<uint8_t>(opcode)).small(index).small(value).tableReal(opt);
    }
    Calls& text(const std::string& text) {
        byte(0).byte(static_cast<uint8_t>(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    Calls& set(int32_t index, uint8_t valueEntry) {
        return byte(2).small(index).tableReal(valueEntry);
    }
    Calls& get(int32_t index) { return byte(3).small(index); }
    Calls& process(uint16_t frames, uint8_t kind) {
        return byte(4).raw({static_cast<uint8_t>(frames & 0xFF), static_cast<uint8_t>(frames >> 8),
                            kind, 1, 2, 3, 4});
    }

    Bytes bytes;
};

void HostCallStreams(const fs::path& folder) {
    // Loading as a host scans: the identity texts, every parameter's texts.
    Calls scan;
    scan.dispatch(effOpen).dispatch(effGetVstVersion).dispatch(effGetPlugCategory);
    scan.dispatch(effGetEffectName).dispatch(effGetVendorString).dispatch(effGetProductString);
    scan.dispatch(effGetVendorVersion);
    for (int32_t i = -1; i <= 11; ++i)
        scan.dispatch(effGetParamName, i)
            .dispatch(effGetParamLabel, i)
            .dispatch(effGetParamDisplay, i)
            .get(i);
    scan.dispatch(effGetProgramName).dispatch(effGetProgramNameIndexed, 0, 0);
    scan.dispatch(effGetOutputProperties).byte(0);
    scan.dispatch(effCanDo).text("receiveVstTimeInfo");
    scan.dispatch(effCanDo).text("sendVstMidiEvent");
    scan.dispatch(effClose);
    Write(folder, "scan.bin", scan.bytes);

    // Playing: rate, block size, switched on, automation between blocks.
    Calls play;
    play.dispatch(effOpen).dispatch(effSetSampleRate, 0, 0, 12).dispatch(effSetBlockSize, 0, 200);
    play.set(9, 2).set(0, 4).set(6, 2).set(10, 1).set(1, 1);
    play.dispatch(effMainsChanged, 0, 1).dispatch(effStartProcess);
    for (int block = 0; block < 8; ++block) {
        play.process(512, static_cast<uint8_t>(block % 4));
        play.set(block % 11, static_cast<uint8_t>(20 + block)).get(block % 11);
        play.dispatch(effGetParamDisplay, block % 11);
    }
    play.dispatch(effStopProcess).dispatch(effMainsChanged, 0, 0);
    Write(folder, "play.bin", play.bytes);

    // Programs, events and odd block lengths.
    Calls odd;
    odd.dispatch(effSetProgramName).text("a program name longer than any host buffer for it");
    odd.dispatch(effGetProgramName).dispatch(effSetProgram, 0, 0).dispatch(effGetProgram);
    odd.dispatch(effSetBlockSizeAndSampleRate, 0, 64, 13).dispatch(effMainsChanged, 0, 1);
    odd.dispatch(effProcessEvents).raw({2, 1}).small(0).raw({0x90, 60, 100, 0}).small(7).small(3);
    odd.raw({0, 0, 0});
    odd.process(1, 2).process(255, 2).process(257, 1).process(0, 0).process(4096, 2);
    odd.dispatch(effSetSpeakerArrangement).byte(1).byte(0).byte(0);
    odd.dispatch(effGetSpeakerArrangement).dispatch(effGetChunk).dispatch(effIdentify);
    odd.byte(7).process(300, 3);
    Write(folder, "programs-events.bin", odd.bytes);
}

void StateBlocks(const fs::path& folder) {
    EffectState state;
    for (size_t i = 0; i < state.values.size(); ++i)
        state.values[i] = static_cast<float>(i) / 10;
    state.name = "Preset 0";
    const Bytes block = WriteEffectState(state);
    Write(folder, "state.bin", block);
    EffectState named = state;
    named.name = std::string(kStateNameCapacity, 'n');
    Write(folder, "state-long-name.bin", WriteEffectState(named));
    Write(folder, "state-no-name.bin", WriteEffectState(EffectState{}));
    // A block of an earlier build with ten parameters.
    Bytes earlier = block;
    earlier[8] = 10;
    earlier.erase(earlier.begin() + kStateHeaderSize + 40, earlier.begin() + kStateHeaderSize + 44);
    Write(folder, "state-earlier-build.bin", earlier);
    // The malformed blocks the effect core's tests refuse.
    const auto changed = [&](size_t offset, uint8_t byte) {
        Bytes bad = block;
        bad[offset] = byte;
        return bad;
    };
    Bytes longer = block;
    longer.push_back('x');
    Bytes notANumber = block;
    for (size_t i = 0; i < 4; ++i)
        notANumber[kStateHeaderSize + 8 + i] = i < 2 ? 0 : (i == 2 ? 0xC0 : 0x7F);
    const std::pair<const char*, Bytes> bad[] = {
        {"bad-short.bin", Bytes(block.begin(), block.end() - 1)},
        {"bad-longer.bin", longer},
        {"bad-magic.bin", changed(0, 'X')},
        {"bad-version.bin", changed(4, 2)},
        {"bad-more-parameters.bin", changed(8, 12)},
        {"bad-no-parameters.bin", changed(8, 0)},
        {"bad-value-two.bin", changed(kStateHeaderSize + 3, 0x40)},
        {"bad-value-nan.bin", notANumber},
        {"bad-name-length.bin", changed(kStateMinSize - 4, 60)},
        {"bad-zero-in-name.bin", changed(kStateMinSize + 2, 0)},
    };
    for (const auto& [name, bytes] : bad)
        Write(folder, name, bytes);
}

// Parameter texts: the sample rate and the values set first, then the index
// and the text, in the stream fuzz_parameter_text.cpp decodes.
void ParameterTexts(const fs::path& folder) {
    const std::pair<int32_t, std::string> texts[] = {
        {0, "120 ms"},    {1, "delayed as carrier"},
        {2, "-6 dB"},     {3, "440Hz"},
        {4, "12000 Hz"},  {5, "-inf dB"},
        {6, "3482.1 ms"}, {7, "0 ms "},
        {8, "+3.5 dB"},   {9, "dry ||||||||-|"},
        {9, "0.25"},      {10, "Forward"},
        {10, "backward"}, {2, "1e3 dB"},
        {0, "  -12.5ms"},
    };
    int n = 0;
    for (const auto& [index, text] : texts) {
        Calls calls;
        calls.tableReal(static_cast<uint8_t>(n % 2 ? 13 : 12)); // 48000 or 44100
        calls.byte(2).small(index).tableReal(static_cast<uint8_t>(2 + n % 4)).small(6).tableReal(2);
        calls.small(index).byte(static_cast<uint8_t>(text.size()));
        calls.bytes.insert(calls.bytes.end(), text.begin(), text.end());
        Write(folder, "text-" + std::to_string(n++) + ".bin", calls.bytes);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds CORPUS-FOLDER\n");
        return 2;
    }
    const fs::path corpus = argv[1];
    ProgramFiles(corpus / "fuzz_program_file");
    AutomationInputs(corpus / "fuzz_automation");
    HostCallStreams(corpus / "fuzz_host_calls");
    StateBlocks(corpus / "fuzz_effect_state");
    ParameterTexts(corpus / "fuzz_parameter_text");
    return 0;
}
