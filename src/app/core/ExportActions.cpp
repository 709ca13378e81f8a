#include "app/core/ExportActions.h"

#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

namespace dedezuviv::app {

namespace {

// The first two checks of one file's export; Format is set when both pass.
TExportFileOutcome CheckFileName(const std::string& fileName, std::optional<TExportFormat>& format)
{
    if (fileName.empty())
        return TExportFileOutcome::NoFile;
    format = ExportFormatFromFileName(fileName);
    return format ? TExportFileOutcome::Written : TExportFileOutcome::UnknownFormat;
}

// The error of a failed check.
const char* CheckMessage(TExportFileOutcome outcome)
{
    switch (outcome) {
    case TExportFileOutcome::NoFile: return NoExportFileMessage;
    case TExportFileOutcome::UnknownFormat: return ExportMessages::UnknownFormat;
    case TExportFileOutcome::NoFields: return ExportMessages::NoFields;
    default: return nullptr;
    }
}

std::string DataDirUnlessGone(const TProject& project, const TProjectWatch& watch)
{
    return watch.Gone() ? std::string() : project.GetDataDir("data");
}

}  // namespace

std::string ExportRangeError(TDateTime start, TDateTime end)
{
    if (end >= start)
        return std::string();
    return "Das Ende des Zeitraums (" + DateTimeToStr(end) + ") liegt vor seinem Anfang (" + DateTimeToStr(start) +
           "). Es wurde nichts exportiert.";
}

TNameList SelectionFieldsAt(const TProject& project, int index)
{
    if (index < 0 || index >= static_cast<int>(project.FieldSelections.size()))
        return {};
    const TFieldSelection& selection = project.FieldSelections[static_cast<size_t>(index)];
    return selection.List ? *selection.List : TNameList();
}

const TExportType* ExportTypeAt(int index)
{
    if (index < 0 || index >= static_cast<int>(ExportTypes().size()))
        return nullptr;
    return &ExportTypes()[static_cast<size_t>(index)];
}

std::optional<TExportFormat> ExportFileFormat(const std::string& fileName, std::string& message)
{
    std::optional<TExportFormat> format;
    if (const char* failed = CheckMessage(CheckFileName(fileName, format)))
        message = failed;
    return format;
}

TExportFileResult ExportToFile(const TProject& project, const TExportFileRequest& request, IProgress* lines,
                               const std::function<bool()>& cancelled)
{
    const TProjectWatch watch(project);
    TExportFileResult result;
    std::optional<TExportFormat> format;
    result.Outcome = CheckFileName(request.FileName, format);
    if (!format)
        return result;
    if (request.Fields.empty()) {
        result.Outcome = TExportFileOutcome::NoFields;
        return result;
    }
    result.ErrorText = ExportRangeError(request.Start, request.End);
    if (!result.ErrorText.empty()) {
        result.Outcome = TExportFileOutcome::EndBeforeStart;
        return result;
    }

    const int64_t increment =
        ExportIncrement(request.IncrementSeconds, request.Start, request.End, request.Fields.size(), *format);
    const std::string range = DateTimeToStr(request.Start) + " bis " + DateTimeToStr(request.End);
    const std::string incrementLine = FormatMessage("Minimales Zeitinkrement = %d s", increment);
    const std::string fieldCountLine = "Zahl der Felder=" + std::to_string(request.Fields.size());
    DebugInfo("Export von " + range + "in Datei " + request.FileName + " aus Datenverzeichnis " +
              project.GetDataDir("data"));
    DebugInfo(incrementLine);
    DebugInfo(fieldCountLine);

    TExportData exporter;
    exporter.CancelRequested = watch.CancelRule(cancelled);
    AddProgressLine(lines, "Datensätze gesamt=" + std::to_string(exporter.RecordCount));
    AddProgressLine(lines, "Export von " + range);
    AddProgressLine(lines, "in Datei " + request.FileName + ".");
    AddProgressLine(lines, incrementLine);
    AddProgressLine(lines, fieldCountLine);

    const bool failed = exporter.Export(&project, lines, request.FileName, *format, request.Start, request.End,
                                        increment, request.Fields) != 0;
    result.RecordCount = failed ? 0 : exporter.RecordCount;
    AddProgressLine(lines, "Datensätze gesamt=" + std::to_string(result.RecordCount));
    DebugInfo("Datensätze gesamt=" + std::to_string(result.RecordCount));

    result.Outcome = exporter.WasCancelled ? TExportFileOutcome::Cancelled
                     : failed              ? TExportFileOutcome::Failed
                                           : TExportFileOutcome::Written;
    result.ErrorText = exporter.ErrorText;
    result.DataDir = DataDirUnlessGone(project, watch);
    return result;
}

TExportFileResult ExportFileCommand(const TProject& project, const TExportFileRequest& request,
                                    const TActionProgress& progress)
{
    progress.OpenWindow();
    AddProgressLine(progress.Lines, "Datenaufbereitung wird gestartet...");
    const TExportFileResult result = ExportToFile(project, request, progress.Lines, progress.CancelRequested);
    progress.CloseWindow();

    if (const char* failed = CheckMessage(result.Outcome)) {
        ShowError(failed);
        return result;
    }
    if (result.Outcome == TExportFileOutcome::EndBeforeStart) {
        ShowError(result.ErrorText);
        return result;
    }
    if (result.Outcome == TExportFileOutcome::Cancelled) {
        InformUser(result.ErrorText);
        return result;
    }
    if (result.Outcome == TExportFileOutcome::Failed)
        ShowError(std::string(ExportMessages::Failed) +
                  (result.ErrorText.empty() ? std::string() : "\n\r" + result.ErrorText));
    if (result.RecordCount != 0)
        InformUser(FormatMessage(ExportMessages::FileDone, request.FileName, result.RecordCount));
    else
        InformUser(FormatMessage(ExportMessages::NoData, result.DataDir));
    return result;
}

TBatchResult RunBatchExport(const TProject& project, const TBatchExportRequest& request, IProgress* lines,
                            const std::function<bool()>& cancelled)
{
    TExportBatch batch;
    batch.Project = &project;
    batch.Type = *request.Type;
    batch.Fields = request.Fields;
    batch.Format = request.Format;
    batch.Mask = request.Mask;
    batch.Start = request.Start;
    batch.End = request.EndIsNow ? Now() : request.End;
    batch.Increment = BatchIncrement(request.IncrementSeconds, batch.Start, batch.End, request.Fields.size(),
                                     request.Format, batch.Type);
    batch.Folder = request.Folder ? *request.Folder : project.GetDataDir("export");
    batch.Progress = lines;
    batch.Cancelled = TProjectWatch(project).CancelRule(cancelled);
    return batch.Run();
}

std::optional<TBatchResult> BatchExportCommand(const TProject& project, const TBatchExportRequest& request,
                                               const TActionProgress& progress)
{
    if (request.Type == nullptr || request.Fields.empty())
        return std::nullopt;
    TBatchExportRequest run = request;
    if (run.EndIsNow) {
        run.End = Now();
        run.EndIsNow = false;
    }
    if (const std::string error = ExportRangeError(run.Start, run.End); !error.empty()) {
        ShowError(error);
        return std::nullopt;
    }
    const TProjectWatch watch(project);
    progress.OpenWindow();
    const TBatchResult result = RunBatchExport(project, run, progress.Lines, progress.CancelRequested);
    progress.CloseWindow();

    const std::string message = BatchResultMessage(result, DataDirUnlessGone(project, watch));
    if (BatchResultIsFailure(result) && !result.Cancelled)
        ShowError(message);
    else
        InformUser(message);
    return result;
}

}  // namespace dedezuviv::app
