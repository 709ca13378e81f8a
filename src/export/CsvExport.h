// TCSVExport: CSV and DAT text, one line per row ending in CR LF, every field between the quote
// characters and after the field separator; the format's row sets separators and quote
// (CreateExportWriter). Text is written as Windows-1252.
//
// Texts follow RFC 4180: a quote inside a quoted field is doubled, and without a quote character
// (DAT) a text that holds the separator, a double quote, CR or LF is put between double quotes, so
// that every reader finds the same fields.
#pragma once

#include "export/ExportInterface.h"
#include "export/Namespace.h"

namespace dedezuviv::exports {

class TCSVExport : public TExportInterface {
public:
    // Columns are not needed: a text line has as many fields as are written.
    TCSVExport(const std::string& fileName, uint16_t columns);
    // Without a file, with the settings of Other: rows for TakeUnwritten (TCsvRowFormatter).
    TCSVExport(const TCSVExport& other, TWithoutFile);

    void WriteNumber(double value) final;
    void WriteText(const std::string& text) override;
    void WriteDateTime(TDateTime value) final;
    void NewLine() final;
    void SkipCell() final;
    void WriteRecordRow(TDateTime time, const TFieldValue* values, size_t count) override;
    std::unique_ptr<model::IRecordFormatter> RowFormatter(size_t count) const override;

private:
    void BeginField();
    void WriteField(const char* text, size_t size);
    // A field that RFC 4180 wants quoted (Mark, the quote) with its quotes doubled.
    void WriteQuotedField(std::string_view text, std::string_view mark);
    // Separator and quote of at most one character: fields are made in the output buffer itself.
    bool OneCharacterMarks() const { return Separator.size() <= 1 && QuoteChar.size() <= 1; }
    // One field in the output buffer: separator (after the first field), quote, the text Fill writes
    // (at most MaxSize bytes; it returns their number), quote.
    template <class TFill>
    void PutField(size_t maxSize, TFill fill);
    // The decimal separator of the format settings at construction, for an empty DecimalSeparator.
    char SystemDecimalSeparator;
};

}  // namespace dedezuviv::exports
