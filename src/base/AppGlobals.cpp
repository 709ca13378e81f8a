#include "base/AppGlobals.h"
#include "base/BuildInfo.h"
#include "base/Namespace.h"

namespace dedezuviv::base {

// The project version of CMakeLists.txt.
const std::string VersionString = BuildVersionText();
const std::string ProgramTitle = "DEDEZUviv Temperaturdatenlogger";
const std::string CopyrightLine = "Copyright (c) 2026 DEDEZUviv";
const std::string WebAddress = "https://dedezuviv.example.org";
std::atomic<bool> DebugMode{false};
std::string AppDataDir;

}  // namespace dedezuviv::base
