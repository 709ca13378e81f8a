// Process-wide state of the program set up at start.
#pragma once

#include "base/Namespace.h"

#include <atomic>
#include <string>

namespace dedezuviv::base {

// "1.250": the version 1.25 with three decimals and a point, whatever the locale.
extern const std::string VersionString;
constexpr int VersionNumber = 1250;
extern const std::string ProgramTitle;    // "DEDEZUviv Temperaturdatenlogger"
extern const std::string CopyrightLine;
extern const std::string WebAddress;

// Switched by the "debug" command-line option.
extern std::atomic<bool> DebugMode;
// The user's folder for local application data ("dedezuviv.cfg" lies directly in it).
extern std::string AppDataDir;

}  // namespace dedezuviv::base
