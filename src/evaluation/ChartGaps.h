// Where a chart line is broken instead of joining two points: records missing for longer than a few
// sampling intervals, and the local hour that the clock skips when summer time begins. A line drawn
// across either would show values that were never measured (a diagonal over six hours without data, a
// relay half on).
#pragma once

#include "base/DateTime.h"
#include "evaluation/PlotSeries.h"
#include "evaluation/Namespace.h"

#include <cstdint>
#include <vector>

namespace dedezuviv::evaluation {

// A step longer than GapIntervals times the usual step between points (the median, taken from a
// sample of at most GapSampleSteps steps), and at least MinGapSeconds, is a gap.
constexpr double GapIntervals = 5;
constexpr double MinGapSeconds = 60;
constexpr size_t GapSampleSteps = 2001;

// The shortest step in seconds that counts as a gap for the first Count times (which never decrease);
// 0 when there are fewer than two distinct times.
double GapThresholdSeconds(const TTimeColumn& times, size_t count);

// The local stretches the clock skips when summer time begins, between First and Last (local
// civil times): each from the last local time before the change to the first after it, as
// [Start, End) in local time.
struct TSkippedHour {
    TDateTime Start, End;
};
std::vector<TSkippedHour> SkippedLocalHours(TDateTime first, TDateTime last);

// The indices i (ascending, each at least 1) where no line joins point i - 1 to point i: the step is
// a gap, or the two points lie on both sides of a skipped hour.
std::vector<size_t> LineBreaks(const TTimeColumn& times, size_t count);

}  // namespace dedezuviv::evaluation
