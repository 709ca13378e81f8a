// The display texts of decoded values.
#include "base/DateTime.h"
#include "base/FormatSettings.h"
#include "model/ValueText.h"

#include <gtest/gtest.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

TEST(ValueToText, EveryKind)
{
    SetGermanFormatSettings();
    TFieldValue v;
    EXPECT_EQ(ValueToText(v), "-");
    v.Kind = vkFloat;
    v.FloatValue = 23.45;
    EXPECT_EQ(ValueToText(v), "23,45");
    v.FloatValue = -5;
    EXPECT_EQ(ValueToText(v), "-5");
    FormatSettings().DecimalSeparator = '.';
    v.FloatValue = 0.75;
    EXPECT_EQ(ValueToText(v), "0.75");
    SetGermanFormatSettings();
    v.Kind = vkInteger;
    v.IntValue = -42;
    EXPECT_EQ(ValueToText(v), "-42");
    v.Kind = vkHex;
    v.IntValue = 10;
    EXPECT_EQ(ValueToText(v), "0A");
    v.IntValue = 0x1ABC;
    EXPECT_EQ(ValueToText(v), "1ABC");
    v.IntValue = -1;
    EXPECT_EQ(ValueToText(v), "FFFFFFFF");
    v.Kind = vkDateTime;
    v.DateTimeValue = 0;
    EXPECT_EQ(ValueToText(v), "---");
    v.DateTimeValue = EncodeDateTime(2026, 12, 8, 14, 30, 5);
    EXPECT_EQ(ValueToText(v), "08.12.2026 14:30:05");
    v.DateTimeValue = EncodeDate(2026, 12, 8);
    EXPECT_EQ(ValueToText(v), "08.12.2026");
    v.Kind = static_cast<TValueKind>(9);
    EXPECT_EQ(ValueToText(v), "-");
}
