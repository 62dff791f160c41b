// SPDX-License-Identifier: ISC
// What the validator's checks share: the instance settings they test with, and
// the probes that make one call of a module and look at what it did.
#pragma once

#include "tools/hosting/PluginHost.h"
#include "tools/validate/TestAudio.h"
#include "tools/validate/checks/Outcome.h"
#include "tools/validate/checks/TestContext.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kDefaultRate = 44100.0f;
constexpr int32_t kBlock = 512;
constexpr size_t kCanaryBytes = 1024;

constexpr size_t kAnyTextLimit = 64;
constexpr size_t kParameterTextLimit = 25; // 24 characters and the zero
constexpr size_t kShortParameterText = 8;  // what older hosts show
constexpr size_t kProgramNameText = 24;

// A number as the report writes it: up to nine significant digits.
std::string Number(double value);

// The block size instances are told: longer from level 8.
int32_t DeclaredBlockSize(const TestContext& ctx);

// The parameters the checks go through: all, up to 512 of a module with more.
int32_t TestedParameters(const PluginInstance& instance);

// Asks for one text in a large buffer full of a canary and checks what the
// module wrote: within `limit` bytes with its zero, zero-terminated, printable.
// The first text longer than `warnBeyond` characters is described in
// `longText`, when it is given and still empty.
std::optional<Fault> CheckText(TestContext& ctx, PluginInstance& instance, int32_t opcode,
                               int32_t index, intptr_t value, size_t limit, const std::string& what,
                               size_t warnBeyond = 0, std::string* longText = nullptr);

// Channels of input and output for one instance.
struct Blocks {
    GuardedChannels in, out;
    Blocks(const PluginInstance& instance, int32_t frames)
        : in(instance.inputs(), frames), out(instance.outputs(), frames) {}
};

enum class Call { Replacing, Accumulating };

// Processes `frames` samples of the signal starting at `offset`: a fault when
// the call broke a guard or gave a bad output sample (not looked for with
// Signal::NotFinite input).
std::optional<Fault> ProcessBlock(TestContext& ctx, PluginInstance& instance, Blocks& blocks,
                                  int32_t frames, Signal signal, int64_t offset, float rate,
                                  Call call = Call::Replacing);

// Renders `seconds` of a signal in blocks, from `offset` on, which it advances;
// stops at the first fault. The output of channel 0 is kept when asked for.
std::optional<Fault> Render(TestContext& ctx, PluginInstance& instance, Signal signal,
                            double seconds, float rate, int32_t block, int64_t& offset,
                            std::vector<float>* kept = nullptr);

// Sets every tested parameter to a random value.
void RandomSettings(TestContext& ctx, PluginInstance& instance);
