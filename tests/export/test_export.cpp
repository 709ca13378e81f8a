// The export engine: the table layout in every format, which records the increment takes (gaps, the
// repeated autumn hour), empty cells, the CSV and DAT text rules, the day files of a range (also over
// more than a century), bad day-file lines, and the failure table.
#include "base/MainThread.h"
#include "export/ExportBatch.h"
#include "export/ExportData.h"
#include "model/UiInterfaces.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::exports;

namespace fs = std::filesystem;
using exporttest::SplitLines;
using testsupport::ReadFile;
using testsupport::RecordLine;
using testsupport::TempDir;

namespace {

class TRecordingProgress : public IProgress {
public:
    void AddLine(const std::string& text) override { Lines.push_back(text); }
    void AppendToLastLine(const std::string& text) override { Lines.back() += text; }
    void SetProgress(double percent) override { Progress.push_back(percent); }
    std::vector<std::string> Lines;
    std::vector<double> Progress;
};

class Export : public ::testing::Test {
protected:
    Export() : Project(exporttest::MakeProject(Dir)) {}

    int32_t Run(const std::string& name, TExportFormat format, TDateTime start, TDateTime end, int64_t increment,
                const TNameList& fields, IProgress* progress = nullptr)
    {
        File = (Dir / name).string();
        const int32_t result = Engine.Export(Project.get(), progress, File, format, start, end, increment, fields);
        if (result != 0)
            Message = Engine.ErrorText;
        return result;
    }

    std::vector<std::string> CsvLines() const { return SplitLines(ReadFile(File)); }

    exporttest::GermanSettingsAndClock Settings;
    TempDir Dir;
    std::unique_ptr<TProject> Project;
    TExportData Engine;
    std::string File, Message;
};

const TNameList KesselAussen = {"Kessel (Temperatur)", "Aussen (Temperatur)"};

}  // namespace

TEST_F(Export, CsvLayoutWithHeaderBlockTitlesAndAnEmptyCell)
{
    const TDateTime t = EncodeDateTime(2024, 1, 5, 14, 30, 0);
    exporttest::AppendToDay(*Project, t, RecordLine(t, {21.5}) + "\r\n");
    ASSERT_EQ(Run("out.csv", efCSV, t - 1.0 / 48, t + 1.0 / 48, 0, KesselAussen), 0) << Message;
    EXPECT_EQ(Engine.RecordCount, 1);
    EXPECT_EQ(ReadFile(File), "\"DEDEZUviv Temperaturdatenlogger\"\r\n"
                              "\"https://dedezuviv.example.org\"\r\n"
                              "\"Projekt-Datei:\";\"" + (Dir / "Haus.p-p").string() + "\"\r\n"
                              "\"Name:\";\"Haus\"\r\n"
                              "\"Export am: \";\"09.12.2026 10:00:00\"\r\n"
                              "\"Von:\";\"05.01.2024 14:00:00\";\"Bis:\";\"05.01.2024 15:00:00\"\r\n"
                              "\"Zeit\";\"Kessel\";\"Aussen\"\r\n"
                              "\"05.01.2024 14:30:00\";\"21,5\";\r\n");
}

TEST_F(Export, DatHasNoHeaderBlockNoQuotesCommasAndDecimalPoints)
{
    const TDateTime t = EncodeDateTime(2024, 1, 5, 14, 30, 0);
    exporttest::AppendToDay(*Project, t, RecordLine(t, {21.5}) + "\r\n");
    ASSERT_EQ(Run("out.dat", efDAT, t - 1.0 / 48, t + 1.0 / 48, 0, KesselAussen), 0) << Message;
    EXPECT_EQ(ReadFile(File), "Zeit,Kessel,Aussen\r\n05.01.2024 14:30:00,21.5,\r\n");
    // CSV follows the system's decimal separator; DAT does not.
    FormatSettings().DecimalSeparator = '.';
    ASSERT_EQ(Run("out2.csv", efCSV, t - 1.0 / 48, t + 1.0 / 48, 0, KesselAussen), 0) << Message;
    EXPECT_EQ(CsvLines().back(), "\"05.01.2024 14:30:00\";\"21.5\";");
    ASSERT_EQ(Run("out2.dat", efDAT, t - 1.0 / 48, t + 1.0 / 48, 0, KesselAussen), 0) << Message;
    EXPECT_EQ(SplitLines(ReadFile(File)).back(), "05.01.2024 14:30:00,21.5,");
}

TEST_F(Export, RangeReadsItsDaysAndKeepsTheRecordsInside)
{
    const TDateTime day1 = EncodeDate(2024, 1, 1);
    exporttest::WriteRecords(*Project, day1, day1 + 3, 3600);
    TRecordingProgress progress;
    ASSERT_EQ(Run("out.csv", efCSV, day1 + 0.5, day1 + 2 + 8.0 / 24, 0, KesselAussen, &progress), 0) << Message;
    EXPECT_EQ(Engine.RecordCount, 12 + 24 + 9);
    const auto lines = CsvLines();
    ASSERT_EQ(lines.size(), 7u + 45u);
    EXPECT_EQ(lines[7].substr(0, 21), "\"01.01.2024 12:00:00\"");
    EXPECT_EQ(lines.back().substr(0, 21), "\"03.01.2024 08:00:00\"");
    EXPECT_EQ(progress.Lines, (std::vector<std::string>{"Lese Daten aus Datei 24-01-01.txt ...",
                                                        "Lese Daten aus Datei 24-01-02.txt ...",
                                                        "Lese Daten aus Datei 24-01-03.txt ..."}));
    // 100 x 1440 / 2640 after the first day, then capped at 100.
    ASSERT_EQ(progress.Progress.size(), 3u);
    EXPECT_NEAR(progress.Progress[0], 100.0 * 1440 / 2640, 1e-9);
    EXPECT_EQ(progress.Progress[1], 100.0);
    EXPECT_EQ(progress.Progress[2], 100.0);
}

TEST_F(Export, IncrementZeroExportsEveryRecordIncludingStartAndEnd)
{
    const TDateTime day = EncodeDate(2024, 3, 10);
    exporttest::WriteRecords(*Project, day, day + 1, 10);
    const TDateTime start = day + 3600.0 / 86400, end = day + 7200.0 / 86400;  // both on records
    ASSERT_EQ(Run("out.csv", efCSV, start, end, 0, KesselAussen), 0) << Message;
    EXPECT_EQ(Engine.RecordCount, 361);
    const auto lines = CsvLines();
    EXPECT_EQ(lines[7].substr(0, 21), "\"10.03.2024 01:00:00\"");
    EXPECT_EQ(lines.back().substr(0, 21), "\"10.03.2024 02:00:00\"");
}

namespace {

// Seconds from Origin of the time in each data row of a DAT file (a date alone at midnight).
std::vector<int> RowSeconds(const std::vector<std::string>& lines, TDateTime origin)
{
    std::vector<int> seconds;
    for (const std::string& line : lines) {
        TDateTime t = 0;
        if (TryStrToDateTime(line.substr(0, line.find(',')), t))
            seconds.push_back(static_cast<int>(std::llround((t - origin) * 86400)));
    }
    return seconds;
}

}  // namespace

TEST_F(Export, IncrementCountsFromTheLastRowAndAGapGivesNoBurst)
{
    const TDateTime start = EncodeDateTime(2024, 3, 10, 6, 0, 0);
    // Records every 10 s for 30 minutes, an hour without data, then 30 more minutes.
    exporttest::WriteRecords(*Project, start, start + 1800.0 / 86400, 10);
    exporttest::WriteRecords(*Project, start + 5400.0 / 86400, start + 7200.0 / 86400, 10);
    ASSERT_EQ(Run("out.dat", efDAT, start, start + 1, 60, {"Kessel (Temperatur)"}), 0) << Message;
    // One row a minute before the gap (0 ... 1740), the first record after it, and one row a minute
    // from there (5400 ... 7140).
    std::vector<int> expected;
    for (int s = 0; s < 1800; s += 60)
        expected.push_back(s);
    for (int s = 5400; s < 7200; s += 60)
        expected.push_back(s);
    EXPECT_EQ(RowSeconds(CsvLines(), start), expected);
    EXPECT_EQ(Engine.RecordCount, 60);
    EXPECT_NEAR(Engine.NextTime, start + 7200.0 / 86400, 1e-9);
}

TEST_F(Export, TheRepeatedAutumnHourIsExportedWithAnIncrement)
{
    // Every 10 s from 01:30 summer time for three hours of real time: the clock shows 01:30 to 02:59:50,
    // then 02:00 to 03:29:50 again.
    const testsupport::CentralEuropeanTime zone;
    const std::vector<TDateTime> times =
        testsupport::LocalTimesEvery(testsupport::AutumnChange2026Minus90Minutes, 1080, 10);
    std::string lines;
    for (TDateTime t : times)
        lines += RecordLine(t, {20}) + "\r\n";
    const TDateTime day = EncodeDate(2026, 10, 25);
    exporttest::AppendToDay(*Project, day, lines);
    ASSERT_EQ(Run("out.dat", efDAT, day, day + 1, 10, {"Kessel (Temperatur)"}), 0) << Message;
    const std::vector<int> rows = RowSeconds(CsvLines(), day);
    ASSERT_EQ(rows.size(), 1080u);
    // In the order of the day file: the second 02:00 follows 02:59:50.
    EXPECT_EQ(rows[539], 2 * 3600 + 59 * 60 + 50);
    EXPECT_EQ(rows[540], 2 * 3600);
    EXPECT_EQ(rows.back(), 3 * 3600 + 29 * 60 + 50);
    // An increment of a minute gives a row a minute through both passes of the hour.
    ASSERT_EQ(Run("out.dat", efDAT, day, day + 1, 60, {"Kessel (Temperatur)"}), 0) << Message;
    EXPECT_EQ(Engine.RecordCount, 180);
}

TEST_F(Export, ARangeOfMoreThanACenturyExportsEveryRecordOnce)
{
    // The walk reads 24-01-05.txt for 1924 and for 2024; its records are of 2024.
    const TDateTime day = EncodeDate(2024, 1, 5);
    exporttest::WriteRecords(*Project, day, day + 1, 3600);
    ASSERT_EQ(Run("out.dat", efDAT, EncodeDate(1924, 1, 1), EncodeDate(2024, 12, 31), 0, {"Kessel (Temperatur)"}), 0)
        << Message;
    EXPECT_EQ(Engine.RecordCount, 24);
    EXPECT_EQ(RowSeconds(CsvLines(), day).front(), 0);
}

TEST_F(Export, MissingValuesKeepTheLaterCellsInTheirColumnsInEveryFormat)
{
    const TDateTime t = EncodeDateTime(2024, 1, 5, 14, 30, 0);
    exporttest::AppendToDay(*Project, t, RecordLine(t, {21.5, -5.25}) + "\r\n");
    const TNameList fields = {"Kessel (Temperatur)", "Puffer (Temperatur)", "Aussen (Temperatur)"};
    const TDateTime start = t - 0.01, end = t + 0.01;
    ASSERT_EQ(Run("out.csv", efCSV, start, end, 0, fields), 0) << Message;
    EXPECT_EQ(CsvLines().back(), "\"05.01.2024 14:30:00\";\"21,5\";;\"-5,25\"");
    ASSERT_EQ(Run("out.xls", efXLS, start, end, 0, fields), 0) << Message;
    const auto xls = exporttest::BiffCells(ReadFile(File));
    ASSERT_EQ(xls.at(7).size(), 3u);
    EXPECT_EQ(xls.at(7).at(0), "L:05.01.2024 14:30:00");
    EXPECT_EQ(xls.at(7).at(1), "N:21.5");
    EXPECT_EQ(xls.at(7).at(3), "N:-5.25");
    ASSERT_EQ(Run("out.wk1", efWK1, start, end, 0, fields), 0) << Message;
    const auto wk1 = exporttest::WKCells(ReadFile(File));
    EXPECT_EQ(wk1.at(7), xls.at(7));
    // The header blocks are the same cells too (texts in Windows-1252).
    EXPECT_EQ(wk1, xls);
    EXPECT_EQ(xls.at(6).at(2), "L:Puffer");
}

TEST_F(Export, IntegerHexAndDateTimeValues)
{
    const TDateTime t = EncodeDateTime(2024, 1, 5, 0, 0, 0);  // midnight: date only
    exporttest::AppendToDay(*Project, t, RecordLine(t, {21.5}, "/o0110/xFF") + "\r\n");
    ASSERT_EQ(Run("out.csv", efCSV, t, t + 0.5, 0,
                  {"Status (Intern)", "Brenner (Relais)", "PC", "RT", "Program", "ID", "Unbekannt (Wert)"}),
              0)
        << Message;
    EXPECT_EQ(CsvLines().back(), "\"05.01.2024\";\"255\";\"0\";\"05.01.2024\";\"05.01.2024\";\"13\";\"1\";");
    EXPECT_EQ(CsvLines()[6], "\"Zeit\";\"Status\";\"Brenner\";\"PC\";\"RT\";\"Program\";\"ID\";\"Unbekannt\"");
}

TEST_F(Export, RangeWithoutDataGivesHeaderAndTitlesAndSuccess)
{
    const TDateTime day = EncodeDate(2024, 6, 1);
    Engine.RecordCount = 99;
    ASSERT_EQ(Run("empty.csv", efCSV, day, day + 2, 0, KesselAussen), 0) << Message;
    EXPECT_EQ(Engine.RecordCount, 0);
    EXPECT_EQ(CsvLines().size(), 7u);
    ASSERT_EQ(Run("empty.wk1", efWK1, day, day + 2, 0, KesselAussen), 0) << Message;
    const auto records = exporttest::ParseRecords(ReadFile(File));
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().Type, 0x0000);
    EXPECT_EQ(records.back().Type, 0x0001);
    for (size_t i = 1; i + 1 < records.size(); ++i)
        EXPECT_EQ(records[i].Type, 0x000F);  // only labels
    EXPECT_EQ(records.size(), 2u + 1 + 1 + 2 + 2 + 2 + 4 + 3);
}

TEST_F(Export, TextsWithSeparatorOrQuoteAreQuotedAsRfc4180Asks)
{
    Project->SetName("Demo \"A\";B");
    const TDateTime day = EncodeDate(2024, 6, 1);
    ASSERT_EQ(Run("out.csv", efCSV, day, day + 1, 0, KesselAussen), 0) << Message;
    EXPECT_EQ(CsvLines()[3], "\"Name:\";\"Demo \"\"A\"\";B\"");
    // Umlauts in Windows-1252.
    ASSERT_EQ(Run("out2.csv", efCSV, day, day + 1, 0, {"Zähler (Zähler)"}), 0) << Message;
    EXPECT_EQ(CsvLines()[6], "\"Zeit\";\"Z\xE4hler\"");
}

TEST_F(Export, BadLinesInDayFilesAndAMissingDay)
{
    const TDateTime day = EncodeDate(2024, 2, 1);
    const TDateTime t1 = day + 0.25, t2 = day + 0.5, t3 = day + 0.75, t4 = day + 2.5;
    // Each line is one record: a line cut off before its "#" and foreign lines (also with blanks,
    // which open frames of their own) lose only themselves.
    exporttest::AppendToDay(*Project, day,
                            RecordLine(t1, {1}) + "\r\n" +                       // kept
                                RecordLine(t2, {2}).substr(0, 30) + "\r\n" +       // cut off: lost
                                RecordLine(t2 + 0.01, {3}) + "\r\n" +            // kept
                                "Anderes_Programm:12;34;56\r\n" +                  // harmless
                                RecordLine(t2 + 0.02, {4}) + "\r\n" +            // kept
                                "\x01\x02\xff junk ###\r\n" + "ACK 01022024 120000\n\r" +  // harmless
                                RecordLine(t3, {5}) + "\r\n" +                   // kept
                                RecordLine(t3 + 0.01, {6}) + "\r\n");            // kept
    // Day 2 is missing; day 3 ends without line end, inside a record.
    exporttest::AppendToDay(*Project, day + 2, RecordLine(t4, {7}) + "\r\n=MD/t+001,00/y0");
    ASSERT_EQ(Run("out.dat", efDAT, day, day + 2.99, 0, {"Kessel (Temperatur)"}), 0) << Message;
    const auto lines = CsvLines();
    EXPECT_EQ(lines, (std::vector<std::string>{"Zeit,Kessel", "01.02.2024 06:00:00,1", "01.02.2024 12:14:24,3",
                                               "01.02.2024 12:28:48,4", "01.02.2024 18:00:00,5",
                                               "01.02.2024 18:14:24,6", "03.02.2024 12:00:00,7"}));
}

TEST_F(Export, ThreadsGiveTheSameFile)
{
    const TDateTime day = EncodeDate(2024, 4, 1);
    // Every 75 s: all records of the six days fit the WK1 sheet.
    exporttest::WriteRecords(*Project, day, day + 6, 75, "/n12,5/xFF");
    exporttest::AppendToDay(*Project, day + 2, "=MR/t+044,00#\r\n=MD/t+0");  // a day that ends inside a record
    exporttest::AppendToDay(*Project, day + 3, "=ME/t+045,00#\r\n");
    // Numbers, a date-time and an empty cell in every row.
    const TNameList fields = {"Kessel (Temperatur)", "Aussen (Temperatur)", "Puffer (Temperatur)",
                              "Zähler (Zähler)", "RT", "Unbekannt"};
    for (TExportFormat format : {efCSV, efDAT, efXLS, efWK1}) {
        Engine.Threads = 1;
        ASSERT_EQ(Run("one", format, day, day + 6, 0, fields), 0) << Message;
        const std::string one = ReadFile(File);
        Engine.Threads = 3;
        ASSERT_EQ(Run("three", format, day, day + 6, 7, fields), 0) << Message;
        ASSERT_EQ(Run("three", format, day, day + 6, 0, fields), 0) << Message;
        EXPECT_EQ(ReadFile(File), one) << static_cast<int>(format);
    }
}

namespace {

class TCountingDispatcher : public IMainThreadDispatcher {
public:
    void RunInMainThread(const std::function<void()>& fn) override { fn(); }
    void PostToMainThread(std::function<void()> fn) override { fn(); }
    void ProcessMessages() override { ++Calls; }
    bool IsMainThread() const override { return true; }
    int Calls = 0;
};

}  // namespace

TEST_F(Export, ProcessesWindowMessagesByTimeNotPerRecord)
{
    const TDateTime day = EncodeDate(2024, 5, 1);
    exporttest::WriteRecords(*Project, day, day + 4, 10);
    TCountingDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    Engine.IdleIntervalMs = 1;
    const int32_t result = Run("out.csv", efCSV, day, day + 4, 0, KesselAussen);
    SetMainThreadDispatcher(nullptr);
    ASSERT_EQ(result, 0) << Message;
    EXPECT_EQ(Engine.RecordCount, 4 * 8640);
    EXPECT_GT(dispatcher.Calls, 0);
    EXPECT_LT(dispatcher.Calls, Engine.RecordCount / 50);
}

// --- the failure table of the export ----------------------------------------------------------------------------

TEST_F(Export, CancelStopsTheExportAndRemovesTheUnfinishedFileInEveryFormat)
{
    const TDateTime day1 = EncodeDate(2024, 1, 1);
    exporttest::WriteRecords(*Project, day1, day1 + 4, 600);
    for (const TExportFormat format : {efCSV, efDAT, efXLS, efWK1}) {
        // Asked after each day (and when window messages ran): the user cancels during the second day.
        int asked = 0;
        Engine.CancelRequested = [&asked] { return ++asked >= 2; };
        const std::string name = std::string("out.") + ExportFormatExtension(format);
        EXPECT_EQ(Run(name, format, day1, day1 + 4, 0, KesselAussen), -1) << name;
        EXPECT_TRUE(Engine.WasCancelled);
        EXPECT_FALSE(fs::exists(File)) << name;
        EXPECT_EQ(Message, "Export abgebrochen; die unvollständige Datei \"" + File + "\" wurde gelöscht.");
    }
    // Without a cancel the same export succeeds, and WasCancelled is cleared.
    Engine.CancelRequested = [] { return false; };
    EXPECT_EQ(Run("out.csv", efCSV, day1, day1 + 4, 0, KesselAussen), 0) << Message;
    EXPECT_FALSE(Engine.WasCancelled);
    EXPECT_GT(Engine.RecordCount, 4 * 143);
}

TEST_F(Export, MissingOutputFolderIsCreated)
{
    const TDateTime day = EncodeDate(2024, 6, 1);
    ASSERT_EQ(Run("neu/tief/unten/out.csv", efCSV, day, day + 1, 0, KesselAussen), 0) << Message;
    EXPECT_TRUE(fs::is_regular_file(File));
}

TEST_F(Export, FolderThatCannotBeCreatedGivesNoFile)
{
    testsupport::WriteFile(Dir / "blocker", "a file where a folder should be");
    const TDateTime day = EncodeDate(2024, 6, 1);
    ASSERT_EQ(Run("blocker/sub/out.csv", efCSV, day, day + 1, 0, KesselAussen), -1);
    EXPECT_EQ(Message, "Das Verzeichnis \"" + (Dir / "blocker/sub").string() +
                           "\" für die Exportdatei kann nicht angelegt werden: Ein Teil des Pfads ist kein Verzeichnis");
    EXPECT_FALSE(fs::exists(Dir / "blocker/sub"));
}

TEST_F(Export, FileThatCannotBeCreatedFailsInEveryFormat)
{
    fs::create_directory(Dir / "folder.csv");
    const TDateTime day = EncodeDate(2024, 6, 1);
    for (TExportFormat format : {efCSV, efDAT, efXLS, efWK1}) {
        ASSERT_EQ(Run("folder.csv", format, day, day + 1, 0, KesselAussen), -1) << static_cast<int>(format);
        EXPECT_EQ(Message, "Die Exportdatei \"" + File + "\" kann nicht angelegt werden: Der Pfad ist ein Verzeichnis");
    }
}

TEST_F(Export, UnknownFormatGivesNoFile)
{
    const TDateTime day = EncodeDate(2024, 6, 1);
    ASSERT_EQ(Run("sub/out.xyz", static_cast<TExportFormat>(7), day, day + 1, 0, KesselAussen), -1);
    EXPECT_EQ(Message, "Unbekanntes Format für Datenexport angegeben!");
    EXPECT_FALSE(fs::exists(Dir / "sub"));
}

TEST_F(Export, PastTheSheetOfXlsOrWk1TheExportFailsAndLeavesNoFile)
{
    const TDateTime day = EncodeDate(2024, 7, 1);
    exporttest::WriteRecords(*Project, day, day + 2, 10);  // 17280 records
    struct Case {
        TExportFormat Format;
        double Days;  // more rows than the sheet holds below the header
        std::string Limits;
    };
    for (const Case& c : {Case{efXLS, 2, "XLS-Format fassen kann (höchstens 16384 Zeilen und 256 Spalten)."},
                          Case{efWK1, 1, "WK1-Format fassen kann (höchstens 8192 Zeilen und 256 Spalten)."}}) {
        const std::string name = std::string("big.") + ExportFormatExtension(c.Format);
        ASSERT_EQ(Run(name, c.Format, day, day + c.Days, 0, {"Kessel (Temperatur)"}), -1) << name;
        EXPECT_EQ(Message, "Die Exportdatei \"" + File +
                               "\" kann nicht geschrieben werden: mehr Zeilen oder Spalten, als das " + c.Limits);
        EXPECT_FALSE(fs::exists(File)) << name;
        // 256 fields and the time: one column more than the sheet has.
        ASSERT_EQ(Run(name, c.Format, day, day + 0.01, 0, TNameList(256, "Kessel (Temperatur)")), -1) << name;
        EXPECT_EQ(Message, "Die Exportdatei \"" + File +
                               "\" kann nicht geschrieben werden: mehr Zeilen oder Spalten, als das " + c.Limits);
        // 255 fields fit.
        ASSERT_EQ(Run(name, c.Format, day, day + 0.01, 0, TNameList(255, "Kessel (Temperatur)")), 0) << Message;
        // The automatic increment keeps the rows within the sheet.
        const int64_t step = ExportIncrement(0, day, day + c.Days, 1, c.Format);
        ASSERT_EQ(Run(name, c.Format, day, day + c.Days, step, {"Kessel (Temperatur)"}), 0) << Message;
        EXPECT_GT(Engine.RecordCount, ExportFormatRow(c.Format)->MaxRows / 2) << name;
    }
    // The text formats have no limit.
    ASSERT_EQ(Run("big.dat", efDAT, day, day + 2, 0, {"Kessel (Temperatur)"}), 0) << Message;
    EXPECT_EQ(Engine.RecordCount, 17280);
}

TEST_F(Export, FailedOrCancelledExportLeavesTheEarlierFileAsItWas)
{
    const TDateTime day = EncodeDate(2024, 7, 1);
    exporttest::WriteRecords(*Project, day, day + 2, 10);
    const fs::path folder = Dir / "out";
    fs::create_directory(folder);
    auto folderFiles = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    for (const TExportFormat format : {efCSV, efDAT, efXLS, efWK1}) {
        const std::string name = std::string("out/data.") + ExportFormatExtension(format);
        const fs::path file = Dir / name;
        testsupport::WriteFile(file, "the earlier export");
        ::chmod(file.c_str(), 0640);
        const auto unchanged = [&] { return ReadFile(file) == "the earlier export"; };
        // Failed: more rows than the sheet holds (the text formats have no limit; a full disk below).
        if (format == efXLS || format == efWK1) {
            EXPECT_EQ(Run(name, format, day, day + 2, 0, KesselAussen), -1) << name;
            EXPECT_TRUE(unchanged()) << name;
        }
        // Cancelled during the second day.
        int asked = 0;
        Engine.CancelRequested = [&asked] { return ++asked >= 2; };
        EXPECT_EQ(Run(name, format, day, day + 2, 3600, KesselAussen), -1) << name;
        EXPECT_TRUE(Engine.WasCancelled);
        Engine.CancelRequested = nullptr;
        EXPECT_TRUE(unchanged()) << name;
        EXPECT_EQ(folderFiles(), std::vector<std::string>{file.filename().string()}) << name;
        // A successful export takes its place, with the earlier file's permissions.
        ASSERT_EQ(Run(name, format, day, day + 2, 3600, KesselAussen), 0) << Message;
        EXPECT_EQ(Engine.RecordCount, 48);
        EXPECT_FALSE(unchanged()) << name;
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_EQ(folderFiles(), std::vector<std::string>{file.filename().string()}) << name;
        fs::remove(file);
    }
    // Through a link: the file it points to is replaced, the link stays.
    testsupport::WriteFile(folder / "real.csv", "old");
    fs::create_symlink("real.csv", folder / "link.csv");
    ASSERT_EQ(Run("out/link.csv", efCSV, day, day + 1, 3600, KesselAussen), 0) << Message;
    EXPECT_TRUE(fs::is_symlink(folder / "link.csv"));
    EXPECT_EQ(SplitLines(ReadFile(folder / "real.csv")).size(), 7u + 25u);  // 00:00 to 24:00
}

namespace {

// Runs F in a child process (exit code its result); for the failure cases that change the process.
template <typename F>
int InChild(F&& f)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(f());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

}  // namespace

TEST_F(Export, FullDiskIsAFailureWithItsReasonInEveryFormat)
{
    const TDateTime day = EncodeDate(2024, 8, 1);
    exporttest::WriteRecords(*Project, day, day + 3, 10);
    for (TExportFormat format : {efCSV, efXLS, efWK1}) {
        const std::string file = (Dir / ("full" + std::to_string(static_cast<int>(format)))).string();
        testsupport::WriteFile(file, "the earlier export");
        const int code = InChild([&] {
            // The size limit stands for a full disk: writes beyond it fail with EFBIG.
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = 100000;
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 10;
            TExportData engine;
            // 7776 rows: within the WK1 sheet, more than the limit in bytes.
            const int32_t result =
                engine.Export(Project.get(), nullptr, file, format, day, day + 0.9, 0, {"Kessel (Temperatur)"});
            if (result != -1)
                return 11;
            if (engine.ErrorText != "Fehler beim Schreiben der Exportdatei \"" + file +
                                        "\": Die Datei überschreitet die zulässige Größe")
                return 12;
            return 0;
        });
        EXPECT_EQ(code, 0) << static_cast<int>(format) << " (11: reported success, 12: other message)";
        EXPECT_TRUE(ReadFile(file) == "the earlier export") << "the earlier file stays as it was";
        for (const auto& entry : fs::directory_iterator(Dir.Path()))
            EXPECT_NE(entry.path().filename().string()[0], '.') << "left over: " << entry.path();
    }
    // A real full device.
    if (fs::exists("/dev/full")) {
        TExportData engine;
        EXPECT_EQ(engine.Export(Project.get(), nullptr, "/dev/full", efCSV, day, day + 1, 0, KesselAussen), -1);
        EXPECT_EQ(engine.ErrorText,
                  "Fehler beim Schreiben der Exportdatei \"/dev/full\": Kein Speicherplatz mehr auf dem Datenträger");
    }
}

TEST_F(Export, AFileThatMayNotBeWrittenIsNotReplacedOneInAClosedFolderIsWrittenOver)
{
    const TDateTime day = EncodeDate(2024, 9, 1);
    exporttest::WriteRecords(*Project, day, day + 1, 600);
    const fs::path file = Dir / "protected.csv";
    testsupport::WriteFile(file, "kept");
    ::chmod(file.c_str(), 0444);
    ::chmod(Dir.Path().c_str(), 0777);  // the folder would take a new file
    // A folder that takes no new file, with a file that may be written.
    fs::create_directory(Dir / "closed");
    const fs::path open = Dir / "closed" / "open.csv";
    testsupport::WriteFile(open, "old");
    ::chmod(open.c_str(), 0666);
    ::chmod((Dir / "closed").c_str(), 0755);
    auto attempt = [&] {
        TExportData engine;
        if (engine.Export(Project.get(), nullptr, file.string(), efCSV, day, day + 1, 0, KesselAussen) != -1)
            return 11;
        if (engine.ErrorText != "Die Exportdatei \"" + file.string() + "\" kann nicht angelegt werden: Zugriff verweigert")
            return 12;
        if (engine.Export(Project.get(), nullptr, open.string(), efCSV, day, day + 1, 0, KesselAussen) != 0)
            return 13;
        if (engine.RecordCount != 144)
            return 14;
        return 0;
    };
    // Root may write any file: the attempt runs as an unprivileged user then.
    const int code = ::geteuid() != 0 ? attempt() : InChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            return 120;
        return attempt();
    });
    if (code == 120)
        GTEST_SKIP() << "could not run as an unprivileged user";
    EXPECT_EQ(code, 0) << "11: reported success, 12: other message, 13: the open file not written, 14: other count";
    EXPECT_TRUE(ReadFile(file) == "kept");
}

TEST_F(Export, UnreadableDayFileFailsWithItsName)
{
    const TDateTime day = EncodeDate(2024, 9, 1);
    exporttest::WriteRecords(*Project, day, day + 3, 600);
    const std::string locked = DataFileName(*Project, day + 1);
    ::chmod(locked.c_str(), 0);
    ::chmod(Dir.Path().c_str(), 0777);
    ::chmod(Project->GetDataDir().c_str(), 0777);
    ::chmod(Project->GetDataDir("data").c_str(), 0777);
    const std::string file = (Dir / "out.csv").string();
    auto attempt = [&] {
        TExportData engine;
        for (int threads : {1, 2}) {
            engine.Threads = threads;
            if (engine.Export(Project.get(), nullptr, file, efCSV, day, day + 3, 0, KesselAussen) != -1)
                return 11;
            if (engine.ErrorText != "Die Datendatei \"" + locked + "\" kann nicht gelesen werden: Zugriff verweigert")
                return 12;
        }
        return 0;
    };
    int code;
    if (::geteuid() == 0)
        code = InChild([&] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                return 120;
            return attempt();
        });
    else
        code = attempt();
    if (code == 120)
        GTEST_SKIP() << "could not run as an unprivileged user";
    EXPECT_EQ(code, 0) << "11: reported success, 12: other message";
}
