#include "model/Fields.h"

#include "base/AsciiText.h"
#include "model/Namespace.h"

#include <algorithm>

namespace dedezuviv::model {

const std::array<std::string, SystemFieldCount> SystemFields = {
    "Program", "Version", "Subversion", "ID", "RT", "PC",
};

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the UTF-8 sequence starting at text[pos] when it is structurally valid (lead byte and the
// right number of continuation bytes), else 0.
size_t Utf8SequenceLength(std::string_view text, size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    size_t length;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    if (pos + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i)
        if (!IsContinuation(static_cast<unsigned char>(text[pos + i])))
            return 0;
    return length;
}

bool IsAsciiNameChar(char c)
{
    return c == ' ' || c == '-' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
           (c >= 'a' && c <= 'z');
}

// Second bytes after 0xC3 of Ä Ö Ü ß ä ö ü.
bool IsGermanLetterSecondByte(unsigned char c)
{
    return c == 0x84 || c == 0x96 || c == 0x9C || c == 0x9F || c == 0xA4 || c == 0xB6 || c == 0xBC;
}

// Appends the sort key of one name: ASCII letters in lower case, umlauts as their base letter, ß as ss.
std::string SortKey(std::string_view text)
{
    std::string key;
    key.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            key += static_cast<char>(c - 'A' + 'a');
        } else if (c == 0xC3 && i + 1 < text.size()) {
            const auto d = static_cast<unsigned char>(text[i + 1]);
            switch (d) {
            case 0x84: case 0xA4: key += 'a'; ++i; continue;
            case 0x96: case 0xB6: key += 'o'; ++i; continue;
            case 0x9C: case 0xBC: key += 'u'; ++i; continue;
            case 0x9F: key += "ss"; ++i; continue;
            default: key += static_cast<char>(c); break;
            }
        } else {
            key += static_cast<char>(c);
        }
    }
    return key;
}

}  // namespace

int SystemFieldIndex(std::string_view name)
{
    for (int i = 0; i < SystemFieldCount; ++i)
        if (SameAsciiLetters(name, SystemFields[i]))
            return i;
    return -1;
}

std::string QualifiedFieldName(const std::string& name, TFieldType type)
{
    if (type < 0 || type >= FieldTypeCount)
        return name;
    return name + " (" + FieldTypeCaptions[type] + ")";
}

std::string PlainFieldName(const std::string& qualifiedName)
{
    const size_t bracket = qualifiedName.find('(');
    if (bracket == std::string::npos)
        return qualifiedName;
    size_t end = bracket;
    if (end > 0 && qualifiedName[end - 1] == ' ')
        --end;
    return qualifiedName.substr(0, end);
}

bool IsFieldNameCharAt(std::string_view text, size_t pos, size_t& length)
{
    const size_t sequence = Utf8SequenceLength(text, pos);
    if (sequence == 0) {
        length = 1;
        return false;
    }
    length = sequence;
    if (sequence == 1)
        return IsAsciiNameChar(text[pos]);
    return sequence == 2 && static_cast<unsigned char>(text[pos]) == 0xC3 &&
           IsGermanLetterSecondByte(static_cast<unsigned char>(text[pos + 1]));
}

std::string CleanFieldName(std::string_view text, int& dropped)
{
    dropped = 0;
    std::string result;
    result.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t length = 1;
        if (text[pos] == ',' || IsFieldNameCharAt(text, pos, length))
            result.append(text.substr(pos, length));
        else
            dropped = 1;
        pos += length;
    }
    return result;
}

void SplitFieldNames(std::string_view text, TNameList& list, int& dropped)
{
    dropped = 0;
    std::string current;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t length = 1;
        if (text[pos] == ',') {
            list.push_back(std::move(current));
            current.clear();
        } else if (IsFieldNameCharAt(text, pos, length)) {
            current.append(text.substr(pos, length));
        } else {
            dropped = 1;
        }
        pos += length;
    }
    if (!current.empty())
        list.push_back(std::move(current));
}

void SplitFieldNames(std::string_view text, std::unique_ptr<TNameList>& list, int& dropped)
{
    if (!list)
        list = std::make_unique<TNameList>();
    SplitFieldNames(text, *list, dropped);
}

int CompareFieldNames(std::string_view a, std::string_view b)
{
    const int byKey = SortKey(a).compare(SortKey(b));
    if (byKey != 0)
        return byKey < 0 ? -1 : 1;
    const int byBytes = a.compare(b);
    return byBytes < 0 ? -1 : (byBytes > 0 ? 1 : 0);
}

void SortFieldNames(TNameList& list)
{
    // Keys computed once per name: lists of a few hundred names are sorted on every refresh.
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(list.size());
    for (auto& name : list)
        keyed.emplace_back(SortKey(name), std::move(name));
    std::sort(keyed.begin(), keyed.end(), [](const auto& x, const auto& y) {
        if (x.first != y.first)
            return x.first < y.first;
        return x.second < y.second;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        list[i] = std::move(keyed[i].second);
}

bool MatchesQualifiedName(std::string_view text, std::string_view name, TFieldType type)
{
    if (name.empty() || type < 0 || type >= FieldTypeCount)
        return false;
    const std::string& caption = FieldTypeCaptions[type];
    if (text.size() != name.size() + 2 + caption.size() + 1)
        return false;
    size_t pos = 0;
    if (!SameAsciiLetters(text.substr(pos, name.size()), name))
        return false;
    pos += name.size();
    if (text.substr(pos, 2) != " (")
        return false;
    pos += 2;
    if (!SameAsciiLetters(text.substr(pos, caption.size()), caption))
        return false;
    pos += caption.size();
    return text[pos] == ')';
}

}  // namespace dedezuviv::model
