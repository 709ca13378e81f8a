// The export commands after their dialogs, without the window: "Exportieren in Datei" (one file) and
// "Batch-Export" (one file per period), with their checks, progress lines, debug lines and messages.
// The window passes what its dialog chose and its progress window; dedezuviv-tool export and
// export-batch run the same checks and steps without the messages and print their own texts.
#pragma once

#include "app/core/ActionProgress.h"
#include "base/DateTime.h"
#include "export/ExportBatch.h"
#include "export/ExportData.h"
#include "model/Fields.h"
#include "app/core/Namespace.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace dedezuviv::model {
class IProgress;
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

// The fields of the project's selection at Index; empty when there is none (or it has no list).
TNameList SelectionFieldsAt(const TProject& project, int index);
// The period type at the batch dialog's index into ExportTypes(); none outside the list.
const TExportType* ExportTypeAt(int index);

// ---------------------------------------------------------------- one file

inline constexpr const char* NoExportFileMessage = "Keine Datei angegeben. ";

// The message when the end of a range lies before its start (nothing can be exported); empty for a
// range. A range of one moment (end = start) is a range.
std::string ExportRangeError(TDateTime start, TDateTime end);

struct TExportFileRequest {
    std::string FileName{};
    TNameList Fields{};
    TDateTime Start = 0, End = 0;
    int64_t IncrementSeconds = 0;  // 0: the automatic increment
};

enum class TExportFileOutcome { NoFile, UnknownFormat, NoFields, EndBeforeStart, Written, Failed, Cancelled };

struct TExportFileResult {
    TExportFileOutcome Outcome = TExportFileOutcome::NoFile;
    int32_t RecordCount = 0;  // 0 unless written
    std::string ErrorText;    // Failed and Cancelled: the engine's text; EndBeforeStart: ExportRangeError
    std::string DataDir;      // the project's data folder, for the no-data message (empty when it went away)
};

// The file's format by its extension; without one the message of the check that failed: no file name
// (NoExportFileMessage), or an extension of no format (ExportMessages::UnknownFormat).
std::optional<TExportFormat> ExportFileFormat(const std::string& fileName, std::string& message);

// The checks (file name, format, fields, range) and the export with its progress and debug lines; no
// message. Lines may be null. Stops when Cancelled says so or the project went away.
TExportFileResult ExportToFile(const TProject& project, const TExportFileRequest& request, IProgress* lines,
                               const std::function<bool()>& cancelled);

// "Exportieren in Datei" after its dialog: the progress window with "Datenaufbereitung wird
// gestartet...", the checks and the export, then (with the progress window closed) the check's error,
// the cancel text, or the failure with the engine's reason followed by the result message.
TExportFileResult ExportFileCommand(const TProject& project, const TExportFileRequest& request,
                                    const TActionProgress& progress);

// ---------------------------------------------------------------- one file per period

struct TBatchExportRequest {
    const TExportType* Type = nullptr;  // none: nothing is exported
    TNameList Fields{};                 // none: nothing is exported
    TExportFormat Format = efXLS;
    std::string Mask = DefaultBatchMask;
    TDateTime Start = 0, End = 0;
    bool EndIsNow = false;              // the end is the moment the export begins, not End
    int64_t IncrementSeconds = 0;       // 0: the automatic increment
    std::optional<std::string> Folder{};  // none: the project's "export" folder
};

// The batch run (a type must be given): the automatic increment, the folder, the period loop with its
// progress lines; no message. Stops when Cancelled says so or the project went away.
TBatchResult RunBatchExport(const TProject& project, const TBatchExportRequest& request, IProgress* lines,
                            const std::function<bool()>& cancelled);

// "Batch-Export" after its dialog: nothing without a type or fields; ExportRangeError as an error when
// the end (the moment of the start with EndIsNow) lies before the start; else the progress window with
// the run, then (closed) the result message, as an error when a period failed and the user did not
// cancel. The result is empty when nothing was exported.
std::optional<TBatchResult> BatchExportCommand(const TProject& project, const TBatchExportRequest& request,
                                               const TActionProgress& progress);

}  // namespace dedezuviv::app
