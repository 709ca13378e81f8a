#include "export/Wk1Export.h"
#include "export/Namespace.h"

namespace dedezuviv::exports {

TWKExport::TWKExport(const std::string& fileName, uint16_t /*columns*/) : TExportInterface(fileName)
{
    if (!Out.IsOpen())
        return;
    WK = std::make_unique<TWKFile>(Out);
    CheckWrite();
}

void TWKExport::WriteEnd() { WK.reset(); }

bool TWKExport::CanWriteCell() { return WK && CellInSheet(TWKFile::MaxRows, TWKFile::MaxColumns); }

void TWKExport::WriteNumber(double value)
{
    if (!CanWriteCell())
        return;
    WK->WriteNumber(static_cast<uint16_t>(Row), static_cast<uint16_t>(Col), TWKFile::NumberFormat, value);
    ++Col;
}

void TWKExport::WriteText(const std::string& text)
{
    if (!CanWriteCell())
        return;
    WK->WriteLabel(static_cast<uint16_t>(Row), static_cast<uint16_t>(Col), TWKFile::DefaultFormat, text);
    ++Col;
}

}  // namespace dedezuviv::exports
