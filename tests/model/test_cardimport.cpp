// The memory-card import: the sampling interval and trigger of the project applied to a card log, the
// recording switch restored, re-imports that add nothing, blocks that cut records, junk and broken
// records, write and read failures, and dedezuviv-tool import.
#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "model/CardImport.h"
#include "model/DayFiles.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "support/RecordLines.h"
#include "support/SmallFileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::RecordLine;
using testsupport::WriteFile;

class RecordingProgress : public IProgress {
public:
    void AddLine(const std::string& text) override { Lines.push_back(text); }
    void AppendToLastLine(const std::string& text) override { Lines.back() += text; }
    void SetProgress(double percent) override
    {
        Last = percent;
        ++Calls;
        if (OnProgress)
            OnProgress();
    }
    std::vector<std::string> Lines;
    double Last = -1;
    int Calls = 0;
    std::function<void()> OnProgress;
};

struct CardImportTest : ::testing::Test {
    testsupport::TempDir Dir;
    TProject* Project = nullptr;
    const TDateTime Start = EncodeDateTime(2026, 3, 14, 23, 50, 0);
    std::vector<std::string> LogLines;

    void SetUp() override
    {
        SetGermanFormatSettings();
        auto project = std::make_unique<TProject>();
        project->Root = (Dir / "projekt").string();
        project->SamplingInterval = 0;
        ReplaceCurrentProject(std::move(project));
        Project = CurrentProject();
        SetClockOverride([] { return EncodeDateTime(2026, 12, 9, 12, 0, 0); });
        SetLogCallbacks([this](const std::string& text) { LogLines.push_back(text); }, nullptr);
    }
    void TearDown() override
    {
        ClearLogCallbacks();
        SetClockOverride(nullptr);
        CloseCurrentProject();
    }

    // Records every Step seconds from Start, each line ended by CR LF as on the serial line.
    static std::string CardRecords(TDateTime start, int count, int step, int firstIndex = 0)
    {
        std::string card;
        for (int i = firstIndex; i < firstIndex + count; ++i)
            card += RecordLine(IncSecond(start, i * step), {20.0 + i % 50, -3.5}) + "\r\n";
        return card;
    }

    std::string Card(const std::string& bytes, const std::string& name = "karte.l00") const
    {
        const fs::path path = Dir / name;
        WriteFile(path, bytes);
        return path.string();
    }

    std::vector<std::string> DayLines(TDateTime day) const
    {
        std::vector<std::string> lines;
        std::istringstream text(ReadFile(DataFileName(*Project, day)));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        return lines;
    }
    size_t AllLines() const { return DayLines(Start).size() + DayLines(Start + 1).size(); }
};

TEST_F(CardImportTest, IntervalAppliesAndRecordingSwitchIsRestored)
{
    // 120 records every 10 s over midnight; interval 90 s lets every ninth through.
    Project->SamplingInterval = 90;
    Project->RecordingToFile = false;
    const std::string card = Card(CardRecords(Start, 120, 10));
    RecordingProgress progress;
    const TCardImportResult result = ImportCardFile(card, &progress);

    ASSERT_EQ(result.Result, 0) << result.ErrorText;
    EXPECT_EQ(result.RecordCount, 120u);
    EXPECT_EQ(result.Written, 14u);  // records 0, 9, ..., 117
    EXPECT_EQ(AllLines(), 14u);
    EXPECT_EQ(DayLines(Start).front(), RecordLine(Start, {20.0, -3.5}) + "\r");
    EXPECT_EQ(DayLines(Start).size(), 7u);  // 23:50:00 ... 23:59:00 every 90 s
    EXPECT_FALSE(Project->RecordingToFile);
    EXPECT_EQ(Project->LastSaved, IncSecond(Start, 117 * 10));
    EXPECT_EQ(Project->RecordStart, Start);

    ASSERT_EQ(progress.Lines.size(), 3u);
    EXPECT_EQ(progress.Lines[0], "Lese Datei " + card + "...");
    EXPECT_EQ(progress.Lines[2],
              "120 Datensätze aus Datei karte.l00 erfolgreich eingelesen und im Projektverzeichnis abgelegt.");
    EXPECT_EQ(progress.Last, 100.0);
}

TEST_F(CardImportTest, NothingIsAcknowledgedOrShownAndTheMissingFolderIsReportedOnce)
{
    // In debug mode an acknowledgement would leave its "Gesendet: " line.
    std::vector<std::string> debugLines;
    SetLogCallbacks(nullptr, [&](const std::string& text) { debugLines.push_back(text); });
    DebugMode = true;
    int shown = 0;
    struct TCountingDisplay : IRecordDisplay {
        int& Shown;
        explicit TCountingDisplay(int& shown) : Shown(shown) {}
        void ShowRecord(const TDecodedRecord&) override { ++Shown; }
        void AddTerminalLine(const std::string&) override { ++Shown; }
    } display(shown);
    SetRecordDisplay(&display);
    const TCardImportResult result = ImportCardFile(Card(CardRecords(Start, 120, 10)), nullptr);
    SetRecordDisplay(nullptr);
    DebugMode = false;
    EXPECT_EQ(result.Result, 0);
    EXPECT_EQ(result.Written, 120u);
    EXPECT_EQ(shown, 0);
    int folderLines = 0;
    for (const std::string& line : debugLines) {
        EXPECT_EQ(line.find("Gesendet"), std::string::npos) << line;
        folderLines += line.find("neu angelegt") != std::string::npos;
    }
    EXPECT_EQ(folderLines, 1);
}

TEST_F(CardImportTest, AmountLineUsesDecimalMegabytesAndTheLocaleSeparator)
{
    EXPECT_EQ(CardImportAmountLine(1234567),
              "Es werden 1,23 MB Daten gelesen und entsprechend den Projekteinstellungen (z.B. Intervall) im "
              "Projektverzeichnis abgelegt.");
    FormatSettings().DecimalSeparator = '.';
    EXPECT_NE(CardImportAmountLine(1234567).find(" 1.23 MB"), std::string::npos);
    SetGermanFormatSettings();
}

TEST_F(CardImportTest, ReimportAddsNothingAndAGrownCardOnlyItsNewRecords)
{
    Project->SamplingInterval = 30;
    const std::string card = Card(CardRecords(Start, 60, 10));
    ASSERT_EQ(ImportCardFile(card, nullptr).Result, 0);
    const size_t first = AllLines();
    EXPECT_EQ(first, 20u);

    // The same file again: the same records are due, all already recorded.
    const TCardImportResult again = ImportCardFile(card, nullptr);
    ASSERT_EQ(again.Result, 0);
    EXPECT_EQ(again.Written, 0u);
    EXPECT_EQ(again.Duplicates, 20u);
    EXPECT_EQ(AllLines(), first);

    // The controller went on logging to the same file: only the new records are added.
    Card(CardRecords(Start, 90, 10));
    const TCardImportResult grown = ImportCardFile(card, nullptr);
    ASSERT_EQ(grown.Result, 0);
    EXPECT_EQ(grown.Written, 10u);
    EXPECT_EQ(AllLines(), 30u);

    // Also a line the live logger wrote is not written a second time.
    CloseCurrentProject();
    auto project = std::make_unique<TProject>();
    project->Root = (Dir / "projekt").string();
    project->SamplingInterval = 0;
    ReplaceCurrentProject(std::move(project));
    Project = CurrentProject();
    const std::string live = RecordLine(IncSecond(Start, 5), {1.0});
    ASSERT_TRUE(AppendLineToFile(DataFileName(*Project, Start), live));
    const TCardImportResult mixed = ImportCardFile(Card(live + "\r\n" + live + "\r\n", "live.l00"), nullptr);
    EXPECT_EQ(mixed.RecordCount, 2u);
    EXPECT_EQ(mixed.Written, 0u);
    EXPECT_EQ(mixed.Duplicates, 2u);
}

TEST_F(CardImportTest, BlocksJunkBrokenRecordsAndLineBreaksInsideRecords)
{
    // Junk pushes the second record across the first 250-byte boundary.
    const std::string a = RecordLine(Start, {1.0});
    const std::string b = RecordLine(IncSecond(Start, 10), {2.0});
    const std::string c = RecordLine(IncSecond(Start, 20), {3.0});
    const std::string d = RecordLine(IncSecond(Start, 30), {4.0});
    std::string bytes = a + "\r\n" + std::string(250 - a.size() - 2 - b.size() / 2, 'x') + b + "\r\n";
    ASSERT_LT(bytes.size() - b.size() - 2, 250u);
    ASSERT_GT(bytes.size() - 2, 250u);
    // A record cut off by a power failure takes no whole record with it when the next starts anew.
    bytes += c.substr(0, c.size() / 2) + "\r\n";
    bytes += "\x01\xffgarbage\r\n";
    // CR LF inside a record, as a card written in lines may have.
    bytes += d.substr(0, 20) + "\r\n" + d.substr(20) + "\r\n";
    const TCardImportResult result = ImportCardFile(Card(bytes), nullptr);
    ASSERT_EQ(result.Result, 0) << result.ErrorText;
    const std::vector<std::string> lines = DayLines(Start);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], a + "\r");
    EXPECT_EQ(lines[1], b + "\r");
    EXPECT_EQ(lines[2], d + "\r");
    EXPECT_EQ(result.RecordCount, 3u);
    EXPECT_EQ(result.Written, 3u);
}

TEST_F(CardImportTest, EmptyMissingAndUnreadableCards)
{
    RecordingProgress progress;
    const TCardImportResult empty = ImportCardFile(Card(""), &progress);
    EXPECT_EQ(empty.Result, 0);
    EXPECT_EQ(empty.RecordCount, 0u);
    ASSERT_EQ(progress.Lines.size(), 3u);
    EXPECT_EQ(progress.Lines[2].rfind("0 Datensätze aus Datei karte.l00 ", 0), 0u);

    const TCardImportResult missing = ImportCardFile((Dir / "fehlt.l00").string(), nullptr);
    EXPECT_EQ(missing.Result, -1);
    EXPECT_NE(missing.ErrorText.find("fehlt.l00"), std::string::npos);
    EXPECT_NE(CardImportFailureText(missing).find("Fehler beim Einlesen der Datendatei"), std::string::npos);

    const TCardImportResult folder = ImportCardFile(Dir.Path().string(), nullptr);
    EXPECT_NE(folder.Result, 0);
    EXPECT_FALSE(fs::exists(Project->GetDataDir("data")));
}

TEST_F(CardImportTest, WriteFailureEndsTheImportWithTheCountWritten)
{
    // The second day's file cannot be written: its name is taken by a folder.
    const std::string card = Card(CardRecords(Start, 120, 10));
    fs::create_directories(DataFileName(*Project, Start + 1));
    Project->RecordingToFile = true;
    const TCardImportResult result = ImportCardFile(card, nullptr);
    EXPECT_EQ(result.Result, 1);
    EXPECT_TRUE(result.WriteFailed);
    EXPECT_EQ(result.Written, 60u);  // 23:50:00 ... 23:59:50
    EXPECT_NE(result.ErrorText.find("60 Datensätze"), std::string::npos);
    EXPECT_TRUE(Project->RecordingToFile);
    EXPECT_FALSE(LogLines.empty());
}

// A card record as the controller sent it: its own time but no reception time, which the decoder then
// appends with the PC's time of the import.
std::string WithoutReceptionTime(const std::string& line)
{
    return line.substr(0, line.rfind("/r")) + "#";
}

TEST_F(CardImportTest, ReimportOfRecordsWithoutReceptionTimeAddsNothing)
{
    struct Case {
        const char* name;
        bool ownReceptionTime;
    };
    for (const Case c : {Case{"with /r", true}, Case{"without /r", false}}) {
        SCOPED_TRACE(c.name);
        fs::remove_all(Project->GetDataDir("data"));
        Project->LastSaved = 0;
        std::string card;
        for (int i = 0; i < 40; ++i) {
            const std::string line = RecordLine(IncSecond(Start, i * 30), {20.0 + i % 3});
            card += (c.ownReceptionTime ? line : WithoutReceptionTime(line)) + "\r\n";
        }
        const std::string file = Card(card);
        ASSERT_EQ(ImportCardFile(file, nullptr).Result, 0);
        EXPECT_EQ(AllLines(), 40u);
        // Later, so an appended reception time differs from the first import's.
        SetClockOverride([] { return EncodeDateTime(2026, 12, 10, 8, 30, 0); });
        Project->LastSaved = 0;
        const TCardImportResult again = ImportCardFile(file, nullptr);
        SetClockOverride([] { return EncodeDateTime(2026, 12, 9, 12, 0, 0); });
        ASSERT_EQ(again.Result, 0) << again.ErrorText;
        EXPECT_EQ(again.Written, 0u);
        EXPECT_EQ(again.Duplicates, 40u);
        EXPECT_EQ(AllLines(), 40u);
    }
}

TEST_F(CardImportTest, ShippedCaptureImportedTwiceKeepsItsLines)
{
    const std::string capture = testsupport::SourcePath("data/sample-capture.txt").string();
    const TCardImportResult first = ImportCardFile(capture, nullptr);
    ASSERT_EQ(first.Result, 0) << first.ErrorText;
    ASSERT_GT(first.Written, 0u);
    SetClockOverride([] { return EncodeDateTime(2026, 12, 9, 12, 0, 7); });
    Project->LastSaved = 0;
    const TCardImportResult second = ImportCardFile(capture, nullptr);
    EXPECT_EQ(second.Written, 0u);
    EXPECT_EQ(second.Duplicates, first.Written);
}

TEST_F(CardImportTest, CardOverlappingLiveRecordsAddsOnlyTheNewOnes)
{
    // Live logging recorded the first half (the decoder appended its reception times); the card holds
    // the same records without reception times, and then more.
    std::string card;
    for (int i = 0; i < 20; ++i) {
        const std::string line = RecordLine(IncSecond(Start, i * 10), {30.0 + i});
        const std::string sent = WithoutReceptionTime(line);
        if (i < 10) {
            ASSERT_TRUE(AppendLineToFile(DataFileName(*Project, Start),
                                         sent.substr(0, sent.size() - 1) + "/r14.03.26 23:55:55#"));
        }
        card += sent + "\r\n";
    }
    const TCardImportResult result = ImportCardFile(Card(card), nullptr);
    ASSERT_EQ(result.Result, 0) << result.ErrorText;
    EXPECT_EQ(result.Duplicates, 10u);
    EXPECT_EQ(result.Written, 10u);
    EXPECT_EQ(DayLines(Start).size(), 20u);
}

TEST_F(CardImportTest, RecordsJumpingBetweenManyDaysAreStillRecognised)
{
    // Round robin over twelve days: every day is left and touched again many times.
    std::string card;
    for (int i = 0; i < 1200; ++i)
        card += RecordLine(IncSecond(Start + i % 12, i), {double(i % 40)}) + "\r\n";
    const std::string file = Card(card);
    const TCardImportResult first = ImportCardFile(file, nullptr);
    ASSERT_EQ(first.Result, 0) << first.ErrorText;
    EXPECT_EQ(first.Written, 1200u);
    Project->LastSaved = 0;
    const TCardImportResult again = ImportCardFile(file, nullptr);
    EXPECT_EQ(again.Written, 0u);
    EXPECT_EQ(again.Duplicates, 1200u);
}

// Runs the import on another thread; an import that hangs is freed by opening the FIFO for writing.
TCardImportResult ImportWithin(const std::string& card, const fs::path& fifo, bool& hung)
{
    auto running = std::async(std::launch::async, [&] { return ImportCardFile(card, nullptr); });
    hung = running.wait_for(std::chrono::seconds(20)) != std::future_status::ready;
    if (hung) {
        const int fd = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
        running.wait();
        ::close(fd);
    }
    return running.get();
}

TEST_F(CardImportTest, FifosAndDevicesAreNoCardAndNoDayFile)
{
    const fs::path fifo = Dir / "karte.l00";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    bool hung = false;
    TCardImportResult result = ImportWithin(fifo.string(), fifo, hung);
    EXPECT_FALSE(hung);
    EXPECT_EQ(result.Result, 1);
    EXPECT_NE(result.ErrorText.find("ist keine Datei"), std::string::npos) << result.ErrorText;

    // A day file that is a FIFO, and one that is a link to /dev/zero: nothing counts as written.
    const std::string card = Card(CardRecords(Start, 3, 10), "echt.l00");
    const fs::path dayFifo = DataFileName(*Project, Start);
    fs::create_directories(dayFifo.parent_path());
    ASSERT_EQ(::mkfifo(dayFifo.c_str(), 0600), 0);
    result = ImportWithin(card, dayFifo, hung);
    EXPECT_FALSE(hung);
    EXPECT_TRUE(result.WriteFailed);
    EXPECT_EQ(result.Written, 0u);

    fs::remove(dayFifo);
    fs::create_symlink("/dev/zero", dayFifo);
    result = ImportCardFile(card, nullptr);
    EXPECT_TRUE(result.WriteFailed);
    EXPECT_EQ(result.Written, 0u);
    EXPECT_NE(result.ErrorText.find("keine Datei"), std::string::npos) << result.ErrorText;
}

TEST_F(CardImportTest, FullDiskKeepsWhatFitAndSaysWhy)
{
    const fs::path data = Project->GetDataDir("data");
    fs::create_directories(data);
    const std::string card = Card(CardRecords(Start, 5000, 1));  // two days, about 400 KB of lines
    const int failures = testsupport::InChildOnSmallFileSystem(data, 64 * 1024, [&]() -> int {
        const TCardImportResult result = ImportCardFile(card, nullptr);
        std::vector<std::string> lines = DayLines(Start);
        for (const std::string& line : DayLines(Start + 1))
            lines.push_back(line);
        int bits = 0;
        if (!result.WriteFailed)
            bits |= 1;
        if (result.Written < 100 || result.Written != lines.size())
            bits |= 2;
        if (result.ErrorText.find("Kein Speicherplatz") == std::string::npos)
            bits |= 4;
        for (const std::string& line : lines)
            if (line.empty() || line.back() != '\r' || line[line.size() - 2] != '#')
                bits |= 8;
        return bits;
    });
    if (failures == -1)
        GTEST_SKIP() << "no private tmpfs can be mounted here";
    EXPECT_EQ(failures, 0) << "bits: 1 no failure, 2 count differs from the file, 4 no reason, 8 broken line";
}

TEST_F(CardImportTest, ProjectClosedWhileEventsRunEndsTheImport)
{
    // Showing the progress lets events run; one of them closes the project.
    RecordingProgress progress;
    progress.OnProgress = [] { CloseCurrentProject(); };
    const TCardImportResult result = ImportCardFile(Card(CardRecords(Start, 4000, 1)), &progress);
    EXPECT_GE(progress.Calls, 1);
    EXPECT_NE(result.Result, 0);
    EXPECT_EQ(CurrentProject(), nullptr);
    EXPECT_EQ(progress.Lines.size(), 2u);  // no success line
}

TEST_F(CardImportTest, ToolImportsEachFileAndNeverDeletes)
{
    if (!fs::exists(testsupport::ToolPath("dedezuviv-tool")))
        GTEST_SKIP() << "dedezuviv-tool not built";
    Project->SamplingInterval = 90;
    const fs::path projectFile = Dir / "anlage.p-p";
    TProjectView view;
    int saved = -1;
    std::string error;
    SaveProjectFile(*Project, projectFile.string(), saved, error, view);
    ASSERT_EQ(saved, 0) << error;
    const std::string card = Card(CardRecords(Start, 120, 10));

    const std::string args = "import --project " + testsupport::ShellQuote(projectFile.string()) + " " +
                             testsupport::ShellQuote(card);
    testsupport::ToolRun run = RunTool(Dir, args);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("120 Datensätze"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("14 geschrieben"), std::string::npos) << run.Out;
    EXPECT_EQ(AllLines(), 14u);
    EXPECT_TRUE(fs::exists(card));

    run = RunTool(Dir, args);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("0 geschrieben"), std::string::npos) << run.Out;
    EXPECT_EQ(AllLines(), 14u);

    run = RunTool(Dir, args + " " + testsupport::ShellQuote((Dir / "fehlt.l00").string()));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("Fehler beim Einlesen der Datendatei"), std::string::npos) << run.Err;
    EXPECT_EQ(RunTool(Dir, "import " + testsupport::ShellQuote(card)).ExitCode, 2);
}

}  // namespace
