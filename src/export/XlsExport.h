// TXLSExport: an Excel 2.x worksheet (BIFF2 records by TBiffFile): the code page of its texts, three
// fonts (cells, header, title) with an XF each, the dimensions of at least four columns and their
// widths. A cell outside the BIFF2 sheet (16384 rows, 256 columns) is not written and sets Error -1.
#pragma once

#include "export/BiffFile.h"
#include "export/ExportInterface.h"
#include "export/Namespace.h"

#include <memory>

namespace dedezuviv::exports {

class TXLSExport : public TExportInterface {
public:
    TXLSExport(const std::string& fileName, uint16_t columns);

    void WriteNumber(double value) override;
    void WriteText(const std::string& text) override;
    void WriteHeader(const std::string& text) override;
    void WriteTitle(const std::string& text) override;

private:
    void WriteEnd() override;
    bool CanWriteCell();
    // A label in the cell at Row, Col with the font chosen by Flags.
    void WriteLabel(const std::string& text, uint16_t flags);
    std::unique_ptr<TBiffFile> Biff;
};

}  // namespace dedezuviv::exports
