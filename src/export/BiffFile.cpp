#include "export/BiffFile.h"

#include "export/RecordBytes.h"
#include "export/Namespace.h"

#include <cstring>

namespace dedezuviv::exports {

TBiffFile::TBiffFile(TByteSink& stream) : Stream(stream)
{
    uint8_t data[4];
    PutWord(data, 2);       // version
    PutWord(data + 2, WorksheetType);
    WriteRecordHeader(rtBOF, 4);
    Stream.Write(data, 4);
}

TBiffFile::~TBiffFile() { WriteRecordHeader(rtEOF, 0); }

void TBiffFile::WriteRecordHeader(uint16_t type, uint16_t length)
{
    uint8_t header[4];
    PutWord(header, type);
    PutWord(header + 2, length);
    Stream.Write(header, 4);
}

void TBiffFile::WriteDimensions(uint16_t firstRow, uint16_t rowLimit, uint16_t firstCol, uint16_t colLimit)
{
    uint8_t data[8];
    PutWord(data, firstRow);
    PutWord(data + 2, rowLimit);
    PutWord(data + 4, firstCol);
    PutWord(data + 6, colLimit);
    WriteRecordHeader(rtDimensions, 8);
    Stream.Write(data, 8);
}

void TBiffFile::SetColWidth(uint8_t col, uint16_t width)
{
    uint8_t data[4] = {col, col, 0, 0};
    PutWord(data + 2, width);
    WriteRecordHeader(rtColWidth, 4);
    Stream.Write(data, 4);
}

void TBiffFile::AddFont(const TBiffFont& font)
{
    const std::string name = AnsiText(font.Name, 255);
    uint8_t data[5];
    PutWord(data, static_cast<uint16_t>(font.Size * 20));
    const uint16_t attributes = static_cast<uint16_t>((font.Bold ? 1 : 0) | (font.Italic ? 2 : 0) |
                                                      (font.Underline ? 4 : 0) | (font.StrikeOut ? 8 : 0));
    PutWord(data + 2, attributes);
    data[4] = static_cast<uint8_t>(name.size());
    WriteRecordHeader(rtFont, static_cast<uint16_t>(5 + name.size()));
    Stream.Write(data, 5);
    Stream.Write(name);
}

void TBiffFile::WriteCodePage(uint16_t codePage)
{
    uint8_t data[2];
    PutWord(data, codePage);
    WriteRecordHeader(rtCodePage, 2);
    Stream.Write(data, 2);
}

void TBiffFile::AddFormat(const std::string& format)
{
    const std::string text = AnsiText(format, 255);
    const uint8_t length = static_cast<uint8_t>(text.size());
    WriteRecordHeader(rtFormat, static_cast<uint16_t>(1 + text.size()));
    Stream.Write(&length, 1);
    Stream.Write(text);
}

void TBiffFile::AddXF(uint8_t fontIndex)
{
    const uint8_t data[4] = {fontIndex, 0, 0, 0};
    WriteRecordHeader(rtXF, 4);
    Stream.Write(data, 4);
}

void TBiffFile::CellAttributes(uint16_t flags, uint8_t attributes[3])
{
    attributes[0] = attributes[1] = attributes[2] = 0;
    if (flags & 0x0001)
        attributes[0] += 0x80;
    if (flags & 0x0002)
        attributes[0] += 0x40;
    if (!(flags & 0x0080)) {
        if (flags & 0x0100)
            attributes[1] += 0x40;
        else if (flags & 0x0200)
            attributes[1] += 0x80;
        else if (flags & 0x0400)
            attributes[1] += 0xC0;
    }
    if (flags & 0x0004)
        attributes[2] += 0x80;
    if (flags & 0x0008)
        attributes[2] += 0x40;
    if (flags & 0x0010)
        attributes[2] += 0x20;
    if (flags & 0x0020)
        attributes[2] += 0x10;
    if (flags & 0x0040)
        attributes[2] += 0x08;
    if (flags & 0x0800)
        attributes[2] += 1;
    else if (flags & 0x1000)
        attributes[2] += 2;
    else if (flags & 0x2000)
        attributes[2] += 3;
    if (flags & 0x4000)
        attributes[2] += 4;
    attributes[0] |= attributes[1] >> 6;
}

void TBiffFile::WriteCellHeader(uint16_t row, uint16_t col, uint16_t flags)
{
    uint8_t data[7];
    PutWord(data, row);
    PutWord(data + 2, col);
    CellAttributes(flags, data + 4);
    Stream.Write(data, 7);
}

void TBiffFile::WriteCell(uint16_t row, uint16_t col, uint16_t flags, int cellType, const TBiffValue* value)
{
    if (value == nullptr) {
        WriteBlank(row, col, flags);
        return;
    }
    switch (cellType) {
    case ctBlank: WriteBlank(row, col, flags); break;
    case ctInteger: WriteInteger(row, col, flags, value->Integer); break;
    case ctNumber: WriteNumber(row, col, flags, value->Number); break;
    case ctLabel: WriteLabel(row, col, flags, value->Text); break;
    case ctBoolean: WriteBoolean(row, col, flags, value->Boolean); break;
    default: break;
    }
}

void TBiffFile::WriteBlank(uint16_t row, uint16_t col, uint16_t flags)
{
    WriteRecordHeader(rtBlank, 7);
    WriteCellHeader(row, col, flags);
}

void TBiffFile::WriteInteger(uint16_t row, uint16_t col, uint16_t flags, uint16_t value)
{
    uint8_t data[2];
    PutWord(data, value);
    WriteRecordHeader(rtInteger, 9);
    WriteCellHeader(row, col, flags);
    Stream.Write(data, 2);
}

void TBiffFile::WriteNumber(uint16_t row, uint16_t col, uint16_t flags, double value)
{
    // Record header, cell header and the double in one piece.
    uint8_t data[19];
    PutWord(data, rtNumber);
    PutWord(data + 2, 15);
    PutWord(data + 4, row);
    PutWord(data + 6, col);
    CellAttributes(flags, data + 8);
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i)
        data[11 + i] = static_cast<uint8_t>(bits >> (8 * i));
    Stream.Write(data, sizeof data);
}

void TBiffFile::WriteLabel(uint16_t row, uint16_t col, uint16_t flags, const std::string& text)
{
    const std::string ansi = AnsiText(text, 255);
    WriteRecordHeader(rtLabel, static_cast<uint16_t>(8 + ansi.size()));
    WriteCellHeader(row, col, flags);
    const uint8_t length = static_cast<uint8_t>(ansi.size());
    Stream.Write(&length, 1);
    Stream.Write(ansi);
}

void TBiffFile::WriteBoolean(uint16_t row, uint16_t col, uint16_t flags, bool value)
{
    const uint8_t data[2] = {static_cast<uint8_t>(value ? 1 : 0), 0};
    WriteRecordHeader(rtBoolErr, 9);
    WriteCellHeader(row, col, flags);
    Stream.Write(data, 2);
}

}  // namespace dedezuviv::exports
