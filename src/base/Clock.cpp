#include "base/Clock.h"
#include "base/Namespace.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace dedezuviv::base {

namespace {

std::mutex& OverrideLock()
{
    static std::mutex lock;
    return lock;
}

std::function<TDateTime()>& Override()
{
    static std::function<TDateTime()> clock;
    return clock;
}

}  // namespace

TDateTime UnixMsToDateTime(int64_t unixMs)
{
    const time_t seconds = static_cast<time_t>(unixMs / 1000);
    const int ms = static_cast<int>(unixMs % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec > 59 ? 59 : local.tm_sec, ms);
}

std::tm LocalTimeParts(TDateTime value)
{
    const TDateTimeParts parts = DecodeDateTime(value);
    std::tm local{};
    local.tm_year = parts.Year - 1900;
    local.tm_mon = parts.Month - 1;
    local.tm_mday = parts.Day;
    local.tm_hour = parts.Hour;
    local.tm_min = parts.Minute;
    local.tm_sec = parts.Second;
    local.tm_isdst = -1;
    return local;
}

std::string LocalTimeToIso8601(TDateTime value)
{
    const TDateTimeParts parts = DecodeDateTime(value);
    // The system's calendar decides whether summer time applies.
    std::tm local = LocalTimeParts(value);
    long offsetSeconds = 0;
    if (mktime(&local) != static_cast<time_t>(-1))
        offsetSeconds = local.tm_gmtoff;
    const char sign = offsetSeconds < 0 ? '-' : '+';
    const long offsetMinutes = (offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60;
    char text[40];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", parts.Year, parts.Month,
                  parts.Day, parts.Hour, parts.Minute, parts.Second, sign, offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

TDateTime SystemNow()
{
    using namespace std::chrono;
    return UnixMsToDateTime(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

TDateTime Now()
{
    std::function<TDateTime()> clock;
    {
        std::lock_guard<std::mutex> guard(OverrideLock());
        clock = Override();
    }
    return clock ? clock() : SystemNow();
}

void SetClockOverride(std::function<TDateTime()> clock)
{
    std::lock_guard<std::mutex> guard(OverrideLock());
    Override() = std::move(clock);
}

uint64_t GetTickCount()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace dedezuviv::base
