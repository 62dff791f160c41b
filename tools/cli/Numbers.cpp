// SPDX-License-Identifier: ISC
#include "tools/cli/Numbers.h"

#include "tools/ToolError.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

std::optional<double> ParseNumber(const std::string& text, NumberForm form) {
    if (text.empty()) return std::nullopt;
    const char* const begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = form == NumberForm::Whole
                             ? static_cast<double>(std::strtoll(begin, &end, 10))
                             : std::strtod(begin, &end);
    // A zero byte inside the text ends what the C library reads, not the text.
    if (end != begin + text.size() || errno != 0 || !std::isfinite(value)) return std::nullopt;
    return value;
}

double NumberOption(const std::string& name, const std::string& text, double low, double high,
                    NumberForm form) {
    const std::optional<double> value = ParseNumber(text, form);
    if (!value || *value < low || *value > high)
        throw UsageError("--" + name + " takes a " +
                         (form == NumberForm::Whole ? "whole number" : "number") + " from " +
                         std::to_string(static_cast<long long>(low)) + " to " +
                         std::to_string(static_cast<long long>(high)) + ", not '" + text + "'");
    return *value;
}
