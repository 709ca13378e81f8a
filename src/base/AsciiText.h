// Small helpers on ASCII text that never depend on the process locale (std::isdigit, std::toupper
// and std::isspace do): digits, letter case and trimming of blanks. Only A-Z and a-z are folded, so
// a name with umlauts compares byte for byte.
#pragma once

#include "base/Namespace.h"

#include <string>
#include <string_view>

namespace dedezuviv::base {

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

constexpr char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Equal but for the letter case of A-Z.
bool SameAsciiLetters(std::string_view a, std::string_view b);

// "a"-"z" turned into "A"-"Z"; every other byte (UTF-8 included) stays as it is.
std::string UpperAscii(std::string text);

// The text without the given blank characters at both ends (by default blank and tab).
std::string_view TrimBlanks(std::string_view text, std::string_view blanks = " \t");

}  // namespace dedezuviv::base
