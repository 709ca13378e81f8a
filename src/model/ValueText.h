// The display text of a decoded value, in the process's format settings: the live display, the data
// table and the network value server show values this way.
#pragma once

#include "protocol/RecordDecoder.h"

#include <string>

std::string ValueToText(const TFieldValue& value);
