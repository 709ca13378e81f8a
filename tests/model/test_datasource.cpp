// The data source: the display pause, the acknowledgement text and the error throttle of one data
// source, and the life of the running one: none after loading a project, it is there only with an open
// port, it goes with its project (port closed) also from inside its own record display, and the last
// decoded header outlives it until the project goes.
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "device/SerialPort.h"
#include "model/DataSource.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/Recorder.h"
#include "model/UiInterfaces.h"
#include "support/SerialFarEnd.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace {

namespace fs = std::filesystem;

class CountingDisplay : public IRecordDisplay {
public:
    void ShowRecord(const TDecodedRecord&) override
    {
        ++Shown;
        if (OnShow)
            OnShow();
    }
    void AddTerminalLine(const std::string&) override {}
    int Shown = 0;
    std::function<void()> OnShow;
};

const char* const Record = "=MD/p100013/v0102/t+055,50/n1234,50/y08.12.26/z14:26:50#\r\n";

// Hands the records of Text to the data source as its decoder would.
void Feed(TDataSource& source, const std::string& text)
{
    TOrvaProtocol decoder;
    decoder.SetOnRecord(
        [&](const std::string& line, const TDecodedRecord& record) { source.HandleRecord(line, record); });
    decoder.ProcessData(text);
}

struct DataSourceTest : ::testing::Test {
    testsupport::TempDir Dir;
    TRecorder Recorder;
    TDataSource Source{TPortSettings{}, Recorder};
    TDateTime Clock = EncodeDateTime(2026, 12, 9, 12, 0, 0);

    void SetUp() override
    {
        SetGermanFormatSettings();
        auto project = std::make_unique<TProject>();
        project->Root = Dir.Path().string();
        project->RecordingToFile = true;
        ReplaceCurrentProject(std::move(project));
        SetClockOverride([this] { return Clock; });
    }
    void TearDown() override
    {
        SetClockOverride(nullptr);
        CloseCurrentProject();
    }
};

TEST_F(DataSourceTest, AcknowledgementCarriesThePcTime)
{
    EXPECT_EQ(TDataSource::AcknowledgementText(EncodeDateTime(2027, 1, 1, 0, 0, 0)), "ACK 01012027 000000\n\r");
    EXPECT_EQ(TDataSource::AcknowledgementText(EncodeDateTime(2026, 12, 31, 23, 59, 59)),
              "ACK 31122026 235959\n\r");
}

TEST_F(DataSourceTest, DisplayPausesDuringABurstOnlyWhileThePortIsOpen)
{
    CountingDisplay display;
    SetRecordDisplay(&display);
    // Without an open port nothing is shown, but the record is recorded.
    Feed(Source, Record);
    EXPECT_EQ(display.Shown, 0);
    EXPECT_EQ(Source.RecordCount, 1u);
    EXPECT_EQ(CurrentProject()->RecordStart, EncodeDateTime(2026, 12, 8, 14, 26, 50));

    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    TDataSource open(TPortSettings{pty.EndA()}, Recorder);
    open.Start();
    ASSERT_TRUE(open.IsActive());
    const TDateTime ms = 1.0 / 86400000;
    Clock += 1000 * ms;
    Feed(open, Record);  // the first record: shown
    Clock += 300 * ms;
    Feed(open, Record);  // 300 ms later: recorded, not shown
    Clock += 601 * ms;
    Feed(open, Record);  // more than 600 ms: shown again
    EXPECT_EQ(display.Shown, 2);
    open.Stop();
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

TEST_F(DataSourceTest, FailedWritesAreCountedAlsoWithoutDebugMode)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    TDataSource open(TPortSettings{pty.EndA()}, Recorder);
    open.Start();
    ASSERT_TRUE(open.IsActive());
    const auto report = [&](uint32_t place) { open.Port()->OnProcessError(open.Port(), place, 5, "Fehler", 0); };
    for (const uint32_t place : {903u, 9701u, 9702u, 901u})
        report(place);
    report(9804);  // a read error is no failed acknowledgement
    EXPECT_EQ(open.WriteErrorCount, 4u);
    open.Stop();
}

// ---------------------------------------------------------------- the running data source

size_t ThreadCount()
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

// Whether another open of the device could take it for itself (the port holds an exclusive lock).
bool PortFree(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

// The controller's end of the line.
using FarEnd = testsupport::SerialFarEnd;

struct DataSourceRunningTest : ::testing::Test {
    testsupport::TempDir Dir;
    testsupport::PtyPair Pty;
    TTaskQueueDispatcher Dispatcher;
    CountingDisplay Display;

    void SetUp() override
    {
        ASSERT_TRUE(Pty.Start());
        SetMainThreadDispatcher(&Dispatcher);
        SetRecordDisplay(&Display);
        auto project = std::make_unique<TProject>();
        project->Root = Dir.Path().string();
        project->Port.Name = Pty.EndA();
        ReplaceCurrentProject(std::move(project));
    }
    void TearDown() override
    {
        CloseCurrentProject();
        SetRecordDisplay(nullptr);
        SetMainThreadDispatcher(nullptr);
    }

    bool RunTasksUntil(const std::function<bool()>& done)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            Dispatcher.WaitAndRunTasks(20);
        }
        return true;
    }
};

TEST_F(DataSourceRunningTest, LoadingAProjectOpensNoPortAndStartsNoThread)
{
    int result = -1;
    std::string error;
    SaveProjectFile(*CurrentProject(), (Dir / "Haus.p-p").string(), result, error);
    ASSERT_EQ(result, 0) << error;
    const size_t threads = ThreadCount();
    LoadProjectFile((Dir / "Haus.p-p").string(), result, error);
    ASSERT_EQ(result, 0) << error;
    EXPECT_EQ(CurrentProject()->Port.Name, Pty.EndA());
    EXPECT_EQ(RunningDataSource(), nullptr);
    EXPECT_LE(ThreadCount(), threads);
    EXPECT_TRUE(PortFree(Pty.EndA()));
}

TEST_F(DataSourceRunningTest, RunsOnlyWithAnOpenPortAndGoesWithItsProject)
{
    ASSERT_NE(StartRunningDataSource(CurrentProject()->Port), nullptr);
    EXPECT_TRUE(LoggingActive());
    EXPECT_EQ(RunningDataSource()->GetPortName(), Pty.EndA());
    EXPECT_FALSE(PortFree(Pty.EndA()));

    ReplaceCurrentProject(std::make_unique<TProject>());
    EXPECT_EQ(RunningDataSource(), nullptr);
    EXPECT_TRUE(PortFree(Pty.EndA()));

    // A port that does not open leaves nothing running.
    EXPECT_EQ(StartRunningDataSource(TPortSettings{(Dir / "kein-port").string()}), nullptr);
    EXPECT_EQ(StartRunningDataSource(TPortSettings{}), nullptr);
    EXPECT_FALSE(LoggingActive());
}

TEST_F(DataSourceRunningTest, TheLastHeaderOutlivesTheDataSourceUntilTheProjectGoes)
{
    TDataSource* source = StartRunningDataSource(CurrentProject()->Port);
    ASSERT_NE(source, nullptr);
    source->Decoder()->ProcessData(Record);
    FreeRunningDataSource();
    uint8_t frameKind = 0;
    TRecordHeader header;
    LastDecodedHeader(frameKind, header);
    EXPECT_EQ(header.Program, 13);
    EXPECT_EQ(frameKind, frEquals);

    // A new start begins with an empty decoder, as does another project.
    ASSERT_NE(StartRunningDataSource(CurrentProject()->Port), nullptr);
    LastDecodedHeader(frameKind, header);
    EXPECT_EQ(header.Program, 0);
    RunningDataSource()->Decoder()->ProcessData(Record);
    CloseCurrentProject();
    LastDecodedHeader(frameKind, header);
    EXPECT_EQ(header.Program, 0);
}

TEST_F(DataSourceRunningTest, ClosingTheProjectFromInsideTheRecordDisplay)
{
    FarEnd controller(Pty.EndB());
    ASSERT_NE(StartRunningDataSource(CurrentProject()->Port), nullptr);
    // The display lets events run, and one of them closes the project with its logging.
    Display.OnShow = [] { CloseCurrentProject(); };
    ASSERT_TRUE(controller.Write(Record));
    ASSERT_TRUE(RunTasksUntil([&] { return Display.Shown == 1; }));
    EXPECT_EQ(CurrentProject(), nullptr);
    EXPECT_EQ(RunningDataSource(), nullptr);
    EXPECT_TRUE(PortFree(Pty.EndA()));
    // The handler stopped where its data source went: the record was not acknowledged.
    Dispatcher.WaitAndRunTasks(50);
    EXPECT_EQ(controller.ReadAvailable(), "");

    // The same line with the project open is acknowledged, which shows the far end hears the port.
    auto project = std::make_unique<TProject>();
    project->Port.Name = Pty.EndA();
    ReplaceCurrentProject(std::move(project));
    Display.OnShow = nullptr;
    ASSERT_NE(StartRunningDataSource(CurrentProject()->Port), nullptr);
    ASSERT_TRUE(controller.Write(Record));
    std::string heard;
    ASSERT_TRUE(RunTasksUntil([&] {
        heard += controller.ReadAvailable();
        return heard.find("ACK ") != std::string::npos;
    }));
}

}  // namespace
