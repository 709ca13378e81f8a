// `dedezuviv-tool export`: its command line, its messages and exit codes, the same file as
// the engine gives, the automatic increment, and the failures (full disk by a size limit, an
// unreadable day file, folders) as the process a cron job sees.
#include "export/ExportData.h"
#include "model/ProjectFile.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dedezuviv::model;
using namespace dedezuviv::exports;

namespace fs = std::filesystem;
using exporttest::SplitLines;
using testsupport::ReadFile;
using testsupport::RunTool;
using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

class ExportTool : public ::testing::Test {
protected:
    ExportTool()
    {
        auto project = exporttest::MakeProject(Dir);
        project->FieldSelections.emplace_back("Temperaturen", TNameList{"Kessel (Temperatur)", "Aussen (Temperatur)"});
        project->FieldSelections.emplace_back("Leer");
        project->FieldSelections.emplace_back("Ohne Felder", TNameList{});
        TProjectView view;
        int result = -1;
        std::string error;
        SaveProjectFile(*project, ProjectFile.string(), result, error, view);
        EXPECT_EQ(result, 0) << error;
        Project = std::move(project);
        Day = EncodeDate(2025, 3, 1);
        exporttest::WriteRecords(*Project, Day, Day + 2, 60);
    }

    std::string Args(const std::string& rest) const { return "export --project " + ShellQuote(ProjectFile.string()) + " " + rest; }

    // The tool behind a shell prefix (ulimit, setpriv); LC_ALL=C as RunTool.
    testsupport::ToolRun RunWith(const std::string& prefix, const std::string& arguments,
                                 const fs::path& tool = testsupport::ToolPath("dedezuviv-tool")) const
    {
        const std::string out = (Dir / "stdout").string(), err = (Dir / "stderr").string();
        const std::string command = prefix + " env LC_ALL=C " + ShellQuote(tool.string()) +
                                    " " + arguments + " >" + ShellQuote(out) + " 2>" + ShellQuote(err);
        const std::string shell = "sh -c " + ShellQuote(command);
        const int status = std::system(shell.c_str());
        testsupport::ToolRun run;
        run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.Out = ReadFile(out);
        run.Err = ReadFile(err);
        return run;
    }

    exporttest::GermanSettingsAndClock Settings;
    TempDir Dir;
    fs::path ProjectFile = Dir / "Haus.p-p";
    std::unique_ptr<TProject> Project;
    TDateTime Day = 0;
};

// The file without its "Export am:" line (the moment of the export).
std::vector<std::string> WithoutExportTime(const std::string& text)
{
    std::vector<std::string> lines = SplitLines(text);
    if (lines.size() > 4)
        lines.erase(lines.begin() + 4);
    return lines;
}

}  // namespace

TEST_F(ExportTool, WritesTheEnginesFileAndPrintsTheCount)
{
    const fs::path out = Dir / "out.csv";
    const auto run = RunTool(Dir, Args("--from 2025-03-01T12:00:00 --to 2025-03-02T11:59:00 --selection Temperaturen " +
                                       ShellQuote(out.string())));
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Export in Datei " + out.string() + " erfolgreich abgeschlossen  (1440 Datensätze).\n");
    EXPECT_EQ(run.Err, "");
    // The same engine with the same input gives the same file.
    TExportData engine;
    const TDateTime start = EncodeDateTime(2025, 3, 1, 12, 0, 0), end = EncodeDateTime(2025, 3, 2, 11, 59, 0);
    const TNameList fields = {"Kessel (Temperatur)", "Aussen (Temperatur)"};
    Project->SetFileName(ProjectFile.string());
    ASSERT_EQ(engine.Export(Project.get(), nullptr, (Dir / "engine.csv").string(), efCSV, start, end,
                            ExportIncrement(0, start, end, fields.size(), efCSV), fields),
              0);
    EXPECT_EQ(WithoutExportTime(ReadFile(out)), WithoutExportTime(ReadFile(Dir / "engine.csv")));
    EXPECT_EQ(SplitLines(ReadFile(out))[7], "\"01.03.2025 12:00:00\";\"20\";\"-5,25\"");
}

TEST_F(ExportTool, FieldsInDisplayFormAndEveryFormatByItsExtension)
{
    for (const char* name : {"a.DAT", "b.xls", "c.Wk1", "d.csv"}) {
        const fs::path out = Dir / "sub" / name;
        const auto run = RunTool(Dir, Args("--from 2025-03-01T00:00:00 --to 2025-03-01T00:10:00 --fields "
                                           "'Kessel (Temperatur), PC,rt' " +
                                           ShellQuote(out.string())));
        ASSERT_EQ(run.ExitCode, 0) << name << run.Err;
        EXPECT_NE(run.Out.find("(11 Datensätze)"), std::string::npos) << run.Out;
    }
    const auto lines = SplitLines(ReadFile(Dir / "sub" / "a.DAT"));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "Zeit,Kessel,PC,rt");  // rt: a system field name as given
    // Midnight: dates without time; the temperature as a number.
    EXPECT_EQ(lines[1].substr(0, 11), "01.03.2025,");
    EXPECT_EQ(lines[1].substr(lines[1].size() - 22), ",01.03.2025,01.03.2025");
}

TEST_F(ExportTool, AutomaticIncrementAsTheWindows)
{
    // 100 fields over 104 days: 8985600 s / (30000000 div 100) = 29.95 -> one row every 30 s.
    std::string fields;
    for (int i = 0; i < 100; ++i)
        fields += std::string(i ? "," : "") + "Kessel (Temperatur)";
    exporttest::WriteRecords(*Project, Day + 3, Day + 3 + 1.0 / 24, 10);
    const fs::path out = Dir / "auto.dat";
    const auto run = RunTool(Dir, Args("--from 2025-03-04T00:00:00 --to 2025-06-16T00:00:00 --fields " +
                                       ShellQuote(fields) + " --increment 0 " + ShellQuote(out.string())));
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("(120 Datensätze)"), std::string::npos) << run.Out;
    const auto lines = SplitLines(ReadFile(out));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 11), "04.03.2025,");
    EXPECT_EQ(lines[2].substr(0, 20), "04.03.2025 00:00:30,");
    EXPECT_EQ(lines[3].substr(0, 20), "04.03.2025 00:01:00,");
    // A given increment is taken as it is.
    const auto given = RunTool(Dir, Args("--from 2025-03-04T00:00:00 --to 2025-06-16T00:00:00 --fields 'Kessel "
                                         "(Temperatur)' --increment 600 " +
                                         ShellQuote(out.string())));
    EXPECT_NE(given.Out.find("(6 Datensätze)"), std::string::npos) << given.Out;
}

TEST_F(ExportTool, RangeWithoutRecordsIsSuccess)
{
    const fs::path out = Dir / "leer.csv";
    const auto run = RunTool(Dir, Args("--from 2020-01-01T00:00:00 --to 2020-01-31T00:00:00 --selection Temperaturen " +
                                       ShellQuote(out.string())));
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("(0 Datensätze)"), std::string::npos);
    EXPECT_EQ(SplitLines(ReadFile(out)).size(), 7u);
}

TEST_F(ExportTool, UnknownFormatAndMissingFieldsAreErrorsWithoutFile)
{
    auto run = RunTool(Dir, Args("--from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00 --selection Temperaturen " +
                                 ShellQuote((Dir / "out.txt").string())));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "Unbekanntes Format für Datenexport angegeben!\n");
    EXPECT_FALSE(fs::exists(Dir / "out.txt"));
    for (const char* selection : {"Leer", "'Ohne Felder'", "Gibtsnicht"}) {
        run = RunTool(Dir, Args(std::string("--from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00 --selection ") +
                                selection + " " + ShellQuote((Dir / "out.csv").string())));
        EXPECT_EQ(run.ExitCode, 1) << selection;
        EXPECT_EQ(run.Err.substr(0, run.Err.find('\n')),
                  "Angegebene Felder für Export sind in aufgezeichneten Daten nicht vorhanden!");
        EXPECT_FALSE(fs::exists(Dir / "out.csv"));
    }
    run = RunTool(Dir, Args("--from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00 --fields 'Kessel (Temperatur),Kesel' " +
                            ShellQuote((Dir / "out.csv").string())));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("Im Projekt nicht definiert: \"Kesel\""), std::string::npos) << run.Err;
    run = RunTool(Dir, Args("--from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00 --fields ' , ' " +
                            ShellQuote((Dir / "out.csv").string())));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_FALSE(fs::exists(Dir / "out.csv"));
}

TEST_F(ExportTool, WrongUseExitsWithTwo)
{
    const std::string out = ShellQuote((Dir / "out.csv").string());
    for (const std::string& args :
         {Args("--from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00 " + out),
          Args("--from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00 --selection a --fields b " + out),
          Args("--from 2025-03-01 --to 2025-03-02T00:00:00 --selection a " + out),
          Args("--from 2025-03-01T00:00:00 --to 2025-02-30T00:00:00 --selection a " + out),
          Args("--from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00 --selection a --increment -5 " + out),
          Args("--from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00 --selection a"),
          std::string("export --from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00 --selection a " + out)}) {
        const auto run = RunTool(Dir, args);
        EXPECT_EQ(run.ExitCode, 2) << args;
        EXPECT_NE(run.Err.find("Aufruf / usage: dedezuviv-tool export"), std::string::npos) << args;
    }
    const auto help = RunTool(Dir, "export --help");
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find("--selection NAME"), std::string::npos);
    // What a stored selection and --fields do with a name the project does not define.
    EXPECT_NE(help.Out.find("wird als leere Spalte exportiert"), std::string::npos);
    EXPECT_NE(help.Out.find("gilt als Tippfehler und wird\nabgelehnt"), std::string::npos);

    // The reason comes first, before the usage.
    const std::string range = "--from 2025-03-01T00:00:00 --to 2025-03-02T00:00:00 --selection a ";
    for (const auto& [args, reason] : std::initializer_list<std::pair<std::string, std::string>>{
             {Args(range + "--farbe rot " + out), "Unbekannte Option / unknown option: \"--farbe\""},
             {Args(range + out + " zweite.csv"), "Nur eine Ausgabedatei / only one output file"},
             {Args(out + " " + range + "--to"), "--to ohne Wert / --to needs a value"},
             {Args(range + "--increment 1.5 " + out),
              "--increment: ganze Sekunden >= 0 erwartet / whole seconds >= 0 expected"},
             // Beyond a year (also a number no 64 bits hold, which must not wrap to "every row").
             {Args(range + "--increment 31622401 " + out),
              "--increment: höchstens ein Jahr (31622400 Sekunden) / at most one year (31622400 seconds)"},
             {Args(range + "--increment 99999999999999999999 " + out),
              "--increment: höchstens ein Jahr (31622400 Sekunden) / at most one year (31622400 seconds)"}}) {
        const auto run = RunTool(Dir, args);
        EXPECT_EQ(run.ExitCode, 2) << args;
        EXPECT_EQ(run.Err.substr(0, run.Err.find('\n')), reason) << args;
    }
}

TEST_F(ExportTool, AnEndBeforeTheStartIsAnErrorWithoutFile)
{
    const auto run = RunTool(Dir, Args("--from 2025-03-02T00:00:00 --to 2025-03-01T00:00:00 --selection Temperaturen " +
                                       ShellQuote((Dir / "out.csv").string())));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "Das Ende des Zeitraums (01.03.2025) liegt vor seinem Anfang (02.03.2025). Es wurde nichts "
                       "exportiert.\n");
    EXPECT_EQ(run.Out, "");
    EXPECT_FALSE(fs::exists(Dir / "out.csv"));
}

TEST_F(ExportTool, FullDiskByASizeLimitFailsWithItsMessage)
{
    const fs::path out = Dir / "voll.csv";
    // 1 MiB size limit (ulimit -f counts 1024-byte blocks); the export needs about 3 MiB.
    exporttest::WriteRecords(*Project, Day + 10, Day + 14, 10);
    const auto run = RunWith("ulimit -f 1024;", Args("--from 2025-03-11T00:00:00 --to 2025-03-15T00:00:00 --increment 1 "
                                                     "--selection Temperaturen " +
                                                     ShellQuote(out.string())));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "Fehler bei Export aufgetreten!\nFehler beim Schreiben der Exportdatei \"" + out.string() +
                           "\": Die Datei überschreitet die zulässige Größe\n");
}

TEST_F(ExportTool, AStopSignalEndsTheExportAndRemovesItsFile)
{
    // The output is a pipe the test reads: once it is full the export waits in a write, and the signal
    // comes while it is surely still running. Two months by the minute are more than the writer's
    // 1 MiB buffer and the pipe hold.
    exporttest::WriteRecords(*Project, Day + 2, Day + 60, 60);
    const fs::path out = Dir / "out.csv";
    ASSERT_EQ(mkfifo(out.c_str(), 0600), 0);
    testsupport::BackgroundProgram tool;
    testsupport::BackgroundProgram::Options options;
    options.Environment = {{"LC_ALL", "C"}};
    options.StderrFile = Dir / "stderr";
    ASSERT_TRUE(tool.Start(testsupport::ToolPath("dedezuviv-tool"),
                           {"export", "--project", ProjectFile.string(), "--from", "2025-03-01T00:00:00", "--to",
                            "2025-04-30T00:00:00", "--increment", "60", "--selection", "Temperaturen", out.string()},
                           options));
    const int pipe = open(out.c_str(), O_RDONLY);
    ASSERT_GE(pipe, 0);
    const int capacity = fcntl(pipe, F_GETPIPE_SZ);
    int waiting = 0;
    for (int waited = 0; waited < 20000 && waiting < capacity; waited += 5) {
        usleep(5000);
        ioctl(pipe, FIONREAD, &waiting);
    }
    ASSERT_EQ(waiting, capacity) << "the export did not fill the pipe";
    tool.Signal(SIGINT);
    char buffer[65536];
    while (read(pipe, buffer, sizeof buffer) > 0) {
    }
    close(pipe);
    EXPECT_EQ(tool.Wait(10000), 1);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(ReadFile(Dir / "stderr"),
              "Export abgebrochen; die unvollständige Datei \"" + out.string() + "\" wurde gelöscht.\n");
}

TEST_F(ExportTool, FoldersAndUnreadableDayFiles)
{
    // A missing output folder is created.
    const fs::path nested = Dir / "neu" / "ordner" / "out.xls";
    auto run = RunTool(Dir, Args("--from 2025-03-01T00:00:00 --to 2025-03-01T01:00:00 --selection Temperaturen " +
                                 ShellQuote(nested.string())));
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(fs::is_regular_file(nested));
    // One that cannot be created.
    testsupport::WriteFile(Dir / "datei", "x");
    run = RunTool(Dir, Args("--from 2025-03-01T00:00:00 --to 2025-03-01T01:00:00 --selection Temperaturen " +
                            ShellQuote((Dir / "datei" / "out.csv").string())));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "Fehler bei Export aufgetreten!\nDas Verzeichnis \"" + (Dir / "datei").string() +
                           "\" für die Exportdatei kann nicht angelegt werden: Es gibt dort bereits eine Datei dieses Namens\n");

    // A day file that cannot be read: its name and reason, exit 1, never success.
    const std::string locked = DataFileName(*Project, Day + 1);
    ::chmod(locked.c_str(), 0);
    for (const fs::path& p : {Dir.Path(), fs::path(Project->GetDataDir()), fs::path(Project->GetDataDir("data"))})
        ::chmod(p.c_str(), 0777);
    ::chmod(ProjectFile.c_str(), 0644);
    const std::string prefix = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    if (::geteuid() == 0 && std::system("command -v setpriv >/dev/null") != 0)
        GTEST_SKIP() << "setpriv is missing: cannot run as an unprivileged user";
    // The build tree may lie where "nobody" cannot enter: it runs a copy of the tool in the open folder.
    fs::path tool = testsupport::ToolPath("dedezuviv-tool");
    if (::geteuid() == 0) {
        fs::create_directory(Dir / "bin");
        ::chmod((Dir / "bin").c_str(), 0755);
        tool = testsupport::CopyForOtherUsers(tool, Dir / "bin");
        ASSERT_FALSE(tool.empty());
    }
    const fs::path out = Dir / "gesperrt.csv";
    run = RunWith(prefix,
                  Args("--from 2025-03-01T00:00:00 --to 2025-03-03T00:00:00 --selection Temperaturen " +
                       ShellQuote(out.string())),
                  tool);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "Fehler bei Export aufgetreten!\nDie Datendatei \"" + locked +
                           "\" kann nicht gelesen werden: Zugriff verweigert\n");
}
