// The LV2 plug-in's ports: the audio input and output, then one control input
// per host parameter, in parameter order. Names, defaults and value texts come
// from the shell itself; only what LV2 has and the VST 2 interface has not (a
// symbol, and whether a control is a two-way switch) is stated here.
#pragma once

#include "plugin/PluginProgram.h"

#include <cstdint>

constexpr const char* kLv2Uri = "urn:tapestrum:tapestrum";

constexpr uint32_t kLv2AudioInPort = 0;
constexpr uint32_t kLv2AudioOutPort = 1;
constexpr uint32_t kLv2FirstControlPort = 2;
constexpr uint32_t kLv2PortCount = kLv2FirstControlPort + kParameterCount;

struct Lv2ControlPort {
    const char* symbol;
    bool isSwitch; // two states, shown with the texts of values 0 and 1
};

constexpr Lv2ControlPort kLv2ControlPorts[kParameterCount] = {
    {"delay", false},        {"process", true},
    {"out_amp", false},      {"rec_start_freq", false},
    {"rec_end_freq", false}, {"threshold", false},
    {"track_length", false}, {"head_position", false},
    {"rec_amp", false},      {"mix", false},
    {"head_direction", true}};
