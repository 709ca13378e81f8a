// The export engine: TExportData reads the day files of a range (RecordedDays), decodes them
// again and writes one row per accepted record through the format's table writer (TExportInterface,
// made from the format's row, ExportFormats).
//
// Qt-free: the window's export commands, the batch export and `dedezuviv-tool export` all call
// TExportData::Export. Failures come back as -1 with a German message in ErrorText; nothing throws.
//
// Choices made here, and why (what a user sees stays the same):
// - Pending window messages are processed about every 50 ms (TRecordedDataReader's idle call), not
//   for every record, and the engine never calls ProcessMessages per record.
// - Writers write through a 1 MiB buffer; Close() completes the file (for XLS and WK1 after the EOF
//   record) and only a Close() without error lets Export report success. A write error ends the
//   export at once (running on would only fail again): -1 and the message with the system's reason.
// - The file is written beside its target and takes its place only when the export succeeded
//   (TFileReplacement): a failed or cancelled export leaves an earlier file of that name as it was.
// - XLS and WK1 stop at the rows and columns of their sheets with a message instead of writing
//   row numbers that readers reject or that wrap around; the automatic increment keeps a file within
//   the rows of its format.
// - A day file that cannot be read gives -1 and a message instead of the application's general
//   error box.
// - Which records become rows is the rule the charts use too (TIncrementRule): a record is taken at
//   least MinIncrement seconds after the last one taken, or when it is earlier than that one (a clock
//   set back, the hour that repeats when summer time ends). So a gap in the data is followed by one
//   row and then the usual spacing, not by rows at full density until a grid from StartTime has caught
//   up, and the repeated hour is exported. Times are compared at whole milliseconds.
#pragma once

#include "base/DateTime.h"
#include "export/ExportFormats.h"
#include "model/Fields.h"
#include "model/IncrementRule.h"
#include "model/RecordedDays.h"
#include "export/Namespace.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace dedezuviv::model {
class TProject;
class IProgress;
}  // namespace dedezuviv::model

namespace dedezuviv::exports {

class TBatchDayReader;
class TExportInterface;

// The automatic increment of the export commands for an increment that is not greater than 0, in
// whole seconds, the larger of:
// - the seconds from start to end divided by (30000000 div fields), rounded (half to even), 0 when
//   that is negative, so that all columns together get at most about 30 million values;
// - the least step that keeps a file within the format's sheet (SheetIncrement) for a file spanning
//   FileSpanMs (-1: start to end, one file).
// A positive increment is returned unchanged (a file that then needs more rows fails).
int64_t ExportIncrement(int64_t increment, TDateTime startTime, TDateTime endTime, size_t fieldCount,
                        TExportFormat format, int64_t fileSpanMs = -1);
// The least whole seconds between exported records for which a file spanning SpanMs fits the rows of
// the format's sheet below the header block and the column names: the engine's grid gives at most
// SpanMs / step + 1 rows. 0 (every record) for a format without row limit, and when a row for every
// second of the span fits (record times are whole seconds).
int64_t SheetIncrement(TExportFormat format, int64_t spanMs);
// Milliseconds from one time to another as the engine compares times (each rounded to the millisecond).
int64_t ExportSpanMs(TDateTime from, TDateTime to);

// The export commands' messages.
namespace ExportMessages {
extern const char* const UnknownFormat;
extern const char* const NoFields;
extern const char* const NoData;  // %s = data folder
extern const char* const FileDone;  // %s = file, %d = records
extern const char* const BatchDone;  // %d = records
extern const char* const Failed;
extern const char* const ReadingFile;        // "Lese Daten aus Datei %s ..."
extern const char* const Cancelled;          // %s = file
}  // namespace ExportMessages

// printf-style helpers for the messages above (one %s and/or one %d, in that order).
std::string FormatMessage(const char* format, const std::string& text);
std::string FormatMessage(const char* format, int64_t number);
std::string FormatMessage(const char* format, const std::string& text, int64_t number);

// The export engine.
class TExportData : private IRecordedDataSink {
public:
    TExportData();
    ~TExportData() override;

    TNameList Fields;
    TDateTime StartTime = 0;
    TDateTime EndTime = 0;
    int64_t MinIncrement = 0;
    TDateTime NextTime = 0;
    int32_t RecordCount = 0;
    // The German message of the last failed Export (empty after success).
    std::string ErrorText;
    // Decoding threads for the reader (TRecordedDataReader::Threads): 0 automatic, 1 none.
    int Threads = 0;
    // When set, the days are read through it (a batch shares one between its periods, so that each
    // day file is read once); else through a reader of this export's own.
    TBatchDayReader* DayReader = nullptr;
    // Pending window messages are processed about this often while the export runs.
    int IdleIntervalMs = 50;
    // Asked after window messages were processed; true stops the export. The unfinished file is
    // removed then, and Export returns -1 with WasCancelled set and the message in ErrorText.
    std::function<bool()> CancelRequested;
    bool WasCancelled = false;

    // Writes one file; 0 on success, -1 on any failure (ErrorText says why). LogBox may be null.
    int32_t Export(const TProject* project, IProgress* logBox, const std::string& fileName, TExportFormat format,
                   TDateTime startTime, TDateTime endTime, int64_t minIncrement, const TNameList& fields);

private:
    bool Record(const TRecordHeader& header, const TFieldValue* values) override;
    bool FormattedRecord(const TRecordHeader& header, const TFieldValue* values, std::string_view text) override;
    void DayBegin(const TRecordedDay& day) override;
    void DayEnd(const TRecordedDay& day, uint64_t lines, bool ok) override;
    void Idle() override;
    void CheckCancel();
    void WriteHeaderBlock(const TProject* project);
    std::string WriteFailure(TExportFormat format) const;

    std::unique_ptr<TExportInterface> Writer;
    IProgress* LogBox = nullptr;
    TIncrementRule Taking{0, 0, 0};
    int64_t DaysDone = 0, TotalMinutes = 0;
};

}  // namespace dedezuviv::exports
