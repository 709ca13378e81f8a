// The text and colour a table cell shows for the current record.
#pragma once

#include "model/window/DataField.h"
#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <string>

namespace dedezuviv::model {

class TProject;

// Caption part + value text + unit part, and the cell's DisplayColor by its limits: below MinVal the
// min colour, above MaxVal the max colour (max wins); equal values, date-times and missing values keep
// the normal colour.
std::string CellDisplayText(TDataField& field, const TProject* project, const TDecodedRecord& record);

}  // namespace dedezuviv::model
