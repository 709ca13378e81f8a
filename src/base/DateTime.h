// Calendar arithmetic on TDateTime: days since 30 December 1899 as a double, the fraction being the
// time of day in local civil time. 0 stands for "no time".
#pragma once

#include "base/Namespace.h"

#include <cstdint>

namespace dedezuviv::base {

using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;
constexpr int64_t MSecsPerDayInt = 86400000;

struct TDateTimeParts {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second, int millisecond);
int DaysInMonth(int year, int month);

// False (and Result untouched) for an impossible date or time.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
bool TryEncodeDateTime(const TDateTimeParts& parts, TDateTime& result);
// Encoders for values known to be valid; an impossible value gives 0.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond = 0);

// Splits at whole milliseconds (the value is rounded to the nearest millisecond first).
TDateTimeParts DecodeDateTime(TDateTime value);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);

TDateTime DateOf(TDateTime value);   // midnight of the value's day
TDateTime TimeOf(TDateTime value);   // time of day only (day 0)
bool IsMidnight(TDateTime value);    // no time of day at whole-millisecond precision

// The time in whole milliseconds since 30 December 1899 (rounded), the precision at which times are
// compared; clamped to the years 1 to 9999, 0 for a value that is not finite.
int64_t DateTimeToMs(TDateTime value);

// Whole units between two times: the absolute difference in whole milliseconds, truncated.
int64_t MilliSecondsBetween(TDateTime a, TDateTime b);
int64_t SecondsBetween(TDateTime a, TDateTime b);
int64_t MinutesBetween(TDateTime a, TDateTime b);
int64_t HoursBetween(TDateTime a, TDateTime b);
int64_t DaysBetween(TDateTime a, TDateTime b);

// Adds months keeping the time of day; a day beyond the end of the target month becomes its last day
// (31 January + 1 month = 28 or 29 February).
TDateTime IncMonth(TDateTime value, int months = 1);
TDateTime IncDay(TDateTime value, int days = 1);
TDateTime IncSecond(TDateTime value, int64_t seconds = 1);

}  // namespace dedezuviv::base
