// SPDX-License-Identifier: ISC
// Numbers in text, as the command line and the tool's files give them: one
// parser for every option, parameter value and automation point.
#pragma once

#include <optional>
#include <string>

enum class NumberForm {
    Real,  // what strtod reads (decimal or hexadecimal), finite and in range
    Whole, // what strtoll reads in base 10, in range
};

// The number the whole text spells, or nothing: for empty text, anything left
// over after the number, NaN, infinities, and values out of range.
std::optional<double> ParseNumber(const std::string& text, NumberForm form = NumberForm::Real);

// The value of the command-line option --NAME: a number from low to high.
// Throws UsageError "--NAME takes a [whole] number from LOW to HIGH, not 'TEXT'".
double NumberOption(const std::string& name, const std::string& text, double low, double high,
                    NumberForm form = NumberForm::Real);
