// Text for the DOS code page 437, in which spreadsheet programs read the labels of Lotus (WK1) files.
// Code page 850 has the German letters (ä ö ü Ä Ö Ü ß) at the same places, so readers that take
// either show them right.
#pragma once

#include "export/Namespace.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace dedezuviv::exports {

// The text (UTF-8; bytes that are no valid UTF-8 are taken as Windows-1252) as at most Limit
// characters of code page 437; a character without a place there becomes "?".
std::string Cp437Text(std::string_view text, size_t limit);

}  // namespace dedezuviv::exports
