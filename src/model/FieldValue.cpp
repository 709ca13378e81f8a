#include "model/FieldValue.h"

#include "model/Project.h"
#include "model/Namespace.h"

#include <algorithm>

namespace dedezuviv::model {

bool GetFieldValue(const TProject* project, const TDecodedRecord& record, std::string_view name,
                   int& fieldType, TFieldValue& value)
{
    value = TFieldValue{};
    fieldType = -1;

    const TRecordHeader& header = record.Header;
    switch (SystemFieldIndex(name)) {
    case 0: value.Kind = vkInteger; value.IntValue = header.Program; return true;
    case 1: value.Kind = vkInteger; value.IntValue = header.Version; return true;
    case 2: value.Kind = vkInteger; value.IntValue = header.Subversion; return true;
    case 3: value.Kind = vkInteger; value.IntValue = header.ID; return true;
    case 4: value.Kind = vkDateTime; value.DateTimeValue = header.RT; return true;
    case 5: value.Kind = vkDateTime; value.DateTimeValue = header.PC; return true;
    default: break;
    }

    if (project == nullptr)
        return false;
    for (int t = 0; t < FieldTypeCount; ++t) {
        const auto type = static_cast<TFieldType>(t);
        const TNameList& names = project->FieldNames[t];
        for (size_t p = 0; p < names.size(); ++p) {
            if (!MatchesQualifiedName(name, names[p], type))
                continue;
            // The first matching definition decides, whether or not the record has its value.
            const size_t count = std::min<size_t>(record.Counts[t], MaxValuesPerType);
            if (p < count) {
                value = record.Values[t][p];
                fieldType = t;
            }
            return value.Kind != vkNone;
        }
    }
    return false;
}

}  // namespace dedezuviv::model
