// The two process-wide log callbacks through which the non-window code writes to the log. The window
// (or the headless runner) registers them at start-up; with none registered nothing is output.
// Both are called on the main thread only.
#pragma once

#include "base/Namespace.h"

#include <functional>
#include <string>

namespace dedezuviv::base {

using TLogCallback = std::function<void(const std::string&)>;

void SetLogCallbacks(TLogCallback logMessage, TLogCallback debugInfo);
void ClearLogCallbacks();

// A time-stamped line in the log.
void LogMessage(const std::string& text);
// A debug line (the receiver decides whether debug mode shows it).
void DebugInfo(const std::string& text);

}  // namespace dedezuviv::base
