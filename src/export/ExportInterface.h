// TExportInterface: the table writer the export engine writes its cells and rows to, and the file
// under every writer. The base creates the file (a buffered output file that replaces the target only
// when Commit is called, TFileReplacement), keeps its first error with the system's reason and closes
// it; a writer (TCSVExport, TXLSExport, TWKExport) only turns cells and rows into its format's bytes
// in Out.
#pragma once

#include "base/DateTime.h"
#include "export/CellText.h"
#include "export/FileReplacement.h"
#include "export/OutputFile.h"
#include "model/RecordedDays.h"
#include "protocol/RecordDecoder.h"
#include "export/Namespace.h"

#include <cstdint>
#include <memory>
#include <string>

namespace dedezuviv::exports {

// The cells of a data row written to a writer (TExportInterface::WriteRecordRow). A writer whose cell
// functions are final uses it with its own type, so that the calls are direct.
template <class TWriter>
void WriteRecordCells(TWriter& writer, TDateTime time, const TFieldValue* values, size_t count)
{
    writer.WriteDateTime(time);
    for (size_t i = 0; i < count; ++i) {
        const TFieldValue& value = values[i];
        switch (value.Kind) {
        case vkFloat: writer.WriteNumber(value.FloatValue); break;
        case vkInteger:
        case vkHex: writer.WriteNumber(static_cast<double>(value.IntValue)); break;
        case vkDateTime: writer.WriteDateTime(value.DateTimeValue); break;
        default: writer.SkipCell(); break;
        }
    }
    writer.NewLine();
}

class TExportInterface {
public:
    // Chooses the constructor of a writer without a file.
    struct TWithoutFile {};

    int32_t Row = 0;
    int32_t Col = 0;
    // 0; 1 the file could not be created; -1 more rows or columns than the format holds; else the
    // errno value of the first failed write.
    int32_t Error = 0;
    std::string Separator;
    std::string DecimalSeparator;
    std::string QuoteChar;
    bool NoHeader = false;
    // The errno value behind Error, when a system call failed (for the message).
    int SystemError = 0;

    // Creates the file that will replace FileName (an existing file of that name stays as it is until
    // Commit); a failure sets Error 1 and SystemError.
    explicit TExportInterface(const std::string& fileName);
    // Closes the file when Close was not called, and removes it unless it was committed.
    virtual ~TExportInterface();
    TExportInterface(const TExportInterface&) = delete;
    TExportInterface& operator=(const TExportInterface&) = delete;

    virtual void WriteNumber(double value) = 0;
    virtual void WriteText(const std::string& text) = 0;
    virtual void NewLine();
    virtual void SkipCell();
    // The date-time text (DateTimeToStr with the process's format settings) as text.
    virtual void WriteDateTime(TDateTime value);
    // One data row: the time, then each value as its cell (numbers for float, integer and hex
    // values, date-times as text, an empty cell for no value), then the end of the row.
    virtual void WriteRecordRow(TDateTime time, const TFieldValue* values, size_t count);
    virtual void WriteHeader(const std::string& text);
    virtual void WriteTitle(const std::string& text);
    // One data row as bytes that a formatter of this writer (RowFormatter) made.
    void WriteRowText(std::string_view text)
    {
        Out.Write(text);
        ++Row;
        Col = 0;
        CheckWrite();
    }
    // A formatter that makes this writer's data rows of Count values (as WriteRecordRow writes them)
    // on other threads, or null when the format does not write rows as plain bytes.
    virtual std::unique_ptr<model::IRecordFormatter> RowFormatter(size_t count) const
    {
        (void)count;
        return nullptr;
    }
    // Of a writer made without a file: the bytes written since the last call, until the next write.
    std::string_view TakeUnwritten()
    {
        const std::string_view bytes = Out.Buffered();
        Out.Drop();
        return bytes;
    }
    // Error, with the file's first write error taken in.
    int32_t GetError();
    // Completes the file (end record, buffered bytes) and closes it; a failure sets Error. Called by
    // Export before it decides on success; later calls do nothing.
    void Close();
    // Close, then, without an error, puts the file in place of FileName; a failure sets Error and
    // SystemError and leaves nothing written behind.
    void Commit();

    const std::string& FileName() const { return File; }

protected:
    // A writer without a file, with the separators and date format of Other: its bytes stay in the
    // buffer for TakeUnwritten (a row at most TBufferedFile::BufferSize long).
    TExportInterface(const TExportInterface& other, TWithoutFile);
    // What ends the file (an end record), written by Close before the file is closed.
    virtual void WriteEnd() {}
    // Takes the file's first write error into Error and SystemError (once Error is set it stays).
    void CheckWrite();
    // Whether a cell at Row, Col lies within a sheet of that many rows and columns; if not, Error -1
    // (unless an error came first).
    bool CellInSheet(int32_t maxRows, int32_t maxColumns);
    std::string DateTimeText(TDateTime value);

    TBufferedFile Out;
    TFileReplacement Replacement;
    std::string File;
    TDateTimeText DateTimes;

private:
    bool Closed = false;
};

}  // namespace dedezuviv::exports
