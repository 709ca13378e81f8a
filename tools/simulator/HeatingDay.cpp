#include "HeatingDay.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

bool Between(double hour, double from, double to) { return hour >= from && hour < to; }

}  // namespace

double OutdoorAt(double hour, double mean, double swing)
{
    // A cosine with its peak at 15:00, flattened a little towards the night's low.
    const double phase = 2 * Pi * (hour - 15.0) / 24.0;
    return mean + swing * (0.85 * std::cos(phase) + 0.15 * std::cos(2 * phase));
}

double HeatingCurveFlow(double outdoor)
{
    if (outdoor >= HeatingLimitOutdoor)
        return 0;
    return std::clamp(20.0 + 1.4 * (20.0 - outdoor) - 0.004 * (20.0 - outdoor) * (20.0 - outdoor), 30.0, 75.0);
}

bool IsHotWaterChargeTime(double hour) { return Between(hour, 5.5, 6.25) || Between(hour, 17.0, 17.75); }

double HotWaterDrawRate(double hour)
{
    if (Between(hour, 6.25, 7.5))
        return 0.002;  // showers
    if (Between(hour, 12.0, 13.0))
        return 0.0008;
    if (Between(hour, 18.5, 21.0))
        return 0.001;
    return 0.0;
}
