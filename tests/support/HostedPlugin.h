// SPDX-License-Identifier: ISC
// A test fixture that drives the built module as a host does: load it, call its
// entry point, and talk to the instance only through the record.
#pragma once

#include "support/LoadedModule.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

class HostedPlugin : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // effSetSampleRate, effSetBlockSize, then effMainsChanged(1).
    void start(float rate = 44100.0f, int32_t blockSize = 512);
    void set(int32_t index, float value) { effect->setParameter(effect, index, value); }
    float get(int32_t index) { return effect->getParameter(effect, index); }
    // A text operation into a 64-byte buffer filled with a marker first.
    std::string text(int32_t opcode, int32_t index = 0);
    std::string display(int32_t index) { return text(effGetParamDisplay, index); }
    // processReplacing over the whole signal in one call.
    std::vector<float> run(std::vector<float> input);

    LoadedModule module;
    RecordingHost host;
    AEffect* effect = nullptr;
};
