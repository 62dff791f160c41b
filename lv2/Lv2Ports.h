// SPDX-License-Identifier: ISC
// The LV2 plug-in's ports: the audio input and output, then one control input
// per parameter, in parameter order, named, described and given their symbols
// by the effect's parameter table.
#pragma once

#include "core/ParameterTable.h"

#include <cstdint>

constexpr const char* kLv2Uri = "urn:tapestrum:tapestrum";

constexpr uint32_t kLv2AudioInPort = 0;
constexpr uint32_t kLv2AudioOutPort = 1;
constexpr uint32_t kLv2FirstControlPort = 2;
constexpr uint32_t kLv2PortCount = kLv2FirstControlPort + kParameterCount;
