// The form of log lines, shared by the window's terminal and the headless logger's standard output.
#pragma once

#include <string>

// "<date time> text" with the PC's current date and time.
std::string TimeStampedLogLine(const std::string& text);
// In debug mode every log line is also appended to "debug.log" in the current project's data folder,
// stamped with the date only. Does nothing outside debug mode or without a project.
void AppendToDebugLog(const std::string& text);
// The text of a debug line as it appears in the log.
std::string DebugLogText(const std::string& text);
