// The export commands of the window driven as a user would, offscreen: the field
// selection editor, "Exportieren in Datei", "Batch-Export" with "Abbrechen" in the progress window,
// "Laufende Messung anhalten und exportieren", and the dialogs' sections in the project file.
#include "GuiTestSupport.h"

#include "app/core/FileChooser.h"
#include "app/gui/ExportBatchDlg.h"
#include "app/gui/ChartCommands.h"
#include "app/gui/ExportCommands.h"
#include "base/Clock.h"
#include "app/gui/ExportDlg.h"
#include "app/gui/FieldListEditorDlg.h"
#include "app/gui/GuiMain.h"
#include "app/gui/ProgressWindow.h"
#include "app/gui/MainWindow.h"
#include "base/FormatSettings.h"
#include "export/ExportTypes.h"
#include "model/DayFiles.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "support/RecordLines.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::exports;
using namespace dedezuviv::app;
using namespace dedezuviv::gui;

namespace fs = std::filesystem;
using guitest::ScriptedDialogs;
using guitest::ScriptedFiles;
using guitest::SetPickers;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string NoProjectMessage =
    "Für diese Funktion muss ein Projekt ausgewählt sein. Legen Sie ggf. neues Projekt an.";

std::string Text(const QString& text) { return text.toStdString(); }

struct ExportCommandsTest : ::testing::Test {
    std::unique_ptr<TMainPrgForm> Window;
    ScriptedDialogs Dialogs;
    ScriptedFiles Files;
    testsupport::TempDir Dir;
    TProject* Project = nullptr;
    std::string SavedConfig;
    bool HadConfig = false;

    void SetUp() override
    {
        SetGermanFormatSettings();
        // No exportdef.cfg of the user running the tests.
        const char* old = std::getenv("XDG_CONFIG_HOME");
        HadConfig = old != nullptr;
        SavedConfig = old ? old : "";
        setenv("XDG_CONFIG_HOME", (Dir / "config").string().c_str(), 1);
        MainView().Dialogs.Clear();
        Window = std::make_unique<TMainPrgForm>();
        ConnectWindowToCore(*Window);
        InstallChartCommands(*Window);
        InstallExportCommands(*Window);
        SetUserDialogs(&Dialogs);
        SetFileChooser(&Files);

        auto project = guitest::ExportProject((Dir / "Haus.p-p").string());
        Project = project.get();
        ReplaceCurrentProject(std::move(project));
    }

    void TearDown() override
    {
        CloseProject();
        ClearCurrentRecord();
        DisconnectWindowFromCore();
        Window.reset();
        MainView().Dialogs.Clear();
        LoadExportTypes("");
        if (HadConfig)
            setenv("XDG_CONFIG_HOME", SavedConfig.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    // Records every Step seconds from From (inclusive) to To (exclusive) into the day files.
    void WriteRecords(TDateTime from, TDateTime to, int stepSeconds)
    {
        std::map<std::string, std::string> files;
        const int64_t first = std::llround(from * 86400.0), last = std::llround(to * 86400.0);
        for (int64_t s = first; s < last; s += stepSeconds) {
            const TDateTime t = static_cast<double>(s) / 86400.0;
            files[DataFileName(*Project, t)] += testsupport::RecordLine(t, {55.5, -3.25, 40}) + "\r\n";
        }
        for (const auto& [file, text] : files) {
            fs::create_directories(fs::path(file).parent_path());
            WriteFile(file, text);
        }
    }

    QAction* Entry(const char* menu, const char* caption)
    {
        return Window->MenuEntry(QString::fromUtf8(menu), QString::fromUtf8(caption));
    }

    // Triggers the menu entry; Script runs once the dialog is shown (a dialog still open afterwards is
    // cancelled). Returns whether it was shown.
    template <typename TDialog>
    bool Run(TDialog& dialog, const char* menu, const char* caption, const std::function<void(TDialog&)>& script)
    {
        QAction* entry = Entry(menu, caption);
        EXPECT_NE(entry, nullptr) << caption;
        return entry && guitest::WithDialog(dialog, [&] { script(dialog); }, [entry] { entry->trigger(); });
    }

    bool Export(const std::function<void(TExportDlg&)>& script)
    {
        return Run<TExportDlg>(ExportDlg(*Window), "Export", "Exportieren in Datei", script);
    }
    bool Batch(const std::function<void(TExportBatchDlg&)>& script)
    {
        return Run<TExportBatchDlg>(ExportBatchDlg(*Window), "Export", "Batch-Export", script);
    }
    bool Editor(const std::function<void(TFieldListEditorDlg&)>& script, const char* menu = "Export")
    {
        return Run<TFieldListEditorDlg>(FieldListEditorDlg(*Window), menu, "Feldauswahl erstellen/bearbeiten", script);
    }

    // The user's exportdef.cfg with that text, and a new window, which reads the types at installation.
    void NewWindowWithExportdef(const std::string& text)
    {
        fs::create_directories(Dir / "config" / "dedezuviv");
        WriteFile(Dir / "config" / "dedezuviv" / "exportdef.cfg", text);
        DisconnectWindowFromCore();
        Window = std::make_unique<TMainPrgForm>();
        ConnectWindowToCore(*Window);
        SetUserDialogs(&Dialogs);
        SetFileChooser(&Files);
        InstallChartCommands(*Window);
        InstallExportCommands(*Window);
    }

    std::string SavedProjectText()
    {
        int result = -1;
        std::string error;
        SaveProjectFile(*Project, (Dir / "Haus.p-p").string(), result, error);
        EXPECT_EQ(result, 0) << error;
        return ReadFile(Dir / "Haus.p-p");
    }
};

}  // namespace

TEST_F(ExportCommandsTest, EveryExportEntryButTheClipboardOnesIsConnected)
{
    for (const char* caption : {"Feldauswahl erstellen/bearbeiten", "Exportieren in Datei", "Batch-Export"})
        EXPECT_TRUE(Entry("Export", caption)->isEnabled()) << caption;
    EXPECT_EQ(Entry("Export", "Exportieren in Datei")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    EXPECT_EQ(Entry("Export", "Batch-Export")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    EXPECT_TRUE(Entry("Grafik", "Feldauswahl erstellen/bearbeiten")->isEnabled());
    EXPECT_TRUE(Entry("Datenaufzeichnung", "Laufende Messung anhalten und exportieren")->isEnabled());
}

TEST_F(ExportCommandsTest, WithoutProjectEveryCommandSaysSo)
{
    CloseProject();
    Entry("Export", "Exportieren in Datei")->trigger();
    Entry("Export", "Batch-Export")->trigger();
    Entry("Export", "Feldauswahl erstellen/bearbeiten")->trigger();
    EXPECT_EQ(Dialogs.Count("inform"), 3);
    EXPECT_TRUE(Dialogs.Contains("inform", NoProjectMessage));
}

TEST_F(ExportCommandsTest, ExportDialogWritesTheFileAndReportsIt)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 2), 600);
    const fs::path file = Dir / "aus" / "Daten.csv";
    Files.Answers.push_back(file.string());
    ASSERT_TRUE(Export([&](TExportDlg& dialog) {
        EXPECT_EQ(Text(dialog.windowTitle()), "Exportieren");
        ASSERT_EQ(dialog.FieldListSelComboBox->count(), 3);
        EXPECT_EQ(Text(dialog.FieldListSelComboBox->itemText(0)), "Temperaturen");
        EXPECT_EQ(dialog.FieldListSelComboBox->currentIndex(), 0);
        EXPECT_EQ(Text(dialog.TimeIncrementMaskEdit->text()), "00:00:00");
        EXPECT_FALSE(dialog.HelpBtn->isVisible());
        dialog.FileSelectBtn->click();
        EXPECT_EQ(Text(dialog.FileLabeledEdit->text()), file.string());
        SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDateTime(2025, 3, 1, 6, 0, 0));
        SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDateTime(2025, 3, 1, 12, 0, 0));
        dialog.TimeIncrementMaskEdit->setText(QStringLiteral("00:30:00"));
        dialog.StartBtn->click();
    }));
    ASSERT_EQ(Files.Calls.size(), 1u);
    EXPECT_EQ(Files.Calls[0].Kind, "save");
    EXPECT_EQ(Files.Calls[0].Title, "Datei wählen");
    EXPECT_EQ(Files.Calls[0].Filter, "Comma Separated Value Format (csv)|*.csv|Excel Binary Format  "
                                     "(xls)|*.xls|Text Data File (dat)|*.dat");
    EXPECT_EQ(Files.Calls[0].Extra, "xls");
    ASSERT_TRUE(fs::exists(file));
    // The file, the range and the increment reached the export: 06:00 to 12:00 every 30 minutes.
    EXPECT_TRUE(Dialogs.Contains("inform", "Export in Datei " + file.string() +
                                               " erfolgreich abgeschlossen  (13 Datensätze)."))
        << (Dialogs.Shown.empty() ? "" : Dialogs.Shown.back().Text);
    EXPECT_EQ(Window->SelectionIndex(), 0);
    EXPECT_FALSE(Window->LogBox->isVisible());
    EXPECT_TRUE(Window->isEnabled());
}

TEST_F(ExportCommandsTest, CancelDuringAnExportRemovesItsFile)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 8), 600);
    const fs::path file = Dir / "Woche.csv";
    // "Abbrechen" is offered and pressed as soon as the first day is read.
    QTimer watcher;
    bool pressed = false;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (!pressed && Window->LogBox->isVisible() && Window->LogBox->Text().contains(QStringLiteral("Lese Daten"))) {
            EXPECT_TRUE(Window->LogBox->CancelButton->isVisible());
            Window->LogBox->CancelButton->click();
            pressed = true;
        }
    });
    watcher.start(0);
    ASSERT_TRUE(Export([&](TExportDlg& dialog) {
        dialog.FileLabeledEdit->setText(QString::fromStdString(file.string()));
        SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDate(2025, 3, 1));
        SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDate(2025, 3, 8));
        dialog.StartBtn->click();
    }));
    watcher.stop();
    ASSERT_TRUE(pressed);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(Dialogs.Contains("inform", "Export abgebrochen; die unvollständige Datei \"" + file.string() +
                                               "\" wurde gelöscht."))
        << (Dialogs.Shown.empty() ? "" : Dialogs.Shown.back().Text);
    EXPECT_FALSE(Window->LogBox->isVisible());
    EXPECT_TRUE(Window->isEnabled());
}

TEST_F(ExportCommandsTest, TheChosenSelectionReachesTheExportAndIsKept)
{
    // "Leer" has no field list.
    Export([&](TExportDlg& dialog) {
        dialog.FieldListSelComboBox->setCurrentIndex(2);
        dialog.FileLabeledEdit->setText(QString::fromStdString((Dir / "x.csv").string()));
        dialog.StartBtn->click();
    });
    EXPECT_TRUE(Dialogs.Contains("error", "Angegebene Felder für Export sind in aufgezeichneten Daten nicht vorhanden!"));
    EXPECT_EQ(Window->SelectionIndex(), 2);

    Export([&](TExportDlg& dialog) {
        dialog.FieldListSelComboBox->setCurrentIndex(1);
        dialog.StartBtn->click();
    });
    // The dialog keeps the file name and the chosen selection for the next time.
    Export([&](TExportDlg& dialog) {
        EXPECT_EQ(dialog.FieldListSelComboBox->currentIndex(), 1);
        EXPECT_EQ(Text(dialog.FileLabeledEdit->text()), (Dir / "x.csv").string());
    });
}

TEST_F(ExportCommandsTest, BatchDialogWritesOneFilePerPeriod)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 3) + 1.0 / 24, 3600);
    ASSERT_TRUE(Batch([&](TExportBatchDlg& dialog) {
        EXPECT_EQ(Text(dialog.windowTitle()), "Exportieren");
        ASSERT_EQ(dialog.TypeSelListBox->count(), 4);
        EXPECT_EQ(Text(dialog.TypeSelListBox->itemText(0)), "Monatsverlauf");
        EXPECT_EQ(dialog.TypeSelListBox->currentIndex(), 0);
        ASSERT_EQ(dialog.FormatSelComboBox->count(), 3);
        EXPECT_EQ(Text(dialog.FormatSelComboBox->itemText(1)), "Excel Binary Format (xls)");
        EXPECT_EQ(dialog.FormatSelComboBox->currentIndex(), 1);
        EXPECT_EQ(Text(dialog.FilenameLabeledEdt->text()), "%TYP_%JAHR-%MONAT-%TAG-%STUNDE%MIN");
        EXPECT_EQ(Text(dialog.ExportSelComboBox->currentText()), "Temperaturen");
        EXPECT_FALSE(dialog.ExportPathLabeledEdit->isEnabled());
        EXPECT_FALSE(dialog.FileSelectBtn->isEnabled());
        EXPECT_TRUE(dialog.FinalDatePicker->isEnabled());
        dialog.ActualTimeCB->click();
        EXPECT_FALSE(dialog.FinalDatePicker->isEnabled());
        EXPECT_FALSE(dialog.FinalTimePicker->isEnabled());
        dialog.ActualTimeCB->click();
        dialog.TypeSelListBox->setCurrentIndex(1);
        dialog.FormatSelComboBox->setCurrentIndex(0);
        SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDate(2025, 3, 1));
        SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDate(2025, 3, 3));
        dialog.CloseBtn->click();  // "Schliessen" starts the export as "Starten" does
    }));
    // The type, the format and the range reached the batch, and the project's folder is its default.
    const fs::path folder = Project->GetDataDir("export");
    EXPECT_TRUE(fs::exists(folder / "Tagesverlauf_2025-03-01-0000.csv"));
    EXPECT_TRUE(fs::exists(folder / "Tagesverlauf_2025-03-02-0000.csv"));
    EXPECT_FALSE(fs::exists(folder / "Tagesverlauf_2025-03-03-0000.csv"));
    EXPECT_FALSE(Window->LogBox->CancelButton->isVisible());
}

TEST_F(ExportCommandsTest, BatchIntoAChosenFolder)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 2), 3600);
    const fs::path folder = Dir / "eigene";
    Files.Answers.push_back(folder.string());
    Batch([&](TExportBatchDlg& dialog) {
        dialog.ExportInCustomPathCB->click();
        EXPECT_TRUE(dialog.ExportPathLabeledEdit->isEnabled());
        dialog.FileSelectBtn->click();
        EXPECT_EQ(Text(dialog.ExportPathLabeledEdit->text()), folder.string());
        dialog.TypeSelListBox->setCurrentIndex(1);
        dialog.FilenameLabeledEdt->setText(QStringLiteral("%tag_%TAG"));
        SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDate(2025, 3, 1));
        SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDate(2025, 3, 2));
        dialog.StartBtn->click();
    });
    ASSERT_EQ(Files.Calls.size(), 1u);
    EXPECT_EQ(Files.Calls[0].Kind, "folder");
    EXPECT_EQ(Files.Calls[0].Title, "Verzeichnisauswahl");
    EXPECT_EQ(Files.Calls[0].Extra, "");
    EXPECT_TRUE(fs::exists(folder / "01_%TAG.xls"));

    // "Abbrechen" closes the dialog without export.
    Dialogs.Shown.clear();
    Batch([](TExportBatchDlg& dialog) { dialog.CancelBtn->click(); });
    EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(ExportCommandsTest, CancelInTheProgressWindowLeavesOnlyWholeFiles)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 1) + 2.0 / 24, 10);
    const fs::path folder = Dir / "minuten";
    // The user presses "Abbrechen" once the first file is done.
    QTimer watcher;
    bool pressed = false;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (!pressed && Window->LogBox->isVisible() && Window->LogBox->Text().contains(QStringLiteral("Export in Datei"))) {
            EXPECT_TRUE(Window->LogBox->CancelButton->isVisible());
            Window->LogBox->CancelButton->click();
            pressed = true;
        }
    });
    watcher.start(0);
    Batch([&](TExportBatchDlg& dialog) {
        dialog.ExportInCustomPathCB->setChecked(true);
        dialog.ExportPathLabeledEdit->setText(QString::fromStdString(folder.string()));
        dialog.TypeSelListBox->setCurrentIndex(3);
        dialog.FormatSelComboBox->setCurrentIndex(0);
        SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDate(2025, 3, 1));
        SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDate(2025, 3, 1) + 2.0 / 24);
        dialog.StartBtn->click();
    });
    watcher.stop();
    ASSERT_TRUE(pressed);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        ++files;
        // Every file is whole: 7 records (both ends of the minute) after the header lines.
        const std::string text = ReadFile(entry.path());
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7 + 7) << entry.path();
    }
    EXPECT_GE(files, 1);
    EXPECT_LT(files, 120);
    ASSERT_FALSE(Dialogs.Shown.empty());
    EXPECT_EQ(Dialogs.Shown.back().Kind, "inform");
    EXPECT_EQ(Dialogs.Shown.back().Text, "Batch-Export abgebrochen: " + std::to_string(files) + " Dateien geschrieben (" +
                                             std::to_string(files * 7) + " Datensätze).");
    EXPECT_TRUE(Window->LogBox->Text().contains(QStringLiteral("Abbruch angefordert")));
}

TEST_F(ExportCommandsTest, ExportdefWithOneCustomTypeOffersOnlyIt)
{
    NewWindowWithExportdef("[Woche]\r\nIncDay=7\r\n");
    WriteRecords(EncodeDate(2025, 3, 3), EncodeDate(2025, 3, 4), 3600);
    Batch([&](TExportBatchDlg& dialog) {
        ASSERT_EQ(dialog.TypeSelListBox->count(), 1);
        EXPECT_EQ(Text(dialog.TypeSelListBox->itemText(0)), "Woche");
        dialog.FilenameLabeledEdt->setText(QStringLiteral("%ID_%TYP_%TAG"));
        SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDate(2025, 3, 1));
        SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDate(2025, 3, 9));
        dialog.StartBtn->click();
    });
    const fs::path folder = Project->GetDataDir("export");
    EXPECT_TRUE(fs::exists(folder / "ID0_Woche_01.xls"));
    EXPECT_TRUE(fs::exists(folder / "ID0_Woche_08.xls"));
}

TEST_F(ExportCommandsTest, AnEndBeforeTheStartIsAnErrorOfBothCommands)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 2), 3600);
    const fs::path file = Dir / "Daten.csv";
    ASSERT_TRUE(Export([&](TExportDlg& dialog) {
        dialog.FileLabeledEdit->setText(QString::fromStdString(file.string()));
        SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDate(2025, 3, 2));
        SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDate(2025, 3, 1));
        dialog.StartBtn->click();
    }));
    const std::string message =
        "Das Ende des Zeitraums (01.03.2025) liegt vor seinem Anfang (02.03.2025). Es wurde nichts exportiert.";
    EXPECT_EQ(Dialogs.Count("error"), 1);
    EXPECT_TRUE(Dialogs.Contains("error", message));
    EXPECT_FALSE(fs::exists(file));
    ASSERT_TRUE(Batch([&](TExportBatchDlg& dialog) {
        SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDate(2025, 3, 2));
        dialog.ActualTimeCB->setChecked(false);
        SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDate(2025, 3, 1));
        dialog.StartBtn->click();
    }));
    EXPECT_EQ(Dialogs.Count("error"), 2);
    EXPECT_FALSE(fs::exists(Project->GetDataDir("export")));
    EXPECT_TRUE(Window->isEnabled());
}

TEST_F(ExportCommandsTest, AnExportdefTypeTooLargeIsNamedOnceInTheLog)
{
    NewWindowWithExportdef("[Woche]\r\nIncDay=7\r\n[Lang]\r\nIncMin=40000\r\n");
    const QString log = Window->Terminal->toPlainText();
    EXPECT_EQ(log.count(QStringLiteral("ausgelassen")), 1) << Text(log);
    EXPECT_TRUE(log.contains(QStringLiteral("IncMin=40000 ist zu groß (höchstens 32767)."))) << Text(log);
}

TEST_F(ExportCommandsTest, StopAndExportNeedsARecordingAndOpensTheExportDialog)
{
    bool shown = false;
    Entry("Datenaufzeichnung", "Laufende Messung anhalten und exportieren")->trigger();
    EXPECT_TRUE(Dialogs.Contains("error", "Keine Daten aufgezeichnet oder keine Messung gestartet!"));

    Project->RecordStart = EncodeDate(2025, 3, 1);
    // The range offered is the measurement just stopped, whatever the dialog held before.
    ExportDlg(*Window).SetStartTime(EncodeDate(2024, 1, 1));
    ExportDlg(*Window).SetEndTime(EncodeDate(2024, 1, 2));
    ExportDlg(*Window).SaveToStates(MainView().Dialogs.ExportDlg, Project);
    SetClockOverride([] { return EncodeDateTime(2025, 3, 1, 12, 30, 0); });
    TDateTime start = 0, end = 0;
    EXPECT_TRUE(Run<TExportDlg>(ExportDlg(*Window), "Datenaufzeichnung", "Laufende Messung anhalten und exportieren",
                                [&](TExportDlg& dialog) {
                                    shown = dialog.isVisible();
                                    start = dialog.StartTime();
                                    end = dialog.EndTime();
                                }));
    SetClockOverride({});
    EXPECT_TRUE(shown);
    EXPECT_DOUBLE_EQ(start, EncodeDate(2025, 3, 1));
    EXPECT_DOUBLE_EQ(end, EncodeDateTime(2025, 3, 1, 12, 30, 0));
}

TEST_F(ExportCommandsTest, EditorOpensWithNeuForAProjectWithoutSelections)
{
    Project->FieldSelections.clear();
    Project->Modified = false;
    ASSERT_TRUE(Editor([](TFieldListEditorDlg& dialog) {
        EXPECT_EQ(Text(dialog.windowTitle()), "Felderauswahl editieren");
        ASSERT_EQ(dialog.FieldListSelComboBox->count(), 1);
        EXPECT_EQ(Text(dialog.FieldListSelComboBox->currentText()), "Neu");
        EXPECT_EQ(Text(dialog.NameLabeledEdit->text()), "Neu");
        EXPECT_EQ(dialog.DstList->count(), 0);
        // All fields of the eight types, qualified, without the system fields, sorted.
        ASSERT_EQ(dialog.SrcList->count(), 4);
        EXPECT_EQ(Text(dialog.SrcList->item(0)->text()), "Aussen (Temperatur)");
        EXPECT_EQ(Text(dialog.SrcList->item(1)->text()), "Brenner (Relais)");
        EXPECT_TRUE(dialog.SrcList->isEnabled());
        EXPECT_FALSE(dialog.ExcludeBtn->isEnabled());
        dialog.OKBtn->click();
    }));
    ASSERT_EQ(Project->FieldSelections.size(), 1u);
    EXPECT_EQ(Project->FieldSelections[0].Name, "Neu");
    ASSERT_TRUE(Project->FieldSelections[0].List);
    EXPECT_TRUE(Project->FieldSelections[0].List->empty());
    EXPECT_TRUE(Project->Modified);
}

TEST_F(ExportCommandsTest, EditorMovesFieldsInThePartsOrder)
{
    Window->SetSelectionIndex(2);  // "Leer", without list
    ASSERT_TRUE(Editor([](TFieldListEditorDlg& dialog) {
        EXPECT_EQ(Text(dialog.FieldListSelComboBox->currentText()), "Leer");
        ASSERT_EQ(dialog.SrcList->count(), 4);
        // A, B and C moved with one ">" arrive as C, B, A.
        for (int i = 0; i < 3; ++i)
            dialog.SrcList->item(i)->setSelected(true);
        dialog.IncludeBtn->click();
        ASSERT_EQ(dialog.DstList->count(), 3);
        EXPECT_EQ(Text(dialog.DstList->item(0)->text()), "Kessel (Temperatur)");
        EXPECT_EQ(Text(dialog.DstList->item(1)->text()), "Brenner (Relais)");
        EXPECT_EQ(Text(dialog.DstList->item(2)->text()), "Aussen (Temperatur)");
        // The entry now at the first moved entry's place is selected.
        ASSERT_EQ(dialog.SrcList->count(), 1);
        EXPECT_TRUE(dialog.SrcList->item(0)->isSelected());
        // "hoch" and "runter".
        dialog.DstList->setCurrentRow(2);
        dialog.MoveUpButton->click();
        EXPECT_EQ(Text(dialog.DstList->item(1)->text()), "Aussen (Temperatur)");
        dialog.MoveDnButton->click();
        EXPECT_EQ(Text(dialog.DstList->item(2)->text()), "Aussen (Temperatur)");
        // "<" puts the name back at its sorted place.
        dialog.DstList->setCurrentRow(1);
        dialog.ExcludeBtn->click();
        EXPECT_EQ(Text(dialog.SrcList->item(0)->text()), "Brenner (Relais)");
        // "<<" and ">>" keep the sorted order.
        dialog.ExAllBtn->click();
        EXPECT_EQ(dialog.DstList->count(), 0);
        EXPECT_FALSE(dialog.ExAllBtn->isEnabled());
        dialog.IncAllBtn->click();
        ASSERT_EQ(dialog.DstList->count(), 4);
        EXPECT_EQ(Text(dialog.DstList->item(0)->text()), "Aussen (Temperatur)");
        EXPECT_EQ(Text(dialog.DstList->item(3)->text()), "Puffer (Temperatur)");
        EXPECT_FALSE(dialog.IncludeBtn->isEnabled());
        // Renaming shows at once in the chooser; an empty name is accepted.
        dialog.NameLabeledEdit->setText(QString());
        emit dialog.NameLabeledEdit->textEdited(QString());
        EXPECT_EQ(Text(dialog.FieldListSelComboBox->itemText(2)), "");
        dialog.OKBtn->click();
    }));
    ASSERT_EQ(Project->FieldSelections.size(), 3u);
    EXPECT_EQ(Project->FieldSelections[2].Name, "");
    ASSERT_TRUE(Project->FieldSelections[2].List);
    EXPECT_EQ(Project->FieldSelections[2].List->size(), 4u);
    // Untouched selections keep their lists.
    EXPECT_EQ(*Project->FieldSelections[0].List, (TNameList{"Kessel (Temperatur)", "Aussen (Temperatur)"}));
    EXPECT_EQ(Window->SelectionIndex(), 2);
}

TEST_F(ExportCommandsTest, EditorCancelLeavesTheProjectAsItWas)
{
    Project->Modified = false;
    Editor(
        [](TFieldListEditorDlg& dialog) {
            dialog.CreateBtn->click();
            EXPECT_EQ(dialog.FieldListSelComboBox->count(), 4);
            dialog.IncAllBtn->click();
            dialog.FieldListSelComboBox->setCurrentIndex(0);
            emit dialog.FieldListSelComboBox->activated(0);
            EXPECT_EQ(Text(dialog.NameLabeledEdit->text()), "Temperaturen");
            EXPECT_EQ(dialog.DstList->count(), 2);
            dialog.DeleteBtn->click();
            EXPECT_EQ(dialog.FieldListSelComboBox->currentIndex(), -1);
            EXPECT_FALSE(dialog.SrcList->isEnabled());
            EXPECT_TRUE(dialog.NameLabeledEdit->text().isEmpty());
            dialog.CancelBtn->click();
        },
        "Grafik");
    ASSERT_EQ(Project->FieldSelections.size(), 3u);
    EXPECT_EQ(Project->FieldSelections[0].Name, "Temperaturen");
    EXPECT_EQ(Project->FieldSelections[0].List->size(), 2u);
    EXPECT_FALSE(Project->FieldSelections[2].List);
    EXPECT_FALSE(Project->Modified);

    // A SelectionIndex beyond the last selection opens with no entry chosen and disabled lists.
    Window->SetSelectionIndex(7);
    Editor([](TFieldListEditorDlg& dialog) {
        EXPECT_EQ(dialog.FieldListSelComboBox->currentIndex(), -1);
        EXPECT_FALSE(dialog.SrcList->isEnabled());
        EXPECT_FALSE(dialog.DstList->isEnabled());
        EXPECT_FALSE(dialog.NameLabeledEdit->isEnabled());
    });
}

TEST_F(ExportCommandsTest, EverySavedProjectHoldsTheFourDialogSectionsInOrder)
{
    const std::string text = SavedProjectText();
    const size_t plot = text.find("[PlotEditDlg]\r\n");
    const size_t batch = text.find("[ExportBatchDlg]\r\n");
    const size_t selection = text.find("[ExportSelectionDlg]\r\n");
    const size_t single = text.find("[ExportDlg]\r\n");
    const size_t table = text.find("[Data Table]\r\n");
    ASSERT_NE(plot, std::string::npos) << text;
    EXPECT_LT(text.find("[Export Setup]"), plot);
    EXPECT_LT(plot, batch);
    EXPECT_LT(batch, selection);
    EXPECT_LT(selection, single);
    EXPECT_LT(single, table);
    EXPECT_NE(text.find("[ExportBatchDlg]\r\nStartDatePicker="), std::string::npos);
    EXPECT_NE(text.find("TimeIncrementMaskEdit=00:00:00\r\nTypeSelListBox=0\r\nFormatSelComboBox=1\r\n"
                        "ExportInCustomPathCB=0\r\nExportSelComboBox=-1\r\nActualTimeCB=0\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[ExportSelectionDlg]\r\nSrcList=-1\r\nDstList=-1\r\nFieldListSelComboBox=-1\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("FieldListSelComboBox=-1\r\nTimeIncrementMaskEdit=00:00:00\r\n\r\n[Data Table]"), std::string::npos)
        << text;
}

TEST_F(ExportCommandsTest, DialogValuesAreSavedWithTheProjectAndRestoredFromIt)
{
    WriteRecords(EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 2), 3600);
    Export([&](TExportDlg& dialog) {
        dialog.FieldListSelComboBox->setCurrentIndex(1);
        dialog.FileLabeledEdit->setText(QString::fromStdString((Dir / "e.csv").string()));
        SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDateTime(2025, 3, 1, 6, 0, 0));
        SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDateTime(2025, 3, 1, 18, 30, 0));
        dialog.TimeIncrementMaskEdit->setText(QStringLiteral("00:01:30"));
        dialog.StartBtn->click();
    });
    // Increment 00:01:30 is 90 seconds.
    EXPECT_TRUE(Window->LogBox->Text().contains(QStringLiteral("Minimales Zeitinkrement = 90 s")));
    Batch([&](TExportBatchDlg& dialog) {
        dialog.TypeSelListBox->setCurrentIndex(2);
        dialog.FormatSelComboBox->setCurrentIndex(2);
        dialog.ExportInCustomPathCB->setChecked(true);
        dialog.ActualTimeCB->setChecked(true);
        dialog.ExportSelComboBox->setCurrentIndex(1);
        dialog.CancelBtn->click();
    });
    const std::string text = SavedProjectText();
    EXPECT_NE(text.find("[ExportDlg]\r\nStartDatePicker=01.03.2025 06:00:00\r\nFinalDatePicker=01.03.2025 18:30:00\r\n"
                        "StartTimePicker=01.03.2025 06:00:00\r\nFinalTimePicker=01.03.2025 18:30:00\r\n"
                        "FieldListSelComboBox=1\r\nTimeIncrementMaskEdit=00:01:30\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("TypeSelListBox=2\r\nFormatSelComboBox=2\r\nExportInCustomPathCB=1\r\nExportSelComboBox=1\r\n"
                        "ActualTimeCB=1\r\n"),
              std::string::npos)
        << text;

    // Another project file with its own values: loading it restores them.
    WriteFile(Dir / "Anders.p-p",
              "[General]\r\nName=Anders\r\n[Field Definitions]\r\nTemperature=A,B\r\n"
              "[Export Setup]\r\nCount=3\r\nName0=Eins\r\nFieldList0=A (Temperature)\r\nName1=Zwei\r\n"
              "FieldList1=B (Temperature)\r\nName2=Drei\r\nFieldList2=A (Temperature),B (Temperature)\r\n"
              "[ExportBatchDlg]\r\nTypeSelListBox=3\r\nFormatSelComboBox=0\r\nExportInCustomPathCB=0\r\n"
              "ExportSelComboBox=2\r\nActualTimeCB=0\r\nStartDatePicker=02.02.2024 07:15:00\r\n"
              "StartTimePicker=02.02.2024 07:15:00\r\n"
              "[ExportDlg]\r\nFieldListSelComboBox=2\r\nTimeIncrementMaskEdit=01:00:00\r\n");
    int result = -1;
    std::string error;
    LoadProjectFile((Dir / "Anders.p-p").string(), result, error);
    ASSERT_EQ(result, 0) << error;
    Project = CurrentProject();
    Batch([](TExportBatchDlg& dialog) {
        EXPECT_EQ(dialog.TypeSelListBox->currentIndex(), 3);
        EXPECT_EQ(dialog.FormatSelComboBox->currentIndex(), 0);
        EXPECT_FALSE(dialog.ExportInCustomPathCB->isChecked());
        EXPECT_FALSE(dialog.ActualTimeCB->isChecked());
        EXPECT_TRUE(dialog.FinalDatePicker->isEnabled());
        EXPECT_EQ(Text(dialog.ExportSelComboBox->currentText()), "Drei");
        EXPECT_EQ(dialog.StartDatePicker->date(), QDate(2024, 2, 2));
        EXPECT_EQ(dialog.StartTimePicker->time(), QTime(7, 15, 0));
    });
    Export([](TExportDlg& dialog) {
        EXPECT_EQ(Text(dialog.FieldListSelComboBox->currentText()), "Drei");
        EXPECT_EQ(Text(dialog.TimeIncrementMaskEdit->text()), "01:00:00");
    });
}
