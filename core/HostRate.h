// SPDX-License-Identifier: ISC
// The sample rate a host announces, as the effect takes it.
#pragma once

#include <optional>

// The rate as the float the effect keeps, or nothing for a rate the effect
// refuses: not a number, not above 0, or beyond the largest float (the
// infinities included), where the conversion to float is not defined.
std::optional<float> AcceptedSampleRate(double rate);
