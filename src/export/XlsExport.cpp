#include "export/XlsExport.h"
#include "export/Namespace.h"

#include <algorithm>

namespace dedezuviv::exports {

namespace {

const TBiffFont Fonts[] = {
    {"Arial", 10, false, false, false, false},  // 0: cells
    {"Arial", 12, false, true, false, false},   // 1: column titles
    {"Arial", 12, true, false, false, false},   // 2: the product line
};

}  // namespace

TXLSExport::TXLSExport(const std::string& fileName, uint16_t columns) : TExportInterface(fileName)
{
    if (!Out.IsOpen())
        return;
    Biff = std::make_unique<TBiffFile>(Out);
    // The labels are Windows-1252 (TBiffFile::WriteLabel); without this readers guess.
    Biff->WriteCodePage(1252);
    for (const TBiffFont& font : Fonts)
        Biff->AddFont(font);
    Biff->AddFormat("General");
    for (uint8_t font = 0; font < std::size(Fonts); ++font)
        Biff->AddXF(font);
    const int c = columns >= 4 ? columns : 4;
    Biff->WriteDimensions(0, TBiffFile::MaxRows, 0, static_cast<uint16_t>(c - 1));
    // The column of COLWIDTH has 8 bits: columns past the sheet get no width (their cells fail anyway).
    const int widths = std::min(c, TBiffFile::MaxColumns);
    Biff->SetColWidth(0, 4000);
    for (int col = 1; col < widths; ++col)
        Biff->SetColWidth(static_cast<uint8_t>(col), 2000);
    CheckWrite();
}

void TXLSExport::WriteEnd() { Biff.reset(); }

bool TXLSExport::CanWriteCell() { return Biff && CellInSheet(TBiffFile::MaxRows, TBiffFile::MaxColumns); }

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

}  // namespace dedezuviv::exports
