// Where chart lines break: steps of a few sampling intervals join, longer ones and the hour skipped
// when summer time begins do not.
#include "base/DateTime.h"
#include "evaluation/ChartGaps.h"
#include "evaluation/ChartRules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

using namespace dedezuviv::base;
using namespace dedezuviv::evaluation;

namespace {

// Runs a test body in a time zone, restoring the previous one.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            Saved = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (Saved)
            setenv("TZ", Saved->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> Saved;
};

TTimeColumn Times(TDateTime start, const std::vector<double>& secondsFromStart)
{
    TTimeColumn times;
    for (double s : secondsFromStart)
        times.PushBack(start + s / 86400);
    return times;
}

std::vector<double> Regular(double from, double step, int count)
{
    std::vector<double> result;
    for (int i = 0; i < count; ++i)
        result.push_back(from + i * step);
    return result;
}

TEST(ChartGapsTest, StepsLongerThanFiveUsualStepsAndAMinuteBreakTheLine)
{
    TimeZone utc("UTC");
    const TDateTime start = EncodeDateTime(2026, 1, 10, 8, 0, 0);
    struct Case {
        const char* What;
        std::vector<double> Seconds;
        std::vector<size_t> Breaks;
    };
    std::vector<Case> cases;
    // Every 10 s, then six hours without records, then every 10 s again.
    std::vector<double> sixHours = Regular(0, 10, 50);
    for (double s : Regular(50 * 10 + 6 * 3600, 10, 50))
        sixHours.push_back(s);
    cases.push_back({"six hours missing", sixHours, {50}});
    // Jitter and a few lost records stay joined: 40 s is below a minute.
    cases.push_back({"jitter", {0, 10, 21, 30, 70, 80, 91}, {}});
    // Hourly points (a year's chart): five hours join, six do not.
    cases.push_back({"hourly", {0, 3600, 7200, 10800, 10800 + 5 * 3600, 10800 + 11 * 3600}, {5}});
    cases.push_back({"one point", {0}, {}});
    cases.push_back({"equal times", {0, 0, 0}, {}});
    for (const Case& c : cases) {
        const TTimeColumn times = Times(start, c.Seconds);
        EXPECT_EQ(LineBreaks(times, times.Size()), c.Breaks) << c.What;
    }
}

TEST(ChartGapsTest, TheHourSkippedInSpringBreaksEvenACoarseLine)
{
    TimeZone berlin("Europe/Berlin");
    // 29.03.2026: 02:00 becomes 03:00.
    const std::vector<TSkippedHour> skipped =
        SkippedLocalHours(EncodeDateTime(2026, 3, 28, 0, 0, 0), EncodeDateTime(2026, 3, 30, 0, 0, 0));
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(DateTimeToMs(skipped[0].Start), DateTimeToMs(EncodeDateTime(2026, 3, 29, 2, 0, 0)));
    EXPECT_EQ(DateTimeToMs(skipped[0].End), DateTimeToMs(EncodeDateTime(2026, 3, 29, 3, 0, 0)));
    // The autumn change repeats an hour and skips none.
    EXPECT_TRUE(SkippedLocalHours(EncodeDateTime(2026, 10, 24, 0, 0, 0), EncodeDateTime(2026, 10, 27, 0, 0, 0)).empty());

    // Points every 30 minutes: 01:30 and 03:00 are 30 minutes apart on the clock.
    const TTimeColumn times = Times(EncodeDateTime(2026, 3, 29, 0, 0, 0), {0, 1800, 3600, 5400, 10800, 12600, 14400});
    EXPECT_EQ(LineBreaks(times, times.Size()), std::vector<size_t>{4});
    // The same points in winter join.
    const TTimeColumn winter = Times(EncodeDateTime(2026, 1, 11, 0, 0, 0), {0, 1800, 3600, 5400, 10800, 12600, 14400});
    EXPECT_TRUE(LineBreaks(winter, winter.Size()).empty());
}

TEST(ChartGapsTest, EachDigitalTraceStaysInItsOwnBand)
{
    // On/off traces keep the factor 0.8; a state with values up to 2 reaches 0.8 at its highest.
    for (float max : {0.0f, 1.0f, 2.0f, 5.0f}) {
        const float top = (max > 1 ? max : 1) * DigitalBandFactor(max);
        EXPECT_FLOAT_EQ(top, DigitalScale) << max;
    }
}

}  // namespace
