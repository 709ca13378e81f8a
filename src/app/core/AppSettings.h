// The per-user settings file "dedezuviv.cfg" (window geometry, standard font, last project), the
// program's folders and the help text.
#pragma once

#include "app/core/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::model {
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

inline constexpr const char* AppSettingsFileName = "dedezuviv.cfg";

// What the settings file holds besides the project file name. Reading starts from the current values,
// which stay for every key the file does not have.
struct TAppSettings {
    int Width = 792;
    int Height = 524;
    int Left = 0;
    int Top = 150;
    std::string StandardFontName = "Tahoma";
    int StandardFontSize = 8;
    // $00BBGGRR, or a system colour with $FF in the top byte.
    int32_t StandardFontColor = 0;
};

// Error code 0 on success, -1 with "Datei "%s" nicht gefunden! " when the file does not exist (nothing
// changes then). A file that is not a settings file at all gives the current values, without message.
void ReadAppSettings(const std::string& fileName, TAppSettings& settings, std::string& projectFileName,
                     int& errorCode, std::string& errorText);
// Writes [Info], [Screen] and [General]; ProjectFilename only when a project is given, so the last
// project stays remembered otherwise. Other keys of the file are kept. Error code non-zero on failure.
void WriteAppSettings(const std::string& fileName, const TAppSettings& settings, const TProject* project,
                      int& errorCode, std::string& errorText);

// The folder of the running program, ending in "/".
std::string GetProgramDir();
// A resource of the program ("Project.pxp", "exportdef.cfg", "def"): beside the program first, then in
// the installed data folder; the path beside the program when neither exists.
std::string FindProgramResource(const std::string& name);
// The user's folder of local application data: $XDG_CONFIG_HOME, else ~/.config. Only the number 28
// is known; others give an empty text.
std::string GetSpecialFolderPath(int csidl);
// The full path of the settings file in AppDataDir, or empty when AppDataDir is empty.
std::string AppSettingsPath();

// The help text shown by the "help" option; line breaks are LF CR.
std::string HelpText(const std::string& programFileName);

}  // namespace dedezuviv::app
