#include "export/ExportFormats.h"

#include "base/AsciiText.h"
#include "export/CsvExport.h"
#include "export/Wk1Export.h"
#include "export/XlsExport.h"
#include "export/Namespace.h"

#include <filesystem>

namespace dedezuviv::exports {

namespace {

template <class TWriter>
std::unique_ptr<TExportInterface> MakeWriter(const std::string& fileName, uint16_t columns)
{
    return std::make_unique<TWriter>(fileName, columns);
}

const TExportFormatRow Rows[] = {
    {efCSV, "csv", "Comma Separated Value Format (csv)", "Comma Separated Value Format (csv)", MakeWriter<TCSVExport>,
     ";", "", "\"", false, 0, 0},
    // Two blanks before "(xls)" in the file filter, one in the batch list.
    {efXLS, "xls", "Excel Binary Format (xls)", "Excel Binary Format  (xls)", MakeWriter<TXLSExport>, "", "", "",
     false, TBiffFile::MaxRows, TBiffFile::MaxColumns},
    {efDAT, "dat", "Text Data File (dat)", "Text Data File (dat)", MakeWriter<TCSVExport>, ",", ".", "", true, 0, 0},
    // Written when a file name ends in ".wk1" or the tool asks for it; neither dialog offers it.
    {efWK1, "wk1", nullptr, nullptr, MakeWriter<TWKExport>, "", "", "", false, TWKFile::MaxRows,
     TWKFile::MaxColumns},
};

std::string JoinFilter()
{
    std::string filter;
    for (const TExportFormatRow& row : Rows) {
        if (row.FilterCaption == nullptr)
            continue;
        if (!filter.empty())
            filter += '|';
        filter.append(row.FilterCaption).append("|*.").append(row.Extension);
    }
    return filter;
}

}  // namespace

std::span<const TExportFormatRow> ExportFormatRows() { return Rows; }

const TExportFormatRow* ExportFormatRow(TExportFormat format)
{
    for (const TExportFormatRow& row : Rows)
        if (row.Format == format)
            return &row;
    return nullptr;
}

std::optional<TExportFormat> ExportFormatFromFileName(const std::string& fileName)
{
    const std::string name = std::filesystem::path(fileName).filename().string();
    const size_t dot = name.find_last_of('.');
    TExportFormat format;
    if (dot == std::string::npos || !ExportFormatFromName(name.substr(dot + 1), format))
        return std::nullopt;
    return format;
}

TExportFormat BatchFormat(int formatIndex)
{
    if (formatIndex < 0 || formatIndex >= static_cast<int>(std::size(Rows)))
        return Rows[0].Format;
    return Rows[formatIndex].Format;
}

int BatchFormatIndex(TExportFormat format)
{
    const TExportFormatRow* row = ExportFormatRow(format);
    return row ? static_cast<int>(row - Rows) : -1;
}

std::vector<std::string> BatchFormatCaptions()
{
    std::vector<std::string> captions;
    for (const TExportFormatRow& row : Rows)
        if (row.BatchCaption != nullptr)
            captions.emplace_back(row.BatchCaption);
    return captions;
}

const char* ExportFormatExtension(TExportFormat format)
{
    const TExportFormatRow* row = ExportFormatRow(format);
    return (row ? *row : Rows[0]).Extension;
}

bool ExportFormatFromName(const std::string& name, TExportFormat& format)
{
    for (const TExportFormatRow& row : Rows)
        if (SameAsciiLetters(name, row.Extension)) {
            format = row.Format;
            return true;
        }
    return false;
}

std::string ExportFormatNames(const std::string& lastJoin)
{
    std::string names;
    const size_t last = std::size(Rows) - 1;
    for (size_t i = 0; i < std::size(Rows); ++i) {
        if (i > 0)
            names += i == last ? lastJoin : std::string(", ");
        names += Rows[i].Extension;
    }
    return names;
}

const char* ExportFileDialogFilter()
{
    static const std::string filter = JoinFilter();
    return filter.c_str();
}

std::unique_ptr<TExportInterface> CreateExportWriter(TExportFormat format, const std::string& fileName,
                                                     uint16_t columns)
{
    const TExportFormatRow* row = ExportFormatRow(format);
    if (row == nullptr)
        return nullptr;
    std::unique_ptr<TExportInterface> writer = row->CreateWriter(fileName, columns);
    writer->Separator = row->Separator;
    writer->DecimalSeparator = row->DecimalSeparator;
    writer->QuoteChar = row->QuoteChar;
    writer->NoHeader = row->NoHeader;
    return writer;
}

}  // namespace dedezuviv::exports
