// The project commands and their two dialogs, driven through the menu entries and the dialogs'
// controls as a user would, offscreen, with scripted message and file dialog answers.
#include "GuiTestSupport.h"

#include "app/core/AppSettings.h"
#include "app/core/FileChooser.h"
#include "app/core/MqttPublisher.h"
#include "app/core/ProjectActions.h"
#include "app/gui/DatasetDefinitionDlg.h"
#include "app/gui/CardImportCommands.h"
#include "app/gui/DeviceCommands.h"
#include "app/gui/GuiMain.h"
#include "app/gui/MainWindow.h"
#include "app/gui/MqttSettingsPage.h"
#include "app/gui/ProjectCommands.h"
#include "app/gui/ProjectSettingsDlg.h"
#include "base/AppGlobals.h"
#include "base/FormatSettings.h"
#include "model/DataSource.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "support/TestPorts.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;
using namespace dedezuviv::gui;

using guitest::ScriptedDialogs;
using guitest::ScriptedFiles;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string NoProjectMessage =
    "Für diese Funktion muss ein Projekt ausgewählt sein. Legen Sie ggf. neues Projekt an.";
const std::string SaveQuestion = "Soll das Projekt gespeichert werden vor Beendigung des Programms? ";
const std::string NotSaved = "Die Einstellungenen konnten nicht gespeichert werden.";
const std::string RefusedInterval = "Ungültiger Wert für das Sampling-Intervall wird nicht berücksichtigt.";

std::string Text(const QString& text) { return text.toStdString(); }

struct ProjectCommandsTest : ::testing::Test {
    std::unique_ptr<TMainPrgForm> Window;
    ScriptedDialogs Dialogs;
    ScriptedFiles Files;
    testsupport::TempDir Dir;

    void SetUp() override
    {
        SetGermanFormatSettings();
        Window = std::make_unique<TMainPrgForm>();
        ConnectWindowToCore(*Window);
        InstallDeviceCommands(*Window);
        InstallCardImportCommands(*Window);
        InstallProjectCommands(*Window);
        SetUserDialogs(&Dialogs);
        SetFileChooser(&Files);
        WriteFile(Dir / "Project.pxp",
                  "[General]\r\nName=Vorlage\r\nSamplingInterval=120\r\n"
                  "[Field Definitions]\r\nTemperature=Kessel,/Warm Wasser/\r\nOutput=Brenner\r\n"
                  "[Data Table]\r\nCount=1\r\nCell0_Col=1\r\nCell0_Row=2\r\nCell0_Fieldname=Kessel (Temperature)\r\n");
        SetProjectTemplateFile((Dir / "Project.pxp").string());
    }

    void TearDown() override
    {
        SetProjectTemplateFile(std::string());
        CloseProject();
        ClearCurrentRecord();
        DisconnectWindowFromCore();
        Window.reset();
    }

    void Trigger(const char* menu, const char* caption)
    {
        QAction* entry = Window->MenuEntry(QString::fromUtf8(menu), QString::fromUtf8(caption));
        ASSERT_NE(entry, nullptr) << caption;
        entry->trigger();
    }

    // A project file written by the program, with the given name.
    std::string SavedProject(const std::string& fileName, const std::string& name)
    {
        TProject project;
        project.SetName(name);
        project.FieldNames[ftTemperature] = {"Alt"};
        int result = 0;
        std::string error;
        TProjectView view;
        SaveProjectFile(project, (Dir / fileName).string(), result, error, view);
        EXPECT_EQ(result, 0) << error;
        return (Dir / fileName).string();
    }

    TProject& Open(const std::string& fileName)
    {
        int result = 0;
        std::string error;
        LoadProjectFile(fileName, result, error);
        EXPECT_EQ(result, 0) << error;
        return *CurrentProject();
    }

    // Runs Command; Act runs on the settings dialog (or the dataset definition) once it is shown.
    // Returns whether it was shown.
    bool WithSettings(const std::function<void(TProjectGeneralDlg&)>& act, const std::function<void()>& command)
    {
        TProjectGeneralDlg& dialog = ProjectGeneralDlg(*Window);
        return guitest::WithDialog(dialog, [&] { act(dialog); }, command);
    }
    bool NewProject(const std::function<void(TProjectGeneralDlg&)>& act)
    {
        return WithSettings(act, [this] { Trigger("Projekt", "Neues Projekt anlegen"); });
    }
    bool EditSettings(const std::function<void(TProjectGeneralDlg&)>& act)
    {
        return WithSettings(act, [this] { Trigger("Einstellungen", "Projekteinstellungen bearbeiten"); });
    }
    bool EditDefinition(const std::function<void(TVarConfigDlg&)>& act)
    {
        TVarConfigDlg& dialog = VarConfigDlg(*Window);
        return guitest::WithDialog(dialog, [&] { act(dialog); },
                                   [this] { Trigger("Einstellungen", "Datensatz-Definition bearbeiten"); });
    }
};

void TypeKeys(QWidget* widget, const QString& keys)
{
    for (const QChar c : keys) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

}  // namespace

TEST_F(ProjectCommandsTest, EntriesAreConnectedWithTheirShortcuts)
{
    for (const char* caption : {"Neues Projekt anlegen", "Projekt laden", "Projekt speichern", "Projekt klonen"})
        EXPECT_TRUE(Window->MenuEntry(QStringLiteral("Projekt"), QString::fromUtf8(caption))->isEnabled()) << caption;
    for (const char* caption : {"Datensatz-Definition bearbeiten", "Projekteinstellungen bearbeiten"})
        EXPECT_TRUE(Window->MenuEntry(QStringLiteral("Einstellungen"), QString::fromUtf8(caption))->isEnabled());
    EXPECT_EQ(Window->MenuEntry(QStringLiteral("Neues Projekt anlegen"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(Window->MenuEntry(QStringLiteral("Projekt speichern"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
}

TEST_F(ProjectCommandsTest, CommandsThatNeedAProjectSayWhenThereIsNone)
{
    Trigger("Projekt", "Projekt speichern");
    Trigger("Projekt", "Projekt klonen");
    Trigger("Einstellungen", "Projekteinstellungen bearbeiten");
    Trigger("Einstellungen", "Datensatz-Definition bearbeiten");
    EXPECT_EQ(Dialogs.Count("inform"), 4);
    EXPECT_TRUE(Dialogs.Contains("inform", NoProjectMessage));
    EXPECT_TRUE(Files.Calls.empty());
}

TEST_F(ProjectCommandsTest, NewProjectFromTheTemplateIsKeptAfterTheSettings)
{
    // Any character may stand in the path and the name.
    const std::string fileName = (Dir / "Häuschen € 1.p-p").string();
    Files.Answers = {fileName};
    EXPECT_TRUE(NewProject(
        [](TProjectGeneralDlg& dialog) {
            EXPECT_EQ(Text(dialog.NameLabeledEdit->text()), "Vorlage");
            EXPECT_EQ(Text(dialog.IntervalMaskEdit->text()), "120");
            EXPECT_FALSE(dialog.SpecificProjectPath->isChecked());
            EXPECT_FALSE(dialog.PathLabeledEdit->isEnabled());
            dialog.NameLabeledEdit->setText(QStringLiteral("Haus Müller ✓"));
            dialog.IntervalMaskEdit->setText(QStringLiteral("60"));
            dialog.CommentLabeledEdit->setText(QStringLiteral("Heizung mit Solar und Warmwasser"));
            dialog.OKBtn->click();
        }));

    ASSERT_EQ(Files.Calls.size(), 1u);
    EXPECT_EQ(Files.Calls[0].Kind, "save");
    EXPECT_EQ(Files.Calls[0].Title, "Projekt speichern als");
    EXPECT_EQ(Files.Calls[0].Filter, "Projekte (*.p-p)|*.p-p");
    EXPECT_EQ(Files.Calls[0].Extra, "p-p");
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(CurrentProject()->GetFileName(), fileName);
    EXPECT_FALSE(CurrentProject()->Modified);
    EXPECT_EQ(Text(Window->StatusPanel1->text()), "Projekt-Datei: Häuschen € 1.p-p");

    // What was written reads back as it was made: template definitions and table, the settings.
    CloseProject();
    TProject& reread = Open(fileName);
    EXPECT_EQ(reread.GetName(), "Haus Müller ✓");
    EXPECT_EQ(reread.SamplingInterval, 60);
    EXPECT_EQ(reread.GetComment(), "Heizung mit Solar und Warmwasser");
    EXPECT_EQ(reread.FieldNames[ftTemperature], (TNameList{"Kessel", "Warm Wasser"}));
    ASSERT_NE(MainView().Table.Cell(1, 2), nullptr);
    EXPECT_EQ(MainView().Table.Cell(1, 2)->Fieldname, "Kessel (Temperatur)");
    EXPECT_EQ(ReadFile(Dir / "Project.pxp").find("Haus"), std::string::npos) << "the template stays as it was";
}

TEST_F(ProjectCommandsTest, NewProjectWithAModifiedProjectAndCancelChangesNothing)
{
    TProject& project = Open(SavedProject("Alt.p-p", "Alt"));
    project.SetName("Geändert");
    project.SetModified(true);
    Dialogs.Answers = {TDialogAnswer::Cancel};
    Trigger("Projekt", "Neues Projekt anlegen");
    EXPECT_TRUE(Dialogs.Contains("ask", SaveQuestion));
    EXPECT_EQ(CurrentProject(), &project);
    EXPECT_EQ(project.GetName(), "Geändert");
    EXPECT_TRUE(project.Modified);
    EXPECT_TRUE(Files.Calls.empty());
}

TEST_F(ProjectCommandsTest, NewProjectCancelledReopensThePreviousFile)
{
    const std::string previous = SavedProject("Alt.p-p", "Alt");
    Open(previous).SetName("Nicht gespeichert");
    CurrentProject()->SetModified(true);

    // No to the question, Cancel in the save dialog: the previous project as its file holds it.
    Dialogs.Answers = {TDialogAnswer::No};
    Trigger("Projekt", "Neues Projekt anlegen");
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(CurrentProject()->GetFileName(), previous);
    EXPECT_EQ(CurrentProject()->GetName(), "Alt");
    EXPECT_FALSE(CurrentProject()->Modified);

    // The settings dialog cancelled: the same.
    Files.Answers = {(Dir / "Neu.p-p").string()};
    EXPECT_TRUE(NewProject([](TProjectGeneralDlg& dialog) { dialog.CancelBtn->click(); }));
    EXPECT_FALSE(std::filesystem::exists(Dir / "Neu.p-p"));
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(CurrentProject()->GetName(), "Alt");
}

TEST_F(ProjectCommandsTest, NewProjectCancelledWithoutAPreviousProjectLeavesNone)
{
    Trigger("Projekt", "Neues Projekt anlegen");
    EXPECT_EQ(CurrentProject(), nullptr);
    // The template's table went with it.
    EXPECT_EQ(MainView().Table.Count(), 0);
}

TEST_F(ProjectCommandsTest, NewProjectWithoutTemplateGetsTheDefaults)
{
    const std::string missing = (Dir / "fehlt" / "Project.pxp").string();
    SetProjectTemplateFile(missing);
    Files.Answers = {(Dir / "Neu.p-p").string()};
    NewProject([](TProjectGeneralDlg& dialog) { dialog.OKBtn->click(); });
    EXPECT_TRUE(Dialogs.Contains("inform", "Template-Datei \"" + missing + "\" für neues Projekt nicht gefunden!"));
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(CurrentProject()->GetName(), "Project");
    EXPECT_EQ(CurrentProject()->SamplingInterval, 90);
    EXPECT_TRUE(std::filesystem::exists(Dir / "Neu.p-p"));
}

TEST_F(ProjectCommandsTest, LoadProjectAsksBeforeChangesAreLostAndReportsUnreadableFiles)
{
    const std::string other = SavedProject("Anderes.p-p", "Anderes");
    TProject& project = Open(SavedProject("Alt.p-p", "Alt"));
    project.SetModified(true);

    Files.Answers = {other};
    Dialogs.Answers = {TDialogAnswer::Cancel};
    Trigger("Projekt", "Projekt laden");
    EXPECT_EQ(Files.Calls.back().Title, "Projekt laden");
    EXPECT_EQ(Files.Calls.back().Filter, "Projekte (*.p-p)|*.p-p");
    EXPECT_EQ(CurrentProject(), &project);
    // The question is about loading: the program does not end.
    EXPECT_TRUE(Dialogs.Contains("ask", "Soll das Projekt gespeichert werden, bevor ein anderes Projekt geladen wird?"));
    EXPECT_FALSE(Dialogs.Contains("ask", SaveQuestion));

    Files.Answers = {other};
    Dialogs.Answers = {TDialogAnswer::No};
    Trigger("Projekt", "Projekt laden");
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(CurrentProject()->GetName(), "Anderes");

    // Cancel in the open dialog keeps the project; a file that is gone leaves none.
    Trigger("Projekt", "Projekt laden");
    EXPECT_EQ(CurrentProject()->GetName(), "Anderes");
    Files.Answers = {(Dir / "weg.p-p").string()};
    Trigger("Projekt", "Projekt laden");
    EXPECT_TRUE(Dialogs.Contains("error", "Fehler beim Datei einlesen. "));
    EXPECT_EQ(CurrentProject(), nullptr);
}

TEST_F(ProjectCommandsTest, SaveWritesTheProjectFileAndAFailedSaveKeepsTheChanges)
{
    TProject& project = Open(SavedProject("Haus.p-p", "Haus"));
    project.SetName("Haus neu");
    project.SetModified(true);
    Trigger("Projekt", "Projekt speichern");
    EXPECT_FALSE(project.Modified);
    EXPECT_NE(ReadFile(Dir / "Haus.p-p").find("Name=Haus neu"), std::string::npos);

    // A folder that cannot be made (its parent is a file): the message, and the changes stay marked.
    WriteFile(Dir / "datei", "kein Ordner");
    project.SetFileName((Dir / "datei" / "Haus.p-p").string());
    project.SetModified(true);
    Trigger("Projekt", "Projekt speichern");
    EXPECT_TRUE(Dialogs.Contains("error", NotSaved));
    EXPECT_TRUE(project.Modified);
    EXPECT_EQ(Text(Window->StatusPanel1->text()), "Projekt-Datei: Haus.p-p*");
}

TEST_F(ProjectCommandsTest, CloneKeepsTheOldFileAndLaterSavesGoToTheClone)
{
    const std::string original = SavedProject("Haus.p-p", "Haus");
    const std::string before = ReadFile(original);
    TProject& project = Open(original);
    project.SetName("Zweitwohnung");
    project.SetModified(true);

    const std::string clone = (Dir / "Zweit.p-p").string();
    Files.Answers = {clone};
    Trigger("Projekt", "Projekt klonen");
    EXPECT_EQ(ReadFile(original), before);
    EXPECT_EQ(project.GetFileName(), clone);
    EXPECT_FALSE(project.Modified);
    EXPECT_EQ(project.GetDataDir(), (Dir / "Zweit").string()) << "the clone records into a folder of its own";

    project.SetComment("später");
    Trigger("Projekt", "Projekt speichern");
    EXPECT_NE(ReadFile(clone).find("Comment=sp"), std::string::npos);
    EXPECT_EQ(ReadFile(original), before);

    // A clone that cannot be written keeps the file name.
    WriteFile(Dir / "datei", "kein Ordner");
    Files.Answers = {(Dir / "datei" / "x.p-p").string()};
    Trigger("Projekt", "Projekt klonen");
    EXPECT_TRUE(Dialogs.Contains("error", NotSaved));
    EXPECT_EQ(project.GetFileName(), clone);
}

TEST_F(ProjectCommandsTest, SettingsDialogShowsALongCommentFromItsBeginning)
{
    TProject& project = Open(SavedProject("Haus.p-p", "Haus"));
    project.SetComment("Heizung mit Solar und Warmwasser, Pufferspeicher 800 l, Kaminofen mit Wassertasche im "
                       "Wohnzimmer, Fußbodenheizung im Erdgeschoss und Heizkörper im Obergeschoss");
    int cursor = -1;
    EditSettings([&](TProjectGeneralDlg& dialog) {
        cursor = dialog.CommentLabeledEdit->cursorPosition();
        dialog.CancelBtn->click();
    });
    EXPECT_EQ(cursor, 0);
}

TEST_F(ProjectCommandsTest, SettingsDialogInterval)
{
    TProject& project = Open(SavedProject("Haus.p-p", "Haus"));
    project.SamplingInterval = 45;

    // Only digits can be typed: "-9.0" gives 90.
    EditSettings([](TProjectGeneralDlg& dialog) {
        dialog.IntervalMaskEdit->clear();
        TypeKeys(dialog.IntervalMaskEdit, QStringLiteral("-9.0"));
        EXPECT_EQ(Text(dialog.IntervalMaskEdit->text()), "90");
        dialog.OKBtn->click();
    });
    EXPECT_EQ(project.SamplingInterval, 90);
    EXPECT_TRUE(project.Modified);
    EXPECT_FALSE(Dialogs.Contains("inform", RefusedInterval));

    // 0 is refused, the name is taken all the same.
    EditSettings([](TProjectGeneralDlg& dialog) {
        dialog.IntervalMaskEdit->setText(QStringLiteral("0"));
        dialog.NameLabeledEdit->setText(QStringLiteral("Neu"));
        dialog.OKBtn->click();
    });
    EXPECT_TRUE(Dialogs.Contains("inform", RefusedInterval));
    EXPECT_EQ(project.SamplingInterval, 90);
    EXPECT_EQ(project.GetName(), "Neu");

    // Cancel leaves the project as it was.
    project.SetModified(false);
    WithSettings([](TProjectGeneralDlg& dialog) {
        dialog.NameLabeledEdit->setText(QStringLiteral("Verworfen"));
        dialog.ShowTableGridCB->setChecked(false);
        dialog.CancelBtn->click();
    }, [this] { NameLabelClick(*Window); });
    EXPECT_EQ(project.GetName(), "Neu");
    EXPECT_TRUE(project.ShowTableGrid);
    EXPECT_FALSE(project.Modified);
}

TEST_F(ProjectCommandsTest, SettingsDialogDataFolder)
{
    TProject& project = Open(SavedProject("Haus.p-p", "Haus"));

    // A folder chosen in the browser, which starts at the folder in the edit.
    const std::string chosen = (Dir / "Daten").string();
    Files.Answers = {chosen};
    EditSettings([this](TProjectGeneralDlg& dialog) {
        dialog.SpecificProjectPath->click();
        EXPECT_TRUE(dialog.PathLabeledEdit->isEnabled());
        EXPECT_TRUE(dialog.SelectPathButton->isEnabled());
        dialog.PathLabeledEdit->setText(QString::fromStdString(Dir.Path().string()));
        dialog.SelectPathButton->click();
        EXPECT_EQ(Text(dialog.PathLabeledEdit->text()), (Dir / "Daten").string());
        EXPECT_FALSE(dialog.PathNoteLabel->isHidden()) << "the folder does not exist yet";
        dialog.OKBtn->click();
    });
    EXPECT_EQ(Files.Calls.back().Kind, "folder");
    EXPECT_EQ(Files.Calls.back().Title, "Verzeichnisauswahl");
    EXPECT_EQ(Files.Calls.back().Extra, Dir.Path().string());
    EXPECT_EQ(project.Root, chosen);
    EXPECT_EQ(project.GetDataDir("data"), chosen + "/data");

    // A Windows path from an old project: shown as it is, with the remark that it does not exist
    // here; a trailing backslash typed is dropped.
    project.Root = "D:\\Daten";
    EditSettings([](TProjectGeneralDlg& dialog) {
        EXPECT_TRUE(dialog.SpecificProjectPath->isChecked());
        EXPECT_EQ(Text(dialog.PathLabeledEdit->text()), "D:\\Daten");
        EXPECT_FALSE(dialog.PathNoteLabel->isHidden());
        EXPECT_NE(Text(dialog.PathNoteLabel->text()).find("Windows-Pfad"), std::string::npos);
        dialog.PathLabeledEdit->setText(QStringLiteral("E:\\Log\\"));
        dialog.OKBtn->click();
    });
    EXPECT_EQ(project.Root, "E:\\Log");

    // A relative root opens with the check off; off, the root becomes empty whatever the edit shows.
    project.Root = "relativ";
    EditSettings([](TProjectGeneralDlg& dialog) {
        EXPECT_FALSE(dialog.SpecificProjectPath->isChecked());
        EXPECT_FALSE(dialog.PathLabeledEdit->isEnabled());
        EXPECT_TRUE(dialog.PathNoteLabel->isHidden());
        dialog.OKBtn->click();
    });
    EXPECT_EQ(project.Root, "");
}

TEST_F(ProjectCommandsTest, DatasetDefinitionOkUnchangedKeepsSharpS)
{
    TProject& project = Open(SavedProject("Haus.p-p", "Haus"));
    project.FieldNames[ftTemperature] = {"Außen", "Kessel"};
    project.FieldNames[ftOutput] = {"Fußbodenpumpe"};
    EXPECT_TRUE(EditDefinition([](TVarConfigDlg& dialog) { dialog.OKBtn->click(); }));
    EXPECT_EQ(project.FieldNames[ftTemperature], (TNameList{"Außen", "Kessel"}));
    EXPECT_EQ(project.FieldNames[ftOutput], (TNameList{"Fußbodenpumpe"}));
    EXPECT_EQ(Dialogs.Count("error"), 0);
    EXPECT_EQ(Dialogs.Count("inform"), 0);
}

TEST_F(ProjectCommandsTest, DatasetDefinitionEditedAndStored)
{
    TProject& project = Open(SavedProject("Haus.p-p", "Haus"));
    project.FieldNames[ftTemperature] = {"Kessel oben", "", "Vorlauf"};
    project.FieldNames[ftTime] = {"Datum"};
    project.FieldNames[ftIntern] = {"Status"};
    project.SetModified(false);

    EXPECT_TRUE(EditDefinition(
        [](TVarConfigDlg& dialog) {
            EXPECT_EQ(Text(dialog.windowTitle()), "Definition des Datensatzes");
            EXPECT_EQ(Text(dialog.TemperaturesEdt->text()), "\"Kessel oben\",,Vorlauf");
            EXPECT_TRUE(dialog.DateEdt->isHidden());
            EXPECT_TRUE(dialog.InternalFieldEdt->isHidden());
            EXPECT_EQ(Text(dialog.DateEdt->text()), "Datum");
            dialog.PostValuesEdt->setText(QStringLiteral("Kessel, Vorlauf"));
            dialog.NumValuesEdt->setText(QStringLiteral("a,,b"));
            dialog.InputsEdt->setText(QStringLiteral("a,"));
            dialog.OKBtn->click();
        }));
    EXPECT_TRUE(project.Modified);
    EXPECT_EQ(project.FieldNames[ftTemperature], (TNameList{"Kessel oben", "", "Vorlauf"}));
    EXPECT_EQ(project.FieldNames[ftCounter], (TNameList{"Kessel", " Vorlauf"}));
    EXPECT_EQ(project.FieldNames[ftValue], (TNameList{"a", "", "b"}));
    EXPECT_EQ(project.FieldNames[ftInput], (TNameList{"a"}));
    EXPECT_EQ(project.FieldNames[ftTime], (TNameList{"Datum"}));
    EXPECT_EQ(project.FieldNames[ftIntern], (TNameList{"Status"}));
    EXPECT_EQ(Dialogs.Count("error"), 0);
    // The new names show at once.
    EXPECT_NE(Text(Window->FieldListText()).find("Felder vom Typ"), std::string::npos);

    // A character no name may hold is dropped, and the user is told.
    EditDefinition([](TVarConfigDlg& dialog) {
        dialog.BitsEdt->setText(QStringLiteral("Stufe%1"));
        dialog.OKBtn->click();
    });
    EXPECT_EQ(project.FieldNames[ftState], (TNameList{"Stufe1"}));
    EXPECT_FALSE(Dialogs.Contains("error", NotSaved)) << "the lists were stored";
    EXPECT_TRUE(Dialogs.Contains("inform", "Zeichen, die in Feldnamen nicht erlaubt sind, wurden entfernt; "
                                           "die Datensatz-Definition wurde gespeichert."));
}

TEST_F(ProjectCommandsTest, DatasetDefinitionFromADeviceFile)
{
    TProject& project = Open(SavedProject("Haus.p-p", "Haus"));
    project.FieldNames[ftCounter] = {"Starts"};
    WriteFile(Dir / "regler.def", "[Version Export]\r\nMESSEINGAENGE=3\r\nRELAISAUSGAENGE=4\r\n"
                                  "EA_Kessel=1\r\nEA_Aussen=3\r\nAR_Pumpe=2\r\n");

    // Cancel discards the import.
    Files.Answers = {(Dir / "regler.def").string()};
    EditDefinition([](TVarConfigDlg& dialog) {
        dialog.LoadDefBtn->click();
        EXPECT_EQ(Text(dialog.TemperaturesEdt->text()), "Kessel,E2,Aussen");
        EXPECT_EQ(Text(dialog.OutputsEdt->text()), "R1,Pumpe,R3,R4,,");
        EXPECT_EQ(Text(dialog.PostValuesEdt->text()), "Starts");
        dialog.CancelBtn->click();
    });
    EXPECT_EQ(Files.Calls.back().Title, "Aus Gerätebeschreibung einlesen");
    EXPECT_EQ(Files.Calls.back().Filter, "Device definitions (*.def)|*.def");
    EXPECT_TRUE(Dialogs.Contains("inform", "Gerätespezifische Datensatzdefinition erfolgreich geladen."));
    EXPECT_EQ(project.FieldNames[ftTemperature], (TNameList{"Alt"}));

    // A file without definitions changes nothing; OK then stores the import.
    WriteFile(Dir / "leer.def", "[Sonst]\r\nA=1\r\n");
    Files.Answers = {(Dir / "regler.def").string(), (Dir / "leer.def").string()};
    EditDefinition([](TVarConfigDlg& dialog) {
        dialog.LoadDefBtn->click();
        dialog.LoadDefBtn->click();
        dialog.OKBtn->click();
    });
    EXPECT_TRUE(Dialogs.Contains(
        "inform", "Keine Feldlisten (Datensatzdefinition) gefunden oder angegebene Datei ist nicht gefunden!"));
    EXPECT_EQ(project.FieldNames[ftTemperature], (TNameList{"Kessel", "E2", "Aussen"}));
    EXPECT_EQ(project.FieldNames[ftOutput], (TNameList{"R1", "Pumpe", "R3", "R4", ""}));
    EXPECT_EQ(project.FieldNames[ftCounter], (TNameList{"Starts"}));
}

TEST_F(ProjectCommandsTest, DatasetDefinitionOfTheConnectedController)
{
    TProject& project = Open(SavedProject("Haus.p-p", "Haus"));
    const char* const NoDevice =
        "Es wurde noch kein Gerät identifiziert. Bitte Datenaufzeichnung für einige Sekunden starten!";
    EditDefinition([](TVarConfigDlg& dialog) {
        dialog.LoadDefAutoBtn->click();
        dialog.CancelBtn->click();
    });
    EXPECT_TRUE(Dialogs.Contains("inform", NoDevice));

    // A record decoded while logging ran identifies the controller, also after logging stopped; its
    // file is looked up in the user's data folder first.
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    project.Port.Name = pty.EndA();
    ASSERT_NE(StartRunningDataSource(project.Port), nullptr);
    RunningDataSource()->Decoder()->ProcessData(
        "=MD/p100013/v0102/t+055,50/t-012,30/n1234,50/d0,75/i0101/m12/o0110/xF0/y08.12.26/z14:26:50#\r\n");
    FreeRunningDataSource();
    uint8_t frameKind = 0;
    TRecordHeader header;
    LastDecodedHeader(frameKind, header);
    ASSERT_NE(header.Program, 0);
    const std::filesystem::path own = Dir / "share" / "dedezuviv" / "def" / (std::to_string(header.Program) + ".def");
    std::filesystem::create_directories(own.parent_path());
    WriteFile(own, "[Version Export]\r\nMESSEINGAENGE=1\r\nEA_Eigen=1\r\n");
    const char* oldDataHome = std::getenv("XDG_DATA_HOME");
    const std::string savedDataHome = oldDataHome ? oldDataHome : "";
    setenv("XDG_DATA_HOME", (Dir / "share").c_str(), 1);

    Dialogs.Answers = {TDialogAnswer::Yes};
    EditDefinition([](TVarConfigDlg& dialog) {
        dialog.LoadDefAutoBtn->click();
        EXPECT_EQ(Text(dialog.TemperaturesEdt->text()), "Eigen");
        dialog.OKBtn->click();
    });
    if (oldDataHome)
        setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(Dialogs.Contains("ask", "Soll die gerätespezifische Datensatz-Definition nun importiert werden?\n\r" +
                                            own.string()));
    EXPECT_EQ(project.FieldNames[ftTemperature], (TNameList{"Eigen"}));
}

TEST_F(ProjectCommandsTest, DatasetDefinitionFromAnotherProjectTakesOnlyTheLists)
{
    WriteFile(Dir / "Anderes.p-p",
              "[General]\r\nName=Anderes\r\n"
              "[Field Definitions]\r\nTemperature=T1\r\nCounter=C1\r\nValue=V1\r\nTime=D1\r\nInput=I1\r\n"
              "State=S1\r\nOutput=O1\r\nIntern=X1\r\n"
              "[PlotEditDlg]\r\nMarkersCB=1\r\n"
              "[Data Table]\r\nCount=1\r\nCell0_Col=5\r\nCell0_Row=5\r\nCell0_Fieldname=T1 (Temperature)\r\n");
    TProject& project = Open(SavedProject("Haus.p-p", "Haus"));
    auto cell = std::make_unique<TDataField>();
    cell->Fieldname = "Alt (Temperatur)";
    MainView().Table.SetCell(0, 0, std::move(cell));
    MainView().Dialogs.PlotEditDlg.SetChecked("MarkersCB", false);

    Files.Answers = {(Dir / "fehlt.p-p").string(), (Dir / "Anderes.p-p").string()};
    EditDefinition([](TVarConfigDlg& dialog) {
        dialog.LoadFromBtn->click();
        EXPECT_EQ(Text(dialog.TemperaturesEdt->text()), "Alt");
        dialog.LoadFromBtn->click();
        for (QLineEdit* edit : {dialog.TemperaturesEdt, dialog.PostValuesEdt, dialog.NumValuesEdt, dialog.DateEdt,
                                dialog.InputsEdt, dialog.BitsEdt, dialog.OutputsEdt, dialog.InternalFieldEdt})
            EXPECT_EQ(edit->text().size(), 2) << Text(edit->text());
        dialog.OKBtn->click();
    });
    EXPECT_EQ(Files.Calls.back().Title, "Aus anderem Projekt einlesen");
    EXPECT_TRUE(Dialogs.Contains("inform",
                                 "Projekt mit Dateinamen \"" + (Dir / "fehlt.p-p").string() + "\" nicht gefunden! "));
    ASSERT_EQ(CurrentProject(), &project);
    EXPECT_EQ(project.GetName(), "Haus");
    for (int t = 0; t < FieldTypeCount; ++t)
        EXPECT_EQ(project.FieldNames[t].size(), 1u) << t;
    EXPECT_EQ(project.FieldNames[ftIntern], (TNameList{"X1"}));
    // The open project's table and dialog values are its own still.
    ASSERT_NE(MainView().Table.Cell(0, 0), nullptr);
    EXPECT_EQ(MainView().Table.Cell(5, 5), nullptr);
    EXPECT_FALSE(MainView().Dialogs.PlotEditDlg.Checked("MarkersCB", true));
}

TEST_F(ProjectCommandsTest, MqttPageStoresTheBrokerRestartsThePublisherAndRefusesABadPort)
{
    Open(SavedProject("Haus.p-p", "Haus"));
    const std::string savedAppDataDir = AppDataDir;
    AppDataDir = (Dir / "config").string();
    const std::string broker = "127.0.0.1:" + std::to_string(testsupport::FreeTcpPort());

    bool stayedOpen = false;
    EditSettings([&](TProjectGeneralDlg& dialog) {
        dialog.MqttPage->BrokerEdit->setText(QStringLiteral("127.0.0.1:0"));
        dialog.OKBtn->click();
        stayedOpen = dialog.isVisible() && dialog.Pages->currentWidget() == dialog.MqttPage;
        dialog.MqttPage->BrokerEdit->setText(QString::fromStdString(broker));
        dialog.MqttPage->TopicEdit->setText(QStringLiteral("haus/heizung"));
        dialog.MqttPage->FieldTopicsCB->setChecked(true);
        dialog.MqttPage->DiscoveryPrefixEdit->setText(QStringLiteral("hass"));
        dialog.MqttPage->AreaEdit->setText(QStringLiteral("Heizraum"));
        dialog.Pages->setCurrentWidget(dialog.MqttPage);
        dialog.OKBtn->click();
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(Dialogs.Contains("error", "MQTT-Broker \"127.0.0.1:0\": ungültiger Port \"0\" (1 bis 65535)."));
    const TMqttSettings stored = ReadMqttSettings(AppSettingsPath());
    EXPECT_EQ(stored.Broker, broker);
    EXPECT_EQ(stored.TopicPrefix, "haus/heizung");
    EXPECT_TRUE(stored.FieldTopics);
    EXPECT_TRUE(stored.Discovery);
    EXPECT_EQ(stored.DiscoveryPrefix, "hass");
    EXPECT_EQ(stored.Area, "Heizraum");
    EXPECT_TRUE(MainMqttPublisher().Running());

    // Shown again as stored; an empty broker stops the publisher.
    EditSettings([&](TProjectGeneralDlg& dialog) {
        EXPECT_EQ(Text(dialog.MqttPage->BrokerEdit->text()), broker);
        EXPECT_EQ(Text(dialog.MqttPage->AreaEdit->text()), "Heizraum");
        EXPECT_TRUE(dialog.MqttPage->FieldTopicsCB->isChecked());
        dialog.MqttPage->BrokerEdit->clear();
        dialog.OKBtn->click();
    });
    EXPECT_FALSE(MainMqttPublisher().Running());
    EXPECT_FALSE(ReadMqttSettings(AppSettingsPath()).Enabled());
    AppDataDir = savedAppDataDir;
}
