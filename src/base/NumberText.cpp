#include "base/NumberText.h"

#include "base/AsciiText.h"
#include "base/Namespace.h"
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace dedezuviv::base {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool TryTextToFloat(std::string_view text, char decimalSeparator, double& value)
{
    size_t begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    // Builds a plain "-123.45e6" copy that from_chars reads; a float text is short, so a small
    // fixed buffer keeps this free of allocation.
    char buffer[64];
    size_t out = 0;
    size_t i = begin;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            buffer[out++] = '-';
        ++i;
    }
    int digits = 0;
    while (i < end && IsAsciiDigit(text[i])) {
        if (out >= sizeof(buffer) - 8)
            return false;
        buffer[out++] = text[i++];
        ++digits;
    }
    if (i < end && text[i] == decimalSeparator) {
        ++i;
        buffer[out++] = '.';
        while (i < end && IsAsciiDigit(text[i])) {
            if (out >= sizeof(buffer) - 8)
                return false;
            buffer[out++] = text[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        buffer[out++] = 'e';
        if (i < end && (text[i] == '+' || text[i] == '-'))
            buffer[out++] = text[i++];
        int expDigits = 0;
        while (i < end && IsAsciiDigit(text[i])) {
            if (out >= sizeof(buffer) - 1)
                return false;
            buffer[out++] = text[i++];
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != end)
        return false;
    double result = 0;
    const auto [ptr, ec] = std::from_chars(buffer, buffer + out, result);
    if (ec != std::errc() || ptr != buffer + out || !std::isfinite(result))
        return false;
    value = result;
    return true;
}

bool TryStrToInt(std::string_view text, int32_t& value)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size())
        return false;
    int64_t result = 0;
    for (; i < text.size(); ++i) {
        const int digit = hex ? HexDigit(text[i]) : (IsAsciiDigit(text[i]) ? text[i] - '0' : -1);
        if (digit < 0)
            return false;
        result = result * (hex ? 16 : 10) + digit;
        // Hexadecimal texts may use all 32 bits (FFFFFFFF is -1); decimal ones must fit the sign.
        if (result > (hex ? 0xFFFFFFFFLL : 0x80000000LL))
            return false;
    }
    if (hex) {
        const int32_t bits = static_cast<int32_t>(static_cast<uint32_t>(result));
        value = negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(bits)) : bits;
        return true;
    }
    if (negative)
        result = -result;
    if (result > INT32_MAX || result < INT32_MIN)
        return false;
    value = static_cast<int32_t>(result);
    return true;
}

int32_t StrToIntDef(std::string_view text, int32_t defaultValue)
{
    int32_t value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

std::string FloatToText(double value, char decimalSeparator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    // to_chars writes "1.5e+20" / "1e-05"; the program's form is "1,5E20" / "1E-5".
    std::string out;
    out.reserve(text.size());
    const size_t e = text.find('e');
    const std::string mantissa = text.substr(0, e);
    for (char c : mantissa)
        out += (c == '.') ? decimalSeparator : c;
    if (e != std::string::npos) {
        out += 'E';
        size_t k = e + 1;
        if (text[k] == '-') {
            out += '-';
            ++k;
        } else if (text[k] == '+') {
            ++k;
        }
        while (k + 1 < text.size() && text[k] == '0')
            ++k;
        out += text.substr(k);
    }
    return out;
}

}  // namespace dedezuviv::base
