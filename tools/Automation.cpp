// SPDX-License-Identifier: ISC
#include "tools/Automation.h"

#include "tools/ToolError.h"
#include "tools/cli/Numbers.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

// One line for the user, naming the automated parameter.
[[noreturn]] void Fail(const std::string& parameter, const std::string& what) {
    std::string message = "--automate ";
    message.append(parameter).append(": ").append(what);
    throw UsageError(message);
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ParseReal(const std::string& text, double& value) {
    const std::optional<double> number = ParseNumber(Trimmed(text));
    if (number) value = *number;
    return number.has_value();
}

// Adds one point, checking it against the ramp so far. `where` names the point
// in messages.
void AddPoint(Automation& automation, const std::string& timeText, const std::string& valueText,
              const std::string& where) {
    AutomationPoint point{};
    if (!ParseReal(timeText, point.time) || !ParseReal(valueText, point.value))
        Fail(automation.parameter, "malformed point " + where);
    if (point.time < 0) Fail(automation.parameter, "the time of " + where + " is negative");
    if (point.value < 0 || point.value > 1)
        Fail(automation.parameter, "the value of " + where + " must lie between 0 and 1");
    if (!automation.points.empty() && point.time <= automation.points.back().time)
        Fail(automation.parameter, "the times are not increasing at " + where);
    automation.points.push_back(point);
}

bool IsFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// A file of points longer than this (or an endless stream such as a device) is
// refused: by its size before it is read, or else once it has given more.
constexpr uintmax_t kMaxPointFileBytes = uintmax_t{64} << 20;

std::string ReadPointFile(const Automation& automation, const std::string& path) {
    const std::string tooLarge = "'" + path + "' is larger than a file of points may be (64 MiB)";
    std::error_code noSize;
    if (std::filesystem::file_size(path, noSize) > kMaxPointFileBytes && !noSize)
        Fail(automation.parameter, tooLarge);
    std::ifstream file(path);
    if (!file) Fail(automation.parameter, "cannot read '" + path + "'");
    std::string text;
    char block[1 << 16];
    while (file.read(block, sizeof block) || file.gcount() > 0) {
        const auto count = static_cast<size_t>(file.gcount());
        if (text.size() + count > kMaxPointFileBytes) Fail(automation.parameter, tooLarge);
        text.append(block, count);
    }
    return text;
}

// time,value lines; the first line may be a header, blank lines are skipped.
void ReadPoints(Automation& automation, const std::string& path) {
    std::istringstream file(ReadPointFile(automation, path));
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (Trimmed(line).empty()) continue;
        const size_t comma = line.find(',');
        std::string where = "'";
        where.append(Trimmed(line)).append("' (").append(path).append(" line ");
        where.append(std::to_string(number)).append(")");
        double ignored;
        if (number == 1 &&
            (comma == std::string::npos || !ParseReal(line.substr(0, comma), ignored)))
            continue; // a header
        if (comma == std::string::npos || line.find(',', comma + 1) != std::string::npos)
            Fail(automation.parameter, "malformed point " + where);
        AddPoint(automation, line.substr(0, comma), line.substr(comma + 1), where);
    }
}

} // namespace

Automation ParseAutomation(const std::string& text) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size())
        throw UsageError("--automate takes NAME_OR_INDEX=T:V[,T:V]... or NAME_OR_INDEX=FILE.csv, "
                         "not '" +
                         text + "'");
    Automation automation;
    automation.parameter = text.substr(0, equals);
    const std::string points = text.substr(equals + 1);
    if (points.find(':') == std::string::npos || IsFile(points)) {
        ReadPoints(automation, points);
    } else {
        for (size_t start = 0; start <= points.size();) {
            size_t end = points.find(',', start);
            if (end == std::string::npos) end = points.size();
            const std::string point = points.substr(start, end - start);
            const size_t colon = point.find(':');
            if (colon == std::string::npos)
                Fail(automation.parameter, "malformed point '" + point + "'");
            AddPoint(automation, point.substr(0, colon), point.substr(colon + 1),
                     "'" + point + "'");
            start = end + 1;
        }
    }
    if (automation.points.empty()) Fail(automation.parameter, "no points");
    return automation;
}

double RampValue(const std::vector<AutomationPoint>& points, double time) {
    if (time <= points.front().time) return points.front().value;
    if (time >= points.back().time) return points.back().value;
    const auto next =
        std::upper_bound(points.begin(), points.end(), time,
                         [](double t, const AutomationPoint& point) { return t < point.time; });
    const AutomationPoint& a = *(next - 1);
    const AutomationPoint& b = *next;
    return a.value + (b.value - a.value) * (time - a.time) / (b.time - a.time);
}
