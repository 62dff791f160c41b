// SPDX-License-Identifier: ISC
// Parameter automation as given to the offline host: the first byte chooses
// between a command-line list (NAME=T:V,T:V,...) and a CSV file of time,value
// lines, which the rest of the input is then written into. Malformed input is
// refused with UsageError; a ramp that parses has increasing times, values
// from 0 to 1, and gives a value from 0 to 1 at every time.
#include "tools/Automation.h"
#include "tools/ToolError.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One file per process, rewritten for every input.
const std::string& CsvPath() {
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder && *folder ? folder : "/tmp") + "/tapestrum-fuzz-" +
               std::to_string(getpid()) + ".csv";
    }();
    return path;
}

void RemoveCsv() { std::remove(CsvPath().c_str()); }

void CheckRamp(const Automation& automation) {
    const auto& points = automation.points;
    if (points.empty()) std::abort();
    for (size_t i = 0; i < points.size(); ++i) {
        if (!(points[i].value >= 0 && points[i].value <= 1) || !(points[i].time >= 0)) std::abort();
        if (i > 0 && !(points[i].time > points[i - 1].time)) std::abort();
    }
    // Before, at, between and after the points.
    for (size_t i = 0; i < points.size(); ++i) {
        const double times[] = {points[i].time, points[i].time * 0.5,
                                i + 1 < points.size()
                                    ? points[i].time + (points[i + 1].time - points[i].time) / 3
                                    : points[i].time * 2 + 1};
        for (const double time : times) {
            const double value = RampValue(points, time);
            if (!(value >= 0 && value <= 1)) std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool csv = data[0] & 1;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string text;
    if (csv) {
        static const bool cleanup = std::atexit(RemoveCsv) == 0;
        (void)cleanup;
        FILE* file = std::fopen(CsvPath().c_str(), "wb");
        if (!file) std::abort();
        if (std::fwrite(rest.data(), 1, rest.size(), file) != rest.size()) std::abort();
        std::fclose(file);
        text = "mix=" + CsvPath();
    } else {
        // A list without a colon names a file: only lists are fuzzed here, never
        // paths of this machine.
        const size_t equals = rest.find('=');
        if (equals != std::string::npos && rest.find(':', equals) == std::string::npos) return 0;
        text = rest;
    }
    try {
        CheckRamp(ParseAutomation(text));
    } catch (const UsageError&) {
    }
    return 0;
}
