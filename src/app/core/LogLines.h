// The form of log lines, shared by the window's terminal and the headless logger's standard output.
#pragma once

#include "app/core/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::app {

// "<date time> text" with the PC's current date and time.
std::string TimeStampedLogLine(const std::string& text);
// In debug mode every log line is also appended to "debug.log" in the current project's data folder,
// stamped with the date only. Does nothing outside debug mode or without a project. The file is kept
// below DebugLogSizeLimit (network clients can cause a line per request): when a line would take it
// beyond, it becomes "debug.log.1" (replacing the previous one) and a new "debug.log" starts.
void AppendToDebugLog(const std::string& text);
// The size limit of debug.log in bytes (tests lower it).
extern int64_t DebugLogSizeLimit;
// Appends the line (with CR LF) to the file; first renames a file that the line would take beyond the
// limit to the file name + ".1". False when the line could not be written.
bool AppendLineRotating(const std::string& fileName, const std::string& line, int64_t sizeLimit);
// The text of a debug line as it appears in the log.
std::string DebugLogText(const std::string& text);

}  // namespace dedezuviv::app
