#include "app/gui/ExportCommands.h"

#include "app/core/ExportDefinitionFiles.h"
#include "app/gui/CommandHost.h"
#include "app/gui/ExportBatchDlg.h"
#include "app/gui/ExportDlg.h"
#include "app/gui/FieldListEditorDlg.h"
#include "app/gui/ProgressWindow.h"
#include "app/gui/WindowDialog.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "export/ExportBatch.h"
#include "export/ExportData.h"
#include "export/ExportTypes.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "model/window/DialogTimes.h"
#include "app/gui/Namespace.h"

#include <QComboBox>

namespace dedezuviv::gui {

namespace {

// The progress window for the length of a command: closed (and the main window enabled again)
// whatever happens, also when the command closes it itself before its messages.
class TOpenLogBox {
public:
    TOpenLogBox(TLogBox& box, bool cancelable) : Box(box)
    {
        Box.Open();
        Box.SetCancelable(cancelable);
    }
    ~TOpenLogBox() { Close(); }
    TOpenLogBox(const TOpenLogBox&) = delete;
    TOpenLogBox& operator=(const TOpenLogBox&) = delete;
    void Close()
    {
        if (!IsOpen)
            return;
        IsOpen = false;
        Box.SetCancelable(false);
        Box.Close();
    }

private:
    TLogBox& Box;
    bool IsOpen = true;
};

// The fields of the project's selection at Index; empty when there is none (or it has no list).
TNameList FieldsOfSelection(const TProject& project, int index)
{
    if (index < 0 || index >= static_cast<int>(project.FieldSelections.size()))
        return {};
    const TFieldSelection& selection = project.FieldSelections[static_cast<size_t>(index)];
    return selection.List ? *selection.List : TNameList();
}

}  // namespace

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

    const int index = dialog.SelectedIndex();
    host.SetSelectionIndex(index);
    TLogBox& log = host.ProgressWindow();
    TOpenLogBox open(log, true);
    log.AddLine("Datenaufbereitung wird gestartet...");
    auto stop = [&open](const std::string& message) {
        open.Close();
        ShowError(message);
    };

    const std::string fileName = dialog.FileName();
    if (fileName.empty())
        return stop("Keine Datei angegeben. ");
    const std::optional<TExportFormat> format = ExportFormatFromFileName(fileName);
    if (!format)
        return stop(ExportMessages::UnknownFormat);
    const TNameList fields = FieldsOfSelection(*project, index);
    if (fields.empty())
        return stop(ExportMessages::NoFields);

    const TDateTime start = dialog.StartTime();
    const TDateTime end = dialog.EndTime();
    const int64_t increment =
        ExportIncrement(ParseIncrement(dialog.IncrementText().toStdString()), start, end, fields.size(), *format);
    const std::string range = DateTimeToStr(start) + " bis " + DateTimeToStr(end);
    const std::string incrementLine = FormatMessage("Minimales Zeitinkrement = %d s", increment);
    const std::string fieldCountLine = "Zahl der Felder=" + std::to_string(fields.size());
    DebugInfo("Export von " + range + "in Datei " + fileName + " aus Datenverzeichnis " + project->GetDataDir("data"));
    DebugInfo(incrementLine);
    DebugInfo(fieldCountLine);

    TExportData exporter;
    // Also stops when the project went away while events ran (it would be freed under the export).
    exporter.CancelRequested = [&log, project] { return log.CancelRequested() || CurrentProject() != project; };
    log.AddLine("Datensätze gesamt=" + std::to_string(exporter.RecordCount));
    log.AddLine("Export von " + range);
    log.AddLine("in Datei " + fileName + ".");
    log.AddLine(incrementLine);
    log.AddLine(fieldCountLine);

    const bool failed = exporter.Export(project, &log, fileName, *format, start, end, increment, fields) != 0;
    const int32_t count = failed ? 0 : exporter.RecordCount;
    log.AddLine("Datensätze gesamt=" + std::to_string(count));
    DebugInfo("Datensätze gesamt=" + std::to_string(count));
    open.Close();

    if (exporter.WasCancelled)
        return InformUser(exporter.ErrorText);
    if (failed)
        ShowError(std::string(ExportMessages::Failed) +
                  (exporter.ErrorText.empty() ? std::string() : "\n\r" + exporter.ErrorText));
    // The project is still open: the export runs on the main thread and only lets events run.
    const std::string dataDir = CurrentProject() ? CurrentProject()->GetDataDir("data") : std::string();
    if (count != 0)
        InformUser(FormatMessage(ExportMessages::FileDone, fileName, count));
    else
        InformUser(FormatMessage(ExportMessages::NoData, dataDir));
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

    const TExportFormat format = BatchFormat(dialog.FormatIndex());
    const int typeIndex = dialog.TypeIndex();
    const TNameList fields = FieldsOfSelection(*project, dialog.SelectedIndex());
    if (typeIndex < 0 || typeIndex >= static_cast<int>(ExportTypes().size()) || fields.empty())
        return;

    TLogBox& log = host.ProgressWindow();
    TOpenLogBox open(log, true);
    TExportBatch batch;
    batch.Project = project;
    batch.Type = ExportTypes()[static_cast<size_t>(typeIndex)];
    batch.Fields = fields;
    batch.Format = format;
    batch.Mask = dialog.Mask();
    batch.Start = dialog.StartTime();
    batch.End = dialog.EndIsNow() ? Now() : dialog.EndTime();
    batch.Increment = BatchIncrement(ParseIncrement(dialog.IncrementText().toStdString()), batch.Start, batch.End,
                                     fields.size(), format, batch.Type);
    batch.Folder = dialog.CustomFolder() ? dialog.Folder() : project->GetDataDir("export");
    batch.Progress = &log;
    // Also stops when the project went away while events ran (it would be freed under the export).
    batch.Cancelled = [&log, project] { return log.CancelRequested() || CurrentProject() != project; };
    const TBatchResult result = batch.Run();
    open.Close();

    const std::string dataDir = CurrentProject() ? CurrentProject()->GetDataDir("data") : std::string();
    const std::string message = BatchResultMessage(result, dataDir);
    if (BatchResultIsFailure(result) && !result.Cancelled)
        ShowError(message);
    else
        InformUser(message);
}

void StopAndExportMeasurementClick(ICommandHost& host)
{
    if (!host.StopAndEvaluate())
        return;
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
