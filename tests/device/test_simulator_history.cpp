// The simulator's history mode: past days of the simulated controller written into a project's day
// files as the logger records them, each day once.
#include "model/DayFiles.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "protocol/RecordDecoder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace dedezuviv::protocol;
using namespace dedezuviv::model;

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

std::string RunHistory(const TempDir& dir, const std::string& arguments, int& exitCode)
{
    const std::string out = (dir / "history.out").string();
    const std::string command = ShellQuote(testsupport::ToolPath("dedezuviv-simulator").string()) + " " + arguments +
                                " >" + ShellQuote(out) + " 2>&1";
    const int status = std::system(command.c_str());
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ReadFile(out);
}

// An empty project "Haus.p-p" in the folder, recording every Interval seconds.
bool SaveProject(const TempDir& dir, int interval, TProject& project)
{
    project.SetFileName((dir / "Haus.p-p").string());
    project.SamplingInterval = interval;
    int result = 0;
    std::string error;
    SaveProjectFile(project, project.GetFileName(), result, error);
    return result == 0;
}

TEST(SimulatorHistoryTest, WritesTheRecordedLinesOfThePastDaysOnceAtTheProjectsInterval)
{
    TempDir dir;
    TProject project;
    ASSERT_TRUE(SaveProject(dir, 60, project));

    int exitCode = -1;
    const std::string output = RunHistory(dir, "--history " + ShellQuote(project.GetFileName()) + " --days 2", exitCode);
    ASSERT_EQ(exitCode, 0) << output;
    // Two days back from now touch three calendar days.
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(project.GetDataDir("data")))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 3u) << output;

    // Every line is a valid record with a controller time and a reception time, one minute apart.
    size_t lines = 0;
    TDateTime previous = 0;
    TOrvaProtocol decoder;
    bool spacing = true;
    decoder.SetOnRecord([&](const std::string& line, const TDecodedRecord& record) {
        ++lines;
        EXPECT_NE(line.find("/r"), std::string::npos) << line;
        EXPECT_EQ(record.Header.RT, record.Header.PC);
        if (previous != 0 && SecondsBetween(previous, record.Header.RT) != 60)
            spacing = false;
        previous = record.Header.RT;
        EXPECT_EQ(record.Counts[ftTemperature], 5);
    });
    std::sort(files.begin(), files.end());
    size_t textLines = 0;
    for (const fs::path& file : files) {
        const std::string text = ReadFile(file);
        textLines += static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
        decoder.ProcessData(text);
    }
    EXPECT_EQ(lines, textLines);
    EXPECT_NEAR(static_cast<double>(lines), 2 * 1440, 2);
    EXPECT_TRUE(spacing);

    // Days that have a file are left alone.
    const std::string before = ReadFile(files.back());
    const std::string again = RunHistory(dir, "--history " + ShellQuote(project.GetFileName()) + " --days 2", exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(again.find("0 Tagesdateien geschrieben"), std::string::npos) << again;
    EXPECT_EQ(ReadFile(files.back()), before);

    // A project that does not exist.
    EXPECT_NE(RunHistory(dir, "--history " + ShellQuote((dir / "fehlt.p-p").string()), exitCode).find("fehlt.p-p"),
              std::string::npos);
    EXPECT_EQ(exitCode, 1);
}

TEST(SimulatorHistoryTest, TheHistoryHasTheShapeOfAHeatingDay)
{
    TempDir dir;
    TProject project;
    ASSERT_TRUE(SaveProject(dir, 10, project));
    int exitCode = -1;
    const std::string output =
        RunHistory(dir, "--history " + ShellQuote(project.GetFileName()) + " --days 2 --seed 7", exitCode);
    ASSERT_EQ(exitCode, 0) << output;

    // Per hour of the day: sums of the outside and flow temperatures; burner runs by the hour they
    // started; whether the hot-water pump ran.
    struct THour {
        double Outdoor = 0, Flow = 0;
        int Records = 0;
        bool HotWaterPump = false;
    };
    THour hours[24];
    std::vector<std::pair<int, double>> runs;  // start hour, minutes
    TDateTime runStart = 0;
    TOrvaProtocol decoder;
    decoder.SetOnRecord([&](const std::string&, const TDecodedRecord& record) {
        int hour = 0, minute = 0, second = 0, ms = 0;
        DecodeTime(record.Header.RT, hour, minute, second, ms);
        THour& h = hours[hour];
        h.Outdoor += record.Values[ftTemperature][0].FloatValue;
        h.Flow += record.Values[ftTemperature][2].FloatValue;
        ++h.Records;
        const bool burner = record.Values[ftOutput][0].IntValue != 0;
        if (record.Values[ftOutput][2].IntValue != 0)
            h.HotWaterPump = true;
        if (burner && runStart == 0)
            runStart = record.Header.RT;
        if (!burner && runStart != 0) {
            int startHour = 0;
            DecodeTime(runStart, startHour, minute, second, ms);
            runs.emplace_back(startHour, SecondsBetween(runStart, record.Header.RT) / 60.0);
            runStart = 0;
        }
    });
    for (const auto& entry : fs::directory_iterator(project.GetDataDir("data")))
        decoder.ProcessData(ReadFile(entry.path()));

    const auto mean = [&](int from, int to, double THour::*value) {
        double sum = 0;
        int count = 0;
        for (int h = from; h < to; ++h) {
            sum += hours[h].*value;
            count += hours[h].Records;
        }
        return sum / std::max(1, count);
    };
    const auto meanRun = [&](int from, int to) {
        double sum = 0;
        int count = 0;
        for (const auto& [hour, minutes] : runs)
            if (hour >= from && hour < to) {
                sum += minutes;
                ++count;
            }
        return count > 0 ? sum / count : 0.0;
    };
    // Cold early morning, mild afternoon; the heating curve gives the warmer flow at night.
    EXPECT_LT(mean(3, 6, &THour::Outdoor) + 3, mean(13, 16, &THour::Outdoor));
    EXPECT_GT(mean(3, 6, &THour::Flow), mean(13, 16, &THour::Flow) + 2);
    // The burner runs longer at night.
    EXPECT_GT(meanRun(0, 6), meanRun(12, 18));
    // Hot water is charged in the morning and in the evening.
    EXPECT_TRUE(hours[5].HotWaterPump || hours[6].HotWaterPump);
    EXPECT_TRUE(hours[17].HotWaterPump);
}

}  // namespace
