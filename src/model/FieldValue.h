// The lookup of a field's current value in a decoded record by its name in a project's definitions.
#pragma once

#include "model/Fields.h"
#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <string_view>

namespace dedezuviv::model {

class TProject;

// The current value of a field in a decoded record.
// - A system field name (any ASCII case) gives the header's value (vkInteger for Program, Version,
//   Subversion and ID, vkDateTime for RT and PC); FieldType is -1.
// - Otherwise the project's definitions are searched in type order and list order; the first entry
//   whose qualified name equals Name (ASCII case ignored) decides: if the record holds a value at that
//   position, Value is a copy of it and FieldType the type; else Value has kind vkNone.
// - Not found, no project, empty entries and unqualified names: kind vkNone, FieldType -1.
// Returns whether Value holds a value (its kind is not vkNone).
bool GetFieldValue(const TProject* project, const TDecodedRecord& record, std::string_view name,
                   int& fieldType, TFieldValue& value);

}  // namespace dedezuviv::model
