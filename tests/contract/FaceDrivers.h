// SPDX-License-Identifier: ISC
// The drivers of the five faces, each made from the face's entry point: the
// tests pass what they find in the built binaries, the fuzz target the entry
// points linked in. The makers give null when the entry point makes nothing.
// With channels 2 they drive the face's stereo plug-in (the LV2 maker is given
// the stereo plug-in's descriptor).
#pragma once

#include "contract/FaceDriver.h"
#include "vst2/record/EffectRecord.h"

#include <algorithm>
#include <memory>

namespace vst3 {
class IPluginFactory;
}
namespace clap {
struct PluginFactory;
}
struct LV2_Descriptor;

// The longest block the drivers tell a face to expect.
constexpr int32_t kMaxDriverBlock = 4096;

using Vst2Entry = AEffect*(VSTCALL*)(audioMasterCallback);

std::unique_ptr<FaceDriver> MakeVst2Driver(Vst2Entry entry);
std::unique_ptr<FaceDriver> MakeVst3Driver(vst3::IPluginFactory* factory, int32_t channels = 1);
std::unique_ptr<FaceDriver> MakeClapDriver(const clap::PluginFactory* factory,
                                           int32_t channels = 1);
std::unique_ptr<FaceDriver> MakeLv2Driver(const LV2_Descriptor* descriptor, int32_t channels = 1);
std::unique_ptr<FaceDriver> MakeCDriver(int32_t channels = 1);

// A rate given as a double, as a float: beyond the float range, an infinity.
float RateAsFloat(double rate);

// Runs `render(from, to)` over the stretches between the changes' offsets
// (held within the block) and `apply(change)` at each offset: the block cut at
// every change, as a host of a face without sample offsets plays it.
template <class Render, class Apply>
void SplitAtChanges(int32_t frames, std::span<const ParameterChange> changes, const Render& render,
                    const Apply& apply) {
    int32_t done = 0;
    for (const ParameterChange& change : changes) {
        const int32_t at = std::clamp(change.offset, done, frames);
        if (at > done) render(done, at);
        done = at;
        apply(change);
    }
    if (frames > done) render(done, frames);
}
