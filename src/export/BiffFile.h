// TBiffFile: the records of an Excel 2.x (BIFF2) worksheet written to a byte sink,
// little-endian, byte for byte as the format's record tables give them. Readers need more than the
// cells: the worksheet type in BOF, the code page of the texts, and an XF record (cell format) for
// each XF a cell names (gnumeric drops the cells whose XF is missing).
#pragma once

#include "export/OutputFile.h"
#include "export/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::exports {

// A font for AddFont: name, size in points, style bits (bold, italic, underline, strike-out).
struct TBiffFont {
    std::string Name;
    int Size = 10;
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
};

// One cell value for WriteCell.
struct TBiffValue {
    uint16_t Integer = 0;
    double Number = 0;
    std::string Text;
    bool Boolean = false;
};

class TBiffFile {
public:
    // Cell types of WriteCell.
    enum : int { ctBlank = 0, ctInteger = 1, ctNumber = 2, ctLabel = 3, ctBoolean = 4 };
    // Record types.
    static constexpr uint16_t rtDimensions = 0x0000, rtBlank = 0x0001, rtInteger = 0x0002, rtNumber = 0x0003,
                              rtLabel = 0x0004, rtBoolErr = 0x0005, rtBOF = 0x0009, rtEOF = 0x000A,
                              rtColWidth = 0x0024, rtFont = 0x0031, rtFormat = 0x001E, rtCodePage = 0x0042,
                              rtXF = 0x0043;
    // The document type of BOF: a worksheet.
    static constexpr uint16_t WorksheetType = 0x0010;
    // A BIFF2 sheet: rows 0 to 16383, columns 0 to 255.
    static constexpr int32_t MaxRows = 16384, MaxColumns = 256;

    // Keeps the sink (not owned) and writes BOF.
    explicit TBiffFile(TByteSink& stream);
    // Writes EOF.
    ~TBiffFile();
    TBiffFile(const TBiffFile&) = delete;
    TBiffFile& operator=(const TBiffFile&) = delete;

    void WriteDimensions(uint16_t firstRow, uint16_t rowLimit, uint16_t firstCol, uint16_t colLimit);
    // One COLWIDTH record with first = last = Col; width in 1/256 of a character.
    void SetColWidth(uint8_t col, uint16_t width);
    void AddFont(const TBiffFont& font);
    // CODEPAGE: the Windows code page of the texts (1252 for the Windows-1252 labels written here).
    void WriteCodePage(uint16_t codePage);
    // A FORMAT record (number format text); the first one is format 0.
    void AddFormat(const std::string& format);
    // An XF record (cell format) with that font, number format 0, no protection, no alignment; they
    // are numbered 0, 1, 2, ... in the order written.
    void AddXF(uint8_t fontIndex);

    // CellType as above; a null Value always gives a blank cell; an unknown type writes nothing.
    void WriteCell(uint16_t row, uint16_t col, uint16_t flags, int cellType, const TBiffValue* value);
    void WriteBlank(uint16_t row, uint16_t col, uint16_t flags);
    void WriteInteger(uint16_t row, uint16_t col, uint16_t flags, uint16_t value);
    void WriteNumber(uint16_t row, uint16_t col, uint16_t flags, double value);
    // Text in UTF-8, written as Windows-1252 and cut to 255 characters.
    void WriteLabel(uint16_t row, uint16_t col, uint16_t flags, const std::string& text);
    void WriteBoolean(uint16_t row, uint16_t col, uint16_t flags, bool value);
    void WriteRecordHeader(uint16_t type, uint16_t length);

    // The three attribute bytes of a cell for the 16-bit flag word. Byte 0 names, besides the hidden
    // and locked bits, the XF of the same number as the cell's font.
    static void CellAttributes(uint16_t flags, uint8_t attributes[3]);

private:
    void WriteCellHeader(uint16_t row, uint16_t col, uint16_t flags);

    TByteSink& Stream;
};

}  // namespace dedezuviv::exports
