// Logging goes on while an export runs: the export lets pending main-thread work run (about every
// 50 ms), so records that the controller sends meanwhile are recorded and acknowledged in time. The
// controller is the simulator on a pty pair; it checks every acknowledgement itself.
#include "base/FormatSettings.h"
#include "base/MainThread.h"
#include "export/ExportData.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::exports;

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;

TEST(ExportSerial, RecordsArrivingDuringAnExportAreRecordedAndAcknowledged)
{
    SetGermanFormatSettings();
    testsupport::PtyPair pty;
    if (!pty.Start())
        GTEST_SKIP() << "socat is missing: no pty pair";
    TTaskQueueDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);

    TempDir dir;
    auto owned = exporttest::MakeProject(dir);
    TProject* project = owned.get();
    project->RecordingToFile = true;
    project->SamplingInterval = 0;
    const TDateTime first = EncodeDate(2025, 1, 1);
    exporttest::WriteRecords(*project, first, first + 10, 10);
    std::vector<std::string> exportDays;
    for (int d = 0; d < 10; ++d)
        exportDays.push_back(fs::path(DataFileName(*project, first + d)).filename().string());
    project->Port.Name = pty.EndA();
    ReplaceCurrentProject(std::move(owned));
    StartRunningDataSource(project->Port);
    ASSERT_TRUE(LoggingActive());

    // 20 records, 0.1 s apart; the simulator fails when one is not acknowledged within 2 s.
    testsupport::BackgroundProgram simulator;
    testsupport::BackgroundProgram::Options options;
    options.StdoutFile = dir / "simulator.out";
    ASSERT_TRUE(simulator.Start(testsupport::ToolPath("dedezuviv-simulator"),
                                {"--device", pty.EndB(), "--interval", "0.1", "--count", "20", "--expect-acks"},
                                options));

    // Nothing but the exports runs the main thread's queue while the simulator sends.
    TExportData engine;
    // An export of these ten days can take less than the usual 50 ms between two looks at the queue on
    // an idle machine; a short interval makes every export look at it several times.
    engine.IdleIntervalMs = 5;
    int exports = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    while (ReadFile(dir / "simulator.out").find("records=") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        ASSERT_EQ(engine.Export(project, nullptr, (dir / "out.csv").string(), efCSV, first, first + 10, 0,
                                {"Kessel (Temperatur)", "Aussen (Temperatur)"}),
                  0)
            << engine.ErrorText;
        EXPECT_EQ(engine.RecordCount, 10 * 8640);
        ++exports;
    }
    const int simulatorExit = simulator.Wait(10000);
    const std::string report = ReadFile(dir / "simulator.out");
    FreeRunningDataSource();

    // Every record recorded: the day files of today (not the exported ones) hold the 20 lines.
    size_t recorded = 0;
    for (const auto& entry : fs::directory_iterator(project->GetDataDir("data"))) {
        const std::string name = entry.path().filename().string();
        if (std::find(exportDays.begin(), exportDays.end(), name) == exportDays.end())
            recorded += exporttest::SplitLines(ReadFile(entry.path())).size();
    }
    CloseCurrentProject();
    SetMainThreadDispatcher(nullptr);

    EXPECT_GE(exports, 2);
    EXPECT_EQ(simulatorExit, 0) << report;
    EXPECT_NE(report.find("records=20 acks=20 bad=0"), std::string::npos) << report;
    EXPECT_EQ(recorded, 20u);
}
