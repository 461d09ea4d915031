#include "storage/date_time.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

using storage::DateTime;
using storage::MakeDateTime;

TEST(DateTime, MakeDateTimeValidity) {
  struct Case {
    int32_t y, mo, d, h, mi, s;
    DateTime expected;  // 1 stands for "some valid value"
  } cases[] = {
      {2007, 2, 29, 0, 0, 0, -1},   {2008, 2, 29, 0, 0, 0, 1},    {2000, 2, 29, 0, 0, 0, 1},
      {2100, 2, 29, 0, 0, 0, -1},   {1900, 2, 29, 0, 0, 0, -1},   {2007, 2, 30, 0, 0, 0, -1},
      {2007, 4, 31, 0, 0, 0, -1},   {2007, 11, 31, 0, 0, 0, -1},  {2007, 12, 31, 0, 0, 0, 1},
      {2007, 13, 1, 0, 0, 0, -1},   {2007, 0, 1, 0, 0, 0, -1},    {2007, 1, 0, 0, 0, 0, -1},
      {2007, 1, 1, 24, 0, 0, -1},   {2007, 1, 1, 0, 60, 0, -1},   {2007, 1, 1, 0, 0, -1, -1},
      {0, 1, 1, 0, 0, 0, -1},       {1969, 12, 31, 23, 59, 59, -1}, {1970, 1, 1, 1, 2, 3, 3723},
      {2038, 1, 19, 3, 14, 7, INT32_MAX}, {2038, 1, 19, 3, 14, 8, -1}, {INT32_MAX, 1, 1, 0, 0, 0, -1},
  };
  for (const auto& c : cases) {
    const DateTime v = MakeDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s);
    EXPECT_EQ(c.expected == 1 ? v >= 0 : v == c.expected, true) << c.y << "-" << c.mo << "-" << c.d
                                                                << " " << c.h << ":" << c.mi << ":" << c.s;
  }
}

TEST(DateTime, DayOfWeek) {
  EXPECT_EQ(storage::DayOfWeekOf(MakeDateTime(1970, 1, 1, 0, 0, 0)), 4);
  EXPECT_EQ(storage::DayOfWeekOf(MakeDateTime(2007, 3, 5, 23, 59, 59)), 1);
  EXPECT_EQ(storage::DayOfWeekOf(-1), 0);
  EXPECT_EQ(storage::YearOf(-1) + storage::MonthOf(-1) + storage::SecondOf(INT32_MIN), 0);
}

TEST(DateTime, Format) {
  const DateTime v = MakeDateTime(2007, 3, 5, 14, 30, 59);
  struct Case {
    const char* mask;
    DateTime value;
    const char* expected;
  } cases[] = {
      {"%dd.%mm.%yy / %hh:%ii", v, "05.03.07 / 14:30"},
      {"%YYYY-%MM", v, "2007-03"},
      {"%Dd%hH%Ii%sS", v, "05143059"},
      {"%yyyy%yyy", v, "200707y"},
      {"100%", v, "100%"},
      {"%%mm %x %m", v, "%03 %x %m"},
      {"%hh:%ii", MakeDateTime(2007, 3, 5, 0, 0, 0), "00:00"},
      {"%hh:%ii", MakeDateTime(2007, 3, 5, 23, 59, 0), "23:59"},
      {"", v, ""},
      {nullptr, v, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(storage::FormatDateTime(c.mask, c.value), c.expected) << (c.mask ? c.mask : "null");
}

// Every day of the range against the C library's UTC calendar, with a time of
// day that varies from day to day so that all fields get exercised.
TEST(DateTime, EveryDayAgreesWithCLibrary) {
  for (int64_t day = 0; day <= INT32_MAX / 86400; ++day) {
    const std::time_t t = static_cast<std::time_t>(day * 86400 + day * 7919 % 86400);
    std::tm tm{};
    ASSERT_NE(gmtime_r(&t, &tm), nullptr);
    const DateTime v = MakeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                    tm.tm_min, tm.tm_sec);
    ASSERT_EQ(v, static_cast<int64_t>(timegm(&tm))) << "day " << day;
    ASSERT_EQ(storage::YearOf(v), tm.tm_year + 1900) << "day " << day;
    ASSERT_EQ(storage::MonthOf(v), tm.tm_mon + 1) << "day " << day;
    ASSERT_EQ(storage::DayOf(v), tm.tm_mday) << "day " << day;
    ASSERT_EQ(storage::HourOf(v) * 3600 + storage::MinuteOf(v) * 60 + storage::SecondOf(v),
              tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) << "day " << day;
    ASSERT_EQ(storage::DayOfWeekOf(v), tm.tm_wday) << "day " << day;
  }
}

}  // namespace
