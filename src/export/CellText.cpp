#include "export/CellText.h"

#include "base/NumberText.h"
#include "export/Namespace.h"

#include <cmath>
#include <cstring>

namespace dedezuviv::exports {

namespace {

// Decimal digits of v (> 0) written backwards ending at end; returns the new start.
char* DigitsBackwards(uint64_t v, char* end)
{
    do {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    return end;
}

size_t CopyText(const std::string& text, char* out)
{
    std::memcpy(out, text.data(), text.size());
    return text.size();
}

}  // namespace

size_t NumberText(double value, char decimalSeparator, char* out)
{
    const double magnitude = std::fabs(value);
    if (magnitude < 1e9) {
        // v = m / 100 exactly as the nearest double: its 15-digit general form is m / 100 itself. (Any
        // rounding of value * 100 will do: the comparison below decides.)
        const double scaled = value * 100.0;
        const int64_t m = static_cast<int64_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
        if (static_cast<double>(m) / 100.0 == value) {
            // Written forwards: the sign, the whole part, then up to two decimals without trailing zeros.
            char* o = out;
            if (m < 0)
                *o++ = '-';
            const uint64_t a = static_cast<uint64_t>(m < 0 ? -m : m);
            const uint64_t whole = a / 100, cents = a % 100;
            if (whole < 10) {
                *o++ = static_cast<char>('0' + whole);
            } else if (whole < 100) {
                *o++ = static_cast<char>('0' + whole / 10);
                *o++ = static_cast<char>('0' + whole % 10);
            } else {
                char buffer[24];
                char* const end = buffer + sizeof buffer;
                const char* const start = DigitsBackwards(whole, end);
                std::memcpy(o, start, static_cast<size_t>(end - start));
                o += end - start;
            }
            if (cents != 0) {
                *o++ = decimalSeparator;
                *o++ = static_cast<char>('0' + cents / 10);
                if (cents % 10 != 0)
                    *o++ = static_cast<char>('0' + cents % 10);
            }
            return static_cast<size_t>(o - out);
        }
    }
    return CopyText(FloatToText(value, decimalSeparator), out);
}

TDateTimeText::TDateTimeText(const TFormatSettings& settings)
    : Settings(settings), DateTokens(Parse(settings.ShortDateFormat)), TimeTokens(Parse(settings.LongTimeFormat))
{
    // Each field at most 4 digits (years beyond 9999 do not occur in a TDateTime), literals as given.
    auto longest = [](const std::vector<TToken>& tokens) {
        size_t n = 0;
        for (const TToken& token : tokens)
            n += token.Field ? 11 : token.Literal.size();
        return n;
    };
    MaxBytes = longest(DateTokens) + 1 + longest(TimeTokens);
    // The kept minute serves when seconds are the only field that changes within a minute.
    size_t seconds = 0, others = 0;
    SecondsToken = TimeTokens.size();
    for (size_t i = 0; i < TimeTokens.size(); ++i) {
        if (TimeTokens[i].Field == 's') {
            SecondsToken = i;
            ++seconds;
        } else if (TimeTokens[i].Field == 'z') {
            ++others;
        }
    }
    if (seconds != 1 || others != 0)
        SecondsToken = TimeTokens.size();
}

std::vector<TDateTimeText::TToken> TDateTimeText::Parse(const std::string& format)
{
    // The same reading of the format as FormatDateTime: quoted text is literal, runs of one field
    // letter (any case) are one field.
    std::vector<TToken> tokens;
    auto literal = [&](std::string_view text) {
        if (tokens.empty() || tokens.back().Field != 0)
            tokens.push_back(TToken{});
        tokens.back().Literal.append(text);
    };
    for (size_t i = 0; i < format.size();) {
        const char c = format[i];
        const char lower = static_cast<char>(c | 0x20);
        if (c == '"' || c == '\'') {
            const size_t close = format.find(c, i + 1);
            const size_t stop = close == std::string::npos ? format.size() : close;
            literal(std::string_view(format).substr(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        if (lower != 'd' && lower != 'm' && lower != 'y' && lower != 'h' && lower != 'n' && lower != 's' &&
            lower != 'z') {
            literal(std::string_view(&format[i], 1));
            ++i;
            continue;
        }
        size_t n = 1;
        while (i + n < format.size() && (format[i + n] | 0x20) == (c | 0x20))
            ++n;
        TToken token;
        token.Field = lower;
        token.Width = static_cast<uint8_t>(n > 4 ? 4 : n);
        tokens.push_back(token);
        i += n;
    }
    return tokens;
}

size_t TDateTimeText::Render(std::span<const TToken> tokens, const TDateTimeParts& p, char* out)
{
    char* o = out;
    auto pad = [&](int value, int width) {
        if (value >= 0 && value < 100 && width <= 2) {
            // The usual fields (day, month, hour, minute, second): one or two digits directly.
            if (value >= 10 || width == 2)
                *o++ = static_cast<char>('0' + value / 10);
            *o++ = static_cast<char>('0' + value % 10);
            return;
        }
        char buffer[16];
        char* end = buffer + sizeof buffer;
        char* start = value < 0 ? DigitsBackwards(static_cast<uint64_t>(-static_cast<int64_t>(value)), end)
                                : DigitsBackwards(static_cast<uint64_t>(value), end);
        // Pad as std::to_string + leading zeros: the sign, if any, counts in the width.
        const size_t digits = static_cast<size_t>(end - start) + (value < 0 ? 1 : 0);
        for (size_t k = digits; k < static_cast<size_t>(width); ++k)
            *o++ = '0';
        if (value < 0)
            *o++ = '-';
        std::memcpy(o, start, static_cast<size_t>(end - start));
        o += end - start;
    };
    for (const TToken& token : tokens) {
        const int n = token.Width;
        switch (token.Field) {
        case 0:
            for (const char c : token.Literal)
                *o++ = c;
            break;
        case 'd': pad(p.Day, n >= 2 ? 2 : 1); break;
        case 'm': pad(p.Month, n >= 2 ? 2 : 1); break;
        case 'y': n >= 3 ? pad(p.Year, 4) : pad(p.Year % 100, 2); break;
        case 'h': pad(p.Hour, n >= 2 ? 2 : 1); break;
        case 'n': pad(p.Minute, n >= 2 ? 2 : 1); break;
        case 's': pad(p.Second, n >= 2 ? 2 : 1); break;
        case 'z': pad(p.Millisecond, n >= 3 ? 3 : 1); break;
        default: break;
        }
    }
    return static_cast<size_t>(o - out);
}

size_t TDateTimeText::Format(TDateTime value, char* out)
{
    if (!(value >= 0 && value < 3e6)) {
        // Before 1899-12-30 (or no real date): the general conversion.
        return CopyText(DateTimeToStr(value, Settings), out);
    }
    // Rounded to the millisecond as DecodeDateTime does (value is not negative here).
    const int64_t ms = static_cast<int64_t>(value * MSecsPerDay + 0.5);
    const int64_t day = ms / MSecsPerDayInt;
    const int64_t timeMs = ms % MSecsPerDayInt;
    if (day != CachedDay) {
        CachedParts = DecodeDateTime(static_cast<double>(day));
        std::string buffer(MaxBytes + 16, '\0');
        buffer.resize(Render(DateTokens, CachedParts, buffer.data()));
        CachedDate = std::move(buffer);
        CachedDay = day;
    }
    char* o = out;
    std::memcpy(o, CachedDate.data(), CachedDate.size());
    o += CachedDate.size();
    if (timeMs != 0) {
        *o++ = ' ';
        o += RenderTime(timeMs, o);
    }
    return static_cast<size_t>(o - out);
}

size_t TDateTimeText::RenderTime(int64_t timeMs, char* out)
{
    // Date fields in the time format take the day's values, as FormatDateTime does.
    TDateTimeParts p = CachedParts;
    p.Hour = static_cast<int>(timeMs / 3600000);
    p.Minute = static_cast<int>(timeMs / 60000 % 60);
    p.Second = static_cast<int>(timeMs / 1000 % 60);
    p.Millisecond = static_cast<int>(timeMs % 1000);
    if (SecondsToken == TimeTokens.size())
        return Render(TimeTokens, p, out);
    const int64_t minute = CachedDay * 1440 + timeMs / 60000;
    if (minute != CachedMinute) {
        const std::span<const TToken> tokens(TimeTokens);
        std::string buffer(MaxBytes + 16, '\0');
        CachedBefore.assign(buffer.data(), Render(tokens.first(SecondsToken), p, buffer.data()));
        CachedAfter.assign(buffer.data(), Render(tokens.subspan(SecondsToken + 1), p, buffer.data()));
        CachedMinute = minute;
    }
    char* o = out;
    std::memcpy(o, CachedBefore.data(), CachedBefore.size());
    o += CachedBefore.size();
    o += Render(std::span<const TToken>(TimeTokens).subspan(SecondsToken, 1), p, o);
    std::memcpy(o, CachedAfter.data(), CachedAfter.size());
    o += CachedAfter.size();
    return static_cast<size_t>(o - out);
}

std::string TDateTimeText::Format(TDateTime value)
{
    std::string text(MaxLength() + 64, '\0');
    text.resize(Format(value, text.data()));
    return text;
}

}  // namespace dedezuviv::exports
