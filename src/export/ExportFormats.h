// The export formats: one row per format with all that the engine, the export dialogs, the batch
// export and the tool need of it. The rows stand in the order of the batch dialog's format list: a
// row's position is its index there (BatchFormat), and the export dialog's file filter names its
// formats in the same order. A new format is one more row and its writer.
#pragma once

#include "export/Namespace.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dedezuviv::exports {

class TExportInterface;

enum TExportFormat : uint8_t { efXLS = 0, efCSV = 1, efDAT = 2, efWK1 = 3 };

// Makes a format's writer for a file with that many columns (the file is created at once).
using TExportWriterFactory = std::unique_ptr<TExportInterface> (*)(const std::string& fileName, uint16_t columns);

struct TExportFormatRow {
    TExportFormat Format;
    // The file-name extension without dot (letter case ignored when a name is looked up); also the
    // format's name in batch file names and for the tool's --format.
    const char* Extension;
    // The batch dialog's list entry; nullptr: not listed (its index still selects the format).
    const char* BatchCaption;
    // The export dialog's file-filter caption ("|*.<extension>" follows); nullptr: not offered.
    const char* FilterCaption;
    TExportWriterFactory CreateWriter;
    // The text writer's field separator, decimal separator (empty: the system's) and the quote around
    // every field; the worksheet writers have no use for them.
    const char* Separator;
    const char* DecimalSeparator;
    const char* QuoteChar;
    // Only the column names, no header block (program, project, range) before them.
    bool NoHeader;
    // The rows and columns of the format's sheet, header block and column names included; 0: no limit
    // (text). The automatic increment keeps a file within MaxRows; a file that needs more fails.
    int32_t MaxRows;
    int32_t MaxColumns;
};

// The format of a new export: selected first in the batch dialog, the file dialog's default
// extension, the batch's and the tool's format when none is given.
inline constexpr TExportFormat DefaultExportFormat = efXLS;

// All formats, in the batch dialog's list order.
std::span<const TExportFormatRow> ExportFormatRows();
// The row of a format; nullptr for a value that is no format.
const TExportFormatRow* ExportFormatRow(TExportFormat format);

// The format for a file name's extension (".csv", ".dat", ".xls", ".wk1", ASCII letter case
// ignored); none for any other or no extension.
std::optional<TExportFormat> ExportFormatFromFileName(const std::string& fileName);

// The format at a batch dialog index (0 csv, 1 xls, 2 dat, 3 wk1); the first one for any other index.
TExportFormat BatchFormat(int formatIndex);
// The batch dialog index of a format; -1 for a value that is no format.
int BatchFormatIndex(TExportFormat format);
// The entries of the batch dialog's format list, in order.
std::vector<std::string> BatchFormatCaptions();

// "csv", "xls", "dat", "wk1"; the first format's for a value that is no format, as BatchFormat has it.
const char* ExportFormatExtension(TExportFormat format);
// A format name (its extension, any letter case) to its format; false for any other text.
bool ExportFormatFromName(const std::string& name, TExportFormat& format);
// The format names in list order, joined by ", " and LastJoin before the last ("csv, xls, dat oder wk1").
std::string ExportFormatNames(const std::string& lastJoin);

// The export dialog's file filter: "Caption|*.ext" of each offered format, joined by "|".
const char* ExportFileDialogFilter();

// The format's writer with the row's separators and header choice, or none for a value that is no
// format (no file is created then).
std::unique_ptr<TExportInterface> CreateExportWriter(TExportFormat format, const std::string& fileName,
                                                     uint16_t columns);

}  // namespace dedezuviv::exports
