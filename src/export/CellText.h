// Texts of the export's cells, made fast for millions of rows with exactly the results of the
// general conversions: numbers as FloatToText ("general format"), date-times as
// DateTimeToStr (short date, and the long time unless it is midnight).
#pragma once

#include "base/DateTime.h"
#include "base/FormatSettings.h"
#include "export/Namespace.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dedezuviv::exports {

// Writes FloatToText(value, decimalSeparator) to out (room for 64 bytes) and returns its length.
// Integers and numbers with at most two decimals (the controller's values) are written directly.
size_t NumberText(double value, char decimalSeparator, char* out);

// DateTimeToStr(value, settings) with the settings given at construction. The date text is kept for
// the last day asked for, the formats are parsed once; for a time format with one seconds field and
// no milliseconds, the time text around the seconds is kept for the last minute asked for.
class TDateTimeText {
public:
    explicit TDateTimeText(const TFormatSettings& settings);
    // Writes the text to out (room for MaxLength() bytes) and returns its length.
    size_t Format(TDateTime value, char* out);
    std::string Format(TDateTime value);
    size_t MaxLength() const { return MaxBytes; }

private:
    struct TToken {
        char Field = 0;  // 0: literal; else one of d m y h n s z
        uint8_t Width = 0;
        std::string Literal;
    };
    static std::vector<TToken> Parse(const std::string& format);
    static size_t Render(std::span<const TToken> tokens, const TDateTimeParts& parts, char* out);
    // The time text of timeMs into the day of CachedParts.
    size_t RenderTime(int64_t timeMs, char* out);

    TFormatSettings Settings;
    std::vector<TToken> DateTokens, TimeTokens;
    size_t MaxBytes = 0;
    int64_t CachedDay = INT64_MIN;
    std::string CachedDate;
    TDateTimeParts CachedParts;
    // The seconds field of TimeTokens (TimeTokens.size() when the time is rendered whole each time), and
    // the texts before and after it for the minute CachedMinute (counted from 30 December 1899).
    size_t SecondsToken = 0;
    int64_t CachedMinute = INT64_MIN;
    std::string CachedBefore, CachedAfter;
};

}  // namespace dedezuviv::exports
