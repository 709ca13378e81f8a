#include "model/DefinitionText.h"

#include "model/LiveState.h"
#include "model/Project.h"
#include "model/Namespace.h"

#include <mutex>

namespace dedezuviv::model {

namespace {

bool NeedsDefinitionQuotes(const std::string& name)
{
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7F || c == ',' || c == '"')
            return true;
    }
    return false;
}

std::string Quoted(const std::string& name)
{
    std::string text = "\"";
    for (const char c : name) {
        text += c;
        if (c == '"')
            text += '"';
    }
    text += '"';
    return text;
}

}  // namespace

std::string NamesToCommaText(const TNameList& names)
{
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += ',';
        text += NeedsDefinitionQuotes(names[i]) ? Quoted(names[i]) : names[i];
    }
    return text;
}

TNameList CommaTextToNames(std::string_view text, int& dropped)
{
    std::string withoutQuotes;
    withoutQuotes.reserve(text.size());
    for (const char c : text)
        if (c != '"')
            withoutQuotes += c;
    const std::string cleaned = CleanFieldName(withoutQuotes, dropped);
    TNameList names;
    int ignored = 0;
    SplitFieldNames(cleaned, names, ignored);
    return names;
}

TDefinitionTexts DefinitionTextsFromProject(const TProject& project)
{
    TDefinitionTexts texts;
    for (int t = 0; t < FieldTypeCount; ++t)
        texts[t] = NamesToCommaText(project.FieldNames[t]);
    return texts;
}

bool StoreDefinitionTexts(TProject& project, const TDefinitionTexts& texts)
{
    std::array<TNameList, FieldTypeCount> lists;
    bool anyDropped = false;
    for (int t = 0; t < FieldTypeCount; ++t) {
        int dropped = 0;
        lists[t] = CommaTextToNames(texts[t], dropped);
        anyDropped = anyDropped || dropped != 0;
    }
    {
        const std::lock_guard<std::mutex> lock(LiveStateLock());
        project.FieldNames = std::move(lists);
    }
    project.SetModified(true);
    return anyDropped;
}

}  // namespace dedezuviv::model
