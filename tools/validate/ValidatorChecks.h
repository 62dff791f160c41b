// The validator's tests, in groups. Each group runs in a process of its own, so
// that a module that crashes or hangs fails the test it did it in and the
// validator goes on with the next group.
#pragma once

#include <cstdint>
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

enum class Verdict { Pass, Warn, Fail };

struct Outcome {
    Verdict verdict = Verdict::Pass;
    std::string message; // why (for a warning or a failure), or a figure worth reporting
};

// What a test has at hand: the options, the module (loaded on first use), a
// random source, and the note of the call in progress, which the validator
// reports when the module crashes or hangs in it.
class TestContext {
  public:
    TestContext(const ValidationOptions& options, char* callSlot, size_t slotSize);
    ~TestContext();
    const ValidationOptions& options;
    std::mt19937 random;
    // Throws ToolError when the module cannot be loaded.
    const PluginModule& module();
    void call(const std::string& description);

  private:
    PluginModule* loaded = nullptr;
    char* slot;
    size_t slotSize;
};

struct TestCase {
    const char* name;
    Outcome (*run)(TestContext&);
};

struct TestGroup {
    const char* name;
    int level; // the lowest level that runs it
    std::vector<TestCase> tests;
};

const std::vector<TestGroup>& TestGroups();
