// The process-wide number and date formats: decimal separator, short date and long time. Filled once
// at start from the system locale; tests pin the German settings. Displays, INI files and value texts
// use them; the record decoder and the writers never depend on them.
#pragma once

#include "base/DateTime.h"
#include "base/Namespace.h"

#include <string>
#include <string_view>

namespace dedezuviv::base {

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

// The locale's own patterns that the conversions %x, %X, %r and %c stand for (nl_langinfo D_FMT,
// T_FMT, T_FMT_AMPM, D_T_FMT); the defaults are those of the C locale.
struct TStrftimeLocalePatterns {
    std::string Date = "%m/%d/%y";
    std::string Time = "%H:%M:%S";
    std::string TimeAmPm = "%I:%M:%S %p";
    std::string DateTime = "%a %b %e %H:%M:%S %Y";
};
// Converts a strftime-style pattern ("%d.%m.%Y", "%r") to the format above. Every glibc conversion is
// mapped: numbers to their field (12-hour hours become 24-hour hours, as the format has no AM/PM),
// month names to the month number, the composite ones (%D %F %R %T %r %x %X %c) to their parts; names of
// weekdays, AM/PM, week numbers and time zones are left out together with the blanks they leave over.
// Literal text that holds a format letter is quoted.
std::string FormatFromStrftimePattern(std::string_view pattern, const TStrftimeLocalePatterns& locale = {});
// The short date format of a D_FMT pattern; "dd.mm.yyyy" when the conversion lacks day, month or year.
std::string ShortDateFormatFromPattern(std::string_view pattern, const TStrftimeLocalePatterns& locale = {});
// The long time format of a T_FMT pattern; "hh:nn:ss" when the conversion has no hour or no minute.
std::string LongTimeFormatFromPattern(std::string_view pattern, const TStrftimeLocalePatterns& locale = {});

std::string FormatDateTime(std::string_view format, TDateTime value);
// Short date, and unless the time is exactly midnight a blank and the long time.
std::string DateTimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
// General float text with the process's decimal separator.
std::string FloatToStr(double value);

// Reads a date, optionally followed by blanks and a time, in exactly the form of the given settings: the
// fields in the order of ShortDateFormat and LongTimeFormat, the same separators between them. Day,
// month, hour, minute and second take one or two digits; "yyyy" takes four digits, "yy" two (meaning
// 20yy). So a text in another form is refused instead of being read with day and month swapped.
bool TryStrToDateTime(std::string_view text, const TFormatSettings& settings, TDateTime& value);
// Tries the process's settings, then the German form (dd.mm.yyyy or dd.mm.yy, hh:nn:ss), then ISO
// 8601 (yyyy-mm-dd, then a blank or "T" and hh:nn[:ss[.zzz]]).
bool TryStrToDateTime(std::string_view text, TDateTime& value);
// Tries the process's decimal separator, then "," and ".".
bool TryStrToFloat(std::string_view text, double& value);

}  // namespace dedezuviv::base
