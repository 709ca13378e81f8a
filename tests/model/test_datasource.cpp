// The data source's handling of one record and of port errors: sampling interval, a clock that jumps
// back, trigger values, the display pause, the day file by the record's time, the acknowledgement text
// and the error throttle. Records are handed in as the decoder hands them over.
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "model/DataSource.h"
#include "model/DayFiles.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class CountingDisplay : public IRecordDisplay {
public:
    void ShowRecord(const TDecodedRecord&) override { ++Shown; }
    void AddTerminalLine(const std::string&) override {}
    int Shown = 0;
};

struct DataSourceTest : ::testing::Test {
    testsupport::TempDir Dir;
    TDataSource Source;
    TProject* Project = nullptr;
    TDateTime Clock = EncodeDateTime(2026, 12, 9, 12, 0, 0);

    void SetUp() override
    {
        SetGermanFormatSettings();
        auto project = std::make_unique<TProject>();
        project->Root = Dir.Path().string();
        project->RecordingToFile = true;
        project->FieldNames[ftCounter] = {"Brenner"};
        ReplaceCurrentProject(std::move(project));
        Project = CurrentProject();
        SetClockOverride([this] { return Clock; });
    }
    void TearDown() override
    {
        SetClockOverride(nullptr);
        CloseCurrentProject();
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
            Source.HandleRecord(line, record);
        });
        decoder.ProcessData(text);
        ASSERT_EQ(records, 1) << text;
    }

    std::vector<std::string> DayLines(TDateTime day) const
    {
        std::vector<std::string> lines;
        std::istringstream text(testsupport::ReadFile(DataFileName(*Project, day)));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        return lines;
    }
};

TEST_F(DataSourceTest, SamplingIntervalClockJumpsAndTrigger)
{
    const TDateTime t0 = EncodeDateTime(2026, 12, 9, 12, 0, 0);
    const TDateTime second = 1.0 / 86400;
    Project->SamplingInterval = 30;
    for (int s = 0; s <= 70; s += 10)
        Feed(t0 + s * second);
    // 0, 30 and 60 s: the interval counts from the last recorded record.
    EXPECT_EQ(DayLines(t0).size(), 3u);

    // The controller's clock is set back an hour: recording goes on at once instead of waiting an hour.
    Feed(t0 - 3600 * second);
    EXPECT_EQ(DayLines(t0).size(), 4u);

    // With a trigger only records whose field is above 0 are recorded.
    Project->SamplingInterval = 0;
    Project->TriggerField = "Brenner (Zähler)";
    Feed(t0 + 100 * second, 0);
    Feed(t0 + 110 * second, 1);
    EXPECT_EQ(DayLines(t0).size(), 5u);
    // A trigger naming no field of the record does not stop recording.
    Project->TriggerField = "Unbekannt";
    Feed(t0 + 120 * second, 0);
    EXPECT_EQ(DayLines(t0).size(), 6u);
}

TEST_F(DataSourceTest, DayFileFollowsTheRecordTimeNotThePcTime)
{
    // The controller says 23:59:59 on New Year's Eve while the PC is already in the new year.
    Clock = EncodeDateTime(2027, 1, 1, 0, 0, 5);
    const TDateTime rt = EncodeDateTime(2026, 12, 31, 23, 59, 59);
    Feed(rt);
    EXPECT_EQ(DayLines(rt).size(), 1u);
    EXPECT_FALSE(fs::exists(DataFileName(*Project, Clock)));
    EXPECT_EQ(Project->RecordStart, rt);

    EXPECT_EQ(TDataSource::AcknowledgementText(EncodeDateTime(2027, 1, 1, 0, 0, 0)), "ACK 01012027 000000\n\r");
    EXPECT_EQ(TDataSource::AcknowledgementText(EncodeDateTime(2026, 12, 31, 23, 59, 59)),
              "ACK 31122026 235959\n\r");
}

TEST_F(DataSourceTest, DisplayPausesDuringABurstOnlyWhileThePortIsOpen)
{
    CountingDisplay display;
    SetRecordDisplay(&display);
    // Without an open port (a card import) nothing is shown.
    Feed(Clock);
    EXPECT_EQ(display.Shown, 0);

    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    Source.SetPortName(pty.EndA());
    Source.Start();
    ASSERT_TRUE(Source.IsActive());
    const TDateTime ms = 1.0 / 86400000;
    Clock += 1000 * ms;
    Feed(Clock);  // 1 s after the last record: shown
    Clock += 300 * ms;
    Feed(Clock);  // 300 ms later: recorded, not shown
    Clock += 601 * ms;
    Feed(Clock);  // more than 600 ms: shown again
    EXPECT_EQ(display.Shown, 2);
    Source.Stop();
    SetRecordDisplay(nullptr);
}

TEST_F(DataSourceTest, PortErrorsAreThrottledPerBurst)
{
    std::vector<std::string> lines;
    SetLogCallbacks(nullptr, [&](const std::string& text) { lines.push_back(text); });
    const TDateTime ms = 1.0 / 86400000;
    for (int i = 0; i < 20; ++i) {
        Clock += 10 * ms;
        Source.HandlePortError(nullptr, 9804, 5, "Error reading Data", 0);
    }
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "Error reading Data Code=5");
    EXPECT_EQ(lines[9], "Skip repeated messages!");
    // After a pause longer than the burst gap the next error is shown again.
    Clock += 501 * ms;
    Source.HandlePortError(nullptr, 9804, 5, "Error reading Data", 0);
    EXPECT_EQ(lines.size(), 11u);
    ClearLogCallbacks();
}

}  // namespace
