// Autostart entries that start the program with a project when the user logs in: an XDG autostart
// desktop entry for the current user ($XDG_CONFIG_HOME/autostart) or for all users
// (/etc/xdg/autostart), or, for a box without a desktop session, the installed systemd user unit
// "dedezuviv.service" enabled with a drop-in that holds the arguments (a program that was not installed
// writes the unit itself into the user's unit folder). There is at most one entry per
// place, always under the same name; creating one removes the others.
#pragma once

#include "app/core/Namespace.h"

#include <string>
#include <vector>

namespace dedezuviv::model {
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

enum class TAutostartScope { CurrentUser, AllUsers, SystemdUser };

inline constexpr const char* AutostartServiceName = "dedezuviv.service";

// Where the entries go and what they start. The process-wide value comes from the environment;
// tests point it at temporary folders and a stand-in for systemctl.
struct TAutostartPlaces {
    std::string UserFolder;         // $XDG_CONFIG_HOME/autostart (default ~/.config/autostart)
    std::string AllUsersFolder;     // /etc/xdg/autostart
    std::string SystemdUserFolder;  // $XDG_CONFIG_HOME/systemd/user
    // Where an installed program's user unit lies (/etc/systemd/user, /usr/lib/systemd/user, ...).
    std::vector<std::string> SystemdUnitFolders;
    std::string Systemctl = "systemctl";
    std::string ProgramPath;        // the running program
    std::string ProgramDir;         // its folder, ending in "/"
};

TAutostartPlaces DefaultAutostartPlaces();
TAutostartPlaces& AutostartPlaces();

// The file of the entry with the link name in a scope: the desktop entry, or the systemd drop-in.
// Empty when the place is unknown (no home folder).
std::string AutostartEntryPath(const std::string& linkName, TAutostartScope scope, const TAutostartPlaces& places);

// Creates (Create) or deletes the entry with the link name in the scope's place. True when the entry
// exists after creating, or does not exist after deleting; otherwise Reason says why. A failed create
// leaves nothing behind. Deleting the systemd entry disables the unit only when the drop-in written
// by this program is there, so a unit the user enabled by hand stays as it is.
bool UpdateStartupLink(const std::string& linkName, const std::string& targetPath, const std::string& targetDir,
                       const std::vector<std::string>& arguments, bool create, TAutostartScope scope,
                       std::string& reason, const TAutostartPlaces& places);
// The same with the program's link name, the running program as target and the process-wide places.
bool SetStartupLink(const std::vector<std::string>& arguments, TAutostartScope scope, bool create, std::string& reason);

// "Autostart-Eintrag anlegen" after its dialog: the choice's arguments (the project's file for
// choices 0 and 1; without an open, saved project they are refused), every existing entry removed,
// the new one made in the scope, and the outcome told to the user. True when the entry was made.
bool AddAutostartEntry(int choice, TAutostartScope scope, const TProject* project);
// "Autostart-Eintrag löschen": asks, removes the entries of every place and tells the outcome.
void DeleteAutostartEntries();

}  // namespace dedezuviv::app
