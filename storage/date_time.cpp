#include "storage/date_time.h"

#include <cstdio>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

namespace storage {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

bool IsLeapYear(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days from 1970-01-01 to the given proleptic Gregorian date. Counting in
// 400-year eras keeps it exact for every year an int32_t can hold.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
  int32_t year = 0, month = 0, day = 0;
};

// Only called for non-negative day counts, so no negative-era handling.
CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = days / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  CivilDate date;
  date.day = static_cast<int32_t>(dayOfYear - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
  date.year = static_cast<int32_t>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
  return date;
}

CivilDate DateOf(DateTime value) {
  if (value < 0) return CivilDate();
  return CivilFromDays(value / kSecondsPerDay);
}

void AppendTwoDigits(std::string& out, int32_t number) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", static_cast<int>(number));
  out += buffer;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Does `token` (lower case) follow at `text`? Stops at the terminating zero.
bool TokenAt(const char* text, const char* token) {
  for (; *token; ++text, ++token)
    if (*text == '\0' || AsciiLower(*text) != *token) return false;
  return true;
}

}  // namespace

DateTime MakeDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                      int32_t second) {
  if (day == 31 && (month == 4 || month == 6 || month == 9 || month == 11)) return -1;
  if (month == 2 && day > 29) return -1;
  if (month == 2 && day == 29 && !IsLeapYear(year)) return -1;
  if (second < 0 || second > 59 || minute < 0 || minute > 59 || hour < 0 || hour > 23 || day < 1 ||
      day > 31)
    return -1;
  if (month < 1 || month > 12 || year <= 0) return -1;

  // Valid dates that a 32-bit count cannot hold (before 1970, after
  // 2038-01-19 03:14:07) are refused as invalid rather than wrapped, so that
  // no caller ever sees a value that names another date.
  const int64_t seconds = DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600LL +
                          minute * 60LL + second;
  if (seconds < 0 || seconds > std::numeric_limits<DateTime>::max()) return -1;
  return static_cast<DateTime>(seconds);
}

DateTime CurrentDateTime() {
#ifdef _WIN32
  SYSTEMTIME now;
  GetLocalTime(&now);
  return MakeDateTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
#else
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return -1;
  // A leap second (tm_sec 60) would make the whole value invalid; show :59.
  const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
  return MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, second);
#endif
}

int32_t YearOf(DateTime value) { return DateOf(value).year; }
int32_t MonthOf(DateTime value) { return DateOf(value).month; }
int32_t DayOf(DateTime value) { return DateOf(value).day; }
int32_t HourOf(DateTime value) {
  return value < 0 ? 0 : static_cast<int32_t>(value % kSecondsPerDay / 3600);
}
int32_t MinuteOf(DateTime value) { return value < 0 ? 0 : value % 3600 / 60; }
int32_t SecondOf(DateTime value) { return value < 0 ? 0 : value % 60; }

int32_t DayOfWeekOf(DateTime value) {
  if (value < 0) return 0;
  // Day 0 was a Thursday.
  return static_cast<int32_t>((value / kSecondsPerDay + 4) % 7);
}

std::string FormatDateTime(const char* mask, DateTime value) {
  std::string out;
  if (mask == nullptr) return out;
  for (const char* p = mask; *p;) {
    if (*p != '%') {
      out += *p++;
      continue;
    }
    const char* after = p + 1;
    // Longest year token first, so that "%yyyy" is never read as "%yy" + "yy".
    if (TokenAt(after, "yyyy")) {
      out += std::to_string(YearOf(value));
      p = after + 4;
    } else if (TokenAt(after, "yy")) {
      AppendTwoDigits(out, YearOf(value) % 100);
      p = after + 2;
    } else if (TokenAt(after, "mm")) {
      AppendTwoDigits(out, MonthOf(value));
      p = after + 2;
    } else if (TokenAt(after, "dd")) {
      AppendTwoDigits(out, DayOf(value));
      p = after + 2;
    } else if (TokenAt(after, "hh")) {
      AppendTwoDigits(out, HourOf(value));
      p = after + 2;
    } else if (TokenAt(after, "ii")) {
      AppendTwoDigits(out, MinuteOf(value));
      p = after + 2;
    } else if (TokenAt(after, "ss")) {
      AppendTwoDigits(out, SecondOf(value));
      p = after + 2;
    } else {
      out += '%';
      p = after;
    }
  }
  return out;
}

}  // namespace storage
