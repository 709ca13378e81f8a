#include "base/TextEncoding.h"
#include "base/Namespace.h"

#include <cstdint>

namespace dedezuviv::base {

namespace {

// Unicode code points of the bytes 0x80 to 0x9F; 0 marks the five unused positions, which are kept
// as the control character of the same number.
constexpr uint16_t HighTable[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E,
    0x0178};

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at pos and its code point, or 0 when invalid.
size_t DecodeUtf8At(std::string_view text, size_t pos, uint32_t& cp)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(pos);
    size_t length = 0;
    uint32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

int Cp1252Byte(uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (HighTable[i] == cp && cp != 0)
            return 0x80 + i;
    if (cp >= 0x80 && cp <= 0x9F && HighTable[cp - 0x80] == 0)
        return static_cast<int>(cp);
    return -1;
}

}  // namespace

bool IsValidUtf8(std::string_view text)
{
    uint32_t cp = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t n = DecodeUtf8At(text, i, cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else if (b < 0xA0)
            AppendUtf8(out, HighTable[b - 0x80] ? HighTable[b - 0x80] : b);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    uint32_t cp = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t n = DecodeUtf8At(text, i, cp);
        if (n == 0) {
            out += text[i];
            ++i;
            continue;
        }
        const int b = Cp1252Byte(cp);
        out += b < 0 ? '?' : static_cast<char>(b);
        i += n;
    }
    return out;
}

std::string DecodeText8(std::string_view text)
{
    return IsValidUtf8(text) ? std::string(text) : Cp1252ToUtf8(text);
}

bool FitsCp1252(std::string_view text)
{
    uint32_t cp = 0;
    bool high = false;
    for (size_t i = 0; i < text.size();) {
        const size_t n = DecodeUtf8At(text, i, cp);
        if (n == 0) {
            high = true;
            ++i;
            continue;
        }
        if (Cp1252Byte(cp) < 0)
            return false;
        high = high || cp >= 0x80;
        i += n;
    }
    // Pure ASCII reads back as itself; other texts only when their bytes are not taken for UTF-8.
    return !high || DecodeText8(Utf8ToCp1252(text)) == ToValidUtf8(text);
}

std::string ToValidUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    uint32_t cp = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t n = DecodeUtf8At(text, i, cp);
        if (n == 0) {
            out += Cp1252ToUtf8(text.substr(i, 1));
            ++i;
            continue;
        }
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

std::string EncodeText8(std::string_view text)
{
    return FitsCp1252(text) ? Utf8ToCp1252(text) : ToValidUtf8(text);
}

}  // namespace dedezuviv::base
