#include "model/NameList.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

namespace {

constexpr char Delimiter = ',';
constexpr char QuoteChar = '/';

// Blanks and control characters: every byte up to the blank. Bytes of UTF-8 sequences are above it.
bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool NeedsListQuotes(const std::string& name)
{
    for (char c : name)
        if (IsBlankOrControl(c) || c == Delimiter || c == QuoteChar)
            return true;
    return false;
}

}  // namespace

std::string EncodeNameList(const std::vector<std::string>& names)
{
    if (names.size() == 1 && names.front().empty())
        return std::string(2, QuoteChar);
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += Delimiter;
        const std::string& name = names[i];
        if (!NeedsListQuotes(name)) {
            text += name;
            continue;
        }
        text += QuoteChar;
        for (char c : name) {
            if (c == QuoteChar)
                text += QuoteChar;
            text += c;
        }
        text += QuoteChar;
    }
    return text;
}

std::vector<std::string> DecodeNameList(std::string_view text)
{
    std::vector<std::string> names;
    size_t pos = 0;
    const size_t size = text.size();
    const auto skipBlanks = [&] {
        while (pos < size && IsBlankOrControl(text[pos]))
            ++pos;
    };

    skipBlanks();
    while (pos < size) {
        std::string name;
        if (text[pos] == QuoteChar) {
            ++pos;
            while (pos < size) {
                if (text[pos] == QuoteChar) {
                    if (pos + 1 < size && text[pos + 1] == QuoteChar) {
                        name += QuoteChar;
                        pos += 2;
                        continue;
                    }
                    ++pos;  // the closing quote
                    break;
                }
                name += text[pos++];
            }
        } else {
            const size_t start = pos;
            while (pos < size && !IsBlankOrControl(text[pos]) && text[pos] != Delimiter)
                ++pos;
            name.assign(text.substr(start, pos - start));
        }
        names.push_back(std::move(name));
        skipBlanks();
        if (pos < size && text[pos] == Delimiter) {
            if (pos + 1 == size)
                names.emplace_back();
            ++pos;
            skipBlanks();
        }
    }
    return names;
}

}  // namespace dedezuviv::model
