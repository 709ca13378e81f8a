#include "base/DateTime.h"
#include "base/Namespace.h"

#include <chrono>
#include <cmath>
#include <cstdlib>

namespace dedezuviv::base {

namespace {

using namespace std::chrono;

// Day number of 30 December 1899 counted from the Unix epoch.
constexpr int64_t EpochOffsetDays = -25569;

}  // namespace

int64_t DateTimeToMs(TDateTime value)
{
    if (!std::isfinite(value))
        return 0;
    // Clamp to the range of years 1 to 9999 so that arithmetic never overflows.
    if (value > 2958465.0)
        value = 2958465.0;
    if (value < -693593.0)
        value = -693593.0;
    return static_cast<int64_t>(std::llround(value * MSecsPerDay));
}

int DaysInMonth(int year, int month)
{
    if (month < 1 || month > 12)
        return 0;
    return static_cast<int>(static_cast<unsigned>(
        year_month_day_last(std::chrono::year(year), month_day_last(std::chrono::month(month))).day()));
}

bool IsValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int millisecond)
{
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 && millisecond >= 0 &&
           millisecond < 1000;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (!IsValidDate(year, month, day))
        return false;
    const sys_days days{year_month_day{std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)}};
    result = static_cast<double>(days.time_since_epoch().count() - EpochOffsetDays);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result)
{
    if (!IsValidTime(hour, minute, second, millisecond))
        return false;
    const int64_t ms = ((hour * 60LL + minute) * 60LL + second) * 1000LL + millisecond;
    result = static_cast<double>(ms) / MSecsPerDay;
    return true;
}

bool TryEncodeDateTime(const TDateTimeParts& p, TDateTime& result)
{
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(p.Year, p.Month, p.Day, date) || !TryEncodeTime(p.Hour, p.Minute, p.Second, p.Millisecond, time))
        return false;
    result = date >= 0 ? date + time : date - time;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime result = 0;
    TryEncodeDate(year, month, day, result);
    return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    TDateTime result = 0;
    TryEncodeTime(hour, minute, second, millisecond, result);
    return result;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond)
{
    TDateTime result = 0;
    TryEncodeDateTime({year, month, day, hour, minute, second, millisecond}, result);
    return result;
}

TDateTimeParts DecodeDateTime(TDateTime value)
{
    const int64_t ms = DateTimeToMs(value);
    // The day is the whole part (towards zero), the time of day the absolute fraction.
    const int64_t dayNumber = ms / MSecsPerDayInt;
    const int64_t timeMs = std::llabs(ms % MSecsPerDayInt);
    const year_month_day ymd{sys_days{days{dayNumber + EpochOffsetDays}}};
    TDateTimeParts parts;
    parts.Year = static_cast<int>(ymd.year());
    parts.Month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    parts.Day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    parts.Hour = static_cast<int>(timeMs / 3600000);
    parts.Minute = static_cast<int>(timeMs / 60000 % 60);
    parts.Second = static_cast<int>(timeMs / 1000 % 60);
    parts.Millisecond = static_cast<int>(timeMs % 1000);
    return parts;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    const TDateTimeParts p = DecodeDateTime(value);
    year = p.Year;
    month = p.Month;
    day = p.Day;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond)
{
    const TDateTimeParts p = DecodeDateTime(value);
    hour = p.Hour;
    minute = p.Minute;
    second = p.Second;
    millisecond = p.Millisecond;
}

TDateTime DateOf(TDateTime value)
{
    return static_cast<double>(DateTimeToMs(value) / MSecsPerDayInt);
}

TDateTime TimeOf(TDateTime value)
{
    return static_cast<double>(std::llabs(DateTimeToMs(value) % MSecsPerDayInt)) / MSecsPerDay;
}

bool IsMidnight(TDateTime value)
{
    return DateTimeToMs(value) % MSecsPerDayInt == 0;
}

int64_t MilliSecondsBetween(TDateTime a, TDateTime b)
{
    return std::llabs(DateTimeToMs(a) - DateTimeToMs(b));
}

int64_t SecondsBetween(TDateTime a, TDateTime b) { return MilliSecondsBetween(a, b) / 1000; }
int64_t MinutesBetween(TDateTime a, TDateTime b) { return MilliSecondsBetween(a, b) / 60000; }
int64_t HoursBetween(TDateTime a, TDateTime b) { return MilliSecondsBetween(a, b) / 3600000; }
int64_t DaysBetween(TDateTime a, TDateTime b) { return MilliSecondsBetween(a, b) / MSecsPerDayInt; }

TDateTime IncMonth(TDateTime value, int months)
{
    TDateTimeParts p = DecodeDateTime(value);
    int64_t monthIndex = static_cast<int64_t>(p.Year) * 12 + (p.Month - 1) + months;
    if (monthIndex < 12)
        monthIndex = 12;
    if (monthIndex > 9999LL * 12 + 11)
        monthIndex = 9999LL * 12 + 11;
    p.Year = static_cast<int>(monthIndex / 12);
    p.Month = static_cast<int>(monthIndex % 12) + 1;
    const int last = DaysInMonth(p.Year, p.Month);
    if (p.Day > last)
        p.Day = last;
    TDateTime result = 0;
    TryEncodeDateTime(p, result);
    return result;
}

TDateTime IncDay(TDateTime value, int days) { return value + days; }

TDateTime IncSecond(TDateTime value, int64_t seconds)
{
    return static_cast<double>(DateTimeToMs(value) + seconds * 1000) / MSecsPerDay;
}

}  // namespace dedezuviv::base
