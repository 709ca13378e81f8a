// Windows-1252 <-> UTF-8. Text in memory is UTF-8; the 8-bit files of the program are Windows-1252.
#pragma once

#include "base/Namespace.h"

#include <string>
#include <string_view>

namespace dedezuviv::base {

bool IsValidUtf8(std::string_view text);
std::string Cp1252ToUtf8(std::string_view text);
// Characters without a Windows-1252 code become "?"; invalid UTF-8 bytes are taken as Windows-1252.
std::string Utf8ToCp1252(std::string_view text);
// Reading rule for 8-bit files: valid UTF-8 stays as it is, anything else is Windows-1252.
std::string DecodeText8(std::string_view text);
// True when the text can be written in Windows-1252 and read back (DecodeText8) as the same text: every
// character has a Windows-1252 code, and the bytes do not happen to form UTF-8 of something else.
bool FitsCp1252(std::string_view text);
// The text as valid UTF-8: bytes that are no valid UTF-8 are taken as Windows-1252, as Utf8ToCp1252
// takes them.
std::string ToValidUtf8(std::string_view text);
// The bytes of an 8-bit file: Windows-1252 when the whole text fits (FitsCp1252), otherwise the whole
// text as UTF-8, so that no character is lost.
std::string EncodeText8(std::string_view text);

}  // namespace dedezuviv::base
