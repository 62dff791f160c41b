// SPDX-License-Identifier: ISC
// The validator's tests, in groups. Each group runs in a process of its own, so
// that a module that crashes or hangs fails the test it did it in and the
// validator goes on with the next group.
#pragma once

#include "tools/validate/checks/Outcome.h"
#include "tools/validate/checks/TestContext.h"

#include <vector>

struct TestCase {
    const char* name;
    Outcome (*run)(TestContext&);
    // When it fails, no later group is worth running (the module cannot even
    // be loaded).
    bool required = false;
};

struct TestGroup {
    const char* name;
    int level; // the lowest level that runs it
    std::vector<TestCase> tests;
};

// Each group, from the file of its checks.
TestGroup LoadChecks();
TestGroup TextChecks();
TestGroup ParameterChecks();
TestGroup AudioChecks();
TestGroup DeterminismChecks();
TestGroup AutomationChecks();
TestGroup RealtimeChecks();
TestGroup EventChecks();

// Every group, in the order they run.
const std::vector<TestGroup>& TestGroups();
