// Texts of the export's cells, made fast for millions of rows with exactly the results of the
// general conversions: numbers as FloatToText ("general format"), date-times as
// DateTimeToStr (short date, and the long time unless it is midnight).
#pragma once

#include "base/DateTime.h"
#include "base/FormatSettings.h"
#include "export/Namespace.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dedezuviv::exports {

// Writes FloatToText(value, decimalSeparator) to out (room for 64 bytes) and returns its length.
// Integers and numbers with at most two decimals (the controller's values) are written directly.
size_t NumberText(double value, char decimalSeparator, char* out);

// DateTimeToStr(value, settings) with the settings given at construction. The date text is kept for
// the last day asked for, the formats are parsed once.
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
    static size_t Render(const std::vector<TToken>& tokens, const TDateTimeParts& parts, char* out);

    TFormatSettings Settings;
    std::vector<TToken> DateTokens, TimeTokens;
    size_t MaxBytes = 0;
    int64_t CachedDay = INT64_MIN;
    std::string CachedDate;
    TDateTimeParts CachedParts;
};

}  // namespace dedezuviv::exports
