// The batch export without the window: one file per period of an export type over a range,
// each named by a file-name mask, and the texts the command shows. The window's "Batch-Export" and
// `dedezuviv-tool export-batch` both run TExportBatch::Run, so they write the same files.
//
// Choices made here, and why:
// - Paths are joined with "/", never with a backslash.
// - The batch can be cancelled (Cancelled returns true, asked while each file is written): the file
//   being written is stopped and removed, so no file is left half-written, and no further period is
//   begun. The progress window then says how many files were written (CancelledMessage).
// - Each period's export gets a progress receiver that moves the bar within the period's share of
//   the range (without it the bar would stand still during a long period); the engine's per-day
//   lines are not shown, so the window lists one line per file.
// - A range of less than one minute (0 whole minutes) has its progress counted in milliseconds.
// - Each day file is read once per batch (TBatchDayReader): the decoded records of the day a period
//   ends on are kept for the periods that begin on it, so a batch of minutes or hours costs about as
//   much reading as one export of its range.
// - A period whose end is not after its start (an export type that does not advance, or a date at the
//   end of the calendar) ends the loop with a failure line instead of looping for ever.
#pragma once

#include "base/DateTime.h"
#include "export/ExportData.h"
#include "export/ExportFormats.h"
#include "export/ExportTypes.h"
#include "model/Fields.h"
#include "export/Namespace.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dedezuviv::model {
class IProgress;
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::exports {

// The default file-name mask of the batch dialog.
inline constexpr const char* DefaultBatchMask = "%TYP_%JAHR-%MONAT-%TAG-%STUNDE%MIN";

// The mask with its placeholders replaced by the values of the period start, in the order %ID, %DAY,
// %MONTH, %YEAR, %HOUR, %MIN, %TYP, %TAG, %MONAT, %JAHR, %STUNDE; each only at its first occurrence,
// letter case ignored. Days, months, hours and minutes have two digits. A "/" in the type's name or ID
// becomes "_": it stands for no folder.
std::string BatchFileName(const std::string& mask, const TExportType& type, TDateTime periodStart);

// The start of the next period: + IncYear years, + IncMonth months (the day kept where the month has
// it, else the month's last day), + IncDay days, + IncHour hours, + IncMin minutes, in this order.
TDateTime NextPeriodStart(TDateTime periodStart, const TExportType& type);

// The increment of a batch (ExportIncrement): the automatic one keeps the file of the longest period
// of the range within the format's sheet.
int64_t BatchIncrement(int64_t increment, TDateTime start, TDateTime end, size_t fieldCount, TExportFormat format,
                       const TExportType& type);

// Path of a file in a folder: the folder without trailing "/", a "/", the name.
std::string JoinPath(const std::string& folder, const std::string& name);

// One period of a batch.
struct TBatchFile {
    std::string Path;
    std::string FileName;  // without folder
    TDateTime Start = 0, End = 0;
    bool Ok = false;
    int32_t RecordCount = 0;
    std::string ErrorText;  // the engine's reason when not Ok
};

struct TBatchResult {
    std::vector<TBatchFile> Files;
    int64_t Total = 0;       // records of all files written
    int Failed = 0;          // periods that failed
    bool Cancelled = false;  // stopped before the end of the range
    bool NoFolder = false;   // no folder given: nothing was written
    int Written() const { return static_cast<int>(Files.size()) - Failed; }
};

class TExportBatch {
public:
    // What to write.
    const TProject* Project = nullptr;
    TExportType Type;
    TNameList Fields;
    TExportFormat Format = DefaultExportFormat;
    std::string Mask = DefaultBatchMask;
    std::string Folder;  // empty: nothing is written (the dialog's custom folder left empty)
    TDateTime Start = 0, End = 0;
    int64_t Increment = 0;  // whole seconds, already the automatic one when it was 0

    // Progress lines and bar (may be null); asked between periods whether to stop (may be empty).
    IProgress* Progress = nullptr;
    std::function<bool()> Cancelled;
    // Decoding threads of the engine (TExportData::Threads).
    int Threads = 0;

    // The period loop, with the header lines first.
    TBatchResult Run();
};

// The final message of step 9: the failure message when a period failed, else the success message
// with the total; the no-data message with DataDir when no record was written.
std::string BatchResultMessage(const TBatchResult& result, const std::string& dataDir);
// Whether that message is the failure message (shown as an error).
bool BatchResultIsFailure(const TBatchResult& result);
// "Batch-Export abgebrochen: %d Dateien geschrieben (%d Datensätze)."
std::string CancelledMessage(const TBatchResult& result);

// The fields of the project's selection of that name (exactly, then ignoring ASCII letter case); false
// when there is no such selection. A selection without list has no fields.
bool SelectionFields(const TProject& project, const std::string& name, TNameList& fields);
// The names that are neither system fields nor defined in the project.
TNameList UnknownFields(const TProject& project, const TNameList& fields);

}  // namespace dedezuviv::exports
