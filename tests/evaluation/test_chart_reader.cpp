// The recorded-data reader of the charts: which day files a range reads, which records it accepts
// (range, minimum increment from the last accepted record, earlier records after a clock set back),
// the values it takes, its log lines and its failure on an unreadable file.
#include "base/DateTime.h"
#include "evaluation/ChartReader.h"
#include "model/DayFiles.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"

#include "support/RecordLines.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::evaluation;

namespace fs = std::filesystem;
using testsupport::RecordLine;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// The progress window as lines of text, with the percentages set.
class TRecordingProgress : public IProgress {
public:
    std::vector<std::string> Lines;
    std::vector<double> Percents;
    void AddLine(const std::string& text) override { Lines.push_back(text); }
    void AppendToLastLine(const std::string& text) override
    {
        if (Lines.empty())
            Lines.emplace_back();
        Lines.back() += text;
    }
    void SetProgress(double percent) override { Percents.push_back(percent); }
};

TDateTime At(int day, int hour, int minute, int second = 0) { return EncodeDateTime(2026, 3, day, hour, minute, second); }

struct GenPlotDataTest : ::testing::Test {
    TempDir Dir;
    TProject Project;

    void SetUp() override
    {
        Project.Root = Dir.Path().string();
        Project.FieldNames[ftTemperature] = {"Kessel", "Aussen"};
        Project.FieldNames[ftCounter] = {"Starts"};
        Project.FieldNames[ftOutput] = {"Brenner", "Pumpe"};
    }

    // Appends record lines to the day files of their times.
    void Record(const std::vector<TDateTime>& times, double kessel = 55.5)
    {
        for (TDateTime t : times)
            ASSERT_TRUE(AppendLineToFile(DataFileName(Project, t), RecordLine(t, {kessel, -3.25}, "/n12,5/o10")));
    }

    // Times every Step seconds from First while not after Last.
    static std::vector<TDateTime> Every(TDateTime first, TDateTime last, int step)
    {
        std::vector<TDateTime> times;
        for (TDateTime t = first; t <= last + 1e-9; t = IncSecond(t, step))
            times.push_back(t);
        return times;
    }

    std::vector<double> XOf(const TPlotSeries& series)
    {
        std::vector<double> x;
        for (size_t i = 0; i < series.Count(); ++i)
            x.push_back(series.X(i));
        return x;
    }
};

std::vector<int64_t> SecondsFrom(TDateTime origin, const std::vector<double>& times)
{
    std::vector<int64_t> seconds;
    for (double t : times)
        seconds.push_back(static_cast<int64_t>(std::llround((t - origin) * 86400.0)));
    return seconds;
}

TEST_F(GenPlotDataTest, ReadsTheDayFilesOfTheMinuteWalkEachOnceWithItsLogLines)
{
    Record({At(1, 12, 0), At(1, 23, 59, 30)});
    Record({At(2, 0, 0, 10), At(2, 12, 0)});
    Record({At(3, 7, 0), At(3, 8, 0), At(3, 9, 0)});
    Record({At(4, 0, 0)});

    // Day 1, 12:00 to day 3, 08:00 reads the files of days 1, 2 and 3.
    TRecordingProgress progress;
    TGenPlotData reader;
    ASSERT_TRUE(reader.ReadSeries(Project, &progress, At(1, 12, 0), At(3, 8, 0), 0, {"Kessel (Temperatur)"}));
    const std::vector<std::string> expected = {
        "Lese Daten aus Datei 26-03-01.txt ...OK (2 Datensätze geprüft).",
        "Lese Daten aus Datei 26-03-02.txt ...OK (2 Datensätze geprüft).",
        "Lese Daten aus Datei 26-03-03.txt ...OK (3 Datensätze geprüft).",
        "Einlesen aller Daten beendet.",
    };
    EXPECT_EQ(progress.Lines, expected);
    EXPECT_EQ(reader.AcceptedRecords, 6u);
    ASSERT_FALSE(progress.Percents.empty());
    // Each file starts with 100 * s1 / (s2 + 1): 0 for the first day, then from each day's first minute.
    EXPECT_DOUBLE_EQ(progress.Percents.front(), 0.0);
    EXPECT_LT(progress.Percents.back(), 100.0);

    // A range within one day reads only that day; one that ends in the last minute of a day also reads
    // the next day's file, whose records lie outside the range.
    TRecordingProgress oneDay;
    TGenPlotData second;
    ASSERT_TRUE(second.ReadSeries(Project, &oneDay, At(2, 6, 0), At(2, 23, 59, 30), 0, {"Kessel (Temperatur)"}));
    ASSERT_EQ(oneDay.Lines.size(), 3u);
    EXPECT_EQ(oneDay.Lines[0], "Lese Daten aus Datei 26-03-02.txt ...OK (2 Datensätze geprüft).");
    EXPECT_EQ(oneDay.Lines[1], "Lese Daten aus Datei 26-03-03.txt ...OK (3 Datensätze geprüft).");
    EXPECT_EQ(second.AcceptedRecords, 1u);

    TRecordingProgress within;
    TGenPlotData third;
    ASSERT_TRUE(third.ReadSeries(Project, &within, At(2, 6, 0), At(2, 23, 58, 0), 0, {"Kessel (Temperatur)"}));
    EXPECT_EQ(within.Lines.size(), 2u);
}

TEST_F(GenPlotDataTest, WithoutFilesNothingIsAcceptedAndOnlyTheClosingLineIsShown)
{
    TRecordingProgress progress;
    TGenPlotData reader;
    ASSERT_TRUE(reader.ReadSeries(Project, &progress, At(1, 0, 0), At(5, 0, 0), 0, {"Kessel (Temperatur)"}));
    EXPECT_EQ(reader.PointCount, 0u);
    EXPECT_EQ(progress.Lines, std::vector<std::string>{"Einlesen aller Daten beendet."});
    ASSERT_EQ(reader.Series.size(), 1u);
    EXPECT_EQ(reader.Series[0]->Count(), 0u);

    // Without a progress window nothing is reported, and the reading is the same.
    TGenPlotData quiet;
    ASSERT_TRUE(quiet.ReadSeries(Project, nullptr, At(1, 0, 0), At(5, 0, 0), 0, {"Kessel (Temperatur)"}));
    EXPECT_EQ(quiet.PointCount, 0u);
}

TEST_F(GenPlotDataTest, TheIncrementRestartsAtEachAcceptedRecordAndRangeEndsAreIncluded)
{
    // Records every 10 s from 10:00:00 to 10:05:00, an hour's gap, then every 10 s from 11:05:25.
    Record(Every(At(5, 10, 0), At(5, 10, 5), 10));
    Record(Every(At(5, 11, 5, 25), At(5, 11, 7, 25), 10));

    TGenPlotData reader;
    ASSERT_TRUE(reader.ReadSeries(Project, nullptr, At(5, 10, 0), At(5, 11, 7, 25), 60, {"Kessel (Temperatur)"}));
    ASSERT_EQ(reader.Series.size(), 1u);
    const std::vector<int64_t> seconds = SecondsFrom(At(5, 10, 0), XOf(*reader.Series[0]));
    // Start and end records are taken; after the gap the next record is taken at once and the spacing
    // continues from it.
    const std::vector<int64_t> expected = {0, 60, 120, 180, 240, 300, 3925, 3985, 4045};
    EXPECT_EQ(seconds, expected);

    // A record after the end of the range is not taken, nor one before its start.
    TGenPlotData inner;
    ASSERT_TRUE(inner.ReadSeries(Project, nullptr, At(5, 10, 0, 5), At(5, 10, 0, 25), 0, {"Kessel (Temperatur)"}));
    EXPECT_EQ(SecondsFrom(At(5, 10, 0), XOf(*inner.Series[0])), (std::vector<int64_t>{10, 20}));
}

TEST_F(GenPlotDataTest, AnEarlierRecordIsTakenAndThePointsAreInTimeOrder)
{
    // The file of day 6 holds a record of 12:00, then one of 11:59:30 (written by a clock set back),
    // then 11:59:50 and 12:01.
    const std::string file = DataFileName(Project, At(6, 12, 0));
    fs::create_directories(fs::path(file).parent_path());
    WriteFile(file, RecordLine(At(6, 12, 0), {50}) + "\r\n" + RecordLine(At(6, 11, 59, 30), {51}) + "\r\n" +
                        RecordLine(At(6, 11, 59, 50), {52}) + "\r\n" + RecordLine(At(6, 12, 1), {53}) + "\r\n");
    // With 30 s: 12:00 is taken, 11:59:30 too (earlier than the last taken), 11:59:50 is less than 30 s
    // after it, 12:01 is taken.
    TGenPlotData reader;
    ASSERT_TRUE(reader.ReadSeries(Project, nullptr, At(6, 0, 0), At(6, 23, 0), 30, {"Kessel (Temperatur)"}));
    const TPlotSeries& series = *reader.Series[0];
    ASSERT_EQ(series.Count(), 3u);
    EXPECT_EQ(SecondsFrom(At(6, 12, 0), XOf(series)), (std::vector<int64_t>{-30, 0, 60}));
    EXPECT_FLOAT_EQ(series.Y(0), 51.0f);
    EXPECT_FLOAT_EQ(series.Y(1), 50.0f);
    EXPECT_FLOAT_EQ(series.Y(2), 53.0f);

    // With increment 0 every record is a point.
    TGenPlotData zero;
    ASSERT_TRUE(zero.ReadSeries(Project, nullptr, At(6, 0, 0), At(6, 23, 0), 0, {"Kessel (Temperatur)"}));
    EXPECT_EQ(zero.Series[0]->Count(), 4u);
}

TEST_F(GenPlotDataTest, TheRepeatedAutumnHourIsDrawnWithAnIncrement)
{
    // Every 10 s from 01:30 summer time for three hours of real time: the clock shows 01:30 to 02:59:50,
    // then 02:00 to 03:29:50 again.
    const testsupport::CentralEuropeanTime zone;
    const std::vector<TDateTime> times =
        testsupport::LocalTimesEvery(testsupport::AutumnChange2026Minus90Minutes, 1080, 10);
    const std::string file = DataFileName(Project, times.front());
    fs::create_directories(fs::path(file).parent_path());
    std::string lines;
    for (size_t i = 0; i < times.size(); ++i)
        lines += RecordLine(times[i], {i < 540 ? 20.0 : 30.0}) + "\r\n";
    WriteFile(file, lines);
    const TDateTime day = EncodeDate(2026, 10, 25);
    TGenPlotData reader;
    ASSERT_TRUE(reader.ReadSeries(Project, nullptr, day, day + 1, 10, {"Kessel (Temperatur)"}));
    const TPlotSeries& series = *reader.Series[0];
    ASSERT_EQ(series.Count(), 1080u);
    // Both passes of 02:15, in time order; the first pass first.
    const size_t at = series.LowerBound(day + (2 * 3600 + 15 * 60) / 86400.0);
    EXPECT_EQ(series.UpperBound(series.X(at)) - at, 2u);
    EXPECT_FLOAT_EQ(series.Y(at), 20.0f);
    EXPECT_FLOAT_EQ(series.Y(at + 1), 30.0f);
    for (size_t i = 1; i < series.Count(); ++i)
        ASSERT_LE(series.X(i - 1), series.X(i)) << i;
}

TEST_F(GenPlotDataTest, EachFieldGetsItsSeriesWithTheSameTimesAndUnknownFieldsGiveZeros)
{
    Record(Every(At(7, 8, 0), At(7, 8, 0, 40), 10), 61.25);
    TGenPlotData reader;
    const std::vector<std::string> fields = {"Kessel (Temperatur)", "Brenner (Relais)", "Starts (Zähler)",
                                             "Gibtsnicht (Temperatur)", "Pumpe (Relais)", "Aussen (Temperatur)"};
    ASSERT_TRUE(reader.ReadSeries(Project, nullptr, At(7, 0, 0), At(7, 23, 0), 0, fields));
    ASSERT_EQ(reader.Series.size(), fields.size());
    EXPECT_EQ(reader.AcceptedRecords, 5u);
    EXPECT_EQ(reader.PointCount, 5u * fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(reader.Series[i]->Title, fields[i]);
        EXPECT_EQ(XOf(*reader.Series[i]), XOf(*reader.Series[0]));
    }
    EXPECT_FLOAT_EQ(reader.Series[0]->Y(0), 61.25f);
    EXPECT_FLOAT_EQ(reader.Series[1]->Y(0), 1.0f);
    EXPECT_FLOAT_EQ(reader.Series[2]->Y(0), 12.5f);
    EXPECT_FLOAT_EQ(reader.Series[3]->Y(4), 0.0f);
    EXPECT_FLOAT_EQ(reader.Series[4]->Y(0), 0.0f);
    EXPECT_FLOAT_EQ(reader.Series[5]->Y(0), -3.25f);

    // The series are handed over; the reader keeps none.
    auto taken = reader.TakeSeries();
    EXPECT_EQ(taken.size(), fields.size());
    EXPECT_TRUE(reader.Series.empty());

    // No fields: records are still walked, no points.
    TGenPlotData none;
    ASSERT_TRUE(none.ReadSeries(Project, nullptr, At(7, 0, 0), At(7, 23, 0), 0, {}));
    EXPECT_EQ(none.PointCount, 0u);
}

TEST(PlotValueTest, KindsBecomeSinglePrecisionNumbers)
{
    TFieldValue value;
    EXPECT_EQ(PlotValue(value), 0.0f);
    value.Kind = vkHex;
    value.IntValue = 0xF1;
    EXPECT_EQ(PlotValue(value), 241.0f);
    value.Kind = vkInteger;
    value.IntValue = -7;
    EXPECT_EQ(PlotValue(value), -7.0f);
    value.Kind = vkDateTime;
    value.DateTimeValue = 46000.5;
    EXPECT_EQ(PlotValue(value), 46000.5f);
    value.Kind = vkFloat;
    value.FloatValue = 1234567.891;
    EXPECT_EQ(PlotValue(value), static_cast<float>(1234567.891));
    EXPECT_NE(static_cast<double>(PlotValue(value)), 1234567.891);
}

TEST_F(GenPlotDataTest, AnUnreadableFileEndsTheReadingWithItsMessageAndItsLineCount)
{
    Record({At(8, 10, 0), At(8, 11, 0)});
    // A day "file" that opens but fails on the first read (for root as well): the process's memory,
    // whose first page is never mapped.
    const std::string file = DataFileName(Project, At(9, 10, 0));
    fs::create_symlink("/proc/self/mem", file);
    TRecordingProgress progress;
    TGenPlotData reader;
    EXPECT_FALSE(reader.ReadSeries(Project, &progress, At(8, 0, 0), At(9, 23, 0), 0, {"Kessel (Temperatur)"}));
    EXPECT_NE(reader.ErrorText.find("26-03-09.txt"), std::string::npos) << reader.ErrorText;
    ASSERT_EQ(progress.Lines.size(), 2u);
    EXPECT_EQ(progress.Lines[0], "Lese Daten aus Datei 26-03-08.txt ...OK (2 Datensätze geprüft).");
    EXPECT_EQ(progress.Lines[1], "Lese Daten aus Datei 26-03-09.txt ...OK (0 Datensätze geprüft).");
}

}  // namespace
