// CleanFieldName and SplitFieldNames on arbitrary bytes. Checks: cleaned text and every split name
// hold only name characters (plus commas in the cleaned text) and are valid UTF-8; both report the
// same Dropped; the names joined by commas give the cleaned text back; cleaning is idempotent.
#include "base/TextEncoding.h"
#include "model/Fields.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace {

bool OnlyNameCharacters(std::string_view text, bool commaAllowed)
{
    size_t pos = 0;
    while (pos < text.size()) {
        size_t length = 1;
        if (text[pos] == ',') {
            if (!commaAllowed)
                return false;
        } else if (!IsFieldNameCharAt(text, pos, length)) {
            return false;
        }
        pos += length;
    }
    return true;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    int cleanDropped = -1;
    const std::string cleaned = CleanFieldName(text, cleanDropped);
    Check(cleanDropped == 0 || cleanDropped == 1);
    Check(OnlyNameCharacters(cleaned, true));
    Check(IsValidUtf8(cleaned));
    Check((cleanDropped == 0) == (cleaned == text));

    int again = -1;
    Check(CleanFieldName(cleaned, again) == cleaned && again == 0);

    int splitDropped = -1;
    TNameList list{"vorher"};
    SplitFieldNames(text, list, splitDropped);
    Check(splitDropped == cleanDropped);
    Check(!list.empty() && list.front() == "vorher");

    std::string joined;
    for (size_t i = 1; i < list.size(); ++i) {
        Check(OnlyNameCharacters(list[i], false));
        if (i > 1)
            joined += ',';
        joined += list[i];
    }
    // A final comma ends a name without starting a new one, so it is not in the join.
    if (!cleaned.empty() && cleaned.back() == ',')
        joined += ',';
    Check(joined == cleaned);
    // The last name is never empty unless a comma ended it.
    if (list.size() > 1 && list.back().empty())
        Check(!cleaned.empty() && cleaned.back() == ',');
    return 0;
}
