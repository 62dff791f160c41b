// SPDX-License-Identifier: ISC
#include "core/EffectIdentity.h"

#include <ctime>

const char* const kVersionText = TAPESTRUM_VERSION;

int32_t PackDate(const CalendarDate& date) {
    if (date.year < 1980 || date.year > 2107) return 0;
    const uint32_t word = (static_cast<uint32_t>(date.year - 1980) << 25) |
                          (static_cast<uint32_t>(date.month) << 21) |
                          (static_cast<uint32_t>(date.day) << 16);
    return static_cast<int32_t>(word);
}

CalendarDate LocalCalendarDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}
