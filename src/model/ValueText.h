// The display text of a decoded value, in the process's format settings: the live display, the data
// table and the network value server show values this way.
#pragma once

#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <string>

namespace dedezuviv::model {

std::string ValueToText(const TFieldValue& value);

}  // namespace dedezuviv::model
