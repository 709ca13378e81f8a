// Dates, number texts, format settings, text encoding, log callbacks and the main-thread hand-off.
#include "base/Clock.h"
#include "base/DateTime.h"
#include "base/ErrorText.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "base/NumberText.h"
#include "base/RegularFile.h"
#include "base/TextEncoding.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

using namespace dedezuviv::base;

TEST(DateTime, EncodesAndDecodesCivilDates)
{
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2.0);
    const TDateTime t = EncodeDateTime(2026, 12, 8, 14, 30, 5, 250);
    const TDateTimeParts p = DecodeDateTime(t);
    EXPECT_EQ(p.Year, 2026);
    EXPECT_EQ(p.Month, 12);
    EXPECT_EQ(p.Day, 8);
    EXPECT_EQ(p.Hour, 14);
    EXPECT_EQ(p.Minute, 30);
    EXPECT_EQ(p.Second, 5);
    EXPECT_EQ(p.Millisecond, 250);

    TDateTime untouched = 7;
    EXPECT_FALSE(TryEncodeDate(2026, 2, 29, untouched));
    EXPECT_TRUE(TryEncodeDate(2024, 2, 29, untouched));
    EXPECT_FALSE(TryEncodeTime(25, 0, 0, 0, untouched));
    EXPECT_FALSE(TryEncodeTime(14, 60, 0, 0, untouched));
}

TEST(DateTime, WholeUnitsBetweenAreTruncatedAbsoluteDifferences)
{
    const TDateTime a = EncodeDateTime(2026, 12, 8, 14, 30, 0);
    const TDateTime b = EncodeDateTime(2026, 12, 8, 14, 31, 30);
    // 90 s must not become 89 through floating-point error.
    EXPECT_EQ(SecondsBetween(a, b), 90);
    EXPECT_EQ(SecondsBetween(b, a), 90);
    EXPECT_EQ(MinutesBetween(a, b), 1);
    const TDateTime c = a + 26.0 / 24 + 5.0 / 1440;
    EXPECT_EQ(DaysBetween(a, c), 1);
    EXPECT_EQ(HoursBetween(a, c), 26);
    EXPECT_EQ(MinutesBetween(a, c), 1565);
    EXPECT_EQ(MilliSecondsBetween(a, a + 0.4 / 86400), 400);
}

TEST(DateTime, IncMonthKeepsTimeAndClampsToLastDay)
{
    const TDateTime jan31 = EncodeDateTime(2026, 1, 31, 10, 0, 0);
    EXPECT_DOUBLE_EQ(IncMonth(jan31, 1), EncodeDateTime(2026, 2, 28, 10, 0, 0));
    EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(2024, 1, 31), 1), EncodeDate(2024, 2, 29));
    EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(2026, 12, 15), 1), EncodeDate(2027, 1, 15));
    EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(2026, 3, 31), -1), EncodeDate(2026, 2, 28));
}

TEST(DateTime, DateAndTimeParts)
{
    const TDateTime t = EncodeDateTime(2026, 12, 8, 0, 0, 0);
    EXPECT_TRUE(IsMidnight(t));
    EXPECT_FALSE(IsMidnight(t + 1.0 / 86400));
    EXPECT_DOUBLE_EQ(DateOf(t + 0.75), t);
    EXPECT_NEAR(TimeOf(t + 0.75), 0.75, 1e-12);
}

TEST(NumberText, ReadsDecimalNumbersWithTheGivenSeparator)
{
    double v = 0;
    EXPECT_TRUE(TryTextToFloat("+023,45", ',', v));
    EXPECT_DOUBLE_EQ(v, 23.45);
    EXPECT_TRUE(TryTextToFloat(" -5,00 ", ',', v));
    EXPECT_DOUBLE_EQ(v, -5.0);
    EXPECT_TRUE(TryTextToFloat("1,5E3", ',', v));
    EXPECT_DOUBLE_EQ(v, 1500.0);
    EXPECT_TRUE(TryTextToFloat(",5", ',', v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    for (const char* bad : {"", " ", "+", "1.5", "1,5,", "1e", "abc", "1 2", "1E999"})
        EXPECT_FALSE(TryTextToFloat(bad, ',', v)) << bad;
}

TEST(NumberText, ReadsIntegersDecimalAndHexadecimal)
{
    int32_t v = 0;
    EXPECT_TRUE(TryStrToInt("12345", v));
    EXPECT_EQ(v, 12345);
    EXPECT_TRUE(TryStrToInt("$FF", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(TryStrToInt("0x10", v));
    EXPECT_EQ(v, 16);
    EXPECT_TRUE(TryStrToInt("$FFFFFFFF", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(TryStrToInt("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    for (const char* bad : {"", "$", "2147483648", "12a", "1 ", "$1FFFFFFFF", "-"})
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(StrToIntDef("fast", 9600), 9600);
}

TEST(NumberText, GeneralFloatTextHasNoTrailingZeros)
{
    EXPECT_EQ(FloatToText(23.45, ','), "23,45");
    EXPECT_EQ(FloatToText(-5.0, ','), "-5");
    EXPECT_EQ(FloatToText(0.5, '.'), "0.5");
    EXPECT_EQ(FloatToText(0.0001, ','), "0,0001");
    EXPECT_EQ(FloatToText(0.00001, ','), "1E-5");
    EXPECT_EQ(FloatToText(1.5e20, ','), "1,5E20");
    EXPECT_EQ(FloatToText(123456789012345.0, ','), "123456789012345");
    EXPECT_EQ(FloatToText(0.1 + 0.2, ','), "0,3");
}

TEST(FormatSettings, GermanDateTimeTextsAndParsing)
{
    SetGermanFormatSettings();
    const TDateTime t = EncodeDateTime(2026, 12, 8, 14, 30, 5);
    EXPECT_EQ(DateTimeToStr(t), "08.12.2026 14:30:05");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 12, 8)), "08.12.2026");
    EXPECT_EQ(FormatDateTime("dd.mm.yy hh:nn:ss zzz", t + 0.007 / 86400), "08.12.26 14:30:05 007");
    TDateTime parsed = 0;
    EXPECT_TRUE(TryStrToDateTime("08.12.2026 14:30:05", parsed));
    EXPECT_DOUBLE_EQ(parsed, t);
    EXPECT_TRUE(TryStrToDateTime("08.12.2026", parsed));
    EXPECT_DOUBLE_EQ(parsed, EncodeDate(2026, 12, 8));
    EXPECT_FALSE(TryStrToDateTime("31.02.2026", parsed));
    EXPECT_FALSE(TryStrToDateTime("gestern", parsed));
}

TEST(FormatSettings, ReadsOtherSystemsFormsToo)
{
    TFormatSettings us;
    us.DecimalSeparator = '.';
    us.ShortDateFormat = FormatFromStrftimePattern("%m/%d/%Y");
    us.LongTimeFormat = FormatFromStrftimePattern("%I:%M:%S %p");
    EXPECT_EQ(us.ShortDateFormat, "mm/dd/yyyy");
    TDateTime parsed = 0;
    EXPECT_TRUE(TryStrToDateTime("12/08/2026 14:30:05", us, parsed));
    EXPECT_DOUBLE_EQ(parsed, EncodeDateTime(2026, 12, 8, 14, 30, 5));
    FormatSettings() = us;
    double v = 0;
    EXPECT_TRUE(TryStrToFloat("0,5", v));  // a German file on a US system
    EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_TRUE(TryStrToDateTime("08.12.2026 14:30:05", parsed));
    SetGermanFormatSettings();
}

TEST(TextEncoding, Windows1252RoundTrip)
{
    const std::string umlauts = "\xC4\xD6\xDC\xE4\xF6\xFC\xDF\x80";
    const std::string utf8 = Cp1252ToUtf8(umlauts);
    EXPECT_EQ(utf8, "ÄÖÜäöüß€");
    EXPECT_EQ(Utf8ToCp1252(utf8), umlauts);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_FALSE(IsValidUtf8(umlauts));
    EXPECT_EQ(DecodeText8(umlauts), utf8);
    EXPECT_EQ(DecodeText8(utf8), utf8);
    EXPECT_EQ(Utf8ToCp1252("日"), "?");
}

TEST(Log, CallbacksReceiveLinesAndNothingHappensWithoutThem)
{
    ClearLogCallbacks();
    LogMessage("lost");  // no receiver: no output, no crash
    std::vector<std::string> lines;
    SetLogCallbacks([&](const std::string& t) { lines.push_back("L:" + t); },
                    [&](const std::string& t) { lines.push_back("D:" + t); });
    LogMessage("a");
    DebugInfo("b");
    ClearLogCallbacks();
    EXPECT_EQ(lines, (std::vector<std::string>{"L:a", "D:b"}));
}

TEST(Clock, OverrideFixesNow)
{
    const TDateTime fixed = EncodeDateTime(2026, 12, 8, 10, 15, 7);
    SetClockOverride([fixed] { return fixed; });
    EXPECT_DOUBLE_EQ(Now(), fixed);
    SetClockOverride(nullptr);
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
}

TEST(MainThreadDispatcher, WorkerWaitsUntilTheMainThreadRanItsTask)
{
    TTaskQueueDispatcher dispatcher;
    std::atomic<int> ranOn{0};
    std::atomic<bool> workerReturned{false};
    const auto mainId = std::this_thread::get_id();
    std::thread worker([&] {
        dispatcher.RunInMainThread([&] { ranOn = std::this_thread::get_id() == mainId ? 1 : 2; });
        workerReturned = true;
    });
    while (dispatcher.WaitAndRunTasks(1000) == 0) {
    }
    worker.join();
    EXPECT_EQ(ranOn.load(), 1);
    EXPECT_TRUE(workerReturned.load());
    int direct = 0;
    dispatcher.RunInMainThread([&] { direct = 1; });  // on the main thread: at once
    EXPECT_EQ(direct, 1);
}

TEST(MainThreadDispatcher, PostedTasksRunLaterWithoutBlockingThePoster)
{
    TTaskQueueDispatcher dispatcher;
    std::vector<int> order;
    std::thread poster([&] {
        dispatcher.PostToMainThread([&] { order.push_back(1); });
        dispatcher.PostToMainThread([&] { order.push_back(2); });
        dispatcher.PostToMainThread(nullptr);
    });
    poster.join();  // returned without anybody running the tasks
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(dispatcher.RunPendingTasks(), 2);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(SystemErrorTexts, CommonCodesHaveGermanTextsOthersTheirNumber)
{
    // The codes file and network operations meet: none falls back to the bare number, and none is the
    // C library's English text.
    for (const int code : {ENOSPC, EACCES, EPERM, ENOENT, EADDRNOTAVAIL, EADDRINUSE, ECONNREFUSED, EROFS, EDQUOT,
                           EISDIR, ENOTDIR, EFBIG, EIO, EMFILE, ETIMEDOUT, EHOSTUNREACH, ENETUNREACH, EBUSY,
                           ENXIO, ECONNRESET, EPIPE, ENAMETOOLONG, ELOOP, EXDEV, NotARegularFile}) {
        const std::string text = SystemErrorText(code);
        EXPECT_EQ(text.find("Systemfehler"), std::string::npos) << code;
        if (code != NotARegularFile) {
            EXPECT_NE(text, std::strerror(code)) << code;
        }
    }
    EXPECT_EQ(SystemErrorText(EKEYREVOKED), "Systemfehler " + std::to_string(EKEYREVOKED));
}
