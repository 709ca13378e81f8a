// Day-file lines for tests of the readers of recorded data (export, charts): records in the normalised
// form of the day files, written into a project's data folder.
#pragma once

#include "base/DateTime.h"

#include <cmath>
#include <cstdio>
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

}  // namespace testsupport
