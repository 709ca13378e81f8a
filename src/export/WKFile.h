// TWKFile: the records of a Lotus 1-2-3 release 2 worksheet (WK1) written to a byte sink,
// little-endian, byte for byte as the format's record tables give them. Column before row in every cell.
#pragma once

#include "export/OutputFile.h"
#include "export/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::exports {

struct TWKValue {
    int16_t Integer = 0;
    double Number = 0;
    std::string Text;
};

class TWKFile {
public:
    enum : int { ctBlank = 0, ctInteger = 1, ctNumber = 2, ctLabel = 3 };
    static constexpr uint16_t rtBOF = 0x0000, rtEOF = 0x0001, rtBlank = 0x000C, rtInteger = 0x000D,
                              rtNumber = 0x000E, rtLabel = 0x000F;
    // Format bytes: the worksheet's default; fixed with two decimals, protected.
    static constexpr uint8_t DefaultFormat = 0xFF, NumberFormat = 0x82;
    static constexpr size_t MaxLabelLength = 240;
    // A Lotus 1-2-3 release 2 sheet: rows 0 to 8191, columns 0 to 255.
    static constexpr int32_t MaxRows = 8192, MaxColumns = 256;

    // Keeps the sink (not owned) and writes BOF (00 00 02 00 06 04).
    explicit TWKFile(TByteSink& stream);
    // Writes EOF (01 00 00 00).
    ~TWKFile();
    TWKFile(const TWKFile&) = delete;
    TWKFile& operator=(const TWKFile&) = delete;

    // CellType as above; a null Value gives a blank cell; any other type writes nothing.
    void WriteCell(uint16_t row, uint16_t col, uint8_t format, int cellType, const TWKValue* value);
    void WriteBlank(uint16_t row, uint16_t col, uint8_t format);
    // INTEGER and NUMBER carry their fixed format bytes (0xFF, 0x82) whatever Format is.
    void WriteInteger(uint16_t row, uint16_t col, uint8_t format, int16_t value);
    void WriteNumber(uint16_t row, uint16_t col, uint8_t format, double value);
    // Text in UTF-8, written in code page 437 (the DOS code page in which readers take WK1 labels) after
    // the prefix "'", cut to 240 characters, with a zero byte.
    void WriteLabel(uint16_t row, uint16_t col, uint8_t format, const std::string& text);

private:
    TByteSink& Stream;
};

}  // namespace dedezuviv::exports
