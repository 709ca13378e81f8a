// The logger without a window: the same start-up and options as the window, log lines on standard
// output, messages on standard error, no questions. Ends on SIGINT, SIGTERM or SIGHUP with the port
// closed and the settings file written.
#pragma once

#include "app/core/Namespace.h"

#include <string>
#include <vector>

namespace dedezuviv::app {

// Without a record for this long an open port is closed and opened again, and a port that could not
// be opened is tried again. Tests shorten it.
constexpr int DefaultHeadlessWatchdogIntervalMs = 20000;
extern int HeadlessWatchdogIntervalMs;

// Exit codes: 0 after a clean stop, 1 after the help text, 2 when no project could be opened or no
// port is set.
int RunHeadless(const std::vector<std::string>& arguments, const std::string& programFileName);

// True when the arguments ask for the logger without a window ("-headless", "/headless", "--headless").
bool HeadlessRequested(const std::vector<std::string>& arguments);

// Asks a running RunHeadless to stop, as the signals do (for tests that run it in a thread).
void RequestHeadlessStop();

}  // namespace dedezuviv::app
