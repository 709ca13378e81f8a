// Date and time forms taken from the system locale: the strftime conversions of every locale map to a
// format with a time of day, and stored date-times are read without swapping day and month.
#include "base/FormatSettings.h"
#include "base/IniFile.h"
#include "support/TestLocales.h"

#include <gtest/gtest.h>

using namespace dedezuviv::base;

namespace {

const TDateTime Moment = EncodeDateTime(2026, 12, 8, 14, 30, 5);

TStrftimeLocalePatterns UsPatterns()
{
    TStrftimeLocalePatterns us;
    us.Date = "%m/%d/%Y";
    us.Time = "%r";
    us.TimeAmPm = "%I:%M:%S %p";
    us.DateTime = "%a %d %b %Y %r %Z";
    return us;
}

// Restores the German settings whatever a test set.
struct LocaleTest : ::testing::Test {
    void TearDown() override { SetGermanFormatSettings(); }
};

}  // namespace

TEST_F(LocaleTest, EveryTimeConversionKeepsTheTimeOfDay)
{
    const TStrftimeLocalePatterns us = UsPatterns();
    EXPECT_EQ(FormatFromStrftimePattern("%r", us), "hh:nn:ss");
    EXPECT_EQ(FormatFromStrftimePattern("%X", us), "hh:nn:ss");  // %X is %r in en_US
    EXPECT_EQ(FormatFromStrftimePattern("%R"), "hh:nn");
    EXPECT_EQ(FormatFromStrftimePattern("%T"), "hh:nn:ss");
    EXPECT_EQ(FormatFromStrftimePattern("%k:%M"), "h:nn");
    EXPECT_EQ(FormatFromStrftimePattern("%l:%M:%S %p"), "h:nn:ss");
    EXPECT_EQ(FormatFromStrftimePattern("%-H.%M"), "h.nn");
    EXPECT_EQ(FormatFromStrftimePattern("%OH:%OM:%OS"), "hh:nn:ss");
    // 12-hour forms with the AM/PM marker in front (as some Asian locales have them).
    EXPECT_EQ(FormatFromStrftimePattern("%p %I:%M:%S"), "hh:nn:ss");
    // Literal text that holds format letters is quoted, so it is not taken for fields.
    EXPECT_EQ(FormatFromStrftimePattern("%H h %M"), "hh\" h \"nn");
    EXPECT_EQ(FormatDateTime(FormatFromStrftimePattern("%H h %M"), Moment), "14 h 30");
    // Non-ASCII literals stay as they are.
    EXPECT_EQ(FormatFromStrftimePattern("%H時%M分%S秒"), "hh時nn分ss秒");
}

TEST_F(LocaleTest, DateConversionsAndCompositeOnes)
{
    const TStrftimeLocalePatterns us = UsPatterns();
    EXPECT_EQ(FormatFromStrftimePattern("%x", us), "mm/dd/yyyy");
    EXPECT_EQ(FormatFromStrftimePattern("%c", us), "dd mm yyyy hh:nn:ss");
    EXPECT_EQ(FormatFromStrftimePattern("%D"), "mm/dd/yy");
    EXPECT_EQ(FormatFromStrftimePattern("%F"), "yyyy-mm-dd");
    EXPECT_EQ(FormatFromStrftimePattern("%e.%-m.%C%y"), "d.m.yyyy");
    EXPECT_EQ(FormatFromStrftimePattern("%A, %d. %B %Y"), "dd. mm yyyy");
    EXPECT_EQ(FormatFromStrftimePattern("%Y. %m. %d."), "yyyy. mm. dd.");
    EXPECT_EQ(FormatFromStrftimePattern("%d%%%m"), "dd%mm");
    EXPECT_EQ(FormatFromStrftimePattern("%G-W%V"), "yyyy-W");
}

TEST_F(LocaleTest, FormatsWithoutTheirFieldsFallBackToTheGermanForm)
{
    EXPECT_EQ(LongTimeFormatFromPattern("%p"), "hh:nn:ss");
    EXPECT_EQ(LongTimeFormatFromPattern("%Z"), "hh:nn:ss");
    EXPECT_EQ(LongTimeFormatFromPattern("%s"), "hh:nn:ss");
    EXPECT_EQ(LongTimeFormatFromPattern("%r", UsPatterns()), "hh:nn:ss");
    EXPECT_EQ(LongTimeFormatFromPattern("%H.%M"), "hh.nn");
    EXPECT_EQ(ShortDateFormatFromPattern("%A"), "dd.mm.yyyy");
    EXPECT_EQ(ShortDateFormatFromPattern("%d/%m"), "dd.mm.yyyy");
    EXPECT_EQ(ShortDateFormatFromPattern("%d/%m/%y"), "dd/mm/yy");
}

TEST_F(LocaleTest, StoredDateTimesAreNeverReadWithDayAndMonthSwapped)
{
    TFormatSettings us;
    us.DecimalSeparator = '.';
    us.ShortDateFormat = "mm/dd/yyyy";
    FormatSettings() = us;
    TDateTime value = 0;
    // The system form reads its own texts.
    ASSERT_TRUE(TryStrToDateTime("12/08/2026 14:30:05", value));
    EXPECT_DOUBLE_EQ(value, Moment);
    // A German text does not match the system's separators: read as German, day first.
    ASSERT_TRUE(TryStrToDateTime("08.12.2026 14:30:05", value));
    EXPECT_DOUBLE_EQ(value, Moment);
    ASSERT_TRUE(TryStrToDateTime("08.12.26", value));
    EXPECT_DOUBLE_EQ(value, EncodeDate(2026, 12, 8));
    // ISO 8601.
    ASSERT_TRUE(TryStrToDateTime("2026-12-08T14:30:05", value));
    EXPECT_DOUBLE_EQ(value, Moment);
    ASSERT_TRUE(TryStrToDateTime("2026-12-08 14:30", value));
    EXPECT_DOUBLE_EQ(value, Moment - 5.0 / 86400);
    ASSERT_TRUE(TryStrToDateTime(" 2026-12-08 ", value));
    EXPECT_DOUBLE_EQ(value, EncodeDate(2026, 12, 8));
    // A British text (two-digit year) is no US text: refused rather than read as 12 August.
    value = -1;
    EXPECT_FALSE(TryStrToDateTime("08/12/26 14:30:05", value));
    EXPECT_DOUBLE_EQ(value, -1);

    // On a German system a US text is refused, not read as 12 August either.
    SetGermanFormatSettings();
    EXPECT_FALSE(TryStrToDateTime("12/08/2026 14:30:05", value));
    EXPECT_FALSE(TryStrToDateTime("12/08/2026", value));
}

TEST_F(LocaleTest, ReadingIsStrictAboutTheForm)
{
    TDateTime value = 0;
    for (const char* text : {"08.12.2026 14:30:05x", "08.12.2026 14.30.05", "08-12-2026", "08.12.2026 14",
                             "008.12.2026", "08.12.20266", "08.12.", "gestern", "", "31.02.2026",
                             "08.12.2026 25:00:00", "2026-12-08X14:30"})
        EXPECT_FALSE(TryStrToDateTime(text, value)) << text;
    ASSERT_TRUE(TryStrToDateTime("8.12.2026  9:05:01", value));
    EXPECT_DOUBLE_EQ(value, EncodeDateTime(2026, 12, 8, 9, 5, 1));
    // A locale form with literal text reads back what it writes.
    TFormatSettings japanese;
    japanese.ShortDateFormat = FormatFromStrftimePattern("%Y年%m月%d日");
    japanese.LongTimeFormat = FormatFromStrftimePattern("%H時%M分%S秒");
    const std::string text = DateTimeToStr(Moment, japanese);
    EXPECT_EQ(text, "2026年12月08日 14時30分05秒");
    ASSERT_TRUE(TryStrToDateTime(text, japanese, value));
    EXPECT_DOUBLE_EQ(value, Moment);
    TFormatSettings quoted;
    quoted.LongTimeFormat = FormatFromStrftimePattern("%H h %M");
    ASSERT_TRUE(TryStrToDateTime(DateTimeToStr(Moment, quoted), quoted, value));
    EXPECT_DOUBLE_EQ(value, Moment - 5.0 / 86400);
}

// Under each real locale: the settings taken from it, a time of day in every date-time text, and
// values written under one locale read back under every other one.
class RealLocaleTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        const std::string failure = testsupport::PrepareTestLocales();
        ASSERT_EQ(failure, "");
    }
    void TearDown() override { SetGermanFormatSettings(); }
};

TEST_P(RealLocaleTest, SettingsFromTheLocaleKeepTheTimeOfDay)
{
    struct Expected {
        char Decimal;
        const char* Date;
        const char* Time;
        const char* Text;
    };
    const std::string name = GetParam();
    const Expected expected = name == "en_US.UTF-8"   ? Expected{'.', "mm/dd/yyyy", "hh:nn:ss", "12/08/2026 14:30:05"}
                              : name == "en_GB.UTF-8" ? Expected{'.', "dd/mm/yy", "hh:nn:ss", "08/12/26 14:30:05"}
                                                      : Expected{',', "dd.mm.yyyy", "hh:nn:ss", "08.12.2026 14:30:05"};
    testsupport::ScopedLocaleEnvironment environment(name);
    LoadFormatSettingsFromEnvironment();
    EXPECT_EQ(FormatSettings().DecimalSeparator, expected.Decimal);
    EXPECT_EQ(FormatSettings().ShortDateFormat, expected.Date);
    EXPECT_EQ(FormatSettings().LongTimeFormat, expected.Time);
    EXPECT_EQ(DateTimeToStr(Moment), expected.Text);
    EXPECT_EQ(TimeToStr(Moment), "14:30:05");

    // Its own texts, German ones and ISO ones are read as the same moment.
    TDateTime value = 0;
    for (const std::string& text : {std::string(expected.Text), std::string("08.12.2026 14:30:05"),
                                   std::string("2026-12-08T14:30:05")}) {
        ASSERT_TRUE(TryStrToDateTime(text, value)) << text;
        EXPECT_DOUBLE_EQ(value, Moment) << text;
    }
}

TEST_P(RealLocaleTest, IniDateTimesSurviveAChangeOfLocale)
{
    const std::string writer = GetParam();
    std::string bytes;
    {
        testsupport::ScopedLocaleEnvironment environment(writer);
        LoadFormatSettingsFromEnvironment();
        TIniFile ini;
        ini.WriteDateTime("Info", "Date", Moment);
        ini.WriteDateTime("Info", "Day", EncodeDate(2026, 1, 2));
        bytes = ini.ToBytes();
    }
    for (const std::string& reader : testsupport::TestLocaleNames()) {
        testsupport::ScopedLocaleEnvironment environment(reader);
        LoadFormatSettingsFromEnvironment();
        TIniFile ini;
        ini.Parse(bytes);
        // Read back as written, or (a form the reader's system cannot tell apart) not at all: never
        // with day and month swapped.
        const TDateTime date = ini.ReadDateTime("Info", "Date", -1);
        const TDateTime day = ini.ReadDateTime("Info", "Day", -1);
        EXPECT_TRUE(date == Moment || date == -1) << writer << " -> " << reader << ": " << bytes;
        EXPECT_TRUE(day == EncodeDate(2026, 1, 2) || day == -1) << writer << " -> " << reader << ": " << bytes;
        if (reader == writer) {
            EXPECT_DOUBLE_EQ(date, Moment);
            EXPECT_DOUBLE_EQ(day, EncodeDate(2026, 1, 2));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, RealLocaleTest,
                         ::testing::Values("de_DE.UTF-8", "en_US.UTF-8", "en_GB.UTF-8", "C"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });
