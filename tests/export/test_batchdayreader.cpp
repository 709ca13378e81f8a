// The batch export reads each day file once: its files stay byte for byte those of one export per
// period, also where a decoder that read the day before decodes a day differently from a new one, where
// the clock was set back, and where a day file grows between two periods.
#include "export/BatchDayReader.h"
#include "export/ExportBatch.h"
#include "export/ExportData.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::exports;

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::RecordLine;

namespace {

class BatchDayReaderTest : public ::testing::Test {
protected:
    BatchDayReaderTest() : Project(exporttest::MakeProject(Dir))
    {
        const TDateTime day1 = EncodeDate(2024, 3, 1), day2 = day1 + 1, day3 = day1 + 2, day5 = day1 + 4;
        std::string text;
        for (int minute = 0; minute < 1440; minute += 10) {
            const TDateTime t = day1 + minute / 1440.0;
            text += RecordLine(t, {20.0 + minute / 100.0, -5.25}) + "\r\n";
            if (minute == 630)  // the clock set back from 10:30 to 10:05
                for (int back = 5; back <= 25; back += 10)
                    text += RecordLine(day1 + (600 + back) / 1440.0, {40.0 + back, 1.5}) + "\r\n";
        }
        exporttest::AppendToDay(*Project, day1, text);
        // Begins with a record that adds to the data set of the record before it (the day before for
        // a decoder that read that day: a value of its own for a new decoder), and has a cut line.
        text = "=MR/t+033,00/y02.03.24/z00:05:00/r02.03.24 00:05:00#\r\n";
        for (int minute = 10; minute < 1440; minute += 10) {
            text += RecordLine(day2 + minute / 1440.0, {10.0 + minute / 100.0, 2.0}) + "\r\n";
            if (minute == 700)
                text += RecordLine(day2 + minute / 1440.0, {1.0, 2.0}).substr(0, 30) + "\r\n";
        }
        exporttest::AppendToDay(*Project, day2, text);
        exporttest::WriteRecords(*Project, day3, day3 + 1, 900);
        exporttest::WriteRecords(*Project, day5, day5 + 0.5, 1800);
    }

    // One export of the period by an engine of its own, into the file.
    std::string ExportAlone(TDateTime start, TDateTime end, int64_t increment, const std::string& name)
    {
        TExportData engine;
        engine.Threads = 1;
        const fs::path file = Dir / "alone" / name;
        EXPECT_EQ(engine.Export(Project.get(), nullptr, file.string(), efCSV, start, end, increment, Fields), 0)
            << engine.ErrorText;
        return ReadFile(file);
    }

    testsupport::TempDir Dir;
    exporttest::GermanSettingsAndClock Settings;
    std::unique_ptr<TProject> Project;
    const TNameList Fields = {"Kessel (Temperatur)", "Aussen (Temperatur)", "Puffer (Temperatur)", "RT"};
};

TEST_F(BatchDayReaderTest, EveryBatchFileEqualsTheExportOfItsPeriodAlone)
{
    struct {
        int16_t IncDay, IncHour, IncMin;
        TDateTime Start, End;
        int64_t Increment;
        int Threads;
    } const cases[] = {
        {0, 6, 0, EncodeDateTime(2024, 3, 1, 21, 0, 0), EncodeDateTime(2024, 3, 4, 3, 0, 0), 0, 1},
        {0, 6, 0, EncodeDateTime(2024, 3, 1, 21, 0, 0), EncodeDateTime(2024, 3, 4, 3, 0, 0), 0, 2},
        {0, 0, 30, EncodeDateTime(2024, 3, 1, 9, 0, 0), EncodeDateTime(2024, 3, 1, 12, 0, 0), 600, 1},
        {0, 0, 45, EncodeDateTime(2024, 3, 1, 22, 0, 0), EncodeDateTime(2024, 3, 2, 2, 0, 0), 0, 1},
        {1, 0, 0, EncodeDateTime(2024, 3, 1, 12, 0, 0), EncodeDateTime(2024, 3, 6, 12, 0, 0), 0, 1},
        {1, 0, 0, EncodeDate(2024, 3, 1), EncodeDate(2024, 3, 6), 1200, 2},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        TExportBatch batch;
        batch.Project = Project.get();
        batch.Type.Name = "Teil";
        batch.Type.IncDay = c.IncDay;
        batch.Type.IncHour = c.IncHour;
        batch.Type.IncMin = c.IncMin;
        batch.Fields = Fields;
        batch.Format = efCSV;
        batch.Folder = (Dir / ("batch" + std::to_string(n++))).string();
        batch.Start = c.Start;
        batch.End = c.End;
        batch.Increment = c.Increment;
        batch.Threads = c.Threads;
        const TBatchResult result = batch.Run();
        ASSERT_EQ(result.Failed, 0);
        ASSERT_GT(result.Files.size(), 2u);
        for (const TBatchFile& file : result.Files)
            EXPECT_EQ(ReadFile(file.Path), ExportAlone(file.Start, file.End, c.Increment, file.FileName))
                << file.FileName;
    }
}

TEST_F(BatchDayReaderTest, ADayIsDecodedOnceForItsPeriodsAndAgainWhenItsFileGrew)
{
    TBatchDayReader reader;
    TExportData engine;
    engine.Threads = 1;
    engine.DayReader = &reader;
    const TDateTime day3 = EncodeDate(2024, 3, 3);
    auto exportHour = [&](int hour) {
        const TDateTime start = day3 + hour / 24.0, end = day3 + (hour + 1) / 24.0;
        const std::string name = "hour" + std::to_string(hour) + ".csv";
        const fs::path file = Dir / "shared" / name;
        EXPECT_EQ(engine.Export(Project.get(), nullptr, file.string(), efCSV, start, end, 0, Fields), 0);
        EXPECT_EQ(ReadFile(file), ExportAlone(start, end, 0, name)) << name;
    };
    for (int hour = 0; hour < 12; ++hour)
        exportHour(hour);
    EXPECT_EQ(reader.DaysFromMemory, 11u);

    // A record appended to the day file (as while logging) is found by the next period.
    exporttest::AppendToDay(*Project, day3, RecordLine(day3 + (12 * 60 + 7) / 1440.0, {77.0, 7.0}) + "\r\n");
    exportHour(12);
    EXPECT_EQ(reader.DaysFromMemory, 11u);
    EXPECT_NE(ReadFile(Dir / "shared" / "hour12.csv").find("03.03.2024 12:07:00"), std::string::npos);
    exportHour(13);
    EXPECT_EQ(reader.DaysFromMemory, 12u);
}

TEST_F(BatchDayReaderTest, ADayBeyondTheBoundIsReadForEachPeriod)
{
    TBatchDayReader reader;
    reader.MaxKeptBytes = 1000;
    TExportData engine;
    engine.Threads = 1;
    engine.DayReader = &reader;
    const TDateTime day1 = EncodeDate(2024, 3, 1);
    for (int hour = 0; hour < 3; ++hour) {
        const std::string name = "bound" + std::to_string(hour) + ".csv";
        const TDateTime start = day1 + hour / 24.0, end = day1 + (hour + 1) / 24.0;
        ASSERT_EQ(engine.Export(Project.get(), nullptr, (Dir / name).string(), efCSV, start, end, 0, Fields), 0);
        EXPECT_EQ(ReadFile(Dir / name), ExportAlone(start, end, 0, name));
    }
    EXPECT_EQ(reader.DaysFromMemory, 0u);
}

}  // namespace
