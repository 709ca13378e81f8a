#include "base/FormatSettings.h"

#include "base/AsciiText.h"
#include "base/NumberText.h"
#include "base/Namespace.h"

#include <clocale>
#include <cstring>
#include <initializer_list>
#include <langinfo.h>
#include <locale.h>
#include <string>

namespace dedezuviv::base {

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


}  // namespace

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings;
    return settings;
}

TFormatSettings GermanFormatSettings() { return TFormatSettings{}; }

void SetGermanFormatSettings() { FormatSettings() = GermanFormatSettings(); }

namespace {

// The letters that stand for a field in a format (in either case).
bool IsFormatLetter(char c)
{
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return letter && std::strchr("dmyhnsz", c | 0x20) != nullptr;
}

// Collects the converted format: fields as they are, literal text quoted where it holds a format letter.
class TFormatBuilder {
public:
    void Field(std::string_view field)
    {
        FlushLiteral();
        Out += field;
    }
    void Literal(char c) { Pending += c; }
    std::string Finish()
    {
        FlushLiteral();
        return Out;
    }

private:
    void FlushLiteral()
    {
        if (Pending.empty())
            return;
        bool needsQuotes = false;
        for (char c : Pending)
            needsQuotes = needsQuotes || IsFormatLetter(c) || c == '"' || c == '\'';
        if (!needsQuotes) {
            Out += Pending;
        } else {
            const char quote = Pending.find('"') == std::string::npos ? '"' : '\'';
            std::string inner;
            for (char c : Pending)
                if (c != quote)
                    inner += c;
            Out += quote;
            Out += inner;
            Out += quote;
        }
        Pending.clear();
    }

    std::string Out;
    std::string Pending;
};

void ConvertPattern(std::string_view pattern, const TStrftimeLocalePatterns& locale, int depth,
                    TFormatBuilder& out)
{
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            out.Literal(pattern[i]);
            continue;
        }
        // %[flags][width][E|O]conversion
        char flag = 0;
        while (i + 1 < pattern.size() && std::strchr("_-0^#", pattern[i + 1]) != nullptr)
            flag = pattern[++i];
        while (i + 1 < pattern.size() && IsAsciiDigit(pattern[i + 1]))
            ++i;
        if (i + 1 < pattern.size() && (pattern[i + 1] == 'E' || pattern[i + 1] == 'O'))
            ++i;
        if (i + 1 >= pattern.size())
            break;
        const char c = pattern[++i];
        // Without padding ("%-d", "%_H") the field takes as many digits as it needs.
        const bool unpadded = flag == '-' || flag == '_';
        const auto number = [&](const char* padded, const char* plain) { out.Field(unpadded ? plain : padded); };
        const auto composite = [&](const std::string& inner) {
            if (depth < 3)
                ConvertPattern(inner, locale, depth + 1, out);
        };
        switch (c) {
        case 'd': number("dd", "d"); break;
        case 'e': out.Field(flag == '0' ? "dd" : "d"); break;
        case 'm': case 'b': case 'B': case 'h': number("mm", "m"); break;
        case 'y': case 'g': out.Field("yy"); break;
        case 'Y': case 'G': out.Field("yyyy"); break;
        case 'C':
            // The century is a year only together with the year of the century.
            if (pattern.substr(i + 1, 2) == "%y") {
                out.Field("yyyy");
                i += 2;
            }
            break;
        case 'H': case 'I': number("hh", "h"); break;
        case 'k': case 'l': out.Field(flag == '0' ? "hh" : "h"); break;
        case 'M': number("nn", "n"); break;
        case 'S': number("ss", "s"); break;
        case 'D': composite("%m/%d/%y"); break;
        case 'F': composite("%Y-%m-%d"); break;
        case 'R': composite("%H:%M"); break;
        case 'T': composite("%H:%M:%S"); break;
        case 'r': composite(locale.TimeAmPm); break;
        case 'x': composite(locale.Date); break;
        case 'X': composite(locale.Time); break;
        case 'c': composite(locale.DateTime); break;
        case 'n': case 't': out.Literal(' '); break;
        case '%': out.Literal('%'); break;
        default:
            // Weekday names and numbers, AM/PM, day of the year, week numbers, seconds since the epoch,
            // time zones: the format has no field for them.
            break;
        }
    }
}

// Blanks and commas left at either end by parts that were left out go, and so do doubled blanks.
std::string TidyFormat(const std::string& format)
{
    std::string out;
    bool inQuote = false;
    char quote = 0;
    for (char c : format) {
        if (inQuote) {
            out += c;
            if (c == quote)
                inQuote = false;
            continue;
        }
        if (c == '"' || c == '\'') {
            inQuote = true;
            quote = c;
        } else if (c == ' ' && (out.empty() || out.back() == ' ')) {
            continue;
        }
        out += c;
    }
    const auto loose = [](char c) { return c == ' ' || c == ','; };
    size_t begin = 0;
    while (begin < out.size() && loose(out[begin]))
        ++begin;
    size_t end = out.size();
    while (end > begin && loose(out[end - 1]))
        --end;
    return out.substr(begin, end - begin);
}

// Which fields (outside quotes) a format holds.
bool FormatHasField(std::string_view format, char field)
{
    char quote = 0;
    for (char c : format) {
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if ((c | 0x20) == field && IsFormatLetter(c)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string FormatFromStrftimePattern(std::string_view pattern, const TStrftimeLocalePatterns& locale)
{
    TFormatBuilder builder;
    ConvertPattern(pattern, locale, 0, builder);
    return TidyFormat(builder.Finish());
}

std::string ShortDateFormatFromPattern(std::string_view pattern, const TStrftimeLocalePatterns& locale)
{
    const std::string format = FormatFromStrftimePattern(pattern, locale);
    if (FormatHasField(format, 'd') && FormatHasField(format, 'm') && FormatHasField(format, 'y'))
        return format;
    return GermanFormatSettings().ShortDateFormat;
}

std::string LongTimeFormatFromPattern(std::string_view pattern, const TStrftimeLocalePatterns& locale)
{
    const std::string format = FormatFromStrftimePattern(pattern, locale);
    if (FormatHasField(format, 'h') && FormatHasField(format, 'n'))
        return format;
    return GermanFormatSettings().LongTimeFormat;
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
        const auto item = [&](nl_item which) {
            const char* text = nl_langinfo_l(which, timeLocale);
            return std::string(text ? text : "");
        };
        TStrftimeLocalePatterns patterns;
        const std::string dateFormat = item(D_FMT);
        const std::string timeFormat = item(T_FMT);
        const std::string ampmFormat = item(T_FMT_AMPM);
        const std::string dateTimeFormat = item(D_T_FMT);
        if (!dateFormat.empty())
            patterns.Date = dateFormat;
        if (!timeFormat.empty())
            patterns.Time = timeFormat;
        if (!ampmFormat.empty())
            patterns.TimeAmPm = ampmFormat;
        if (!dateTimeFormat.empty())
            patterns.DateTime = dateTimeFormat;
        if (!dateFormat.empty())
            settings.ShortDateFormat = ShortDateFormatFromPattern(dateFormat, patterns);
        // Some locales give only the 12-hour form.
        const std::string& time = !timeFormat.empty() ? timeFormat : ampmFormat;
        if (!time.empty())
            settings.LongTimeFormat = LongTimeFormatFromPattern(time, patterns);
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

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads TEXT from POS in the form of FORMAT into PARTS; POS ends behind the text read.
bool ScanFormat(std::string_view text, size_t& pos, std::string_view format, TDateTimeParts& parts)
{
    for (size_t i = 0; i < format.size();) {
        const char c = format[i];
        if (c == '"' || c == '\'') {
            const size_t close = format.find(c, i + 1);
            const size_t stop = close == std::string_view::npos ? format.size() : close;
            const std::string_view literal = format.substr(i + 1, stop - i - 1);
            if (text.substr(pos, literal.size()) != literal)
                return false;
            pos += literal.size();
            i = stop + 1;
            continue;
        }
        if (IsBlank(c)) {
            // A blank of the format stands for any run of blanks.
            if (pos >= text.size() || !IsBlank(text[pos]))
                return false;
            while (pos < text.size() && IsBlank(text[pos]))
                ++pos;
            while (i < format.size() && IsBlank(format[i]))
                ++i;
            continue;
        }
        if (!IsFormatLetter(c)) {
            if (pos >= text.size() || text[pos] != c)
                return false;
            ++pos;
            ++i;
            continue;
        }
        const char lower = static_cast<char>(c | 0x20);
        const size_t run = RunLength(format, i);
        i += run;
        size_t minDigits = 1, maxDigits = 2;
        if (lower == 'y')
            minDigits = maxDigits = run >= 3 ? 4 : 2;
        else if (lower == 'z')
            maxDigits = 3;
        int number = 0;
        size_t digits = 0;
        while (pos < text.size() && digits < maxDigits && IsAsciiDigit(text[pos])) {
            number = number * 10 + (text[pos] - '0');
            ++digits;
            ++pos;
        }
        if (digits < minDigits || (pos < text.size() && IsAsciiDigit(text[pos])))
            return false;
        switch (lower) {
        case 'd': parts.Day = number; break;
        case 'm': parts.Month = number; break;
        case 'y': parts.Year = digits == 2 ? 2000 + number : number; break;
        case 'h': parts.Hour = number; break;
        case 'n': parts.Minute = number; break;
        case 's': parts.Second = number; break;
        case 'z': parts.Millisecond = number; break;
        }
    }
    return true;
}


// The date in DATEFORMAT, then either the end or blanks (or TIMESEPARATOR) and the time in one of
// TIMEFORMATS.
bool TryScanDateTime(std::string_view text, std::string_view dateFormat,
                     std::initializer_list<std::string_view> timeFormats, std::string_view timeSeparators,
                     TDateTime& value)
{
    text = TrimBlanks(text);
    TDateTimeParts parts{0, 0, 0, 0, 0, 0, 0};
    size_t pos = 0;
    if (text.empty() || !ScanFormat(text, pos, dateFormat, parts))
        return false;
    if (pos < text.size()) {
        if (timeSeparators.find(text[pos]) == std::string_view::npos)
            return false;
        ++pos;
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        const size_t timeStart = pos;
        bool matched = false;
        for (std::string_view timeFormat : timeFormats) {
            TDateTimeParts withTime = parts;
            pos = timeStart;
            if (ScanFormat(text, pos, timeFormat, withTime) && pos == text.size()) {
                parts = withTime;
                matched = true;
                break;
            }
        }
        if (!matched)
            return false;
    }
    return TryEncodeDateTime(parts, value);
}

}  // namespace

bool TryStrToDateTime(std::string_view text, const TFormatSettings& settings, TDateTime& value)
{
    return TryScanDateTime(text, settings.ShortDateFormat, {settings.LongTimeFormat}, " \t", value);
}

bool TryStrToDateTime(std::string_view text, TDateTime& value)
{
    if (TryStrToDateTime(text, FormatSettings(), value))
        return true;
    const TFormatSettings german = GermanFormatSettings();
    if (TryScanDateTime(text, german.ShortDateFormat, {german.LongTimeFormat}, " \t", value) ||
        TryScanDateTime(text, "dd.mm.yy", {german.LongTimeFormat}, " \t", value))
        return true;
    return TryScanDateTime(text, "yyyy-mm-dd", {"hh:nn:ss.zzz", "hh:nn:ss", "hh:nn"}, " \tT", value);
}

bool TryStrToFloat(std::string_view text, double& value)
{
    return TryTextToFloat(text, FormatSettings().DecimalSeparator, value) || TryTextToFloat(text, ',', value) ||
           TryTextToFloat(text, '.', value);
}

}  // namespace dedezuviv::base
