// The texts of an autostart entry: the command-line arguments of the three choices, the XDG desktop
// entry that starts the program at login, and the systemd drop-in that starts it headless with the
// user's service manager. Only texts here; the files are written by Autostart.h.
#pragma once

#include "app/core/Namespace.h"

#include <string>
#include <vector>

namespace dedezuviv::app {

inline constexpr const char* AutostartLinkName = "DEDEZUviv Temperaturdatenlogger";
inline constexpr int AutostartChoiceCount = 3;

// The texts of the three choices, in their order.
const std::vector<std::string>& AutostartChoiceTexts();

// The value in double quotes, every double quote inside doubled (the command line's quoting).
std::string QuotedOptionValue(const std::string& value);

// The arguments of a choice, one element per program argument:
//   0: /PROJECT="<file>" /START
//   1: /PROJECT="<file>" /PORT="AUTO" /START
//   2 (and any other index, such as -1 for a typed-over choice): /START
std::vector<std::string> AutostartArguments(int choice, const std::string& projectFileName);
// The arguments as one text, each preceded by a blank (" /PROJECT=... /START").
std::string ArgumentsText(const std::vector<std::string>& arguments);
// Whether a choice needs the project's file.
bool ChoiceNeedsProject(int choice);

// One argument of a desktop entry's Exec key: as it is when it holds no reserved character, else in
// double quotes with " ` $ \ escaped by a backslash; a "%" is doubled. The result is still to be
// written through DesktopStringValue.
std::string DesktopExecArgument(const std::string& argument);
// A string value of a desktop entry: backslash, line breaks and tabs escaped, a leading blank as \s.
std::string DesktopStringValue(const std::string& text);
// The whole autostart desktop entry for the program with its arguments, started in ProgramDir.
std::string AutostartDesktopEntry(const std::string& programPath, const std::string& programDir,
                                  const std::vector<std::string>& arguments);

// One word of a systemd command line: as it is when safe, else in double quotes with C escapes;
// "%" and "$" doubled so systemd takes them literally.
std::string SystemdExecArgument(const std::string& argument);
// The first line of the systemd files this program writes; a file that starts with it is ours to remove.
extern const char* const AutostartSystemdMarker;
// The drop-in for the user unit: replaces its ExecStart by the program, "-headless" and the
// arguments.
std::string AutostartSystemdDropIn(const std::string& programPath, const std::string& programDir,
                                   const std::vector<std::string>& arguments);
// The whole user unit, for a program that was not installed with its own (started from the build
// tree, or copied by hand): the same service, started headless with the arguments.
std::string AutostartSystemdUnit(const std::string& programPath, const std::string& programDir,
                                 const std::vector<std::string>& arguments);

}  // namespace dedezuviv::app
