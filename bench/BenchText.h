// What the benchmark programs share: the wall clock, and the pieces of records as the controller
// writes them.
#pragma once

#include <chrono>
#include <cmath>
#include <string>

inline double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Two digits, with a leading zero.
inline void AppendTwo(std::string& out, int value)
{
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

// "+055,50": sign, three digits, comma, two decimals.
inline void AppendTemperature(std::string& out, double value)
{
    const long hundredths = std::lround(std::fabs(value) * 100);
    out += value < 0 ? '-' : '+';
    out += static_cast<char>('0' + hundredths / 10000 % 10);
    out += static_cast<char>('0' + hundredths / 1000 % 10);
    out += static_cast<char>('0' + hundredths / 100 % 10);
    out += ',';
    out += static_cast<char>('0' + hundredths / 10 % 10);
    out += static_cast<char>('0' + hundredths % 10);
}

// The end of a record: "/ydd.mm.yy/zhh:mm:ss" (its own time), "/r" with the same as reception time,
// "#" and the line end.
inline void AppendRecordTimes(std::string& out, int day, int month, int year, int secondOfDay)
{
    std::string date, clock;
    AppendTwo(date, day);
    date += '.';
    AppendTwo(date, month);
    date += '.';
    AppendTwo(date, year % 100);
    AppendTwo(clock, secondOfDay / 3600);
    clock += ':';
    AppendTwo(clock, secondOfDay / 60 % 60);
    clock += ':';
    AppendTwo(clock, secondOfDay % 60);
    out += "/y";
    out += date;
    out += "/z";
    out += clock;
    out += "/r";
    out += date;
    out += ' ';
    out += clock;
    out += "#\r\n";
}
