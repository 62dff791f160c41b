// SPDX-License-Identifier: ISC
// Who the effect says it is, in every format.
#pragma once

#include <cstdint>

inline constexpr const char* kEffectName = "tapestrum 26-03-2004";
inline constexpr const char* kVendorName = "Vormix";
inline constexpr const char* kProductName = kEffectName;
// The project's version, from the build (CMake's project version).
extern const char* const kVersionText;

// A day of the local calendar.
struct CalendarDate {
    int year;
    int month; // 1 to 12
    int day;   // 1 to 31
};

// Packs a date as a 32-bit date-and-time word with the time of day zero: bits 25
// to 31 the year minus 1980, 21 to 24 the month, 16 to 20 the day. Years outside
// 1980 to 2107 give 0.
int32_t PackDate(const CalendarDate& date);

// Today's date in the local calendar.
CalendarDate LocalCalendarDate();
