#include "evaluation/ChartGaps.h"

#include "evaluation/Namespace.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace dedezuviv::evaluation {

namespace {

constexpr double SecondsPerDay = 86400;
// TDateTime of the Unix epoch (days since 30.12.1899).
constexpr double UnixEpochDays = 25569;

long UtcOffsetSeconds(time_t at)
{
    std::tm local{};
    localtime_r(&at, &local);
    return local.tm_gmtoff;
}

// A Unix time's wall-clock reading with the given offset, as TDateTime.
TDateTime WallTime(time_t at, long offset)
{
    return UnixEpochDays + static_cast<double>(at + offset) / SecondsPerDay;
}

}  // namespace

double GapThresholdSeconds(const TTimeColumn& times, size_t count)
{
    if (count < 2)
        return 0;
    const size_t steps = count - 1;
    const size_t samples = std::min(steps, GapSampleSteps);
    std::vector<double> sampled;
    sampled.reserve(samples);
    for (size_t k = 0; k < samples; ++k) {
        const size_t i = 1 + (samples == 1 ? 0 : k * (steps - 1) / (samples - 1));
        const double step = (times[i] - times[i - 1]) * SecondsPerDay;
        if (step > 0)
            sampled.push_back(step);
    }
    if (sampled.empty())
        return 0;
    const auto middle = sampled.begin() + static_cast<std::ptrdiff_t>(sampled.size() / 2);
    std::nth_element(sampled.begin(), middle, sampled.end());
    return std::max(GapIntervals * *middle, MinGapSeconds);
}

std::vector<TSkippedHour> SkippedLocalHours(TDateTime first, TDateTime last)
{
    std::vector<TSkippedHour> skipped;
    if (!(first <= last))
        return skipped;
    // Local times lie within a day of UTC; hour by hour the offset is looked at, and where it grows
    // the moment of the change is found to the second.
    constexpr time_t Hour = 3600;
    const time_t from = static_cast<time_t>(std::floor((first - UnixEpochDays - 1) * SecondsPerDay));
    const time_t to = static_cast<time_t>(std::ceil((last - UnixEpochDays + 1) * SecondsPerDay));
    long before = UtcOffsetSeconds(from);
    for (time_t at = from + Hour; at <= to + Hour; at += Hour) {
        const long after = UtcOffsetSeconds(at);
        if (after > before) {
            time_t low = at - Hour, high = at;  // offset(low) == before, offset(high) == after
            while (high - low > 1) {
                const time_t mid = low + (high - low) / 2;
                (UtcOffsetSeconds(mid) == before ? low : high) = mid;
            }
            const TSkippedHour hour{WallTime(high, before), WallTime(high, after)};
            if (hour.End > first && hour.Start <= last)
                skipped.push_back(hour);
        }
        before = after;
    }
    return skipped;
}

std::vector<size_t> LineBreaks(const TTimeColumn& times, size_t count)
{
    std::vector<size_t> breaks;
    if (count < 2)
        return breaks;
    const double threshold = GapThresholdSeconds(times, count) / SecondsPerDay;
    if (threshold > 0) {
        for (size_t i = 1; i < count; ++i)
            if (times[i] - times[i - 1] > threshold)
                breaks.push_back(i);
    }
    // Half a millisecond of tolerance: the stored times are whole milliseconds.
    constexpr double Tolerance = 0.5 / (SecondsPerDay * 1000);
    for (const TSkippedHour& hour : SkippedLocalHours(times[0], times[count - 1])) {
        // The first point at or after the end of the skipped stretch, and the one before it.
        size_t low = 0, high = count;
        while (low < high) {
            const size_t mid = low + (high - low) / 2;
            if (times[mid] < hour.End - Tolerance)
                low = mid + 1;
            else
                high = mid;
        }
        if (low > 0 && low < count && times[low - 1] <= hour.Start + Tolerance)
            breaks.push_back(low);
    }
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    return breaks;
}

}  // namespace dedezuviv::evaluation
