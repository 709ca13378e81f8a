// TWKExport: a Lotus 1-2-3 worksheet (WK1 records by TWKFile): only the begin record, the cells
// (numbers with two decimals, labels in the default format) and the end record. A cell outside the
// release 2 sheet (8192 rows, 256 columns) is not written and sets Error -1.
#pragma once

#include "export/ExportInterface.h"
#include "export/WKFile.h"
#include "export/Namespace.h"

#include <memory>

namespace dedezuviv::exports {

class TWKExport : public TExportInterface {
public:
    // Columns are not needed: the format declares no dimensions.
    TWKExport(const std::string& fileName, uint16_t columns);

    void WriteNumber(double value) override;
    void WriteText(const std::string& text) override;

private:
    void WriteEnd() override;
    bool CanWriteCell();
    std::unique_ptr<TWKFile> WK;
};

}  // namespace dedezuviv::exports
