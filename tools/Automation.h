// SPDX-License-Identifier: ISC
// Parameter automation for an offline render: a ramp of (time, value) points per
// parameter, from the command line or from a two-column CSV file.
#pragma once

#include <string>
#include <vector>

struct AutomationPoint {
    double time;  // seconds of the input
    double value; // 0 to 1
};

struct Automation {
    std::string parameter;               // name or index, as given
    std::vector<AutomationPoint> points; // times increasing
};

// Host steps: the host sets automated parameters every this many samples.
constexpr int kAutomationStep = 32;

// Parses NAME_OR_INDEX=T:V[,T:V]... or NAME_OR_INDEX=FILE.csv. Throws
// UsageError (exit status 2) for a malformed point, unsorted times, a value
// outside 0 to 1, or a file that cannot be read.
Automation ParseAutomation(const std::string& text);

// The ramp at a time: linear between two points, the first value before the
// first point and the last after the last.
double RampValue(const std::vector<AutomationPoint>& points, double time);
