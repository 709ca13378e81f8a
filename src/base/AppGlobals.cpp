#include "base/AppGlobals.h"
#include "base/Namespace.h"

namespace dedezuviv::base {

const std::string VersionString = "1.250";
const std::string ProgramTitle = "DEDEZUviv Temperaturdatenlogger";
const std::string CopyrightLine = "Copyright (c) 2026 DEDEZUviv";
const std::string WebAddress = "https://dedezuviv.example.org";
std::atomic<bool> DebugMode{false};
std::string AppDataDir;

}  // namespace dedezuviv::base
