// The export engine and its table writers: TExportData reads the day files of a
// range (RecordedDays), decodes them again and writes one row per accepted record through a
// table writer, TExportInterface: CSV and DAT text (TCSVExport), Excel BIFF2 (TXLSExport, records by
// TBiffFile) and Lotus WK1 (TWKExport, records by TWKFile).
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
// - A day file that cannot be read gives -1 and a message instead of the application's general
//   error box.
// - Times are compared at whole milliseconds (the precision of a TDateTime text and of the records),
//   so a record exactly at StartTime, EndTime or a grid time is never lost to rounding of the
//   floating NextTime sum; NextTime advances by MinIncrement seconds from StartTime.
#pragma once

#include "base/DateTime.h"
#include "export/BiffFile.h"
#include "export/CellText.h"
#include "export/OutputFile.h"
#include "export/WKFile.h"
#include "model/Fields.h"
#include "model/RecordedDays.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class TProject;
class IProgress;

enum TExportFormat : uint8_t { efXLS = 0, efCSV = 1, efDAT = 2, efWK1 = 3 };

// The format for a file name's extension, compared in lower case: ".csv", ".dat", ".xls", ".wk1";
// none for any other or no extension.
std::optional<TExportFormat> ExportFormatFromFileName(const std::string& fileName);

// The automatic increment of the export dialog for an increment that is not greater than 0: the seconds from
// start to end divided by (30000000 div fields), rounded to whole seconds (half to even); 0 when that
// is negative. A positive increment is returned unchanged.
int64_t ExportIncrement(int64_t increment, TDateTime startTime, TDateTime endTime, size_t fieldCount);

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

// The abstract table writer.
class TExportInterface {
public:
    int32_t Row = 0;
    int32_t Col = 0;
    int32_t Error = 0;
    std::string Separator;
    std::string DecimalSeparator;
    std::string QuoteChar;
    bool NoHeader = false;
    // The errno value behind Error, when a system call failed (for the message).
    int SystemError = 0;

    TExportInterface(const std::string& fileName, uint16_t columns);
    virtual ~TExportInterface() = default;
    TExportInterface(const TExportInterface&) = delete;
    TExportInterface& operator=(const TExportInterface&) = delete;

    virtual void WriteNumber(double value) = 0;
    virtual void WriteText(const std::string& text) = 0;
    virtual void NewLine();
    virtual void SkipCell();
    // The date-time text (DateTimeToStr with the process's format settings) as text.
    virtual void WriteDateTime(TDateTime value);
    virtual void WriteHeader(const std::string& text);
    virtual void WriteTitle(const std::string& text);
    virtual int32_t GetError() { return Error; }
    // Completes the file (end record, buffered bytes) and closes it; a failure sets Error. Called by
    // Export before it decides on success; the destructor calls it too when it was not called.
    virtual void Close() {}

    const std::string& FileName() const { return File; }

protected:
    std::string DateTimeText(TDateTime value);
    std::string File;
    TDateTimeText DateTimes;
};

// CSV and DAT text.
class TCSVExport : public TExportInterface {
public:
    TCSVExport(const std::string& fileName, uint16_t columns);
    ~TCSVExport() override;

    void WriteNumber(double value) override;
    void WriteText(const std::string& text) override;
    void WriteDateTime(TDateTime value) override;
    void NewLine() override;
    void SkipCell() override;
    int32_t GetError() override;
    void Close() override;

private:
    void BeginField();
    void WriteField(const char* text, size_t size);
    void CheckWrite();
    TBufferedFile Out;
    bool Closed = false;
    char SystemDecimalSeparator;
};

// Excel BIFF2.
class TXLSExport : public TExportInterface {
public:
    TXLSExport(const std::string& fileName, uint16_t columns);
    ~TXLSExport() override;

    void WriteNumber(double value) override;
    void WriteText(const std::string& text) override;
    void NewLine() override;
    void WriteDateTime(TDateTime value) override;
    void WriteHeader(const std::string& text) override;
    void WriteTitle(const std::string& text) override;
    int32_t GetError() override;
    void Close() override;

private:
    bool CanWriteCell();
    void CheckWrite();
    TBufferedFile Out;
    std::unique_ptr<TBiffFile> Biff;
    bool Closed = false;
};

// Lotus WK1.
class TWKExport : public TExportInterface {
public:
    TWKExport(const std::string& fileName, uint16_t columns);
    ~TWKExport() override;

    void WriteNumber(double value) override;
    void WriteText(const std::string& text) override;
    int32_t GetError() override;
    void Close() override;

private:
    void CheckWrite();
    TBufferedFile Out;
    std::unique_ptr<TWKFile> WK;
    bool Closed = false;
};

// The writer for a format, or none for an unknown format (no file is created then).
std::unique_ptr<TExportInterface> CreateExportWriter(TExportFormat format, const std::string& fileName,
                                                     uint16_t columns);

// The export engine.
class TExportData : private IRecordedDataSink {
public:
    TExportData() = default;

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
    void DayBegin(const TRecordedDay& day) override;
    void DayEnd(const TRecordedDay& day, uint64_t lines, bool ok) override;
    void Idle() override;
    void CheckCancel();
    void WriteHeaderBlock(const TProject* project);
    std::string WriteFailure() const;

    std::unique_ptr<TExportInterface> Writer;
    IProgress* LogBox = nullptr;
    int64_t StartMs = 0, EndMs = 0, NextMs = 0;
    int64_t DaysDone = 0, TotalMinutes = 0;
};
