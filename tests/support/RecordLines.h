// Day-file lines for tests of the readers of recorded data (export, charts): records in the normalised
// form of the day files, written into a project's data folder.
#pragma once

#include "base/DateTime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

using namespace dedezuviv::base;

namespace testsupport {

// "+055,50": sign, three digits, comma, two decimals (the controller's temperature form).
inline std::string TemperatureText(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%c%06.2f", value < 0 ? '-' : '+', std::fabs(value));
    std::string text = buffer;
    for (char& c : text)
        if (c == '.')
            c = ',';
    return text;
}

inline std::string TwoDigitText(int value)
{
    return std::string{static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

// "=MD/p100013/v0102/t.../y dd.mm.yy/z hh:nn:ss/r dd.mm.yy hh:nn:ss#" for a record with the given
// time (controller time and reception time alike) and temperatures; Extra is inserted before the
// date field (e.g. "/n12,5/d0,75/i0101/xFF/").
inline std::string RecordLine(TDateTime time, const std::vector<double>& temperatures, const std::string& extra = "")
{
    const TDateTimeParts p = DecodeDateTime(time);
    std::string line = "=MD/p100013/v0102";
    for (double t : temperatures)
        line += "/t" + TemperatureText(t);
    line += extra;
    const std::string date = TwoDigitText(p.Day) + "." + TwoDigitText(p.Month) + "." + TwoDigitText(p.Year % 100);
    const std::string clock = TwoDigitText(p.Hour) + ":" + TwoDigitText(p.Minute) + ":" + TwoDigitText(p.Second);
    line += "/y" + date + "/z" + clock + "/r" + date + " " + clock + "#";
    return line;
}

// The local times (after TZ) of Count instants Step seconds apart, the first UtcFirst seconds after
// 1 January 1970 UTC: the wall clock a controller shows, which runs an hour twice when summer time ends.
inline std::vector<TDateTime> LocalTimesEvery(int64_t utcFirst, int count, int stepSeconds)
{
    std::vector<TDateTime> times;
    for (int i = 0; i < count; ++i) {
        const std::time_t instant = static_cast<std::time_t>(utcFirst + int64_t{i} * stepSeconds);
        std::tm local{};
        localtime_r(&instant, &local);
        times.push_back(EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                       local.tm_min, local.tm_sec));
    }
    return times;
}

// 25 October 2026, 01:30 summer time (23:30 UTC the day before): 90 minutes before the clocks of
// Central Europe go back from 03:00 to 02:00.
inline constexpr int64_t AutumnChange2026Minus90Minutes = 1792884600;

}  // namespace testsupport
