#include "export/XlsExport.h"
#include "export/Namespace.h"

namespace dedezuviv::exports {

TXLSExport::TXLSExport(const std::string& fileName, uint16_t columns) : TExportInterface(fileName)
{
    if (!Out.IsOpen())
        return;
    Biff = std::make_unique<TBiffFile>(Out);
    Biff->AddFont(TBiffFont{"Arial", 10, false, false, false, false});
    Biff->AddFont(TBiffFont{"Arial", 12, false, true, false, false});
    Biff->AddFont(TBiffFont{"Arial", 12, true, false, false, false});
    const int c = columns >= 4 ? columns : 4;
    Biff->WriteDimensions(0, 0xFFFE, 0, static_cast<uint16_t>(c - 1));
    Biff->SetColWidth(0, 4000);
    for (int col = 1; col <= c - 1; ++col)
        Biff->SetColWidth(static_cast<uint8_t>(col), 2000);
    CheckWrite();
}

void TXLSExport::WriteEnd() { Biff.reset(); }

bool TXLSExport::CanWriteCell()
{
    if (!Biff)
        return false;
    if (Col > 65534) {
        Error = -1;
        return false;
    }
    return true;
}

void TXLSExport::WriteNumber(double value)
{
    if (!CanWriteCell())
        return;
    Biff->WriteNumber(static_cast<uint16_t>(Row), static_cast<uint16_t>(Col), 0, value);
    ++Col;
}

void TXLSExport::WriteLabel(const std::string& text, uint16_t flags)
{
    if (!CanWriteCell())
        return;
    Biff->WriteLabel(static_cast<uint16_t>(Row), static_cast<uint16_t>(Col), flags, text);
    ++Col;
}

void TXLSExport::WriteText(const std::string& text) { WriteLabel(text, 0); }

void TXLSExport::WriteHeader(const std::string& text) { WriteLabel(text, 0x0100); }

void TXLSExport::WriteTitle(const std::string& text) { WriteLabel(text, 0x0200); }

void TXLSExport::NewLine()
{
    if (Row > 65534) {
        Error = -1;
        return;
    }
    TExportInterface::NewLine();
}

}  // namespace dedezuviv::exports
