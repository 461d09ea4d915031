#pragma once
// Calendar values as plain second counts of local wall-clock time. No time
// zone or daylight-saving shift is ever applied: 14:30 local is stored as a
// value whose time of day is 14:30.
#include <cstdint>
#include <string>

namespace storage {

// Seconds since 1970-01-01 00:00:00; -1 means invalid.
using DateTime = int32_t;

// -1 for impossible fields and for dates outside 1970-01-01 00:00:00 ..
// 2038-01-19 03:14:07, the span a signed 32-bit count can hold.
DateTime MakeDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                      int32_t second);

// The local date and time, milliseconds dropped.
DateTime CurrentDateTime();

// Field readers; each gives 0 for a negative value.
int32_t YearOf(DateTime value);
int32_t MonthOf(DateTime value);
int32_t DayOf(DateTime value);
int32_t HourOf(DateTime value);
int32_t MinuteOf(DateTime value);
int32_t SecondOf(DateTime value);
// 0 = Sunday ... 6 = Saturday.
int32_t DayOfWeekOf(DateTime value);

// Replaces %yyyy, %yy, %mm, %dd, %hh, %ii, %ss (letters in any case);
// any other % is copied. A null or empty mask gives "".
std::string FormatDateTime(const char* mask, DateTime value);

}  // namespace storage
