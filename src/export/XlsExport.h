// TXLSExport: an Excel 2.x worksheet (BIFF2 records by TBiffFile) with three fonts (cells, header,
// title), the dimensions of at least four columns and their widths. A cell or a new row beyond the
// format's 16-bit row and column numbers is not written and sets Error -1.
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
    void NewLine() override;
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
