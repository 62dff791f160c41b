// SPDX-License-Identifier: ISC
// Whether a host's parameter index or identifier names one of the effect's
// parameters, for any integer type a format uses (signed indexes, unsigned
// identifiers).
#pragma once

#include "core/ParameterTable.h"

#include <concepts>
#include <utility>

template <std::integral Index> constexpr bool IsParameterIndex(Index index) {
    return std::cmp_greater_equal(index, 0) && std::cmp_less(index, kParameterCount);
}
