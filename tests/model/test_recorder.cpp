// Recording to day files: the sampling interval with a clock that jumps back, trigger values, the day
// file by the record's own time, the start of the measurement, and the log lines of a day file that
// cannot be written. Records are handed in as the decoder hands them over.
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "model/DayFiles.h"
#include "model/Project.h"
#include "model/Recorder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace {

namespace fs = std::filesystem;

struct RecorderTest : ::testing::Test {
    testsupport::TempDir Dir;
    TProject Project;
    TRecorder Recorder;
    TDateTime Clock = EncodeDateTime(2026, 12, 9, 12, 0, 0);
    std::vector<std::string> Logged;

    void SetUp() override
    {
        SetGermanFormatSettings();
        Project.Root = Dir.Path().string();
        Project.RecordingToFile = true;
        Project.FieldNames[ftCounter] = {"Brenner"};
        SetClockOverride([this] { return Clock; });
        SetLogCallbacks([this](const std::string& text) { Logged.push_back(text); }, nullptr);
    }
    void TearDown() override
    {
        ClearLogCallbacks();
        SetClockOverride(nullptr);
    }

    // A record with the given controller time and counter value, through a decoder as from the line.
    void Feed(TDateTime rt, int counter = 1)
    {
        const TDateTimeParts p = DecodeDateTime(rt);
        char text[96];
        std::snprintf(text, sizeof text, "=MD/n%d/y%02d.%02d.%02d/z%02d:%02d:%02d#", counter, p.Day, p.Month,
                      p.Year % 100, p.Hour, p.Minute, p.Second);
        TOrvaProtocol decoder;
        int records = 0;
        decoder.SetOnRecord([&](const std::string& line, const TDecodedRecord& record) {
            ++records;
            Recorder.Record(&Project, line, record);
        });
        decoder.ProcessData(text);
        ASSERT_EQ(records, 1) << text;
    }

    std::vector<std::string> DayLines(TDateTime day) const
    {
        std::vector<std::string> lines;
        std::istringstream text(testsupport::ReadFile(DataFileName(Project, day)));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        return lines;
    }
};

TEST_F(RecorderTest, SamplingIntervalClockJumpsAndTrigger)
{
    const TDateTime t0 = EncodeDateTime(2026, 12, 9, 12, 0, 0);
    const TDateTime second = 1.0 / 86400;
    Project.SamplingInterval = 30;
    for (int s = 0; s <= 70; s += 10)
        Feed(t0 + s * second);
    // 0, 30 and 60 s: the interval counts from the last recorded record.
    EXPECT_EQ(DayLines(t0).size(), 3u);
    EXPECT_EQ(Project.RecordStart, t0);
    EXPECT_EQ(Project.LastSaved, t0 + 60 * second);

    // The controller's clock is set back an hour: recording goes on at once instead of waiting an hour.
    Feed(t0 - 3600 * second);
    EXPECT_EQ(DayLines(t0).size(), 4u);

    // With a trigger only records whose field is above 0 are recorded.
    Project.SamplingInterval = 0;
    Project.TriggerField = "Brenner (Zähler)";
    Feed(t0 + 100 * second, 0);
    Feed(t0 + 110 * second, 1);
    EXPECT_EQ(DayLines(t0).size(), 5u);
    // A trigger naming no field of the record does not stop recording.
    Project.TriggerField = "Unbekannt";
    Feed(t0 + 120 * second, 0);
    EXPECT_EQ(DayLines(t0).size(), 6u);

    // Recording off: nothing is written, and the sampling state stays.
    Project.RecordingToFile = false;
    Feed(t0 + 200 * second);
    EXPECT_EQ(DayLines(t0).size(), 6u);
    EXPECT_EQ(Project.LastSaved, t0 + 120 * second);
    EXPECT_EQ(Project.RecordStart, t0);
}

TEST_F(RecorderTest, DayFileFollowsTheRecordTimeNotThePcTime)
{
    // The controller says 23:59:59 on New Year's Eve while the PC is already in the new year.
    Clock = EncodeDateTime(2027, 1, 1, 0, 0, 5);
    const TDateTime rt = EncodeDateTime(2026, 12, 31, 23, 59, 59);
    Feed(rt);
    EXPECT_EQ(DayLines(rt).size(), 1u);
    EXPECT_FALSE(fs::exists(DataFileName(Project, Clock)));
    EXPECT_EQ(Project.RecordStart, rt);
}

TEST_F(RecorderTest, AFailingDayFileIsReportedOnceAMinuteAndWhenItWorksAgain)
{
    Project.SamplingInterval = 0;
    // A file where the data folder should be: no day file can be created under it.
    const fs::path blocked = Dir / "data";
    testsupport::WriteFile(blocked, "");
    const TDateTime second = 1.0 / 86400;
    const TDateTime t0 = Clock;
    const std::string fileName = DataFileName(Project, t0);
    const std::string failure = "Fehler beim Schreiben der Datei \"" + fileName + "\"! (";

    Feed(t0);
    ASSERT_EQ(Logged.size(), 1u);
    EXPECT_EQ(Logged[0].rfind(failure, 0), 0u) << Logged[0];
    // Further failures within the minute are not repeated; the sampling state moves on regardless.
    Clock += 59 * second;
    Feed(t0 + 59 * second);
    EXPECT_EQ(Logged.size(), 1u);
    EXPECT_EQ(Project.LastSaved, t0 + 59 * second);
    Clock += 1 * second;
    Feed(t0 + 60 * second);
    ASSERT_EQ(Logged.size(), 2u);
    EXPECT_EQ(Logged[1].rfind(failure, 0), 0u) << Logged[1];

    // Writable again: one line says so, the next record writes silently.
    fs::remove(blocked);
    Feed(t0 + 61 * second);
    Feed(t0 + 62 * second);
    ASSERT_EQ(Logged.size(), 3u);
    EXPECT_EQ(Logged[2], "Die Datei \"" + fileName + "\" wird wieder geschrieben.");
    EXPECT_EQ(DayLines(t0).size(), 2u);
}

}  // namespace
