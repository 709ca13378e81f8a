// Command-line options of the program: "/name=value", "-name:value", "/name" ... looked up by a long
// and a short name without regard to case.
#pragma once

#include "app/core/Namespace.h"

#include <string>
#include <vector>

namespace dedezuviv::app {

// The arguments to scan (without the program name). Set once at start; tests set their own.
void SetCommandLineArguments(std::vector<std::string> arguments);
const std::vector<std::string>& CommandLineArguments();

// True if an argument names the option; Value receives its text (unquoted when it is a properly
// quoted string). The first matching argument wins.
bool GetCommandLineOption(const std::string& longName, const std::string& shortName, std::string& value);
// True if the option is present with an empty value or with "ON" (any case).
bool IsCommandLineSwitchOn(const std::string& longName, const std::string& shortName);

}  // namespace dedezuviv::app
