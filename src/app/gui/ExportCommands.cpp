#include "app/gui/ExportCommands.h"

#include "app/core/ExportActions.h"
#include "app/core/ExportDefinitionFiles.h"
#include "app/gui/ActionLogBox.h"
#include "app/gui/CommandHost.h"
#include "app/gui/ExportBatchDlg.h"
#include "app/gui/ExportDlg.h"
#include "app/gui/FieldListEditorDlg.h"
#include "app/gui/WindowDialog.h"
#include "base/Clock.h"
#include "export/ExportFormats.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/window/DialogTimes.h"
#include "app/gui/Namespace.h"

#include <QComboBox>

namespace dedezuviv::gui {

TFieldListEditorDlg& FieldListEditorDlg(ICommandHost& host)
{
    return WindowDialog<TFieldListEditorDlg>(host.DialogParent());
}

TExportDlg& ExportDlg(ICommandHost& host) { return WindowDialog<TExportDlg>(host.DialogParent()); }

TExportBatchDlg& ExportBatchDlg(ICommandHost& host) { return WindowDialog<TExportBatchDlg>(host.DialogParent()); }

void EditFieldSelectionClick(ICommandHost& host)
{
    if (host.NoActProject())
        return;
    TFieldListEditorDlg& dialog = FieldListEditorDlg(host);
    dialog.LoadFromProject(*CurrentProject());
    const int index = host.SelectionIndex();
    dialog.FieldListSelComboBox->setCurrentIndex(
        index >= 0 && index < dialog.FieldListSelComboBox->count() ? index : -1);
    dialog.FormActivate();
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    dialog.SaveToStates(MainView().Dialogs.ExportSelectionDlg);
    TProject* project = CurrentProject();
    if (!confirmed || project == nullptr)
        return;
    host.SetSelectionIndex(dialog.FieldListSelComboBox->currentIndex());
    dialog.SaveToProject(*project);
    host.RefreshDisplay();
}

void ExportDataClick(ICommandHost& host)
{
    if (host.NoActProject())
        return;
    TExportDlg& dialog = ExportDlg(host);
    dialog.LoadFromStates(MainView().Dialogs.ExportDlg);
    dialog.FormActivate(CurrentProject());
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    dialog.SaveToStates(MainView().Dialogs.ExportDlg, CurrentProject());
    // The project may have been closed while the dialog was open.
    TProject* project = CurrentProject();
    if (!confirmed || project == nullptr)
        return;

    host.SetSelectionIndex(dialog.SelectedIndex());
    TActionLogBox log(host.ProgressWindow(), true);
    ExportFileCommand(*project,
                      {.FileName = dialog.FileName(),
                       .Fields = SelectionFieldsAt(*project, host.SelectionIndex()),
                       .Start = dialog.StartTime(),
                       .End = dialog.EndTime(),
                       .IncrementSeconds = ParseIncrement(dialog.IncrementText().toStdString())},
                      log.Progress());
}

void ExportBatchModeClick(ICommandHost& host)
{
    if (host.NoActProject())
        return;
    TExportBatchDlg& dialog = ExportBatchDlg(host);
    dialog.LoadFromStates(MainView().Dialogs.ExportBatchDlg);
    dialog.FillSelections(CurrentProject());
    dialog.ExportInCustomPathCBClick();
    dialog.FormActivate();
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    dialog.SaveToStates(MainView().Dialogs.ExportBatchDlg, CurrentProject());
    TProject* project = CurrentProject();
    if (!confirmed || project == nullptr)
        return;

    TActionLogBox log(host.ProgressWindow(), true);
    BatchExportCommand(*project,
                       {.Type = ExportTypeAt(dialog.TypeIndex()),
                        .Fields = SelectionFieldsAt(*project, dialog.SelectedIndex()),
                        .Format = BatchFormat(dialog.FormatIndex()),
                        .Mask = dialog.Mask(),
                        .Start = dialog.StartTime(),
                        .End = dialog.EndTime(),
                        .EndIsNow = dialog.EndIsNow(),
                        .IncrementSeconds = ParseIncrement(dialog.IncrementText().toStdString()),
                        .Folder = dialog.CustomFolder() ? std::optional(dialog.Folder()) : std::nullopt},
                       log.Progress());
}

void StopAndExportMeasurementClick(ICommandHost& host)
{
    if (!host.StopAndEvaluate())
        return;
    // The dialog offers the measurement just stopped: from its start up to now.
    TExportDlg& dialog = ExportDlg(host);
    dialog.LoadFromStates(MainView().Dialogs.ExportDlg);
    dialog.SetStartTime(CurrentProject()->RecordStart);
    dialog.SetEndTime(Now());
    dialog.SaveToStates(MainView().Dialogs.ExportDlg, CurrentProject());
    ExportDataClick(host);
}

void InstallExportCommands(ICommandHost& host)
{
    LoadProgramExportTypes();
    // Every dialog's current values go to its stored section now, so that a project saved before the
    // dialog is first used (or loaded without the section) still gets the section.
    TDialogStates& states = MainView().Dialogs;
    TExportBatchDlg& batch = ExportBatchDlg(host);
    batch.FillTypes();
    batch.FormActivate();
    batch.LoadFromStates(states.ExportBatchDlg);
    batch.SaveToStates(states.ExportBatchDlg, CurrentProject());
    TFieldListEditorDlg& editor = FieldListEditorDlg(host);
    editor.LoadFromStates(states.ExportSelectionDlg);
    editor.SaveToStates(states.ExportSelectionDlg);
    TExportDlg& single = ExportDlg(host);
    single.LoadFromStates(states.ExportDlg);
    single.SaveToStates(states.ExportDlg, CurrentProject());

    const QString exportMenu = QStringLiteral("Export");
    const QString editCaption = QStringLiteral("Feldauswahl erstellen/bearbeiten");
    host.AddMenuRows({
        {exportMenu, editCaption, {}, [&host] { EditFieldSelectionClick(host); }},
        // The chart commands leave the editor entry of "Grafik" to this unit: one editor for both menus.
        {QStringLiteral("Grafik"), editCaption, {}, [&host] { EditFieldSelectionClick(host); }},
        {exportMenu, QStringLiteral("Exportieren in Datei"), QKeySequence(Qt::CTRL | Qt::Key_E),
         [&host] { ExportDataClick(host); }},
        {exportMenu, QStringLiteral("Batch-Export"), QKeySequence(Qt::CTRL | Qt::Key_B),
         [&host] { ExportBatchModeClick(host); }},
        {QStringLiteral("Datenaufzeichnung"), QStringLiteral("Laufende Messung anhalten und exportieren"), {},
         [&host] { StopAndExportMeasurementClick(host); }},
    });
}

}  // namespace dedezuviv::gui
