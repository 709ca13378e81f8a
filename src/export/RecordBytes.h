// Byte pieces the worksheet record writers (TBiffFile, TWKFile) share.
#pragma once

#include "base/TextEncoding.h"
#include "export/Namespace.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace dedezuviv::exports {

// A 16-bit word, low byte first.
inline void PutWord(uint8_t* out, uint16_t value)
{
    out[0] = static_cast<uint8_t>(value & 0xFF);
    out[1] = static_cast<uint8_t>(value >> 8);
}

// The text as at most Limit Windows-1252 characters.
inline std::string AnsiText(const std::string& text, size_t limit)
{
    std::string ansi = Utf8ToCp1252(text);
    if (ansi.size() > limit)
        ansi.resize(limit);
    return ansi;
}

}  // namespace dedezuviv::exports
