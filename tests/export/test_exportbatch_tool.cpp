// `dedezuviv-tool export-batch`: the window's batch loop on the command line, with its lines, the
// period types of the user's "exportdef.cfg", the exit codes and a stop signal between files.
#include "export/ExportBatch.h"
#include "model/ProjectFile.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

using namespace dedezuviv::model;
using namespace dedezuviv::exports;

namespace fs = std::filesystem;
using exporttest::SplitLines;
using testsupport::ReadFile;
using testsupport::RunTool;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class ExportBatchTool : public ::testing::Test {
protected:
    ExportBatchTool()
    {
        auto project = exporttest::MakeProject(Dir);
        project->FieldSelections.emplace_back("Temperaturen", TNameList{"Kessel (Temperatur)", "Aussen (Temperatur)"});
        project->FieldSelections.emplace_back("Leer");
        TProjectView view;
        int result = -1;
        std::string error;
        SaveProjectFile(*project, ProjectFile.string(), result, error, view);
        EXPECT_EQ(result, 0) << error;
        Project = std::move(project);
        exporttest::WriteRecords(*Project, EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 3) + 1.0 / 24, 3600);
        // The user's configuration folder of the tool: empty unless a test writes exportdef.cfg.
        const char* old = std::getenv("XDG_CONFIG_HOME");
        SavedConfig = old ? old : "";
        HadConfig = old != nullptr;
        setenv("XDG_CONFIG_HOME", (Dir / "config").string().c_str(), 1);
    }
    ~ExportBatchTool() override
    {
        if (HadConfig)
            setenv("XDG_CONFIG_HOME", SavedConfig.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    std::string Args(const std::string& rest) const
    {
        return "export-batch --project " + ShellQuote(ProjectFile.string()) + " " + rest;
    }

    exporttest::GermanSettingsAndClock Settings;
    TempDir Dir;
    fs::path ProjectFile = Dir / "Haus.p-p";
    std::unique_ptr<TProject> Project;
    std::string SavedConfig;
    bool HadConfig = false;
};

}  // namespace

TEST_F(ExportBatchTool, YesterdayAsADayIntoTheProjectsExportFolder)
{
    const auto run = RunTool(Dir, Args("--type Day --selection Temperaturen --format csv "
                                       "--from 2025-03-02T00:00:00 --to 2025-03-03T00:00:00"));
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const fs::path file = Dir / "Haus" / "export" / "Tagesverlauf_2025-03-02-0000.csv";
    ASSERT_TRUE(fs::exists(file)) << run.Out;
    EXPECT_EQ(SplitLines(run.Out, "\n"),
              (std::vector<std::string>{
                  "Auswertung von 02.03.2025 bis 03.03.2025:", "Minimales Zeitinkrement = 0 s",
                  "Export in Datei Tagesverlauf_2025-03-02-0000.csv erfolgreich abgeschlossen  (25 Datensätze).",
                  "Export der Daten erfolgreich abgeschlossen (25 Datensätze)."}));
    EXPECT_TRUE(run.Err.empty()) << run.Err;
}

TEST_F(ExportBatchTool, TheSameFilesAsTheBatchLoop)
{
    const fs::path folder = Dir / "aus";
    const auto run = RunTool(Dir, Args("--type Tagesverlauf --fields \"Kessel (Temperatur), PC\" --format wk1 "
                                       "--mask %ID-%YEAR%MONTH%DAY --folder " + ShellQuote(folder.string()) +
                                       " --increment 7200 --from 2025-03-01T00:00:00 --to 2025-03-03T00:00:00"));
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    ASSERT_TRUE(fs::exists(folder / "Day-20250301.wk1"));
    ASSERT_TRUE(fs::exists(folder / "Day-20250302.wk1"));
    EXPECT_NE(run.Out.find("(13 Datensätze)"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("Export der Daten erfolgreich abgeschlossen (26 Datensätze)."), std::string::npos);

    // The core loop, run here, writes the same bytes but for the moment of the export.
    TExportBatch batch;
    batch.Project = Project.get();
    batch.Type = *FindExportType(BuiltInExportTypes(), "Day");
    batch.Fields = {"Kessel (Temperatur)", "PC"};
    batch.Format = efWK1;
    batch.Mask = "%ID-%YEAR%MONTH%DAY";
    batch.Folder = (Dir / "hier").string();
    batch.Start = EncodeDate(2025, 3, 1);
    batch.End = EncodeDate(2025, 3, 3);
    batch.Increment = 7200;
    ASSERT_EQ(batch.Run().Total, 26);
    const auto sheet = exporttest::WKCells(ReadFile(folder / "Day-20250302.wk1"));
    auto same = exporttest::WKCells(ReadFile(Dir / "hier" / "Day-20250302.wk1"));
    ASSERT_EQ(sheet.size(), same.size());
    for (const auto& [row, cells] : sheet)
        for (const auto& [col, text] : cells)
            if (row != 4) {  // "Export am:" and the moment
                EXPECT_EQ(text, same[row][col]) << row << "/" << col;
            }
}

TEST_F(ExportBatchTool, AUsersExportdefWithOneTypeAndItsId)
{
    fs::create_directories(Dir / "config" / "dedezuviv");
    WriteFile(Dir / "config" / "dedezuviv" / "exportdef.cfg", "[Woche]\r\nIncDay=7\r\n");
    const auto run = RunTool(Dir, Args("--type Woche --selection Temperaturen --mask %ID_%TYP "
                                       "--from 2025-03-01T00:00:00 --to 2025-03-03T00:00:00"));
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(fs::exists(Dir / "Haus" / "export" / "ID0_Woche.xls"));
    // The built-in types are not there then.
    const auto day = RunTool(Dir, Args("--type Tagesverlauf --selection Temperaturen "
                                       "--from 2025-03-01T00:00:00 --to 2025-03-03T00:00:00"));
    EXPECT_EQ(day.ExitCode, 1);
    EXPECT_NE(day.Err.find("Auswertungszeitraum \"Tagesverlauf\" unbekannt. Vorhanden: Woche (ID0)"), std::string::npos)
        << day.Err;
}

TEST_F(ExportBatchTool, AnExportdefTypeTooLargeForItsStepsIsRefusedOnceWithItsReason)
{
    fs::create_directories(Dir / "config" / "dedezuviv");
    WriteFile(Dir / "config" / "dedezuviv" / "exportdef.cfg",
              "[Woche]\r\nIncDay=7\r\n[Lang]\r\nIncMin=40000\r\n[Sub/Typ]\r\nIncDay=1\r\n");
    const auto run = RunTool(Dir, Args("--type Sub/Typ --selection Temperaturen --format csv "
                                       "--from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00"));
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "Auswertungszeitraum \"Lang\" in " + (Dir / "config" / "dedezuviv" / "exportdef.cfg").string() +
                           " ausgelassen: IncMin=40000 ist zu groß (höchstens 32767).\n");
    // The "/" of the type's name makes no folder.
    EXPECT_TRUE(fs::is_regular_file(Dir / "Haus" / "export" / "Sub_Typ_2025-03-01-0000.csv"));
}

TEST_F(ExportBatchTool, AnEndBeforeTheStartIsAnError)
{
    const auto run = RunTool(Dir, Args("--type Day --selection Temperaturen --from 2025-03-02T00:00:00 "
                                       "--to 2025-03-01T00:00:00"));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "Das Ende des Zeitraums (01.03.2025) liegt vor seinem Anfang (02.03.2025). Es wurde nichts "
                       "exportiert.\n");
    EXPECT_EQ(run.Out, "");
    EXPECT_FALSE(fs::exists(Dir / "Haus" / "export"));
}

TEST_F(ExportBatchTool, AFailedPeriodGivesExitOne)
{
    fs::create_directories(Dir / "aus" / "Tagesverlauf_2025-03-01-0000.xls");
    const auto run = RunTool(Dir, Args("--type Day --selection Temperaturen --folder " + ShellQuote((Dir / "aus").string()) +
                                       " --from 2025-03-01T00:00:00 --to 2025-03-03T00:00:00"));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Out.find("Fehler beim Schreiben der Datei \"" + (Dir / "aus" / "Tagesverlauf_2025-03-01-0000.xls").string() +
                           "\"!"),
              std::string::npos)
        << run.Out;
    EXPECT_TRUE(fs::exists(Dir / "aus" / "Tagesverlauf_2025-03-02-0000.xls"));
    EXPECT_NE(run.Err.find("Fehler bei Export aufgetreten!"), std::string::npos) << run.Err;
}

TEST_F(ExportBatchTool, NoRecordsIsNoFailure)
{
    const auto run = RunTool(Dir, Args("--type Day --selection Temperaturen --from 2024-03-01T00:00:00 "
                                       "--to 2024-03-02T00:00:00"));
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("Es konnten keine Daten exportiert werden."), std::string::npos) << run.Out;
}

TEST_F(ExportBatchTool, WrongUseAndMissingFields)
{
    EXPECT_EQ(RunTool(Dir, Args("--selection Temperaturen --from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00")).ExitCode,
              2);
    EXPECT_EQ(RunTool(Dir, Args("--type Day --selection Temperaturen --format txt --from 2025-03-01T00:00:00 "
                                "--to 2025-03-02T00:00:00"))
                  .ExitCode,
              2);
    const auto empty = RunTool(Dir, Args("--type Day --selection Leer --from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00"));
    EXPECT_EQ(empty.ExitCode, 1);
    EXPECT_NE(empty.Err.find("Angegebene Felder für Export sind in aufgezeichneten Daten nicht vorhanden!"),
              std::string::npos);
    const auto unknown = RunTool(Dir, Args("--type Day --fields \"Vorlauf (Temperatur)\" --from 2025-03-01T00:00:00 "
                                           "--to 2025-03-02T00:00:00"));
    EXPECT_EQ(unknown.ExitCode, 1);
    EXPECT_NE(unknown.Err.find("Im Projekt nicht definiert: \"Vorlauf (Temperatur)\""), std::string::npos);
    const auto help = RunTool(Dir, "export-batch --help");
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find("--type"), std::string::npos);
    EXPECT_NE(help.Out.find("wird als leere Spalte exportiert"), std::string::npos);
}

TEST_F(ExportBatchTool, WrongUseNamesItsReasonFirst)
{
    const std::string range = " --from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00";
    for (const auto& [args, reason] : std::initializer_list<std::pair<std::string, std::string>>{
             // No output file: a positional argument is wrong use.
             {Args("--type Day --selection Temperaturen" + range + " aus.xls"),
              "Unerwartetes Argument / unexpected argument: \"aus.xls\""},
             // --type is asked for before the fields.
             {Args(range.substr(1)), "Kein Auswertungszeitraum angegeben (--type) / no period type given"},
             {Args("--type Day --selection Temperaturen --folder ''" + range),
              "--folder: leerer Ordner / empty folder"},
             {Args("--type Day --selection Temperaturen --mask ''" + range), "--mask: leere Maske / empty mask"},
             // The format is checked before the increment.
             {Args("--type Day --selection Temperaturen --format txt --increment x" + range),
              "--format: csv, xls, dat oder wk1 erwartet / csv, xls, dat or wk1 expected"},
             {Args("--type Day --selection Temperaturen --increment -1" + range),
              "--increment: ganze Sekunden >= 0 erwartet / whole seconds >= 0 expected"},
             {Args("--type Day --selection Temperaturen --increment 99999999999999999999" + range),
              "--increment: höchstens ein Jahr (31622400 Sekunden) / at most one year (31622400 seconds)"},
             {Args("--type Day" + range + " --fields"), "--fields ohne Wert / --fields needs a value"}}) {
        const auto run = RunTool(Dir, args);
        EXPECT_EQ(run.ExitCode, 2) << args;
        EXPECT_EQ(run.Err.substr(0, run.Err.find('\n')), reason) << args;
        EXPECT_NE(run.Err.find("Aufruf / usage: dedezuviv-tool export-batch"), std::string::npos) << args;
    }
}

TEST_F(ExportBatchTool, AStopSignalEndsAtOnceLeavingOnlyWholeFiles)
{
    // Two days by the minute: nearly 3000 files, far more than are written before the signal.
    const fs::path folder = Dir / "minuten";
    testsupport::BackgroundProgram tool;
    testsupport::BackgroundProgram::Options options;
    options.Environment = {{"LC_ALL", "C"}};
    options.StdoutFile = Dir / "batch.out";
    options.StderrFile = Dir / "batch.err";
    ASSERT_TRUE(tool.Start(testsupport::ToolPath("dedezuviv-tool"),
                           {"export-batch", "--project", ProjectFile.string(), "--type", "Min", "--selection",
                            "Temperaturen", "--format", "csv", "--folder", folder.string(), "--from",
                            "2025-03-01T00:00:00", "--to", "2025-03-03T00:00:00"},
                           options));
    for (int waited = 0; waited < 10000 && ReadFile(Dir / "batch.out").find("Export in Datei") == std::string::npos;
         waited += 5)
        usleep(5000);
    tool.Signal(SIGINT);
    EXPECT_EQ(tool.Wait(10000), 1);
    const std::vector<std::string> lines = SplitLines(ReadFile(Dir / "batch.out"), "\n");
    ASSERT_FALSE(lines.empty());
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        ++files;
        // Whole files only: the last line of each is a record with its line end.
        const std::string text = ReadFile(entry.path());
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << entry.path();
    }
    EXPECT_GE(files, 1u);
    EXPECT_LT(files, 2880u);
    EXPECT_EQ(lines.back().rfind("Batch-Export abgebrochen: " + std::to_string(files) + " Dateien geschrieben (", 0), 0u)
        << lines.back();
}
