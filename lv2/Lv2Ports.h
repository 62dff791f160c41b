// SPDX-License-Identifier: ISC
// The LV2 plug-ins' ports: the audio inputs, then the audio outputs, then one
// control input per parameter, in parameter order, named, described and given
// their symbols by the effect's parameter table. The mono plug-in has one
// audio input and one output (in, out); the stereo one two of each (in_l,
// in_r, out_l, out_r), so its controls start two ports later.
#pragma once

#include "core/ParameterTable.h"

#include <cstdint>

constexpr const char* kLv2Uri = "urn:tapestrum:tapestrum";
constexpr const char* kLv2StereoUri = "urn:tapestrum:tapestrum-stereo";

constexpr uint32_t kLv2AudioInPort = 0;
constexpr uint32_t kLv2AudioOutPort = 1;
constexpr uint32_t kLv2FirstControlPort = 2;
constexpr uint32_t kLv2PortCount = kLv2FirstControlPort + kParameterCount;

// The port numbers of a plug-in with `channels` audio inputs and as many
// outputs.
constexpr uint32_t Lv2AudioInPort(uint32_t channel) { return channel; }
constexpr uint32_t Lv2AudioOutPort(uint32_t channels, uint32_t channel) {
    return channels + channel;
}
constexpr uint32_t Lv2FirstControlPort(uint32_t channels) { return 2 * channels; }
static_assert(Lv2AudioOutPort(1, 0) == kLv2AudioOutPort &&
              Lv2FirstControlPort(1) == kLv2FirstControlPort);
