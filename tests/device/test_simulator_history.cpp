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

TEST(SimulatorHistoryTest, WritesTheRecordedLinesOfThePastDaysOnceAtTheProjectsInterval)
{
    TempDir dir;
    TProject project;
    project.SetFileName((dir / "Haus.p-p").string());
    project.SamplingInterval = 60;
    int result = 0;
    std::string error;
    SaveProjectFile(project, project.GetFileName(), result, error);
    ASSERT_EQ(result, 0) << error;

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

}  // namespace
