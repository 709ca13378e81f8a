// Windows-1252 <-> UTF-8. Text in memory is UTF-8; the 8-bit files of the program are Windows-1252.
#pragma once

#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view text);
std::string Cp1252ToUtf8(std::string_view text);
// Characters without a Windows-1252 code become "?"; invalid UTF-8 bytes are taken as Windows-1252.
std::string Utf8ToCp1252(std::string_view text);
// Reading rule for 8-bit files: valid UTF-8 stays as it is, anything else is Windows-1252.
std::string DecodeText8(std::string_view text);
