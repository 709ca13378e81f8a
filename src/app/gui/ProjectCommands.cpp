#include "app/gui/ProjectCommands.h"

#include "app/core/ProjectActions.h"
#include "app/gui/DatasetDefinitionDlg.h"
#include "app/gui/MainWindow.h"
#include "app/gui/ProjectSettingsDlg.h"
#include "app/gui/WindowDialog.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"


namespace {

// The window as the host of the project commands.
class TWindowProjectHost : public IProjectCommandsHost {
public:
    explicit TWindowProjectHost(TMainPrgForm& window) : Window(window) {}
    bool NoActProject() override { return Window.NoActProject(); }
    bool ConfirmStopLogging() override { return Window.ConfirmStopLogging(); }
    void RefreshDisplay() override { Window.RefreshDisplay(); }
    bool EditProjectSettings(TProject& project) override
    {
        TProjectGeneralDlg& dialog = ProjectGeneralDlg(Window);
        dialog.EditedProject = &project;
        const bool accepted = dialog.exec() == QDialog::Accepted;
        dialog.EditedProject = nullptr;
        return accepted;
    }

private:
    TMainPrgForm& Window;
};

}  // namespace

TProjectGeneralDlg& ProjectGeneralDlg(TMainPrgForm& window) { return WindowDialog<TProjectGeneralDlg>(window); }

TVarConfigDlg& VarConfigDlg(TMainPrgForm& window) { return WindowDialog<TVarConfigDlg>(window); }

void NewProject1Click(TMainPrgForm& window)
{
    TWindowProjectHost host(window);
    NewProjectCommand(host);
}

void LoadProject(TMainPrgForm& window)
{
    TWindowProjectHost host(window);
    LoadProjectCommand(host);
}

void Save1Click(TMainPrgForm& window)
{
    TWindowProjectHost host(window);
    SaveProjectCommand(host);
}

void SaveAs1Click(TMainPrgForm& window)
{
    TWindowProjectHost host(window);
    CloneProjectCommand(host);
}

void GeneralSetup1Click(TMainPrgForm& window)
{
    TWindowProjectHost host(window);
    ProjectSettingsCommand(host);
}

void NameLabelClick(TMainPrgForm& window) { GeneralSetup1Click(window); }

void DatasetDefinitionsClick(TMainPrgForm& window)
{
    if (window.NoActProject() || !window.ConfirmStopLogging())
        return;
    TVarConfigDlg& dialog = VarConfigDlg(window);
    dialog.LoadFromProject(*CurrentProject());
    // The project may have been closed while the dialog was open.
    if (dialog.exec() == QDialog::Accepted && CurrentProject() != nullptr) {
        bool error = false;
        dialog.SaveToProject(*CurrentProject(), error);
        if (error)
            ShowError("Die Einstellungenen konnten nicht gespeichert werden.");
    }
    window.RefreshDisplay();
}

void InstallProjectCommands(TMainPrgForm& window)
{
    const QString project = QStringLiteral("Projekt");
    window.ConnectEntry(project, QStringLiteral("Neues Projekt anlegen"), [&window] { NewProject1Click(window); });
    window.ConnectEntry(project, QStringLiteral("Projekt laden"), [&window] { LoadProject(window); });
    window.ConnectEntry(project, QStringLiteral("Projekt speichern"), [&window] { Save1Click(window); });
    window.ConnectEntry(project, QStringLiteral("Projekt klonen"), [&window] { SaveAs1Click(window); });
    const QString settings = QStringLiteral("Einstellungen");
    window.ConnectEntry(settings, QStringLiteral("Datensatz-Definition bearbeiten"),
                        [&window] { DatasetDefinitionsClick(window); });
    window.ConnectEntry(settings, QStringLiteral("Projekteinstellungen bearbeiten"),
                        [&window] { GeneralSetup1Click(window); });
}
