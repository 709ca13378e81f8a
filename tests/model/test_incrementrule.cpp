// The rule by which the export and the charts take records of a range: the range ends, the increment
// counted from the last record taken, earlier records after a clock set back, and increments far
// beyond any range.
#include "model/IncrementRule.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace {

// The seconds (from a start at second 0, range 0 to 1000) of the records taken from those given.
std::vector<int> Taken(int64_t increment, const std::vector<int>& seconds)
{
    const TDateTime origin = EncodeDate(2026, 10, 25);
    TIncrementRule rule(origin, origin + 1000.0 / 86400, increment);
    std::vector<int> taken;
    for (int s : seconds)
        if (rule.Take(origin + s / 86400.0))
            taken.push_back(s);
    return taken;
}

}  // namespace

TEST(IncrementRule, WhichRecordsAreTaken)
{
    struct {
        const char* What;
        int64_t Increment;
        std::vector<int> Seconds, Expected;
    } const cases[] = {
        {"0 takes every record of the range, its ends included", 0, {-1, 0, 0, 5, 1000, 1001}, {0, 0, 5, 1000}},
        {"spacing from the last record taken", 60, {0, 10, 60, 70, 130, 190}, {0, 60, 130, 190}},
        {"after a gap one record, then the spacing again", 60, {0, 10, 500, 510, 560, 570}, {0, 500, 560}},
        {"an earlier record is taken and the spacing goes on from it", 60, {300, 310, 100, 110, 160}, {300, 100, 160}},
        {"a record at the same time is no earlier one", 60, {300, 300}, {300}},
        {"a negative increment counts as 0", -5, {1, 2, 2}, {1, 2, 2}},
        {"an increment beyond any range takes the first record", LLONG_MAX, {0, 999, 1000}, {0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Taken(c.Increment, c.Seconds), c.Expected) << c.What;
}
