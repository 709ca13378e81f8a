// The time helpers of the evaluation dialogs: range ends from a date and a time picker, and the
// masked increment text.
#include "model/window/DialogTimes.h"

#include <gtest/gtest.h>

using namespace dedezuviv::model;

namespace {

TEST(DialogTimesTest, CombineTakesTheDateOfOneAndTheTimeOfTheOtherWithoutMilliseconds)
{
    const TDateTime date = EncodeDateTime(2026, 12, 8, 23, 59, 59, 999);
    const TDateTime time = EncodeDateTime(2001, 1, 1, 10, 15, 7, 600);
    EXPECT_DOUBLE_EQ(CombineDateTime(date, time), EncodeDateTime(2026, 12, 8, 10, 15, 7));
    EXPECT_DOUBLE_EQ(CombineDateTime(date, 0), EncodeDate(2026, 12, 8));
}

TEST(DialogTimesTest, IncrementTextIsReadByItsThreeTwoDigitGroups)
{
    EXPECT_EQ(ParseIncrement("00:00:00"), 0);
    EXPECT_EQ(ParseIncrement("00:00:01"), 1);
    EXPECT_EQ(ParseIncrement("01:02:03"), 3723);
    EXPECT_EQ(ParseIncrement("99:59:59"), 99 * 3600 + 59 * 60 + 59);
    // A missing hour digit (blank or the mask's "_") is no error.
    EXPECT_EQ(ParseIncrement(" 1:30:00"), 5400);
    EXPECT_EQ(ParseIncrement("_1:30:00"), 5400);
    EXPECT_EQ(ParseIncrement("__:__:__"), 0);
    // Anything else in a group makes that group 0; short texts read what they have.
    EXPECT_EQ(ParseIncrement("x1:00:05"), 5);
    EXPECT_EQ(ParseIncrement("02:3"), 7380);
    EXPECT_EQ(ParseIncrement(""), 0);

    EXPECT_EQ(IncrementText(3723), "01:02:03");
    EXPECT_EQ(IncrementText(0), "00:00:00");
    EXPECT_EQ(IncrementText(1000000), "99:59:59");
}

}  // namespace
