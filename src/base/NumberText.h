// Number text conversions that never depend on the process locale.
#pragma once

#include "base/Namespace.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dedezuviv::base {

// A decimal number with the given decimal separator: blanks around it, optional sign, digits with an
// optional fractional part, optional exponent ("E" or "e", optional sign, digits). At least one digit
// before or after the separator. False for anything else (the value is left untouched).
bool TryTextToFloat(std::string_view text, char decimalSeparator, double& value);

// An integer as the INI files and the record fields read it: leading blanks, optional sign, decimal
// digits, or hexadecimal after "$" or "0x". Must fit 32 bits signed. Nothing may follow.
bool TryStrToInt(std::string_view text, int32_t& value);
// The same, with a default for text that is not such an integer.
int32_t StrToIntDef(std::string_view text, int32_t defaultValue);

// Shortest general form with up to 15 significant digits: no trailing zeros, exponent form ("1E-5",
// "1,5E20") only below 1E-4 or from 1E15 on.
std::string FloatToText(double value, char decimalSeparator);

}  // namespace dedezuviv::base
