// SPDX-License-Identifier: ISC
// Whether a host's parameter index or identifier names one of the effect's
// parameters, for any integer type a format uses (signed indexes, unsigned
// identifiers).
#pragma once

#include "core/ParameterTable.h"

#include <concepts>
#include <optional>
#include <utility>

template <std::integral Index> constexpr bool IsParameterIndex(Index index) {
    return std::cmp_greater_equal(index, 0) && std::cmp_less(index, kParameterCount);
}

// The row that answers a host's index where an index above the last is taken as
// the last (as the VST 2 interface's texts and read-back do); nothing for a
// negative index, which each answer treats in its own way.
constexpr std::optional<int32_t> ShownParameterIndex(int32_t index) {
    if (index < 0) return std::nullopt;
    return index > kLastParameter ? kLastParameter : index;
}
