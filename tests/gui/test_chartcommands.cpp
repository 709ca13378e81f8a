// The chart commands of the main window offscreen: the plot dialog and its stored values, a chart of
// recorded day files, stop-and-plot, copying and saving the charts, and the logger that keeps recording
// and acknowledging while a chart is being read.
#include "GuiTestSupport.h"

#include "app/core/FileChooser.h"
#include "app/gui/ChartCommands.h"
#include "app/gui/ChartPage.h"
#include "app/gui/ChartTitle.h"
#include "app/gui/ChartWidget.h"
#include "app/gui/GuiMain.h"
#include "app/gui/ProgressWindow.h"
#include "app/gui/MainWindow.h"
#include "app/gui/PlotDlg.h"
#include "app/gui/SeriesPlottable.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "model/LiveLogging.h"
#include "model/DayFiles.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "model/window/DialogTimes.h"
#include "support/RecordLines.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTimeEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;
using namespace dedezuviv::gui;

namespace fs = std::filesystem;
using guitest::ScriptedDialogs;
using testsupport::RecordLine;

namespace {

TDateTime At(int day, int hour, int minute, int second = 0) { return EncodeDateTime(2026, 3, day, hour, minute, second); }

struct ChartCommandsTest : ::testing::Test {
    std::unique_ptr<TMainPrgForm> Window;
    ScriptedDialogs Dialogs;
    guitest::ScriptedFiles Files;
    testsupport::TempDir Dir;
    // What the next opening of the plot dialog does: set its controls, then OK or Cancel.
    std::function<void(TPlotEditDlg&)> OnDialog;
    bool Accept = true;
    int Openings = 0;

    void SetUp() override
    {
        SetGermanFormatSettings();
        MainView().Dialogs.Clear();
        Window = std::make_unique<TMainPrgForm>();
        ConnectWindowToCore(*Window);
        InstallChartCommands(*Window);
        SetUserDialogs(&Dialogs);
        SetFileChooser(&Files);
        Window->resize(900, 700);
        Window->show();
    }

    void TearDown() override
    {
        CloseProject();
        ClearCurrentRecord();
        SetFileChooser(nullptr);
        DisconnectWindowFromCore();
        Window.reset();
        MainView().Dialogs.Clear();
    }

    TProject& OpenProject()
    {
        auto project = std::make_unique<TProject>();
        project->SetFileName((Dir / "Haus.p-p").string());
        project->FieldNames[ftTemperature] = {"Kessel", "Aussen"};
        project->FieldNames[ftOutput] = {"Brenner", "Pumpe"};
        project->FieldSelections.emplace_back("Heizung", TNameList{"Kessel (Temperatur)", "Brenner (Relais)"});
        project->FieldSelections.emplace_back("Nur Kessel", TNameList{"Kessel (Temperatur)"});
        ReplaceCurrentProject(std::move(project));
        return *CurrentProject();
    }

    void Record(const std::vector<TDateTime>& times)
    {
        for (TDateTime t : times)
            ASSERT_TRUE(AppendLineToFile(DataFileName(*CurrentProject(), t), RecordLine(t, {55.5, -2}, "/o10")));
    }

    // Arranges the answer of the plot dialog: its controls set, then OK or Cancel.
    void Answer(std::function<void(TPlotEditDlg&)> setControls, bool accept = true)
    {
        OnDialog = std::move(setControls);
        Accept = accept;
    }

    // Runs Command; the plot dialog, once shown, gets the answer arranged.
    void Run(const std::function<void()>& command)
    {
        TPlotEditDlg& dialog = PlotEditDlg(*Window);
        Openings += guitest::WithDialog(
            dialog,
            [&] {
                if (OnDialog)
                    OnDialog(dialog);
                (Accept ? dialog.OKBtn : dialog.CancelBtn)->click();
            },
            command);
    }

    static void SetRange(TPlotEditDlg& dialog, TDateTime start, TDateTime end, const char* increment = "00:00:00")
    {
        dialog.SetStartTime(start);
        dialog.SetEndTime(end);
        dialog.SetIncrementText(QString::fromLatin1(increment));
    }

    TChartPage& Page() { return *Window->ChartPage; }
};

TEST_F(ChartCommandsTest, TheMenuEntriesAreConnectedWithTheirShortcuts)
{
    for (const char* caption : {"Grafische Auswertung erstellen", "Temperaturgrafik in Zwischenablage kopieren",
                                "Temperaturgrafik speichern", "Grafik der Ausgänge in Zwischenablage kopieren",
                                "Grafik der Ausgänge speichern"}) {
        QAction* entry = Window->MenuEntry(QStringLiteral("Grafik"), QString::fromUtf8(caption));
        ASSERT_NE(entry, nullptr) << caption;
        EXPECT_TRUE(entry->isEnabled()) << caption;
    }
    EXPECT_EQ(Window->MenuEntry(QStringLiteral("Grafik"), QStringLiteral("Grafische Auswertung erstellen"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_P));
    QAction* stop = Window->MenuEntry(QStringLiteral("Datenaufzeichnung"),
                                      QStringLiteral("Laufende Messung anhalten und grafisch auswerten"));
    ASSERT_NE(stop, nullptr);
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_EQ(stop->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));

    // Without a project: the common message and no dialog.
    Window->MenuEntry(QStringLiteral("Grafik"), QStringLiteral("Grafische Auswertung erstellen"))->trigger();
    EXPECT_TRUE(Dialogs.Contains("inform", "Für diese Funktion muss ein Projekt ausgewählt sein. Legen Sie ggf. neues "
                                           "Projekt an."));
    EXPECT_EQ(Openings, 0);
}

TEST_F(ChartCommandsTest, APlotReadsTheRangeShowsTheChartsAndKeepsTheDialogsValues)
{
    OpenProject();
    Record({At(2, 10, 0), At(2, 10, 0, 10), At(2, 10, 0, 20), At(2, 10, 0, 30)});
    Answer([](TPlotEditDlg& dialog) {
        ASSERT_EQ(dialog.FieldListSelComboBox->count(), 3);
        EXPECT_EQ(dialog.FieldListSelComboBox->itemText(2), QStringLiteral("* Alle definierten Temperaturen *"));
        dialog.FieldListSelComboBox->setCurrentIndex(0);
        SetRange(dialog, At(2, 0, 0), At(2, 23, 0), "00:00:20");
        dialog.MarkersCB->setChecked(true);
    });
    Run([this] { Window->MenuEntry(QStringLiteral("Grafik"), QStringLiteral("Grafische Auswertung erstellen"))->trigger(); });
    EXPECT_EQ(Openings, 1);
    EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.Shown.front().Text;
    EXPECT_EQ(Window->Pages->currentWidget(), &Page());
    EXPECT_EQ(Window->SelectionIndex(), 0);
    ASSERT_EQ(Page().ChartFormStd->SeriesList().size(), 1u);
    ASSERT_EQ(Page().ChartFormRelais->SeriesList().size(), 1u);
    // Increment 20 s: 10:00:00 and 10:00:20.
    EXPECT_EQ(Page().ChartFormStd->SeriesList()[0]->Series().Count(), 2u);
    EXPECT_TRUE(Page().ChartFormStd->SeriesList()[0]->HasMarkers());
    EXPECT_EQ(Page().ChartFormStd->Title()->text(), QStringLiteral("Grafik für Auswahl \"Heizung\""));
    EXPECT_TRUE(Page().OutputsShown());
    // The reader's lines went to the progress window.
    const QString log = Window->LogBox->Text();
    EXPECT_TRUE(log.contains(QStringLiteral("\nLese Daten aus Datei 26-03-02.txt ...OK (4 Datensätze geprüft).\n")))
        << log.toStdString();
    EXPECT_FALSE(Window->LogBox->isVisible());
    EXPECT_TRUE(Window->isEnabled());

    // The dialog's values went to the project's [PlotEditDlg] section.
    const TControlStates& states = MainView().Dialogs.PlotEditDlg;
    EXPECT_EQ(states.Integer("FieldListSelComboBox", -1), 0);
    EXPECT_EQ(states.Text("TimeIncrementMaskEdit"), "00:00:20");
    EXPECT_TRUE(states.Checked("MarkersCB"));
    EXPECT_DOUBLE_EQ(states.DateTime("StartDatePicker", 0), At(2, 0, 0));
    EXPECT_DOUBLE_EQ(states.DateTime("FinalTimePicker", 0), At(2, 23, 0));

    // Values loaded with a project reach the dialog at its next opening.
    MainView().Dialogs.PlotEditDlg.LoadValue("TimeIncrementMaskEdit", "01:00:00");
    MainView().Dialogs.PlotEditDlg.LoadValue("StartDatePicker", "01.03.2026 07:30:00");
    MainView().Dialogs.PlotEditDlg.LoadValue("StartTimePicker", "01.03.2026 07:30:00");
    QString increment;
    TDateTime start = 0;
    Answer(
        [&](TPlotEditDlg& dialog) {
            increment = dialog.IncrementText();
            start = dialog.StartTime();
        },
        false);
    Run([this] { PlotDataClick(*Window); });
    EXPECT_EQ(increment, QStringLiteral("01:00:00"));
    EXPECT_DOUBLE_EQ(start, At(1, 7, 30));
    // Cancel changes nothing on the charts.
    EXPECT_EQ(Page().ChartFormStd->SeriesList()[0]->Series().Count(), 2u);
}

TEST_F(ChartCommandsTest, TheDialogStartsAtZeroIncrementAndJetztSetsTheEnd)
{
    TPlotEditDlg& dialog = PlotEditDlg(*Window);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Grafikausgabe"));
    EXPECT_EQ(dialog.IncrementText(), QStringLiteral("00:00:00"));
    EXPECT_TRUE(dialog.Look3DCB->isHidden());
    EXPECT_TRUE(dialog.HelpBtn->isHidden());
    const TDateTime moment = EncodeDateTime(2026, 12, 24, 18, 30, 15, 700);
    SetClockOverride([moment] { return moment; });
    dialog.SetActualTime->click();
    SetClockOverride(nullptr);
    EXPECT_DOUBLE_EQ(dialog.EndTime(), EncodeDateTime(2026, 12, 24, 18, 30, 15));
    // An hour typed with one digit is read at its place.
    dialog.TimeIncrementMaskEdit->clear();
    dialog.TimeIncrementMaskEdit->setCursorPosition(1);
    dialog.TimeIncrementMaskEdit->insert(QStringLiteral("2"));
    EXPECT_EQ(ParseIncrement(dialog.IncrementText().toStdString()) / 3600, 2);
}

TEST_F(ChartCommandsTest, TheChosenSelectionIsKeptByNameAcrossOpenings)
{
    TProject& project = OpenProject();
    Record({At(2, 10, 0)});
    Answer([](TPlotEditDlg& dialog) {
        dialog.FieldListSelComboBox->setCurrentIndex(1);
        SetRange(dialog, At(2, 0, 0), At(2, 23, 0));
    });
    Run([this] { PlotDataClick(*Window); });
    EXPECT_EQ(Window->SelectionIndex(), 1);

    // A new selection in front: the dialog still offers "Nur Kessel", now at index 2.
    project.FieldSelections.insert(project.FieldSelections.begin(), TFieldSelection("Neu", TNameList{}));
    QString chosen;
    Answer([&](TPlotEditDlg& dialog) { chosen = dialog.FieldListSelComboBox->currentText(); }, false);
    Run([this] { PlotDataClick(*Window); });
    EXPECT_EQ(chosen, QStringLiteral("Nur Kessel"));
    EXPECT_EQ(PlotEditDlg(*Window).SelectedIndex(), 2);

    // Once it is deleted the first entry is chosen.
    project.FieldSelections.erase(project.FieldSelections.begin() + 2);
    Answer([&](TPlotEditDlg& dialog) { chosen = dialog.FieldListSelComboBox->currentText(); }, false);
    Run([this] { PlotDataClick(*Window); });
    EXPECT_EQ(chosen, QStringLiteral("Neu"));
}

TEST_F(ChartCommandsTest, StopAndPlotStartsAtTheRecordingWithOneSecondAndPutsTheDialogBack)
{
    TProject& project = OpenProject();
    Window->MenuEntry(QStringLiteral("Datenaufzeichnung"), QStringLiteral("Laufende Messung anhalten und grafisch auswerten"))
        ->trigger();
    EXPECT_TRUE(Dialogs.Contains("error", "Keine Daten aufgezeichnet oder keine Messung gestartet!"));
    EXPECT_EQ(Openings, 0);

    Record({At(4, 9, 0), At(4, 9, 0, 1), At(4, 9, 0, 2)});
    project.RecordStart = At(4, 9, 0);
    TPlotEditDlg& dialog = PlotEditDlg(*Window);
    dialog.SetStartTime(At(1, 6, 0));
    dialog.SetIncrementText(QStringLiteral("00:10:00"));
    dialog.SaveToStates(MainView().Dialogs.PlotEditDlg);
    TDateTime start = 0;
    QString increment;
    Answer([&](TPlotEditDlg& shown) {
        start = shown.StartTime();
        increment = shown.IncrementText();
        shown.SetEndTime(At(4, 23, 0));
    });
    Run([this] { StopAndPlotMeasurementClick(*Window); });
    EXPECT_DOUBLE_EQ(start, At(4, 9, 0));
    EXPECT_EQ(increment, QStringLiteral("00:00:01"));
    ASSERT_EQ(Page().ChartFormStd->SeriesList().size(), 1u);
    EXPECT_EQ(Page().ChartFormStd->SeriesList()[0]->Series().Count(), 3u);
    // Start and increment are put back; the end stays as the user set it.
    EXPECT_DOUBLE_EQ(dialog.StartTime(), At(1, 6, 0));
    EXPECT_EQ(dialog.IncrementText(), QStringLiteral("00:10:00"));
    EXPECT_DOUBLE_EQ(dialog.EndTime(), At(4, 23, 0));
    EXPECT_EQ(MainView().Dialogs.PlotEditDlg.Text("TimeIncrementMaskEdit"), "00:10:00");
}

TEST_F(ChartCommandsTest, StopAndPlotEndsTheRangeNowSoTheMeasurementIsShown)
{
    TProject& project = OpenProject();
    Record({At(4, 9, 0), At(4, 9, 0, 1), At(4, 9, 0, 2)});
    project.RecordStart = At(4, 9, 0);
    // The end as the user last left it: days before the recording.
    TPlotEditDlg& dialog = PlotEditDlg(*Window);
    SetRange(dialog, At(1, 6, 0), At(1, 7, 0), "00:10:00");
    dialog.SaveToStates(MainView().Dialogs.PlotEditDlg);
    SetClockOverride([] { return At(4, 9, 5); });
    TDateTime end = 0;
    Answer([&](TPlotEditDlg& shown) { end = shown.EndTime(); });
    Run([this] { StopAndPlotMeasurementClick(*Window); });
    SetClockOverride({});
    EXPECT_DOUBLE_EQ(end, At(4, 9, 5));
    EXPECT_FALSE(Dialogs.Contains("inform", "Es wurden keine Daten im angegebenen Zeitraum gefunden!"));
    ASSERT_EQ(Page().ChartFormStd->SeriesList().size(), 1u);
    EXPECT_EQ(Page().ChartFormStd->SeriesList()[0]->Series().Count(), 3u);
}

TEST_F(ChartCommandsTest, TheFirstChartInALargeWindowShowsWholeLegendEntries)
{
    OpenProject();
    Window->resize(1920, 1080);
    Window->Pages->setCurrentIndex(0);
    QApplication::processEvents();
    Record({At(2, 10, 0), At(2, 10, 1), At(2, 10, 2)});
    Answer([](TPlotEditDlg& dialog) {
        dialog.FieldListSelComboBox->setCurrentIndex(0);
        SetRange(dialog, At(2, 0, 0), At(2, 23, 0));
    });
    Run([this] { PlotDataClick(*Window); });
    QApplication::processEvents();
    ASSERT_EQ(Window->Pages->currentWidget(), &Page());
    for (TChartWidget* chart : {Page().ChartFormStd, Page().ChartFormRelais}) {
        ASSERT_EQ(chart->legend->itemCount(), 1);
        QCPAbstractLegendItem* item = chart->legend->item(0);
        const int textWidth = QFontMetrics(chart->legend->font()).horizontalAdvance(
            qobject_cast<QCPPlottableLegendItem*>(item)->plottable()->name());
        EXPECT_GE(item->rect().width(), textWidth) << chart->SeriesList()[0]->name().toStdString();
        EXPECT_LE(chart->legend->outerRect().right(), chart->width());
    }
}

TEST_F(ChartCommandsTest, CopyAndSaveNeedAVisibleChartAndWriteThePictures)
{
    OpenProject();
    // No digital field drawn: the outputs chart is hidden.
    Record({At(2, 10, 0), At(2, 10, 1)});
    Answer([](TPlotEditDlg& dialog) {
        dialog.FieldListSelComboBox->setCurrentIndex(1);
        SetRange(dialog, At(2, 0, 0), At(2, 23, 0));
    });
    Run([this] { PlotDataClick(*Window); });
    ASSERT_FALSE(Page().OutputsShown());

    CopyRelaisChartToClipbrdClick(*Window);
    SaveRelChartAsFileClick(*Window);
    EXPECT_EQ(Dialogs.Count("error"), 2);
    EXPECT_TRUE(Dialogs.Contains("error", "Es existiert keine Grafik zum Kopieren."));
    EXPECT_TRUE(Files.Calls.empty());

    QApplication::clipboard()->clear();
    StdCopyToClp1Click(*Window);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasImage());
    EXPECT_GT(data->data(QStringLiteral("image/emf")).size(), 100);

    // The save dialog: title, filter, default extension; the name's extension in lower case.
    Files.Answers = {(Dir / "Kessel.EMF").string()};
    SaveChartAsFileClick(*Window);
    ASSERT_FALSE(Files.Calls.empty());
    EXPECT_EQ(Files.Calls.back().Title, "Grafik speichern");
    EXPECT_EQ(Files.Calls.back().Extra, "emf");
    EXPECT_EQ(Files.Calls.back().Filter.rfind("Bitmap (*.bmp)|*.bmp|Erweiterte Metadateien (*.emf)|*.emf|Metadateien (*.wmf)|*.wmf",
                                     0),
              0u);
    EXPECT_TRUE(fs::exists(Dir / "Kessel.emf"));
    // Cancelled: nothing.
    SaveChartAsFileClick(*Window);
    EXPECT_EQ(Dialogs.Count("error"), 2);

    // The temperature chart's save has no visibility check: it saves also in the empty state.
    Window->ClearChart();
    Files.Answers = {(Dir / "leer.bmp").string()};
    SaveChartAsFileClick(*Window);
    EXPECT_TRUE(fs::exists(Dir / "leer.bmp"));
}

TEST_F(ChartCommandsTest, AClickOnTheTitleAsksForANewChart)
{
    OpenProject();
    Window->Pages->setCurrentWidget(&Page());
    Page().ChartFormStd->replot();
    Answer(nullptr, false);
    const QPoint onTitle = Page().ChartFormStd->Title()->outerRect().center();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(onTitle), QPointF(Page().ChartFormStd->mapToGlobal(onTitle)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    Run([&] { QApplication::sendEvent(Page().ChartFormStd, &press); });
    EXPECT_EQ(Openings, 1);
}

// The demo's way (scripts/run.sh): the simulator writes a week of history into the demo project, the
// project file names that week for the plot dialog, and OK alone draws it.
TEST_F(ChartCommandsTest, TheDemoWeekIsDrawnWithTheStoredDialogValues)
{
    const fs::path project = Dir / "Demo.p-p";
    fs::copy_file(testsupport::SourcePath("data/demo/Demo.p-p"), project);
    const std::string command = testsupport::ShellQuote(testsupport::ToolPath("dedezuviv-simulator").string()) +
                                " --history " + testsupport::ShellQuote(project.string()) + " --days 7 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const TDateTime now = Now();
    std::string section = "\r\n[PlotEditDlg]\r\n";
    for (const char* key : {"StartDatePicker", "StartTimePicker"})
        section += std::string(key) + "=" + FormatDateTime("dd.mm.yyyy hh:nn:ss", now - 7) + "\r\n";
    for (const char* key : {"FinalDatePicker", "FinalTimePicker"})
        section += std::string(key) + "=" + FormatDateTime("dd.mm.yyyy hh:nn:ss", now) + "\r\n";
    section += "FieldListSelComboBox=0\r\nTimeIncrementMaskEdit=00:00:00\r\n";
    testsupport::WriteFile(project, testsupport::ReadFile(project) + section);
    int result = 0;
    std::string error;
    LoadProjectFile(project.string(), result, error);
    ASSERT_EQ(result, 0) << error;

    Answer(nullptr);
    Run([this] { PlotDataClick(*Window); });
    EXPECT_TRUE(Dialogs.Shown.empty()) << Dialogs.Shown.front().Text;
    EXPECT_EQ(Page().ChartFormStd->Title()->text(), QStringLiteral("Grafik für Auswahl \"Temperaturen\""));
    ASSERT_EQ(Page().ChartFormStd->SeriesList().size(), 5u);
    // A record every 10 seconds for a week (the first and last may fall outside by a second).
    EXPECT_NEAR(static_cast<double>(Page().ChartFormStd->SeriesList()[0]->Series().Count()), 7 * 8640, 3);
}

// While a long chart is read, the controller's records are still recorded and acknowledged: the
// simulator insists on every acknowledgement within a second.
TEST_F(ChartCommandsTest, LoggingGoesOnWhileAChartIsRead)
{
    TProject& project = OpenProject();
    project.FieldNames[ftTemperature] = {"T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8"};
    // Two months of history at 10 s with 8 temperatures.
    const std::vector<double> temperatures = {55.5, 40.25, 30, -3.5, 12, 60.75, 45, 20};
    const TDateTime first = EncodeDate(2025, 1, 1);
    const int days = 60;
    for (int day = 0; day < days; ++day) {
        std::string text;
        for (int second = 0; second < 86400; second += 10)
            text += RecordLine(IncSecond(first + day, second), temperatures) + "\r\n";
        const std::string file = DataFileName(project, first + day);
        fs::create_directories(fs::path(file).parent_path());
        testsupport::WriteFile(file, text);
    }

    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    project.Port.Name = pty.EndA();
    project.SamplingInterval = 0;
    project.RecordingToFile = true;
    Window->Start1Click();
    ASSERT_TRUE(LoggingActive());
    // 40 records, ten a second (a controller sends one every few seconds); each must be acknowledged
    // within a second. The window takes the port's deliveries while it reads (about every 50 ms).
    constexpr size_t Records = 40;
    testsupport::BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, pty.EndB(),
                                            {"--interval", "0.1", "--count", std::to_string(Records), "--expect-acks",
                                             "--ack-timeout", "1"}));
    const std::string today = DataFileName(project, Now());
    auto recorded = [&today] {
        const std::string text = testsupport::ReadFile(today);
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    };
    ASSERT_TRUE(guitest::WaitUntil([&] { return recorded() > 0; }, 10000));

    const size_t before = recorded();
    Answer([&](TPlotEditDlg& dialog) {
        dialog.FieldListSelComboBox->setCurrentIndex(2);  // all temperatures
        SetRange(dialog, first, first + days - 1.0 / 86400);
    });
    const auto started = std::chrono::steady_clock::now();
    Run([this] { PlotDataClick(*Window); });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const size_t after = recorded();
    ASSERT_EQ(Page().ChartFormStd->SeriesList().size(), 8u);
    EXPECT_EQ(Page().ChartFormStd->SeriesList()[0]->Series().Count(), static_cast<size_t>(days) * 8640);
    // Records kept arriving in the day file while the chart was read.
    if (seconds > 0.5 && before < Records) {
        EXPECT_GT(after, before) << "no record was recorded during " << seconds << " s of reading";
    }

    EXPECT_TRUE(guitest::WaitUntil([&] { return recorded() >= Records; }, 30000));
    EXPECT_EQ(simulator.Wait(10000), 0) << "an acknowledgement came late or not at all (reading took " << seconds
                                        << " s, " << after - before << " records recorded meanwhile)";
    Window->Stop1Click();
}

}  // namespace
