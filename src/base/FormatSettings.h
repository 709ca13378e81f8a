// The process-wide number and date formats: decimal separator, short date and long time. Filled once
// at start from the system locale; tests pin the German settings. Displays, INI files and value texts
// use them; the record decoder and the writers never depend on them.
#pragma once

#include "base/DateTime.h"

#include <string>
#include <string_view>

struct TFormatSettings {
    char DecimalSeparator = ',';
    // Formats use d, dd, m, mm, yy, yyyy, h, hh, n, nn, s, ss, z, zzz; other characters are literal.
    std::string ShortDateFormat = "dd.mm.yyyy";
    std::string LongTimeFormat = "hh:nn:ss";
};

TFormatSettings& FormatSettings();
TFormatSettings GermanFormatSettings();
void SetGermanFormatSettings();
// From LC_NUMERIC and LC_TIME of the environment (without changing the process locale). The C and
// POSIX locales have no real national form; for them the German settings stay, as the program's texts
// are German.
void LoadFormatSettingsFromEnvironment();
// Converts a strftime-style date or time pattern ("%d.%m.%Y", "%H:%M:%S") to the format above.
std::string FormatFromStrftimePattern(std::string_view pattern);

std::string FormatDateTime(std::string_view format, TDateTime value);
// Short date, and unless the time is exactly midnight a blank and the long time.
std::string DateTimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
// General float text with the process's decimal separator.
std::string FloatToStr(double value);

// Reads a date with optional time in the form of the given settings (date parts in the order of
// ShortDateFormat, any non-digit separators, a two-digit year meaning 20yy, time h:n[:s[.z]]).
bool TryStrToDateTime(std::string_view text, const TFormatSettings& settings, TDateTime& value);
// Tries the process's settings, then the German form.
bool TryStrToDateTime(std::string_view text, TDateTime& value);
// Tries the process's decimal separator, then "," and ".".
bool TryStrToFloat(std::string_view text, double& value);
