// The main window driven through its real handlers, offscreen, with scripted message boxes.
#include "GuiTestSupport.h"

#include "app/core/AppSettings.h"
#include "app/core/PortKeeper.h"
#include "app/gui/AboutBox.h"
#include "app/gui/GuiMain.h"
#include "app/gui/ProgressWindow.h"
#include "app/gui/MainWindow.h"
#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "model/DataSource.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;
using namespace dedezuviv::gui;

using guitest::ScriptedDialogs;
using guitest::WaitUntil;

namespace {

std::string Text(const QString& text) { return text.toStdString(); }

struct MainWindowTest : ::testing::Test {
    std::unique_ptr<TMainPrgForm> Window;
    ScriptedDialogs Dialogs;
    testsupport::TempDir Dir;

    void SetUp() override
    {
        SetGermanFormatSettings();
        DebugMode = false;
        Window = std::make_unique<TMainPrgForm>();
        ConnectWindowToCore(*Window);
        InstallWindowCommands(*Window);
        SetUserDialogs(&Dialogs);
        Window->resize(800, 600);
    }

    void TearDown() override
    {
        FreeRunningDataSource();
        CloseProject();
        ClearCurrentRecord();
        DisconnectWindowFromCore();
        Window.reset();
        MainView().Dialogs.Clear();
        DebugMode = false;
        SetClockOverride(nullptr);
    }

    TProject& OpenProject(const std::string& port = "")
    {
        auto project = std::make_unique<TProject>();
        project->SetFileName((Dir / "Haus.p-p").string());
        project->Port.Name = port;
        ReplaceCurrentProject(std::move(project));
        Window->RefreshDisplay();
        return *CurrentProject();
    }

    std::vector<std::string> TerminalLines() const
    {
        std::vector<std::string> lines;
        for (const QString& line : Window->Terminal->toPlainText().split('\n'))
            if (!line.isEmpty())
                lines.push_back(Text(line));
        return lines;
    }

    // The terminal lines without their "<date time> " stamp.
    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        for (const std::string& line : TerminalLines()) {
            const size_t close = line.find("> ");
            lines.push_back(line.rfind("<", 0) == 0 && close != std::string::npos ? line.substr(close + 2) : line);
        }
        return lines;
    }

    bool Enabled(const char* caption) const { return Window->MenuEntry(QString::fromUtf8(caption))->isEnabled(); }
};

TEST_F(MainWindowTest, FrameHasItsPagesMenusAndShortcuts)
{
    EXPECT_EQ(Text(Window->windowTitle()), "DEDEZUviv Temperaturdatenlogger");
    ASSERT_EQ(Window->Pages->count(), 4);
    EXPECT_EQ(Text(Window->Pages->tabText(0)), "Terminal (Kommunikation)");
    EXPECT_EQ(Text(Window->Pages->tabText(1)), "Feldliste");
    EXPECT_EQ(Text(Window->Pages->tabText(2)), "Tabelle");
    EXPECT_EQ(Text(Window->Pages->tabText(3)), "Grafik");
    EXPECT_EQ(Window->StatusPanel0->width(), 400);
    EXPECT_EQ(Window->StatusPanel1->width(), 200);
    EXPECT_EQ(Window->MenuEntry("Aufzeichnung/Logging starten")->shortcut(), QKeySequence("Ctrl+L"));
    EXPECT_EQ(Window->MenuEntry("Aufzeichnung/Logging anhalten")->shortcut(), QKeySequence("Ctrl+A"));
    EXPECT_EQ(Window->MenuEntry("Angeschlossenes Gerät automatisch erkennen")->shortcut(), QKeySequence("F9"));
    EXPECT_EQ(Window->MenuEntry("Tabelle in Zwischenablage kopieren")->shortcut(), QKeySequence("Ctrl+C"));
    ASSERT_NE(Window->MenuEntry("Info"), nullptr);
    // Without a project every logging entry is disabled.
    for (const char* entry : {"Aufzeichnung/Logging anhalten", "Aufzeichnung/Logging starten", "Daten speichern ein",
                              "Daten speichern aus"})
        EXPECT_FALSE(Enabled(entry)) << entry;
}

TEST_F(MainWindowTest, CommandsWithoutProjectShowTheMessageOnly)
{
    Window->Start1Click();
    Window->DataSavingOn1Click();
    EXPECT_EQ(Dialogs.Count("inform"), 2);
    EXPECT_TRUE(Dialogs.Contains(
        "inform", "Für diese Funktion muss ein Projekt ausgewählt sein. Legen Sie ggf. neues Projekt an."));
    EXPECT_TRUE(TerminalLines().empty());
}

TEST_F(MainWindowTest, LoggingAgainstTheSimulatorShowsRecordsAndStatus)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    testsupport::BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, pty.EndB(), {"--interval", "0.7", "--id", "3", "--program", "12345"}));
    TProject& project = OpenProject(pty.EndA());
    project.SetModified(false);
    Window->UpdateStatusLine();
    EXPECT_EQ(Text(Window->windowTitle()), "DEDEZUviv Temperaturdatenlogger - " + pty.EndA() + ": logging aus");
    EXPECT_EQ(Text(Window->StatusPanel1->text()), "Projekt-Datei: Haus.p-p");

    Window->Start1Click();
    ASSERT_TRUE(LoggingActive());
    EXPECT_EQ(LogLines().back(), "Starte Logging (Schnittstelle " + pty.EndA() + ").");
    EXPECT_TRUE(Enabled("Aufzeichnung/Logging anhalten"));
    EXPECT_FALSE(Enabled("Aufzeichnung/Logging starten"));
    EXPECT_TRUE(Enabled("Daten speichern ein"));
    EXPECT_FALSE(Enabled("Daten speichern aus"));
    EXPECT_EQ(Text(Window->windowTitle()),
              "DEDEZUviv Temperaturdatenlogger - " + pty.EndA() + ": logging aktiv, aufzeichnen aus");

    Window->DataSavingOn1Click();
    EXPECT_TRUE(project.RecordingToFile);
    EXPECT_EQ(Text(Window->StatusPanel1->text()), "Projekt-Datei: Haus.p-p*");
    EXPECT_FALSE(Enabled("Daten speichern ein"));
    EXPECT_TRUE(Enabled("Daten speichern aus"));

    ASSERT_TRUE(WaitUntil([] { return CurrentRecord().Counts[ftTemperature] > 0; }, 5000));
    EXPECT_EQ(CurrentRecord().Header.ID, 3);
    EXPECT_EQ(CurrentRecord().Header.Program, 12345);
    ASSERT_TRUE(WaitUntil([&] { return project.RecordStart != 0; }, 5000));
    Window->UpdateStatusLine();
    EXPECT_EQ(Text(Window->windowTitle()),
              "DEDEZUviv Temperaturdatenlogger - " + pty.EndA() + ": logging aktiv, aufzeichnen aktiv (0d 0h 0min)");
    EXPECT_EQ(Text(Window->StatusPanel0->text()),
              "<" + pty.EndA() + ": logging aktiv, aufzeichnen aktiv (0d 0h 0min)>");
    // The record's text went to the terminal and the field list shows its values.
    bool recordLine = false;
    for (const std::string& line : TerminalLines())
        recordLine |= line.rfind("=MD/p312345/", 0) == 0;
    EXPECT_TRUE(recordLine);
    EXPECT_NE(Text(Window->FieldList->toPlainText()).find("Felder vom Typ Temperatur:\nFeld 0="), std::string::npos);

    Window->Stop1Click();
    EXPECT_FALSE(LoggingActive());
    EXPECT_EQ(LogLines().back(), "Stoppe Logging.");
    EXPECT_TRUE(Enabled("Aufzeichnung/Logging starten"));
    EXPECT_FALSE(Enabled("Daten speichern aus"));
    EXPECT_EQ(Text(Window->windowTitle()), "DEDEZUviv Temperaturdatenlogger - " + pty.EndA() + ": logging aus");
}

TEST_F(MainWindowTest, StartingTwiceGivesTheErrorBoxOnly)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    OpenProject(pty.EndA());
    Window->Start1Click();
    ASSERT_TRUE(LoggingActive());
    const size_t lines = TerminalLines().size();
    Window->Start1Click();
    EXPECT_TRUE(Dialogs.Contains("error", "Datenempfang (Logging) ist bereits gestartet. "));
    EXPECT_EQ(TerminalLines().size(), lines);
    EXPECT_TRUE(LoggingActive());
}

TEST_F(MainWindowTest, PortThatCannotBeOpenedIsReported)
{
    const std::string port = (Dir / "ttyMissing").string();
    OpenProject(port);
    Window->Start1Click();
    const std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Starte Logging (Schnittstelle " + port + ").");
    EXPECT_EQ(lines.back(), "Abbruch durch Fehler!");
    EXPECT_TRUE(Dialogs.Contains("error", "Die serielle Schnittstelle " + port +
                                              " kann nicht angesprochen werden! Bitte Schnittstelle einstellen."));
    EXPECT_TRUE(Enabled("Aufzeichnung/Logging starten"));
}

TEST_F(MainWindowTest, StartWithoutPortAnsweredNoDoesNothing)
{
    OpenProject("");
    Dialogs.Answers = {TDialogAnswer::No};
    Window->Start1Click();
    ASSERT_EQ(Dialogs.Count("ask"), 1);
    EXPECT_EQ(Dialogs.Shown[0].Text,
              "Es ist keine serielle Schnittstelle eingestellt! Automatische Erkennung angeschlossener Geräte jetzt "
              "starten (bitte Gerät anschliessen)? ");
    // No search ran: it would have written its first line to the terminal.
    EXPECT_TRUE(TerminalLines().empty());
}

TEST_F(MainWindowTest, WatchdogResetsASilentPortButNotAnActiveOne)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    OpenProject(pty.EndA());
    Window->WatchdogInterval = 1500;
    Window->SerialResetTestTmr->setInterval(1500);
    Window->SerialResetTestTmr->start();
    Window->Start1Click();
    ASSERT_TRUE(LoggingActive());
    const std::string reset = "Reset der Schnittstelle ausgelöst, da keine Daten mehr empfangen wurden.";
    const auto resets = [&] {
        int n = 0;
        for (const std::string& line : LogLines())
            n += line == reset;
        return n;
    };
    // Silence: the port is reset, with the stop and start lines after the reset line.
    ASSERT_TRUE(WaitUntil([&] { return resets() >= 1; }, 5000));
    guitest::Pump(100);
    std::vector<std::string> lines = LogLines();
    size_t at = 0;
    while (at < lines.size() && lines[at] != reset)
        ++at;
    ASSERT_LT(at + 2, lines.size());
    EXPECT_EQ(lines[at + 1], "Stoppe Logging.");
    EXPECT_EQ(lines[at + 2], "Starte Logging (Schnittstelle " + pty.EndA() + ").");
    EXPECT_TRUE(LoggingActive());

    // Records every 0.2 s keep a 3 s watchdog from firing: counted until records have come in for
    // twice the interval. They come closer than the display pause, so the window shows almost none.
    Window->ClearLog1Click();
    Window->WatchdogInterval = 3000;
    Window->SerialResetTestTmr->setInterval(3000);
    testsupport::BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, pty.EndB(), {"--interval", "0.2"}));
    const uint32_t before = RunningDataSource()->RecordCount;
    ASSERT_TRUE(WaitUntil([&] { return RunningDataSource()->RecordCount >= before + 40; }, 30000));
    EXPECT_EQ(resets(), 0);
    EXPECT_GT(CurrentRecord().Counts[ftTemperature], 0);
}

TEST_F(MainWindowTest, WatchdogDoesNothingWhileThePortIsClosed)
{
    OpenProject("");
    Window->SerialResetTest();
    EXPECT_TRUE(TerminalLines().empty());
}

TEST_F(MainWindowTest, TerminalStartsAfreshWithThe51stLine)
{
    for (int i = 1; i <= 50; ++i)
        Window->AddTerminalLine("Zeile " + std::to_string(i));
    EXPECT_EQ(Window->TerminalLineCount(), 50);
    Window->AddTerminalLine("Zeile 51");
    EXPECT_EQ(TerminalLines(), std::vector<std::string>{"Zeile 51"});
    Window->ClearLog1Click();
    EXPECT_EQ(Window->TerminalLineCount(), 0);
}

TEST_F(MainWindowTest, FieldListNamesValuesAndUnnamedPositions)
{
    TProject& project = OpenProject("");
    project.FieldNames[ftTemperature] = {"Außen", "Kessel"};
    auto record = std::make_unique<TDecodedRecord>();
    TOrvaProtocol::ClearRecord(*record);
    for (double t : {-12.3, 55.5, 20.0}) {
        TFieldValue v;
        v.Kind = vkFloat;
        v.FloatValue = t;
        TOrvaProtocol::AddValue(*record, ftTemperature, v);
    }
    record->Header = {13, 2, 1, 1, EncodeDateTime(2026, 12, 8, 10, 15, 7), EncodeDateTime(2026, 12, 8, 10, 15, 9)};
    Window->ShowRecord(*record);
    const std::string text = Text(Window->FieldList->toPlainText());
    EXPECT_EQ(text.substr(0, text.find("Felder vom Typ Zähler")),
              "Systemfelder:\nProgram=13; Version=2; Subversion=1; ID=1; RT=08.12.2026 10:15:07; PC=08.12.2026 "
              "10:15:09\n\nFelder vom Typ Temperatur:\nAußen=-12,3°C; Kessel=55,5°C; Feld 2=20°C\n\n");
    EXPECT_NE(text.find("Felder vom Typ Zähler:\n\n\nFelder vom Typ Wert:\n\n\n"), std::string::npos);
    EXPECT_NE(text.find("Felder vom Typ Intern:\n\n"), std::string::npos);
    // ShowRecord restarted the watchdog.
    EXPECT_TRUE(Window->SerialResetTestTmr->isActive());
    EXPECT_EQ(Window->SerialResetTestTmr->interval(), TMainPrgForm::WatchdogIntervalMs);
}

TEST_F(MainWindowTest, DebugMarkerInThePanelButNotInTheTitle)
{
    OpenProject("COM1");
    DebugMode = true;
    Window->UpdateStatusLine();
    EXPECT_EQ(Text(Window->StatusPanel0->text()), "<COM1 (9600 Baud) : logging aus *DEBUG-MODUS*>");
    EXPECT_EQ(Text(Window->windowTitle()), "DEDEZUviv Temperaturdatenlogger - COM1 (9600 Baud) : logging aus");
    DebugMode = false;
    Window->UpdateStatusLine();
    EXPECT_EQ(Text(Window->StatusPanel0->text()), "<COM1: logging aus>");
}

TEST_F(MainWindowTest, ProjectWithoutFileAndEmptyPort)
{
    auto project = std::make_unique<TProject>();
    ReplaceCurrentProject(std::move(project));
    Window->RefreshDisplay();
    EXPECT_EQ(Text(Window->StatusPanel1->text()), "Projekt-Datei: <kein Projekt>");
    EXPECT_EQ(Text(Window->windowTitle()), "DEDEZUviv Temperaturdatenlogger - COM?: logging aus");
    EXPECT_EQ(Text(Window->NameLabel->text()), "Name: Project");
}

TEST_F(MainWindowTest, DebugLogGoesToTheDataRoot)
{
    TProject& project = OpenProject("");
    DebugMode = true;
    Window->LogMessage("Hallo");
    Window->DebugInfo("Detail");
    DebugMode = false;
    Window->DebugInfo("not shown");
    const std::string log = testsupport::ReadFile(project.GetDataDir() + "/debug.log");
    const std::string today = DateToStr(Now());
    EXPECT_EQ(log, "<" + today + "> Hallo\r\n<" + today + ">  <Debug Info> Detail\r\n");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Hallo", " <Debug Info> Detail"}));
}

TEST_F(MainWindowTest, StopAndEvaluateNeedsRecordedData)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    OpenProject(pty.EndA());
    Window->Start1Click();
    EXPECT_FALSE(Window->StopAndEvaluate());
    EXPECT_TRUE(Dialogs.Contains("error", "Keine Daten aufgezeichnet oder keine Messung gestartet!"));
    EXPECT_TRUE(LoggingActive());
    CurrentProject()->RecordStart = Now();
    EXPECT_TRUE(Window->StopAndEvaluate());
    EXPECT_FALSE(LoggingActive());
}

TEST_F(MainWindowTest, ProgressWindowBarRule)
{
    Window->show();
    Window->LogBox->Open();
    EXPECT_FALSE(Window->isEnabled());
    EXPECT_EQ(Window->LogBox->Position(), 1);
    Window->LogBox->SetProgress(99.6);
    EXPECT_EQ(Window->LogBox->Position(), 100);
    Window->LogBox->SetProgress(42.4);
    EXPECT_EQ(Window->LogBox->Position(), 43);
    Window->LogBox->AddLine("Lese 26-12-08.txt");
    Window->LogBox->AppendToLastLine(" fertig");
    EXPECT_EQ(Text(Window->LogBox->Text()), "Lese 26-12-08.txt fertig");
    Window->LogBox->Close();
    EXPECT_TRUE(Window->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, SplashCollectsStartupLines)
{
    Window->StartingUp = true;
    Window->AboutBox->ShowAsSplash();
    EXPECT_EQ(Text(Window->AboutBox->windowTitle()), "Start ...");
    EXPECT_EQ(Text(Window->AboutBox->OkButton()->text()), "Bitte warten ...");
    EXPECT_FALSE(Window->AboutBox->OkButton()->isEnabled());
    Window->LogMessage("Trigger für Speichern aktiviert: \"Brenner (Relais)\" > 0");
    EXPECT_TRUE(TerminalLines().empty());
    EXPECT_NE(Text(Window->AboutBox->CommentText()).find("Trigger für Speichern aktiviert"), std::string::npos);
    Window->StartingUp = false;
    Window->AboutBox->EndSplash();
    EXPECT_EQ(Text(Window->AboutBox->windowTitle()), "Information");
    EXPECT_EQ(Text(Window->AboutBox->OkButton()->text()), "OK");
    EXPECT_TRUE(Window->AboutBox->OkButton()->isEnabled());
}

TEST_F(MainWindowTest, CloseWithAModifiedProject)
{
    const char* question = "Soll das Projekt gespeichert werden vor Beendigung des Programms? ";
    AppDataDir = Dir.Path().string();
    TProject& project = OpenProject("");
    project.SetModified(true);

    Dialogs.Answers = {TDialogAnswer::Cancel};
    EXPECT_FALSE(Window->CanClose());
    EXPECT_TRUE(Dialogs.Contains("ask", question));
    EXPECT_FALSE(std::filesystem::exists(Dir / "dedezuviv.cfg"));

    Dialogs.Answers = {TDialogAnswer::No};
    EXPECT_TRUE(Window->CanClose());
    EXPECT_FALSE(std::filesystem::exists(project.GetFileName()));
    EXPECT_TRUE(std::filesystem::exists(Dir / "dedezuviv.cfg"));

    Dialogs.Answers = {TDialogAnswer::Yes};
    EXPECT_TRUE(Window->CanClose());
    EXPECT_TRUE(std::filesystem::exists(project.GetFileName()));
    EXPECT_FALSE(project.Modified);

    // A save that fails keeps the window open.
    project.SetModified(true);
    project.SetFileName((Dir / "missing-folder" / "x" / "Haus.p-p").string());
    testsupport::WriteFile(Dir / "missing-folder", "a file, not a folder");
    Dialogs.Answers = {TDialogAnswer::Yes};
    EXPECT_FALSE(Window->CanClose());
    EXPECT_TRUE(Dialogs.Contains("error", "Die Einstellungenen konnten nicht gespeichert werden."));
    AppDataDir.clear();
}

TEST_F(MainWindowTest, CloseWhileLoggingAsksToStop)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    OpenProject(pty.EndA());
    Window->Start1Click();
    Dialogs.Answers = {TDialogAnswer::No};
    EXPECT_FALSE(Window->CanClose());
    EXPECT_TRUE(Dialogs.Contains("ask", "Soll der Datenempfang gestoppt werden um gewünschte Aktion durchzuführen?"));
    EXPECT_TRUE(LoggingActive());
    Dialogs.Answers = {TDialogAnswer::Yes};
    EXPECT_TRUE(Window->CanClose());
    EXPECT_FALSE(LoggingActive());
}

TEST_F(MainWindowTest, UnwritableSettingsFolderAtCloseIsReportedAndTheWindowCloses)
{
    testsupport::WriteFile(Dir / "cfg", "a file, not a folder");
    AppDataDir = (Dir / "cfg").string();
    EXPECT_TRUE(Window->CanClose());
    EXPECT_TRUE(Dialogs.Contains("error", "Die Einstellungenen konnten nicht gespeichert werden."));
    AppDataDir.clear();
}

// The adapter pulled while the window logs, then plugged in again (a new pty behind the same name):
// the window opens it again by itself and the records go on into the day file.
TEST_F(MainWindowTest, LoggingGoesOnWhenAPulledAdapterIsPluggedInAgain)
{
    const std::string link = (Dir / "regler").string();
    testsupport::BackgroundProgram first, second;
    ASSERT_TRUE(first.Start(testsupport::ToolPath("dedezuviv-simulator"),
                            {"--link", link, "--interval", "0.2", "--program", "11111"}));
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(link); }, 5000));
    TProject& project = OpenProject(link);
    project.RecordingToFile = true;
    project.SamplingInterval = 0;
    PortKeeper().RetryIntervalMs = 300;
    const auto recorded = [&](const std::string& program) {
        std::error_code error;
        const std::string folder = project.GetDataDir("data");
        if (!std::filesystem::is_directory(folder, error))
            return false;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (testsupport::ReadFile(entry.path()).find("=MD/p" + program + "/") != std::string::npos)
                return true;
        return false;
    };
    Window->Start1Click();
    ASSERT_TRUE(WaitUntil([&] { return recorded("111111"); }, 10000));

    first.Stop();
    ASSERT_TRUE(WaitUntil([&] { return RunningDataSource() && RunningDataSource()->LineLost(); }, 10000));
    ASSERT_TRUE(second.Start(testsupport::ToolPath("dedezuviv-simulator"),
                             {"--link", link, "--interval", "0.2", "--program", "22222"}));
    EXPECT_TRUE(WaitUntil([&] { return recorded("122222"); }, 15000)) << Text(Window->Terminal->toPlainText());
    PortKeeper().RetryIntervalMs = TPortKeeper::DefaultRetryIntervalMs;
    const std::vector<std::string> lines = LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Schnittstelle " + link + " wieder geöffnet, Logging läuft weiter."),
              lines.end());
    EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.Shown[0].Text;  // no message box while unattended
    Window->Stop1Click();
    EXPECT_FALSE(PortKeeper().Wanted());
}

}  // namespace
