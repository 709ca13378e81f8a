// The rules of the project settings dialog ("Projekteinstellungen") without the dialog: what its
// controls show for a project, and how their contents go back into the project on OK.
//
// Data roots are Linux paths. A Windows path from an old project ("D:\Daten", "\\server\share") counts
// as an explicit root as well, but it is shown and kept as it stands (expanding it here would make a
// folder named like it below the working folder), and the dialog says that it does not exist here.
#pragma once

#include "app/core/Namespace.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dedezuviv::model {
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

// The controls of the dialog.
struct TProjectSettingsForm {
    std::string Name;
    std::string Comment;
    std::string Path;           // "Projektverzeichnis:"
    bool SpecificPath = false;  // "Projektverzeichnis explizit angeben"
    std::string Interval;       // seconds, digits only
    bool ShowTableGrid = true;
};

// What the dialog shows when it becomes active: the explicit-root check on for an absolute root (or a
// Windows drive or share), the root expanded to a full path (empty stays empty), the interval in
// decimal.
TProjectSettingsForm ProjectSettingsForm(const TProject& project);

// Takes the form back into the project (the dialog's OK): name and comment as typed; the path without
// one trailing "\" or "/", expanded to a full path, as Root when the check is on, else Root empty;
// the grid; the interval when it is a whole number above 0, otherwise the message "Ungültiger Wert
// für das Sampling-Intervall wird nicht berücksichtigt." and the old interval stays. Returns whether
// the interval was taken.
bool ApplyProjectSettingsForm(const TProjectSettingsForm& form, TProject& project);

// "D:\...", "D:" or "\\server\...".
bool IsWindowsPath(std::string_view path);
// Whether the root names a folder by itself (absolute, or a Windows drive or share) rather than one
// relative to the working folder.
bool IsExplicitRoot(std::string_view root);
// The root as a full path without trailing separator; a Windows path and the empty text unchanged.
std::string ExpandRoot(const std::string& root);
// The interval text as a number, -1 when it is none (empty, other characters, out of range).
int32_t IntervalFromText(std::string_view text);

// A remark under the path for the folder the form would record into, empty when there is nothing
// to say: a Windows path does not exist here, a missing folder is made by the first recorded line, a
// file is no folder.
std::string ProjectPathNote(const TProjectSettingsForm& form);

}  // namespace dedezuviv::app
