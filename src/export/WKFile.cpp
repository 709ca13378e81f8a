#include "export/WKFile.h"

#include "export/CodePage437.h"
#include "export/RecordBytes.h"
#include "export/Namespace.h"

#include <cstring>

namespace dedezuviv::exports {

namespace {

// Record header (type, length), then the format byte, column and row.
void PutCellStart(uint8_t* out, uint16_t type, uint16_t length, uint8_t format, uint16_t col, uint16_t row)
{
    PutWord(out, type);
    PutWord(out + 2, length);
    out[4] = format;
    PutWord(out + 5, col);
    PutWord(out + 7, row);
}

}  // namespace

TWKFile::TWKFile(TByteSink& stream) : Stream(stream)
{
    const uint8_t bof[6] = {0x00, 0x00, 0x02, 0x00, 0x06, 0x04};
    Stream.Write(bof, sizeof bof);
}

TWKFile::~TWKFile()
{
    const uint8_t eof[4] = {0x01, 0x00, 0x00, 0x00};
    Stream.Write(eof, sizeof eof);
}

void TWKFile::WriteCell(uint16_t row, uint16_t col, uint8_t format, int cellType, const TWKValue* value)
{
    if (value == nullptr) {
        WriteBlank(row, col, format);
        return;
    }
    switch (cellType) {
    case ctBlank: WriteBlank(row, col, format); break;
    case ctInteger: WriteInteger(row, col, format, value->Integer); break;
    case ctNumber: WriteNumber(row, col, format, value->Number); break;
    case ctLabel: WriteLabel(row, col, format, value->Text); break;
    default: break;
    }
}

void TWKFile::WriteBlank(uint16_t row, uint16_t col, uint8_t format)
{
    uint8_t data[9];
    PutCellStart(data, rtBlank, 5, format, col, row);
    Stream.Write(data, sizeof data);
}

void TWKFile::WriteInteger(uint16_t row, uint16_t col, uint8_t /*format*/, int16_t value)
{
    uint8_t data[11];
    PutCellStart(data, rtInteger, 7, DefaultFormat, col, row);
    PutWord(data + 9, static_cast<uint16_t>(value));
    Stream.Write(data, sizeof data);
}

void TWKFile::WriteNumber(uint16_t row, uint16_t col, uint8_t /*format*/, double value)
{
    uint8_t data[17];
    PutCellStart(data, rtNumber, 13, NumberFormat, col, row);
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i)
        data[9 + i] = static_cast<uint8_t>(bits >> (8 * i));
    Stream.Write(data, sizeof data);
}

void TWKFile::WriteLabel(uint16_t row, uint16_t col, uint8_t format, const std::string& text)
{
    const std::string dos = Cp437Text(text, MaxLabelLength);
    uint8_t data[10];
    PutCellStart(data, rtLabel, static_cast<uint16_t>(dos.size() + 7), format, col, row);
    data[9] = '\'';
    Stream.Write(data, sizeof data);
    Stream.Write(dos);
    const uint8_t zero = 0;
    Stream.Write(&zero, 1);
}

}  // namespace dedezuviv::exports
