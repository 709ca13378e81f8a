// The export commands after their dialogs: the order of the checks, the progress and debug lines, the
// messages (always after the progress window has closed), cancelling, and the batch run's folder, end
// and result message.
#include "app/core/ExportActions.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "model/DayFiles.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "support/RecordLines.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace fs = std::filesystem;
using testsupport::RecordingProgress;
using testsupport::ScriptedDialogs;

namespace {

using TShown = std::vector<ScriptedDialogs::Entry>;

struct ExportActionsTest : ::testing::Test {
    testsupport::TempDir Dir;
    ScriptedDialogs Dialogs;
    RecordingProgress Progress;
    // "open", and "close" with the number of messages shown before it.
    std::vector<std::string> Window;
    std::vector<std::string> Debug;
    TProject* Project = nullptr;
    const TNameList Fields{"Kessel (Temperatur)", "Aussen (Temperatur)"};

    void SetUp() override
    {
        SetGermanFormatSettings();
        SetUserDialogs(&Dialogs);
        SetLogCallbacks(nullptr, [this](const std::string& line) { Debug.push_back(line); });
        auto project = std::make_unique<TProject>();
        project->SetFileName((Dir / "Haus.p-p").string());
        project->FieldNames[ftTemperature] = {"Kessel", "Aussen"};
        Project = project.get();
        ReplaceCurrentProject(std::move(project));
    }

    void TearDown() override
    {
        CloseCurrentProject();
        ClearLogCallbacks();
        SetUserDialogs(nullptr);
        SetClockOverride(nullptr);
    }

    TActionProgress ProgressWindow(std::function<bool()> cancel = {})
    {
        return {.Lines = &Progress,
                .CancelRequested = std::move(cancel),
                .Open = [this] { Window.push_back("open"); },
                .Close = [this] { Window.push_back("close " + std::to_string(Dialogs.Shown.size())); }};
    }

    // A record every Step seconds from From (inclusive) to To (exclusive).
    void WriteRecords(TDateTime from, TDateTime to, int stepSeconds)
    {
        for (TDateTime t = from; t < to - 1e-9; t = IncSecond(t, stepSeconds))
            ASSERT_TRUE(AppendLineToFile(DataFileName(*Project, t), testsupport::RecordLine(t, {55.5, -3.25})));
    }

    std::string NoDataMessage() const { return FormatMessage(ExportMessages::NoData, Project->GetDataDir("data")); }
};

TEST_F(ExportActionsTest, TheChecksComeInOrderEachWithItsErrorOnceTheProgressWindowIsClosed)
{
    struct Case {
        std::string File;
        bool WithFields;
        std::string Message;
    };
    for (const Case& c : std::initializer_list<Case>{{"", true, NoExportFileMessage},
                                                     {"", false, NoExportFileMessage},
                                                     {"Daten.txt", true, ExportMessages::UnknownFormat},
                                                     {"Daten.txt", false, ExportMessages::UnknownFormat},
                                                     {"Daten", true, ExportMessages::UnknownFormat},
                                                     {"Daten.csv", false, ExportMessages::NoFields}}) {
        Dialogs.Shown.clear();
        Progress.Lines.clear();
        Window.clear();
        const std::string file = c.File.empty() ? c.File : (Dir / c.File).string();
        ExportFileCommand(*Project, {.FileName = file, .Fields = c.WithFields ? Fields : TNameList()}, ProgressWindow());
        EXPECT_EQ(Dialogs.Shown, (TShown{{"error", c.Message}})) << c.File;
        EXPECT_EQ(Window, (std::vector<std::string>{"open", "close 0"})) << c.File;
        EXPECT_EQ(Progress.Lines, std::vector<std::string>{"Datenaufbereitung wird gestartet..."}) << c.File;
        EXPECT_FALSE(!file.empty() && fs::exists(file)) << c.File;
        // The tool checks the file name alone, before it reads the project.
        std::string message;
        EXPECT_EQ(ExportFileFormat(file, message).has_value(), c.Message == ExportMessages::NoFields) << c.File;
        EXPECT_EQ(message, c.Message == ExportMessages::NoFields ? "" : c.Message) << c.File;
    }
}

TEST_F(ExportActionsTest, AnExportWritesItsLinesAndDebugLinesAndReportsTheFile)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 2), 600);
    const std::string file = (Dir / "aus" / "Daten.csv").string();
    const TExportFileResult result = ExportFileCommand(*Project,
                                                       {.FileName = file,
                                                        .Fields = Fields,
                                                        .Start = EncodeDateTime(2025, 3, 1, 6, 0, 0),
                                                        .End = EncodeDateTime(2025, 3, 1, 12, 0, 0),
                                                        .IncrementSeconds = 1800},
                                                       ProgressWindow());
    EXPECT_EQ(result.RecordCount, 13);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(Dialogs.Shown, (TShown{{"inform", "Export in Datei " + file + " erfolgreich abgeschlossen  (13 Datensätze)."}}));
    EXPECT_EQ(Window, (std::vector<std::string>{"open", "close 0"}));
    const std::string range = "01.03.2025 06:00:00 bis 01.03.2025 12:00:00";
    ASSERT_GE(Progress.Lines.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(Progress.Lines.begin(), Progress.Lines.begin() + 6),
              (std::vector<std::string>{"Datenaufbereitung wird gestartet...", "Datensätze gesamt=0", "Export von " + range,
                                        "in Datei " + file + ".", "Minimales Zeitinkrement = 1800 s", "Zahl der Felder=2"}));
    EXPECT_EQ(Progress.Lines.back(), "Datensätze gesamt=13");
    // The engine's lines come in between.
    EXPECT_EQ(Progress.Lines[6].rfind("Lese Daten aus Datei 25-03-01.txt ...", 0), 0u) << Progress.Lines[6];
    EXPECT_EQ(Debug, (std::vector<std::string>{"Export von " + range + "in Datei " + file + " aus Datenverzeichnis " +
                                                   Project->GetDataDir("data"),
                                               "Minimales Zeitinkrement = 1800 s", "Zahl der Felder=2",
                                               "Datensätze gesamt=13"}));
}

TEST_F(ExportActionsTest, TheFormatFollowsTheExtensionInAnyCase)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 2), 3600);
    struct Case {
        std::string File;
        std::string Start;  // the file's first bytes
    };
    for (const Case& c : std::initializer_list<Case>{{"Daten.XLS", std::string("\x09\x00\x04\x00", 4)},
                                                     {"Daten.wk1", std::string("\x00\x00\x02\x00\x06\x04", 6)}}) {
        Dialogs.Shown.clear();
        const std::string file = (Dir / c.File).string();
        ExportFileCommand(*Project,
                          {.FileName = file, .Fields = Fields, .Start = EncodeDate(2025, 3, 1), .End = EncodeDate(2025, 3, 2)},
                          ProgressWindow());
        EXPECT_EQ(testsupport::ReadFile(file).substr(0, c.Start.size()), c.Start) << c.File;
        EXPECT_EQ(Dialogs.Shown, (TShown{{"inform", "Export in Datei " + file + " erfolgreich abgeschlossen  (24 Datensätze)."}}));
    }
}

TEST_F(ExportActionsTest, NoDataAFailureAndACancelEachHaveTheirMessages)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 2), 3600);
    fs::create_directories(Dir / "Ordner.csv");
    struct Case {
        std::string File;
        TDateTime Start;
        bool Cancel;
        TExportFileOutcome Outcome;
        std::vector<std::string> Kinds;
        std::string FirstText;  // the beginning of the first message
    };
    const TDateTime day = EncodeDate(2025, 3, 1);
    for (const Case& c : std::initializer_list<Case>{
             {"Leer.csv", EncodeDate(2020, 1, 1), false, TExportFileOutcome::Written, {"inform"}, NoDataMessage()},
             {"Ordner.csv", day, false, TExportFileOutcome::Failed, {"error", "inform"}, "Fehler bei Export aufgetreten!\n\r"},
             {"Halb.csv", day, true, TExportFileOutcome::Cancelled, {"inform"}, "Export abgebrochen; die unvollständige Datei \""}}) {
        Dialogs.Shown.clear();
        Window.clear();
        const std::string file = (Dir / c.File).string();
        const TExportFileResult result =
            ExportFileCommand(*Project, {.FileName = file, .Fields = Fields, .Start = c.Start, .End = c.Start + 1},
                              ProgressWindow([&c] { return c.Cancel; }));
        EXPECT_EQ(result.Outcome, c.Outcome) << c.File;
        EXPECT_EQ(Window.back(), "close 0") << c.File;
        std::vector<std::string> kinds;
        for (const ScriptedDialogs::Entry& shown : Dialogs.Shown)
            kinds.push_back(shown.Kind);
        EXPECT_EQ(kinds, c.Kinds) << c.File;
        ASSERT_FALSE(Dialogs.Shown.empty());
        EXPECT_EQ(Dialogs.Shown[0].Text.rfind(c.FirstText, 0), 0u) << Dialogs.Shown[0].Text;
        // A failed export ends with the result message; a cancelled one leaves no file.
        const bool cancelled = c.Outcome == TExportFileOutcome::Cancelled;
        EXPECT_EQ(Dialogs.Shown.back().Text == NoDataMessage(), !cancelled) << c.File;
        EXPECT_EQ(fs::exists(file), !cancelled) << c.File;
    }
}

TEST_F(ExportActionsTest, ARunStopsWhenItsProjectGoesAway)
{
    TProjectWatch current(*Project);
    const std::function<bool()> rule = current.CancelRule({});
    EXPECT_FALSE(rule());
    const TProject other;
    TProjectWatch notCurrent(other);
    EXPECT_TRUE(notCurrent.CancelRule([] { return true; })());

    CloseCurrentProject();
    EXPECT_TRUE(current.Gone());
    EXPECT_TRUE(rule());
    // A project of a program without window (never current) does not go away.
    EXPECT_FALSE(notCurrent.Gone());
    EXPECT_FALSE(notCurrent.CancelRule({})());
}

TEST_F(ExportActionsTest, ABatchNeedsATypeAndFieldsOfASelection)
{
    Project->FieldSelections.emplace_back("Temperaturen", Fields);
    Project->FieldSelections.emplace_back("Leer");
    EXPECT_EQ(SelectionFieldsAt(*Project, 0), Fields);
    for (const int withoutFields : {1, 2, -1})
        EXPECT_TRUE(SelectionFieldsAt(*Project, withoutFields).empty()) << withoutFields;

    EXPECT_FALSE(BatchExportCommand(*Project, {.Type = nullptr, .Fields = Fields}, ProgressWindow()));
    EXPECT_FALSE(BatchExportCommand(*Project, {.Type = ExportTypeAt(1), .Fields = SelectionFieldsAt(*Project, 1)},
                                    ProgressWindow()));
    EXPECT_EQ(ExportTypeAt(4), nullptr);
    EXPECT_EQ(ExportTypeAt(-1), nullptr);
    EXPECT_TRUE(Window.empty());
    EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(ExportActionsTest, AnEndBeforeTheStartIsAnErrorOfBothCommands)
{
    SetClockOverride([] { return EncodeDateTime(2025, 3, 1, 18, 0, 0); });
    const TDateTime start = EncodeDate(2025, 3, 2), end = EncodeDate(2025, 3, 1);
    const std::string message =
        "Das Ende des Zeitraums (01.03.2025) liegt vor seinem Anfang (02.03.2025). Es wurde nichts exportiert.";
    const std::string file = (Dir / "Daten.csv").string();
    const TExportFileResult single =
        ExportFileCommand(*Project, {.FileName = file, .Fields = Fields, .Start = start, .End = end}, ProgressWindow());
    EXPECT_EQ(single.Outcome, TExportFileOutcome::EndBeforeStart);
    EXPECT_EQ(Dialogs.Shown, (TShown{{"error", message}}));
    EXPECT_EQ(Window, (std::vector<std::string>{"open", "close 0"}));
    EXPECT_FALSE(fs::exists(file));

    // The batch: also when the end is the moment it starts; no progress window then.
    for (const bool endIsNow : {false, true}) {
        Dialogs.Shown.clear();
        Window.clear();
        EXPECT_FALSE(BatchExportCommand(
            *Project, {.Type = ExportTypeAt(1), .Fields = Fields, .Start = start, .End = end, .EndIsNow = endIsNow},
            ProgressWindow()));
        ASSERT_EQ(Dialogs.Shown.size(), 1u) << endIsNow;
        EXPECT_EQ(Dialogs.Shown[0].Kind, "error");
        EXPECT_NE(Dialogs.Shown[0].Text.find("liegt vor seinem Anfang (02.03.2025)"), std::string::npos);
        EXPECT_TRUE(Window.empty()) << endIsNow;
    }
    EXPECT_FALSE(fs::exists(Project->GetDataDir("export")));
}

TEST_F(ExportActionsTest, ABatchRunsIntoItsFolderUpToItsEndAndReportsTheResult)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 3) + 1.0 / 24, 3600);
    SetClockOverride([] { return EncodeDateTime(2025, 3, 1, 18, 0, 0); });
    // A folder where the first period's file would go: that period fails, the second is written.
    fs::create_directories(Dir / "teils" / "Tagesverlauf_2025-03-01-0000.csv");
    const fs::path projectFolder = Project->GetDataDir("export");
    struct Case {
        std::optional<std::string> Folder;
        bool EndIsNow;
        bool Cancel;
        std::vector<fs::path> Files;
        ScriptedDialogs::Entry Message;
        std::vector<std::string> Lines{};  // parts of the progress window's text, one after another
    };
    for (const Case& c : std::initializer_list<Case>{
             {std::nullopt, false, false,
              {projectFolder / "Tagesverlauf_2025-03-01-0000.csv", projectFolder / "Tagesverlauf_2025-03-02-0000.csv"},
              {"inform", "Export der Daten erfolgreich abgeschlossen (50 Datensätze)."},
              {"Auswertung von 01.03.2025 bis 03.03.2025:\nMinimales Zeitinkrement = 0 s\n",
               "Export in Datei Tagesverlauf_2025-03-02-0000.csv erfolgreich abgeschlossen  (25 Datensätze)."}},
             {(Dir / "bis-jetzt").string(), true, false,
              {Dir / "bis-jetzt" / "Tagesverlauf_2025-03-01-0000.csv"},
              {"inform", "Export der Daten erfolgreich abgeschlossen (25 Datensätze)."}},
             {std::string(), false, false, {}, {"inform", NoDataMessage()}},
             {(Dir / "teils").string(), false, false, {Dir / "teils" / "Tagesverlauf_2025-03-02-0000.csv"},
              {"error", ExportMessages::Failed}},
             {std::nullopt, false, true, {}, {"inform", "Batch-Export abgebrochen: 0 Dateien geschrieben (0 Datensätze)."}}}) {
        fs::remove_all(projectFolder);
        Dialogs.Shown.clear();
        Window.clear();
        Progress.Lines.clear();
        const std::optional<TBatchResult> result =
            BatchExportCommand(*Project,
                               {.Type = ExportTypeAt(1),
                                .Fields = Fields,
                                .Format = efCSV,
                                .Start = EncodeDate(2025, 3, 1),
                                .End = EncodeDate(2025, 3, 3),
                                .EndIsNow = c.EndIsNow,
                                .Folder = c.Folder},
                               ProgressWindow([&c] { return c.Cancel; }));
        const std::string label = c.Folder.value_or("(project)");
        ASSERT_TRUE(result) << label;
        for (const fs::path& written : c.Files)
            EXPECT_TRUE(fs::exists(written)) << written;
        EXPECT_EQ(Dialogs.Shown, TShown{c.Message}) << label;
        EXPECT_EQ(Window, (std::vector<std::string>{"open", "close 0"})) << label;
        std::string text;
        for (const std::string& line : Progress.Lines)
            text += line + "\n";
        size_t at = 0;
        for (const std::string& part : c.Lines) {
            at = text.find(part, at);
            EXPECT_NE(at, std::string::npos) << part << "\n" << text;
        }
    }
}

}  // namespace
