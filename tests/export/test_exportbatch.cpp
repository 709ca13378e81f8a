// The batch export's core: period types from "exportdef.cfg", the file-name mask, the
// calendar steps, and the period loop with its files, lines, progress, cancel and failures.
#include "export/ExportBatch.h"
#include "export/ExportTypes.h"

#include "base/Log.h"
#include "model/UiInterfaces.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::exports;

namespace fs = std::filesystem;
using exporttest::SplitLines;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

TExportType TypeNamed(const std::string& name)
{
    for (const TExportType& type : BuiltInExportTypes())
        if (type.Name == name)
            return type;
    ADD_FAILURE() << name;
    return {};
}

struct RecordedProgress : IProgress {
    std::vector<std::string> Lines;
    std::vector<double> Values;
    std::function<void()> OnProgress;
    void AddLine(const std::string& text) override { Lines.push_back(text); }
    void AppendToLastLine(const std::string& text) override { Lines.back() += text; }
    void SetProgress(double percent) override
    {
        Values.push_back(percent);
        if (OnProgress)
            OnProgress();
    }
    bool Has(const std::string& line) const { return std::find(Lines.begin(), Lines.end(), line) != Lines.end(); }
};

// The data rows of a CSV export (after the header block and the column titles).
std::vector<std::string> DataRows(const fs::path& file)
{
    std::vector<std::string> lines = SplitLines(ReadFile(file));
    const auto titles = std::find_if(lines.begin(), lines.end(),
                                     [](const std::string& line) { return line.rfind("\"Zeit\"", 0) == 0; });
    if (titles == lines.end())
        return {};
    return std::vector<std::string>(titles + 1, lines.end());
}

class ExportBatchTest : public ::testing::Test {
protected:
    ExportBatchTest() : Project(exporttest::MakeProject(Dir)) {}

    TExportBatch Batch(const std::string& typeName, TDateTime start, TDateTime end)
    {
        TExportBatch batch;
        batch.Project = Project.get();
        batch.Type = TypeNamed(typeName);
        batch.Fields = {"Kessel (Temperatur)", "Aussen (Temperatur)"};
        batch.Format = efCSV;
        batch.Folder = (Dir / "export").string();
        batch.Start = start;
        batch.End = end;
        batch.Increment = 0;
        batch.Progress = &Progress;
        batch.Threads = 1;
        return batch;
    }

    exporttest::GermanSettingsAndClock Settings;
    TempDir Dir;
    std::unique_ptr<TProject> Project;
    RecordedProgress Progress;
};

}  // namespace

TEST(ExportTypes, BuiltInTypesInTheirOrder)
{
    const TExportTypes types = BuiltInExportTypes();
    ASSERT_EQ(types.size(), 4u);
    EXPECT_EQ(types[0].Name, "Monatsverlauf");
    EXPECT_EQ(types[0].ID, "Month");
    EXPECT_EQ(types[0].IncMonth, 1);
    EXPECT_EQ(types[1].Name, "Tagesverlauf");
    EXPECT_EQ(types[1].ID, "Day");
    EXPECT_EQ(types[1].IncDay, 1);
    EXPECT_EQ(types[2].Name, "Stundenverlauf");
    EXPECT_EQ(types[2].ID, "Hour");
    EXPECT_EQ(types[2].IncHour, 1);
    EXPECT_EQ(types[3].Name, "Minutenverlauf");
    EXPECT_EQ(types[3].ID, "Min");
    EXPECT_EQ(types[3].IncMin, 1);
}

TEST(ExportTypes, AMissingFileGivesTheBuiltInTypes)
{
    TempDir dir;
    EXPECT_EQ(ReadExportTypes((dir / "exportdef.cfg").string()).size(), 4u);
    EXPECT_EQ(ReadExportTypes("").size(), 4u);
    WriteFile(dir / "exportdef.cfg", "; nur ein Kommentar\r\n");
    EXPECT_EQ(ReadExportTypes((dir / "exportdef.cfg").string())[0].Name, "Monatsverlauf");
}

TEST(ExportTypes, OneCustomTypeReplacesTheBuiltInOnes)
{
    TempDir dir;
    WriteFile(dir / "exportdef.cfg", "[Woche]\r\nIncDay=7\r\n");
    const TExportTypes types = ReadExportTypes((dir / "exportdef.cfg").string());
    ASSERT_EQ(types.size(), 1u);
    EXPECT_EQ(types[0].Name, "Woche");
    EXPECT_EQ(types[0].ID, "ID0");
    EXPECT_EQ(types[0].IncDay, 7);
    EXPECT_EQ(types[0].IncMonth, 0);
    EXPECT_DOUBLE_EQ(types[0].TimeIncMin, 10);
    // Periods of seven days, named with "%ID".
    EXPECT_DOUBLE_EQ(NextPeriodStart(EncodeDate(2024, 1, 1), types[0]), EncodeDate(2024, 1, 8));
    EXPECT_EQ(BatchFileName("%ID_%TAG.%MONAT.", types[0], EncodeDate(2024, 1, 8)), "ID0_08.01.");
}

TEST(ExportTypes, KeysIdsAndDefaultsInFileOrder)
{
    TempDir dir;
    // Windows-1252 as files from Windows installations are: "Quartalsübersicht" with ü = 0xFC.
    WriteFile(dir / "exportdef.cfg", "[Quartals\xFC" "bersicht]\r\nID=Q\r\nIncMonth=3\r\nTimeIncMin=60\r\n"
                                     "[Halbtag]\r\nincHOUR=12\r\n[Jahr]\r\nIncYear=1\r\nID=J\r\n");
    const TExportTypes types = ReadExportTypes((dir / "exportdef.cfg").string());
    ASSERT_EQ(types.size(), 3u);
    EXPECT_EQ(types[0].Name, "Quartalsübersicht");
    EXPECT_EQ(types[0].ID, "Q");
    EXPECT_EQ(types[0].IncMonth, 3);
    EXPECT_DOUBLE_EQ(types[0].TimeIncMin, 60);
    EXPECT_EQ(types[1].ID, "ID1");
    EXPECT_EQ(types[1].IncHour, 12);
    EXPECT_EQ(types[2].IncYear, 1);
    EXPECT_EQ(FindExportType(types, "J"), &types[2]);
    EXPECT_EQ(FindExportType(types, "halbtag"), &types[1]);
    EXPECT_EQ(FindExportType(types, "Woche"), nullptr);
}

TEST(ExportTypes, ATypeThatDoesNotAdvanceIsLeftOutWithALogLine)
{
    TempDir dir;
    std::vector<std::string> log;
    SetLogCallbacks([&log](const std::string& text) { log.push_back(text); }, nullptr);
    WriteFile(dir / "exportdef.cfg", "[Leer]\r\nID=L\r\n[Tag]\r\nIncDay=1\r\n[Rückwärts]\r\nIncDay=-1\r\n");
    std::vector<std::string> skipped;
    const TExportTypes types = ReadExportTypes((dir / "exportdef.cfg").string(), &skipped);
    ClearLogCallbacks();
    ASSERT_EQ(types.size(), 1u);
    EXPECT_EQ(types[0].Name, "Tag");
    EXPECT_EQ(types[0].ID, "ID1");
    EXPECT_EQ(skipped, (std::vector<std::string>{"Leer", "Rückwärts"}));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].find("\"Leer\""), std::string::npos) << log[0];
    EXPECT_NE(log[0].find("ausgelassen"), std::string::npos) << log[0];

    // Steps are held in 16 bits: a larger one (also one beyond 32 bits) is refused as too large, not
    // wrapped into a negative step.
    log.clear();
    SetLogCallbacks([&log](const std::string& text) { log.push_back(text); }, nullptr);
    WriteFile(dir / "exportdef.cfg",
              "[A]\r\nIncMin=40000\r\n[B]\r\nIncDay=1\r\nIncHour=99999999999\r\n[C]\r\nIncMin=32767\r\n"
              "[D]\r\nIncDay=1\r\nIncMin=-99999999999\r\n");
    skipped.clear();
    const TExportTypes large = ReadExportTypes((dir / "exportdef.cfg").string(), &skipped);
    ClearLogCallbacks();
    EXPECT_EQ(skipped, (std::vector<std::string>{"A", "B", "D"}));
    ASSERT_EQ(large.size(), 1u);
    EXPECT_EQ(large[0].IncMin, 32767);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_NE(log[0].find("ausgelassen: IncMin=40000 ist zu groß (höchstens 32767)."), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("ausgelassen: IncHour=99999999999 ist zu groß"), std::string::npos) << log[1];
    EXPECT_NE(log[2].find("ganze Zahlen ab 0"), std::string::npos) << log[2];

    // A file of such types only gives the built-in types.
    WriteFile(dir / "exportdef.cfg", "[Leer]\r\n");
    EXPECT_EQ(ReadExportTypes((dir / "exportdef.cfg").string()).size(), 4u);
}

TEST(ExportTypes, ASectionOfARepeatedNameIsLeftOutNotMerged)
{
    TempDir dir;
    std::vector<std::string> log;
    SetLogCallbacks([&log](const std::string& text) { log.push_back(text); }, nullptr);
    WriteFile(dir / "exportdef.cfg", "[Woche]\r\nIncDay=7\r\n[Tag]\r\nIncDay=1\r\n[WOCHE]\r\nIncHour=1\r\nID=W2\r\n");
    std::vector<std::string> skipped;
    const TExportTypes types = ReadExportTypes((dir / "exportdef.cfg").string(), &skipped);
    ClearLogCallbacks();
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[0].Name, "Woche");
    EXPECT_EQ(types[0].IncDay, 7);
    EXPECT_EQ(types[0].IncHour, 0) << "nothing of the second section";
    EXPECT_EQ(types[0].ID, "ID0");
    EXPECT_EQ(skipped, (std::vector<std::string>{"WOCHE"}));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("\"WOCHE\""), std::string::npos) << log[0];
}

TEST(ExportTypes, LoadExportTypesFillsTheProgramsList)
{
    TempDir dir;
    WriteFile(dir / "exportdef.cfg", "[Woche]\r\nIncDay=7\r\n");
    LoadExportTypes((dir / "exportdef.cfg").string());
    ASSERT_EQ(ExportTypes().size(), 1u);
    EXPECT_EQ(ExportTypes()[0].Name, "Woche");
    LoadExportTypes("");
    EXPECT_EQ(ExportTypes().size(), 4u);
}

TEST(BatchFileName, TheDefaultMaskAndThePartsExample)
{
    EXPECT_EQ(BatchFileName(DefaultBatchMask, TypeNamed("Tagesverlauf"), EncodeDate(2024, 1, 5)),
              "Tagesverlauf_2024-01-05-0000");
    EXPECT_EQ(BatchFileName("%ID %YEAR-%MONTH-%DAY %HOUR:%MIN", TypeNamed("Stundenverlauf"),
                            EncodeDateTime(2024, 11, 25, 9, 7, 0)),
              "Hour 2024-11-25 09:07");
}

TEST(BatchFileName, ASlashInTheTypesNameOrIdMakesNoFolder)
{
    TExportType type = TypeNamed("Tagesverlauf");
    type.Name = "Heizung/Tag";
    type.ID = "H/T";
    EXPECT_EQ(BatchFileName("%ID-%TYP", type, EncodeDate(2024, 3, 7)), "H_T-Heizung_Tag");
}

TEST(BatchFileName, NamesAndIdsNeverLeaveTheMasksFolder)
{
    struct Case {
        const char* name;
        const char* id;
        const char* expected;
    };
    const Case cases[] = {
        {"../../x", "W", "export/W-______x.csv"},
        {"Woche", "../../../tmp/x", "export/_________tmp_x-Woche.csv"},
        {"..", "..\\..", "export/_____-__.csv"},
        {"a.b", "v1.2", "export/v1.2-a.b.csv"},
    };
    for (const Case& c : cases) {
        TExportType type = TypeNamed("Tagesverlauf");
        type.Name = c.name;
        type.ID = c.id;
        const std::string name = BatchFileName("export/%ID-%TYP.csv", type, EncodeDate(2024, 3, 7));
        EXPECT_EQ(name, c.expected) << c.name << " " << c.id;
        EXPECT_EQ(name.find("/.."), std::string::npos) << name;
    }
}

TEST(BatchFileName, OnlyTheFirstOccurrenceAndLetterCaseIgnored)
{
    const TExportType day = TypeNamed("Tagesverlauf");
    const TDateTime t = EncodeDate(2024, 3, 7);
    EXPECT_EQ(BatchFileName("%TAG_%TAG", day, t), "07_%TAG");
    EXPECT_EQ(BatchFileName("%typ-%Jahr", day, t), "Tagesverlauf-2024");
    EXPECT_EQ(BatchFileName("Daten ohne Platzhalter", day, t), "Daten ohne Platzhalter");
    // "%MIN" comes before "%MONAT" is looked at, and "%MONAT" is not "%MIN".
    EXPECT_EQ(BatchFileName("%MONAT%MIN", day, EncodeDateTime(2024, 3, 7, 1, 5, 0)), "0305");
}

TEST(NextPeriodStart, MonthEndStepsIntoFebruaryAndContinuesFromThatDay)
{
    const TExportType month = TypeNamed("Monatsverlauf");
    TDateTime t = EncodeDate(2024, 1, 31);
    t = NextPeriodStart(t, month);
    EXPECT_DOUBLE_EQ(t, EncodeDate(2024, 2, 29));
    t = NextPeriodStart(t, month);
    EXPECT_DOUBLE_EQ(t, EncodeDate(2024, 3, 29));
    EXPECT_DOUBLE_EQ(NextPeriodStart(EncodeDate(2023, 1, 31), month), EncodeDate(2023, 2, 28));
    // The time of day is kept.
    EXPECT_DOUBLE_EQ(NextPeriodStart(EncodeDateTime(2023, 12, 31, 10, 30, 0), month),
                     EncodeDateTime(2024, 1, 31, 10, 30, 0));
}

TEST(NextPeriodStart, StepsAddInTheirOrder)
{
    TExportType type;
    type.IncYear = 1;
    type.IncMonth = 1;
    type.IncDay = 1;
    type.IncHour = 1;
    type.IncMin = 30;
    // 29 February 2024 + 1 year = 28 February 2025, + 1 month = 28 March, + 1 day, + 1:30.
    EXPECT_DOUBLE_EQ(NextPeriodStart(EncodeDate(2024, 2, 29), type), EncodeDateTime(2025, 3, 29, 1, 30, 0));
    // Hours and minutes step exactly, without drift over many periods.
    TDateTime t = EncodeDate(2024, 1, 1);
    for (int i = 0; i < 24 * 366; ++i)
        t = NextPeriodStart(t, TypeNamed("Stundenverlauf"));
    EXPECT_DOUBLE_EQ(t, EncodeDate(2025, 1, 1));
}

TEST(BatchFiles, JoinPath)
{
    EXPECT_EQ(JoinPath("/a/b/", "c.csv"), "/a/b/c.csv");
    EXPECT_EQ(JoinPath("/", "c.csv"), "/c.csv");
}

TEST_F(ExportBatchTest, DaysAreClosedPeriodsAndARecordOnTheBoundaryIsInBoth)
{
    exporttest::WriteRecords(*Project, EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 3) + 1.0 / 24, 3600);
    TExportBatch batch = Batch("Tagesverlauf", EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 3));
    const TBatchResult result = batch.Run();
    ASSERT_EQ(result.Files.size(), 2u);
    EXPECT_EQ(result.Failed, 0);
    EXPECT_FALSE(result.Cancelled);
    EXPECT_EQ(result.Files[0].FileName, "Tagesverlauf_2024-01-01-0000.csv");
    EXPECT_EQ(result.Files[1].FileName, "Tagesverlauf_2024-01-02-0000.csv");
    EXPECT_EQ(result.Files[0].Path, (Dir / "export" / "Tagesverlauf_2024-01-01-0000.csv").string());
    // 00:00 to 24:00 inclusive: 25 records each.
    const auto first = DataRows(result.Files[0].Path);
    const auto second = DataRows(result.Files[1].Path);
    ASSERT_EQ(first.size(), 25u);
    ASSERT_EQ(second.size(), 25u);
    EXPECT_EQ(result.Files[0].RecordCount, 25);
    EXPECT_EQ(result.Total, 50);
    EXPECT_EQ(first.back().substr(0, 13), "\"02.01.2024\";");
    EXPECT_EQ(second.front(), first.back());
    EXPECT_FALSE(fs::exists(Dir / "export" / "Tagesverlauf_2024-01-03-0000.csv"));

    EXPECT_EQ(Progress.Lines[0], "Auswertung von 01.01.2024 bis 03.01.2024:");
    EXPECT_EQ(Progress.Lines[1], "Minimales Zeitinkrement = 0 s");
    EXPECT_TRUE(Progress.Has("Export in Datei Tagesverlauf_2024-01-01-0000.csv erfolgreich abgeschlossen  (25 Datensätze)."));
    EXPECT_TRUE(Progress.Has("Export in Datei Tagesverlauf_2024-01-02-0000.csv erfolgreich abgeschlossen  (25 Datensätze)."));
    // No per-day lines of the engine.
    for (const std::string& line : Progress.Lines)
        EXPECT_EQ(line.find("Lese Daten"), std::string::npos) << line;
    EXPECT_EQ(BatchResultMessage(result, "/daten"), "Export der Daten erfolgreich abgeschlossen (50 Datensätze).");
    EXPECT_FALSE(BatchResultIsFailure(result));
}

TEST_F(ExportBatchTest, HoursFromHalfPastTenReachBeyondTheEnd)
{
    exporttest::WriteRecords(*Project, EncodeDateTime(2024, 5, 6, 10, 0, 0), EncodeDateTime(2024, 5, 6, 13, 0, 0), 600);
    const TBatchResult result =
        Batch("Stundenverlauf", EncodeDateTime(2024, 5, 6, 10, 30, 0), EncodeDateTime(2024, 5, 6, 12, 0, 0)).Run();
    ASSERT_EQ(result.Files.size(), 2u);
    EXPECT_EQ(result.Files[0].FileName, "Stundenverlauf_2024-05-06-1030.csv");
    EXPECT_EQ(result.Files[1].FileName, "Stundenverlauf_2024-05-06-1130.csv");
    EXPECT_DOUBLE_EQ(result.Files[1].End, EncodeDateTime(2024, 5, 6, 12, 30, 0));
    // 11:30 to 12:30 inclusive at 10 minutes: 7 records, the last period is not cut at the end.
    EXPECT_EQ(result.Files[1].RecordCount, 7);
}

TEST_F(ExportBatchTest, ProgressAdvancesWithinALongPeriod)
{
    exporttest::WriteRecords(*Project, EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 20), 3600);
    TExportBatch batch = Batch("Monatsverlauf", EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 20));
    const TBatchResult result = batch.Run();
    ASSERT_EQ(result.Files.size(), 1u);
    // One period, but the bar moves with the days read.
    std::vector<double> inside;
    for (double value : Progress.Values)
        if (value > 0 && value < 100)
            inside.push_back(value);
    EXPECT_GE(inside.size(), 10u);
    EXPECT_TRUE(std::is_sorted(Progress.Values.begin(), Progress.Values.end()));
    EXPECT_DOUBLE_EQ(Progress.Values.back(), 100);
}

TEST_F(ExportBatchTest, CancelRemovesTheFileBeingWrittenKeepsTheWrittenOnesAndSaysHowMany)
{
    exporttest::WriteRecords(*Project, EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 5), 3600);
    TExportBatch batch = Batch("Tagesverlauf", EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 5));
    bool cancel = false;
    // The user presses "Abbrechen" while the second file is being written.
    Progress.OnProgress = [&] {
        if (Progress.Lines.size() >= 1 && !Progress.Values.empty() && Progress.Values.back() > 25)
            cancel = true;
    };
    batch.Cancelled = [&] { return cancel; };
    const TBatchResult result = batch.Run();
    EXPECT_TRUE(result.Cancelled);
    ASSERT_EQ(result.Files.size(), 1u);
    EXPECT_TRUE(result.Files[0].Ok);
    // The first file is complete: every record of the day and the closing line end.
    EXPECT_EQ(DataRows(result.Files[0].Path).size(), 25u);
    EXPECT_EQ(ReadFile(result.Files[0].Path).substr(ReadFile(result.Files[0].Path).size() - 2), "\r\n");
    // The second one was begun and is gone; the third was never begun.
    EXPECT_FALSE(fs::exists(Dir / "export" / "Tagesverlauf_2024-01-02-0000.csv"));
    EXPECT_FALSE(fs::exists(Dir / "export" / "Tagesverlauf_2024-01-03-0000.csv"));
    EXPECT_EQ(CancelledMessage(result), "Batch-Export abgebrochen: 1 Dateien geschrieben (25 Datensätze).");
    EXPECT_EQ(Progress.Lines.back(), CancelledMessage(result));
    EXPECT_EQ(BatchResultMessage(result, "/daten"), CancelledMessage(result));
}

TEST_F(ExportBatchTest, AnEmptyFolderWritesNothingAndGivesTheNoDataMessage)
{
    exporttest::WriteRecords(*Project, EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 2), 3600);
    TExportBatch batch = Batch("Tagesverlauf", EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 2));
    batch.Folder.clear();
    const TBatchResult result = batch.Run();
    EXPECT_TRUE(result.NoFolder);
    EXPECT_TRUE(result.Files.empty());
    EXPECT_TRUE(Progress.Lines.empty());
    EXPECT_EQ(BatchResultMessage(result, "/p/data"),
              "Es konnten keine Daten exportiert werden. Entweder sind keine Daten vorhanden im angegebenen Zeitraum "
              "(im Verzeichnis /p/data) oder es traten Schreibfehler auf!");
}

TEST_F(ExportBatchTest, AFailedPeriodIsReportedAndTheOthersGoOn)
{
    exporttest::WriteRecords(*Project, EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 3), 3600);
    TExportBatch batch = Batch("Tagesverlauf", EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 3));
    // The first day's file name is taken by a folder.
    fs::create_directories(Dir / "export" / "Tagesverlauf_2024-01-01-0000.csv");
    const TBatchResult result = batch.Run();
    ASSERT_EQ(result.Files.size(), 2u);
    EXPECT_FALSE(result.Files[0].Ok);
    EXPECT_FALSE(result.Files[0].ErrorText.empty());
    EXPECT_TRUE(result.Files[1].Ok);
    EXPECT_EQ(result.Failed, 1);
    EXPECT_TRUE(Progress.Has("Fehler beim Schreiben der Datei \"" + result.Files[0].Path + "\"!"));
    EXPECT_TRUE(BatchResultIsFailure(result));
    EXPECT_EQ(BatchResultMessage(result, "/d"), "Fehler bei Export aufgetreten!");
}

TEST_F(ExportBatchTest, TheAutomaticIncrementFitsEachDayOfTenSecondDataIntoTheSheets)
{
    // 8640 records a day: more than the WK1 sheet holds, fewer than XLS's 16384 rows.
    const TDateTime day = EncodeDate(2024, 3, 1);
    exporttest::WriteRecords(*Project, day, day + 2, 10);
    for (const TExportFormat format : {efWK1, efXLS}) {
        TExportBatch batch = Batch("Tagesverlauf", day, day + 2);
        batch.Format = format;
        batch.Folder = (Dir / ExportFormatExtension(format)).string();
        batch.Increment = BatchIncrement(0, batch.Start, batch.End, batch.Fields.size(), format, batch.Type);
        // A day's seconds over the rows below the header: 86400 / 8185 -> 11 s, 86400 / 16377 -> 6 s.
        EXPECT_EQ(batch.Increment, format == efWK1 ? 11 : 6);
        const TBatchResult result = batch.Run();
        ASSERT_EQ(result.Files.size(), 2u);
        EXPECT_EQ(result.Failed, 0) << result.Files[0].ErrorText;
        // A row at least 11 s after the last one is every other 10-s record in WK1; XLS keeps every
        // record, the records being further apart than the step. Day 1 with the midnight record of
        // day 2, day 2 without the next midnight.
        EXPECT_EQ(result.Files[0].RecordCount, format == efWK1 ? 4321 : 8641);
        EXPECT_EQ(result.Files[1].RecordCount, format == efWK1 ? 4320 : 8640);
    }
    // With every record the WK1 day does not fit: the period fails, no file is left.
    TExportBatch batch = Batch("Tagesverlauf", day, day + 1);
    batch.Format = efWK1;
    const TBatchResult result = batch.Run();
    ASSERT_EQ(result.Files.size(), 1u);
    EXPECT_EQ(result.Failed, 1);
    EXPECT_FALSE(fs::exists(result.Files[0].Path));
}

TEST_F(ExportBatchTest, ATypeThatDoesNotAdvanceEndsTheLoop)
{
    TExportBatch batch = Batch("Tagesverlauf", EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 3));
    batch.Type = TExportType{};
    batch.Type.Name = "Stillstand";
    const TBatchResult result = batch.Run();
    ASSERT_EQ(result.Files.size(), 1u);
    EXPECT_EQ(result.Failed, 1);
    EXPECT_NE(result.Files[0].ErrorText.find("Stillstand"), std::string::npos);
}

TEST_F(ExportBatchTest, ARangeUnderOneMinuteCountsItsProgressInMilliseconds)
{
    exporttest::WriteRecords(*Project, EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 1) + 1.0 / 1440, 10);
    TExportBatch batch = Batch("Tagesverlauf", EncodeDate(2024, 1, 1), EncodeDateTime(2024, 1, 1, 0, 0, 30));
    batch.Type = TypeNamed("Minutenverlauf");
    const TBatchResult result = batch.Run();
    ASSERT_EQ(result.Files.size(), 1u);
    EXPECT_EQ(result.Files[0].RecordCount, 6);
    EXPECT_DOUBLE_EQ(Progress.Values.front(), 0);
    EXPECT_DOUBLE_EQ(Progress.Values.back(), 100);
}

TEST_F(ExportBatchTest, SelectionsAndUnknownFields)
{
    Project->FieldSelections.emplace_back("Heizkreis", TNameList{"Kessel (Temperatur)", "PC"});
    Project->FieldSelections.emplace_back("Ohne Liste");
    TNameList fields;
    EXPECT_TRUE(SelectionFields(*Project, "heizkreis", fields));
    EXPECT_EQ(fields, (TNameList{"Kessel (Temperatur)", "PC"}));
    EXPECT_TRUE(SelectionFields(*Project, "Ohne Liste", fields));
    EXPECT_TRUE(fields.empty());
    EXPECT_FALSE(SelectionFields(*Project, "Fehlt", fields));
    EXPECT_EQ(UnknownFields(*Project, {"Kessel (Temperatur)", "RT", "Vorlauf (Temperatur)"}),
              (TNameList{"Vorlauf (Temperatur)"}));
}
