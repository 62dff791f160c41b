// SPDX-License-Identifier: ISC
// Runs the validator's groups of tests, each in a child process with a time
// limit per test, and reports every result as it arrives.
#pragma once

#include "tools/validate/checks/TestContext.h"

// Prints one line per test and the summary; writes the JSON file when asked.
// Returns the exit status: 0 when nothing failed, 1 otherwise.
int RunValidation(const ValidationOptions& options);
