// SPDX-License-Identifier: ISC
// What a test of the validator has at hand: the options, the module (loaded on
// first use, hosted by the strict host), a random source, and the note of the
// call in progress, which the validator reports when the module crashes or
// hangs in it.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

class PluginModule;

struct ValidationOptions {
    std::string pluginPath;
    int level = 5;            // 1 to 10
    uint32_t seed = 1;        // for the random values, lengths and settings
    std::vector<float> rates; // empty: the level's own list
    std::string jsonPath;
};

class TestContext {
  public:
    // The note of the call in progress goes into `callSlot`, memory the
    // validator's parent process shares.
    TestContext(const ValidationOptions& options, char* callSlot, size_t slotSize);
    ~TestContext();
    TestContext(const TestContext&) = delete;
    TestContext& operator=(const TestContext&) = delete;

    const ValidationOptions& options;
    std::mt19937 random;
    // Throws ToolError when the module cannot be loaded.
    const PluginModule& module();
    // Notes the call about to be made, as the report names it.
    void call(const std::string& description);

  private:
    std::unique_ptr<PluginModule> loaded;
    char* slot;
    size_t slotSize;
};
