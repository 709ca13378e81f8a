// TCSVExport: CSV and DAT text, one line per row ending in CR LF, every field between the quote
// characters and after the field separator; the format's row sets separators and quote
// (CreateExportWriter). Text is written as Windows-1252.
#pragma once

#include "export/ExportInterface.h"
#include "export/Namespace.h"

namespace dedezuviv::exports {

class TCSVExport : public TExportInterface {
public:
    // Columns are not needed: a text line has as many fields as are written.
    TCSVExport(const std::string& fileName, uint16_t columns);

    void WriteNumber(double value) override;
    void WriteText(const std::string& text) override;
    void WriteDateTime(TDateTime value) override;
    void NewLine() override;
    void SkipCell() override;

private:
    void BeginField();
    void WriteField(const char* text, size_t size);
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
