#include "app/core/ProjectActions.h"

#include "app/core/AppSettings.h"
#include "app/core/FileChooser.h"
#include "base/Log.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

#include <filesystem>
#include <memory>
#include <system_error>

namespace dedezuviv::app {

namespace {

const char* const NotSavedMessage = "Die Einstellungenen konnten nicht gespeichert werden.";
const char* const SaveQuestion = "Soll das Projekt gespeichert werden vor Beendigung des Programms? ";
const char* const SaveBeforeLoadingQuestion = "Soll das Projekt gespeichert werden, bevor ein anderes Projekt geladen wird?";
const char* const SaveAsTitle = "Projekt speichern als";

std::string& TemplateOverride()
{
    static std::string fileName;
    return fileName;
}

std::string FullPath(const std::string& fileName)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(fileName, error);
    return error ? fileName : absolute.lexically_normal().string();
}

// Writes the project; on failure the message, with the reason in the log. True when written.
bool WriteProject(TProject& project, const std::string& fileName)
{
    int result = 0;
    std::string errorText;
    SaveProjectFile(project, fileName, result, errorText);
    if (result == 0)
        return true;
    if (!errorText.empty())
        LogMessage(errorText);
    ShowError(NotSavedMessage);
    return false;
}

// The question before a modified project is left. False when the command is to stop: the user
// cancelled, or the project could not be saved.
bool SaveModifiedBeforeLeaving(IProjectCommandsHost& host, const char* question)
{
    const TProject* project = CurrentProject();
    if (project == nullptr || !project->Modified)
        return true;
    switch (AskUser(question, true)) {
    case TDialogAnswer::Yes:
        SaveProjectCommand(host);
        return CurrentProject() == nullptr || !CurrentProject()->Modified;
    case TDialogAnswer::No:
        return true;
    default:
        return false;
    }
}

// Opens the file as the current project; false (and no project, the window's table and chart
// cleared) when it cannot be read.
bool OpenProjectFile(const std::string& fileName, std::string& errorText)
{
    int result = 0;
    LoadProjectFile(fileName, result, errorText);
    if (result == 0)
        return true;
    CloseProject();
    return false;
}

}  // namespace

std::string ProjectTemplateFile()
{
    return TemplateOverride().empty() ? FindProgramResource("Project.pxp") : TemplateOverride();
}

void SetProjectTemplateFile(const std::string& fileName) { TemplateOverride() = fileName; }

void NewProjectCommand(IProjectCommandsHost& host)
{
    // Reading the template closes the open project with its port.
    if (!host.ConfirmStopLogging())
        return;
    const std::string previousFile = CurrentProject() ? CurrentProject()->GetFileName() : std::string();
    if (!SaveModifiedBeforeLeaving(host, SaveQuestion)) {
        host.RefreshDisplay();
        return;
    }

    const std::string templateFile = ProjectTemplateFile();
    std::string errorText;
    if (OpenProjectFile(templateFile, errorText)) {
        // The new project has no file until it is saved; it must never be written over the template.
        CurrentProject()->SetFileName(std::string());
    } else {
        ReplaceCurrentProject(std::make_unique<TProject>());
        InformUser("Template-Datei \"" + templateFile + "\" für neues Projekt nicht gefunden!");
    }

    bool kept = false;
    const std::string fileName = ChooseSaveFile(SaveAsTitle, ProjectFileFilter, ProjectFileExtension);
    if (!fileName.empty() && host.EditProjectSettings(*CurrentProject()) && CurrentProject()) {
        kept = WriteProject(*CurrentProject(), fileName);
        if (kept)
            CurrentProject()->SetFileName(FullPath(fileName));
    }
    if (!kept) {
        if (previousFile.empty())
            CloseProject();
        else
            OpenProjectFile(previousFile, errorText);
    }
    host.RefreshDisplay();
}

void LoadProjectCommand(IProjectCommandsHost& host)
{
    if (!host.ConfirmStopLogging())
        return;
    const std::string fileName = ChooseOpenFile("Projekt laden", ProjectFileFilter);
    // Changes not yet saved would be lost with the project; the user decides first.
    if (!fileName.empty() && SaveModifiedBeforeLeaving(host, SaveBeforeLoadingQuestion)) {
        CloseProject();
        std::string errorText;
        if (!OpenProjectFile(fileName, errorText)) {
            if (!errorText.empty())
                LogMessage(errorText);
            ShowError("Fehler beim Datei einlesen. ");
        }
    }
    host.RefreshDisplay();
}

bool SaveProjectCommand(IProjectCommandsHost& host)
{
    if (host.NoActProject())
        return false;
    TProject& project = *CurrentProject();
    std::string fileName = project.GetFileName();
    const bool newFile = fileName.empty();
    if (newFile)
        fileName = ChooseSaveFile(SaveAsTitle, ProjectFileFilter, ProjectFileExtension);
    bool written = false;
    if (!fileName.empty()) {
        written = WriteProject(project, fileName);
        if (written && newFile)
            project.SetFileName(FullPath(fileName));
    }
    host.RefreshDisplay();
    return written;
}

void CloneProjectCommand(IProjectCommandsHost& host)
{
    if (host.NoActProject())
        return;
    const std::string fileName = ChooseSaveFile(SaveAsTitle, ProjectFileFilter, ProjectFileExtension);
    if (!fileName.empty() && WriteProject(*CurrentProject(), fileName))
        CurrentProject()->SetFileName(FullPath(fileName));
    host.RefreshDisplay();
}

void ProjectSettingsCommand(IProjectCommandsHost& host)
{
    if (host.NoActProject())
        return;
    if (host.EditProjectSettings(*CurrentProject()) && CurrentProject())
        CurrentProject()->SetModified(true);
    host.RefreshDisplay();
}

}  // namespace dedezuviv::app
