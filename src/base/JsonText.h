// JSON text pieces for the programs' machine-readable output (the tool's JSON, the MQTT messages).
#pragma once

#include "base/Namespace.h"

#include <string>
#include <string_view>

namespace dedezuviv::base {

// The text as a JSON string with quotes; control characters escaped, UTF-8 kept as it is.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace dedezuviv::base
