#include "app/gui/ProjectCommands.h"

#include "app/core/ProjectActions.h"
#include "app/gui/CommandHost.h"
#include "app/gui/DatasetDefinitionDlg.h"
#include "app/gui/ProjectSettingsDlg.h"
#include "app/gui/WindowDialog.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

namespace {

// The window's command host as the host of the project commands' core actions.
class TProjectActionsHost : public IProjectCommandsHost {
public:
    explicit TProjectActionsHost(ICommandHost& host) : Host(host) {}
    bool NoActProject() override { return Host.NoActProject(); }
    bool ConfirmStopLogging() override { return Host.ConfirmStopLogging(); }
    void RefreshDisplay() override { Host.RefreshDisplay(); }
    bool EditProjectSettings(TProject& project) override
    {
        TProjectGeneralDlg& dialog = ProjectGeneralDlg(Host);
        dialog.EditedProject = &project;
        const bool accepted = dialog.exec() == QDialog::Accepted;
        dialog.EditedProject = nullptr;
        return accepted;
    }

private:
    ICommandHost& Host;
};

}  // namespace

TProjectGeneralDlg& ProjectGeneralDlg(ICommandHost& host)
{
    return WindowDialog<TProjectGeneralDlg>(host.DialogParent());
}

TVarConfigDlg& VarConfigDlg(ICommandHost& host) { return WindowDialog<TVarConfigDlg>(host.DialogParent()); }

void NewProject1Click(ICommandHost& host)
{
    TProjectActionsHost actions(host);
    NewProjectCommand(actions);
}

void LoadProject(ICommandHost& host)
{
    TProjectActionsHost actions(host);
    LoadProjectCommand(actions);
}

void Save1Click(ICommandHost& host)
{
    TProjectActionsHost actions(host);
    SaveProjectCommand(actions);
}

void SaveAs1Click(ICommandHost& host)
{
    TProjectActionsHost actions(host);
    CloneProjectCommand(actions);
}

void GeneralSetup1Click(ICommandHost& host)
{
    TProjectActionsHost actions(host);
    ProjectSettingsCommand(actions);
}

void NameLabelClick(ICommandHost& host) { GeneralSetup1Click(host); }

void DatasetDefinitionsClick(ICommandHost& host)
{
    if (host.NoActProject() || !host.ConfirmStopLogging())
        return;
    TVarConfigDlg& dialog = VarConfigDlg(host);
    dialog.LoadFromProject(*CurrentProject());
    // The project may have been closed while the dialog was open.
    if (dialog.exec() == QDialog::Accepted && CurrentProject() != nullptr) {
        bool error = false;
        dialog.SaveToProject(*CurrentProject(), error);
        // The lists are stored either way; only characters names may not hold were left out.
        if (error)
            InformUser("Zeichen, die in Feldnamen nicht erlaubt sind, wurden entfernt; die Datensatz-Definition "
                       "wurde gespeichert.");
    }
    host.RefreshDisplay();
}

void InstallProjectCommands(ICommandHost& host)
{
    const QString project = QStringLiteral("Projekt");
    const QString settings = QStringLiteral("Einstellungen");
    host.AddMenuRows({
        {project, QStringLiteral("Neues Projekt anlegen"), QKeySequence(Qt::CTRL | Qt::Key_N),
         [&host] { NewProject1Click(host); }},
        {project, QStringLiteral("Projekt laden"), {}, [&host] { LoadProject(host); }},
        {project, QStringLiteral("Projekt speichern"), QKeySequence(Qt::CTRL | Qt::Key_S), [&host] { Save1Click(host); }},
        {project, QStringLiteral("Projekt klonen"), {}, [&host] { SaveAs1Click(host); }},
        {settings, QStringLiteral("Datensatz-Definition bearbeiten"), {}, [&host] { DatasetDefinitionsClick(host); }},
        {settings, QStringLiteral("Projekteinstellungen bearbeiten"), {}, [&host] { GeneralSetup1Click(host); }},
    });
    host.SetSaveProjectCommand([&host] { Save1Click(host); });
}

}  // namespace dedezuviv::gui
