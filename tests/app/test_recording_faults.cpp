// The logger recording under faults, run as the real program against the simulator: the data folder
// runs full (a file size limit set on the running logger), and the logger is killed with SIGKILL.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/resource.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testsupport::BackgroundProgram;
using testsupport::Contains;
using testsupport::ReadFile;
using testsupport::WaitFor;

struct DayFileState {
    std::vector<std::string> Lines;  // the lines ended by CR LF
    std::string Unfinished;         // text after the last line end
    uintmax_t Bytes = 0;
};

DayFileState ReadDayFiles(const fs::path& folder)
{
    DayFileState state;
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return state;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string content = ReadFile(entry.path());
        state.Bytes += content.size();
        size_t start = 0;
        for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
            state.Lines.push_back(content.substr(start, end - start));
        state.Unfinished += content.substr(start);
    }
    return state;
}

bool WholeRecord(const std::string& line) { return std::regex_match(line, std::regex("=MD/p[0-9]{6}/[^#\r\n]*#")); }

// Still running and not a zombie.
bool Running(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidText, name, state;
    stat >> pidText >> name >> state;
    return stat && state != "Z";
}

bool SetFileSizeLimit(int pid, rlim_t bytes)
{
    rlimit limit{};
    if (prlimit(pid, RLIMIT_FSIZE, nullptr, &limit) != 0)
        return false;
    limit.rlim_cur = bytes;
    return prlimit(pid, RLIMIT_FSIZE, &limit, nullptr) == 0;
}

struct RecordingFaultTest : ::testing::Test {
    testsupport::TempDir Dir;
    fs::path Project = Dir / "Haus.p-p";
    fs::path Data = Dir / "Haus" / "data";
    fs::path Out = Dir / "out.txt";

    void SetUp() override
    {
        testsupport::WriteFile(Project, "[General]\r\nName=Haus\r\nSamplingInterval=0\r\n"
                                        "[Field Definitions]\r\nTemperature=Aussen,Kessel\r\n");
    }

    bool StartLogger(BackgroundProgram& logger, const std::string& port)
    {
        BackgroundProgram::Options options;
        options.Environment = {{"XDG_CONFIG_HOME", (Dir / "config").string()}, {"HOME", Dir.Path().string()}};
        options.Unset = {"DISPLAY", "WAYLAND_DISPLAY"};
        options.StdoutFile = Out;
        options.StderrFile = Dir / "err.txt";
        return logger.Start(testsupport::LoggerPath(),
                            {"-headless", "/PROJECT=" + Project.string(), "/PORT=" + port, "/START"}, options);
    }
};

}  // namespace

TEST_F(RecordingFaultTest, FullDataFolderIsReportedWithoutHalfLinesAndRecordingResumes)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    // The simulator notes every acknowledgement: the records the logger has handled.
    BackgroundProgram simulator;
    BackgroundProgram::Options simulatorOptions;
    simulatorOptions.StdoutFile = Dir / "simulator.txt";
    ASSERT_TRUE(simulator.Start(testsupport::ToolPath("dedezuviv-simulator"),
                                {"--device", pty.EndB(), "--interval", "0.1", "-v"}, simulatorOptions));
    const auto acknowledged = [&] {
        const std::string notes = ReadFile(Dir / "simulator.txt");
        size_t n = 0;
        for (size_t at = notes.find("ACK OK"); at != std::string::npos; at = notes.find("ACK OK", at + 1))
            ++n;
        return n;
    };
    BackgroundProgram logger;
    ASSERT_TRUE(StartLogger(logger, pty.EndA()));
    ASSERT_TRUE(WaitFor([&] { return ReadDayFiles(Data).Lines.size() >= 5; }, 30000)) << ReadFile(Out);

    // No room for another whole line: the next one gets only a few bytes into the file before the write
    // fails (as on a full disk).
    const int pid = logger.ProcessId();
    ASSERT_TRUE(SetFileSizeLimit(pid, static_cast<rlim_t>(ReadDayFiles(Data).Bytes + 20)));
    ASSERT_TRUE(WaitFor([&] { return Contains(ReadFile(Out), "Fehler beim Schreiben der Datei \""); }, 30000))
        << ReadFile(Out);
    // Some more records arrive and fail while the data folder is full.
    const size_t acknowledgedAtFailure = acknowledged();
    ASSERT_TRUE(WaitFor([&] { return acknowledged() >= acknowledgedAtFailure + 10; }, 30000)) << ReadFile(Out);
    const size_t failuresSeen = [&] {
        size_t n = 0;
        const std::string out = ReadFile(Out);
        for (size_t at = out.find("Fehler beim Schreiben"); at != std::string::npos;
             at = out.find("Fehler beim Schreiben", at + 1))
            ++n;
        return n;
    }();
    // With its reason, and once for the burst of failing records, not once per record.
    EXPECT_EQ(failuresSeen, 1u);
    EXPECT_TRUE(Contains(ReadFile(Out), "\"! (Die Datei überschreitet die zulässige Größe)\n")) << ReadFile(Out);
    ASSERT_TRUE(Running(pid)) << "the logger ended while the data folder was full";
    DayFileState full = ReadDayFiles(Data);
    EXPECT_EQ(full.Unfinished, "");
    for (const std::string& line : full.Lines)
        EXPECT_TRUE(WholeRecord(line)) << line;

    // Space again: recording resumes by itself.
    ASSERT_TRUE(SetFileSizeLimit(pid, RLIM_INFINITY));
    ASSERT_TRUE(WaitFor([&] { return ReadDayFiles(Data).Lines.size() >= full.Lines.size() + 5; }, 30000))
        << ReadFile(Out);
    EXPECT_TRUE(Contains(ReadFile(Out), "\" wird wieder geschrieben.\n")) << ReadFile(Out);
    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Wait(15000), 0);
    const DayFileState after = ReadDayFiles(Data);
    EXPECT_EQ(after.Unfinished, "");
    for (const std::string& line : after.Lines)
        EXPECT_TRUE(WholeRecord(line)) << line;
}

TEST_F(RecordingFaultTest, KilledLoggerLeavesOnlyWholeLinesOnceRestarted)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, pty.EndB(), {"--interval", "0.02"}));
    size_t lines = 0;
    for (int round = 0; round < 3; ++round) {
        BackgroundProgram logger;
        ASSERT_TRUE(StartLogger(logger, pty.EndA()));
        // Killed in the middle of recording: some lines after its start.
        ASSERT_TRUE(WaitFor([&] { return ReadDayFiles(Data).Lines.size() >= lines + 10; }, 30000))
            << "round " << round << "\n" << ReadFile(Out) << ReadFile(Dir / "err.txt");
        logger.Signal(SIGKILL);
        EXPECT_EQ(logger.Wait(10000), 128 + SIGKILL);
        const DayFileState state = ReadDayFiles(Data);
        // Every line ended is whole; at most the start of one line may follow (the kernel can cut a
        // write that crosses a page of the file), and the next start cuts it off.
        for (const std::string& line : state.Lines)
            ASSERT_TRUE(WholeRecord(line)) << "round " << round << ": " << line;
        EXPECT_EQ(state.Unfinished.find('\n'), std::string::npos);
        lines = state.Lines.size();
    }
    BackgroundProgram logger;
    ASSERT_TRUE(StartLogger(logger, pty.EndA()));
    ASSERT_TRUE(WaitFor([&] { return ReadDayFiles(Data).Lines.size() >= lines + 3; }, 30000)) << ReadFile(Out);
    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Wait(15000), 0);
    const DayFileState final = ReadDayFiles(Data);
    EXPECT_EQ(final.Unfinished, "");
    for (const std::string& line : final.Lines)
        EXPECT_TRUE(WholeRecord(line)) << line;
}
