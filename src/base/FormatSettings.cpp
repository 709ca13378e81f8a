#include "base/FormatSettings.h"

#include "base/NumberText.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <string>
#include <vector>

namespace {

std::string Pad(int value, int width)
{
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<size_t>(width) - text.size(), '0');
    return text;
}

size_t RunLength(std::string_view format, size_t pos)
{
    size_t n = 1;
    while (pos + n < format.size() && (format[pos + n] | 0x20) == (format[pos] | 0x20))
        ++n;
    return n;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Order of day, month and year in a short date format, e.g. "dmy" or "mdy".
std::string DateOrder(std::string_view format)
{
    std::string order;
    for (char c : format) {
        const char lower = static_cast<char>(c | 0x20);
        if ((lower == 'd' || lower == 'm' || lower == 'y') && order.find(lower) == std::string::npos)
            order += lower;
    }
    return order.size() == 3 ? order : "dmy";
}

}  // namespace

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings;
    return settings;
}

TFormatSettings GermanFormatSettings() { return TFormatSettings{}; }

void SetGermanFormatSettings() { FormatSettings() = GermanFormatSettings(); }

std::string FormatFromStrftimePattern(std::string_view pattern)
{
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            out += pattern[i];
            continue;
        }
        char c = pattern[++i];
        if (c == 'E' || c == 'O' || c == '-') {  // modifiers
            if (i + 1 >= pattern.size())
                break;
            c = pattern[++i];
        }
        switch (c) {
        case 'd': case 'e': out += "dd"; break;
        case 'm': out += "mm"; break;
        case 'Y': out += "yyyy"; break;
        case 'y': out += "yy"; break;
        case 'H': case 'I': out += "hh"; break;
        case 'M': out += "nn"; break;
        case 'S': out += "ss"; break;
        case 'D': out += "mm/dd/yy"; break;
        case 'T': out += "hh:nn:ss"; break;
        case 'F': out += "yyyy-mm-dd"; break;
        case 'p': case 'P': break;
        case '%': out += '%'; break;
        default: break;
        }
    }
    // Trim separators left dangling by dropped parts (such as " %p").
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

void LoadFormatSettingsFromEnvironment()
{
    TFormatSettings settings = GermanFormatSettings();
    locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (numeric) {
        const char* radix = nl_langinfo_l(RADIXCHAR, numeric);
        if (radix && std::strlen(radix) == 1)
            settings.DecimalSeparator = radix[0];
        freelocale(numeric);
    }
    locale_t timeLocale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (timeLocale) {
        const char* dateFormat = nl_langinfo_l(D_FMT, timeLocale);
        const char* timeFormat = nl_langinfo_l(T_FMT, timeLocale);
        if (dateFormat && *dateFormat)
            settings.ShortDateFormat = FormatFromStrftimePattern(dateFormat);
        if (timeFormat && *timeFormat)
            settings.LongTimeFormat = FormatFromStrftimePattern(timeFormat);
        freelocale(timeLocale);
    }
    // The C locale reports "." and "%m/%d/%y": no national convention, so keep the German form.
    const char* lcAll = getenv("LC_ALL");
    const char* lcTime = getenv("LC_TIME");
    const char* lang = getenv("LANG");
    const char* effective = (lcAll && *lcAll) ? lcAll : (lcTime && *lcTime) ? lcTime : lang;
    if (!effective || !*effective || std::strcmp(effective, "C") == 0 || std::strcmp(effective, "POSIX") == 0 ||
        std::strncmp(effective, "C.", 2) == 0)
        settings = GermanFormatSettings();
    FormatSettings() = settings;
}

std::string FormatDateTime(std::string_view format, TDateTime value)
{
    const TDateTimeParts p = DecodeDateTime(value);
    std::string out;
    for (size_t i = 0; i < format.size();) {
        const char c = format[i];
        const char lower = static_cast<char>(c | 0x20);
        if (c == '"' || c == '\'') {
            const size_t close = format.find(c, i + 1);
            const size_t stop = close == std::string_view::npos ? format.size() : close;
            out.append(format.substr(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        if (lower != 'd' && lower != 'm' && lower != 'y' && lower != 'h' && lower != 'n' && lower != 's' &&
            lower != 'z') {
            out += c;
            ++i;
            continue;
        }
        const size_t n = RunLength(format, i);
        switch (lower) {
        case 'd': out += Pad(p.Day, n >= 2 ? 2 : 1); break;
        case 'm': out += Pad(p.Month, n >= 2 ? 2 : 1); break;
        case 'y': out += n >= 3 ? Pad(p.Year, 4) : Pad(p.Year % 100, 2); break;
        case 'h': out += Pad(p.Hour, n >= 2 ? 2 : 1); break;
        case 'n': out += Pad(p.Minute, n >= 2 ? 2 : 1); break;
        case 's': out += Pad(p.Second, n >= 2 ? 2 : 1); break;
        case 'z': out += Pad(p.Millisecond, n >= 3 ? 3 : 1); break;
        }
        i += n;
    }
    return out;
}

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings)
{
    std::string text = FormatDateTime(settings.ShortDateFormat, value);
    if (!IsMidnight(value)) {
        text += ' ';
        text += FormatDateTime(settings.LongTimeFormat, value);
    }
    return text;
}

std::string DateTimeToStr(TDateTime value) { return DateTimeToStr(value, FormatSettings()); }
std::string DateToStr(TDateTime value) { return FormatDateTime(FormatSettings().ShortDateFormat, value); }
std::string TimeToStr(TDateTime value) { return FormatDateTime(FormatSettings().LongTimeFormat, value); }
std::string FloatToStr(double value) { return FloatToText(value, FormatSettings().DecimalSeparator); }

bool TryStrToDateTime(std::string_view text, const TFormatSettings& settings, TDateTime& value)
{
    // Collects runs of digits; the first three are the date, the next up to four the time.
    std::vector<std::pair<int, size_t>> numbers;  // value, digit count
    size_t i = 0;
    while (i < text.size()) {
        if (IsDigit(text[i])) {
            int number = 0;
            size_t count = 0;
            while (i < text.size() && IsDigit(text[i])) {
                if (count < 9)
                    number = number * 10 + (text[i] - '0');
                ++count;
                ++i;
            }
            if (count > 9)
                return false;
            numbers.emplace_back(number, count);
        } else {
            const char c = text[i];
            // Only separators may stand between the numbers.
            if (c != '.' && c != '/' && c != '-' && c != ':' && c != ' ' && c != ',' && c != 'T')
                return false;
            ++i;
        }
    }
    if (numbers.size() != 3 && (numbers.size() < 5 || numbers.size() > 7))
        return false;
    const std::string order = DateOrder(settings.ShortDateFormat);
    int day = 0, month = 0, year = 0;
    for (size_t k = 0; k < 3; ++k) {
        const int n = numbers[k].first;
        if (order[k] == 'd')
            day = n;
        else if (order[k] == 'm')
            month = n;
        else
            year = numbers[k].second <= 2 ? 2000 + n : n;
    }
    TDateTimeParts parts{year, month, day, 0, 0, 0, 0};
    if (numbers.size() >= 5) {
        parts.Hour = numbers[3].first;
        parts.Minute = numbers[4].first;
        if (numbers.size() >= 6)
            parts.Second = numbers[5].first;
        if (numbers.size() == 7)
            parts.Millisecond = numbers[6].first;
    }
    return TryEncodeDateTime(parts, value);
}

bool TryStrToDateTime(std::string_view text, TDateTime& value)
{
    if (TryStrToDateTime(text, FormatSettings(), value))
        return true;
    return TryStrToDateTime(text, GermanFormatSettings(), value);
}

bool TryStrToFloat(std::string_view text, double& value)
{
    return TryTextToFloat(text, FormatSettings().DecimalSeparator, value) || TryTextToFloat(text, ',', value) ||
           TryTextToFloat(text, '.', value);
}
