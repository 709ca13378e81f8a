// The commands on the open project (new from the template, open, save, clone, settings) without the
// window: the steps, questions and messages. The window supplies the settings dialog and its display
// through a small host interface; file choices go through the file chooser.
#pragma once

#include "app/core/ActionHost.h"
#include "app/core/Namespace.h"

#include <string>

namespace dedezuviv::model {
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

// What the project commands need of the window beyond the common checks.
class IProjectCommandsHost : public IActionHost {
public:
    // Shows the settings dialog for the project modally; true when it was closed with OK (the dialog
    // has then changed the project).
    virtual bool EditProjectSettings(TProject& project) = 0;
};

inline constexpr const char* ProjectFileFilter = "Projekte (*.p-p)|*.p-p";
inline constexpr const char* ProjectFileExtension = "p-p";

// The template of new projects, "Project.pxp" among the program's resources. Tests set another file
// (an empty text restores the lookup).
std::string ProjectTemplateFile();
void SetProjectTemplateFile(const std::string& fileName);

// "Neues Projekt anlegen": asks to stop a running reception and to save a modified project, reads the
// template, asks for the new file and shows the settings; only with a file chosen, the settings closed
// with OK and the file written is the new project kept. Otherwise the previous project is read again
// from its file (no project when there was none).
void NewProjectCommand(IProjectCommandsHost& host);

// "Projekt laden": asks to stop a running reception, then for a file; before the open project is
// closed, a modified one may be saved (Yes), dropped (No), or the command stopped (Cancel). A file that
// cannot be read leaves no project and the error "Fehler beim Datei einlesen. ".
void LoadProjectCommand(IProjectCommandsHost& host);

// "Projekt speichern": writes the open project to its file; a project without file asks for one.
// Returns whether the project was written.
bool SaveProjectCommand(IProjectCommandsHost& host);

// "Projekt klonen": writes the open project to a newly chosen file, which becomes the project's file
// when it was written; the old file stays as it was.
void CloneProjectCommand(IProjectCommandsHost& host);

// "Projekteinstellungen bearbeiten": the settings dialog for the open project, which is modified
// after OK.
void ProjectSettingsCommand(IProjectCommandsHost& host);

}  // namespace dedezuviv::app
