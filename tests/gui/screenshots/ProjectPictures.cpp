#include "Pictures.h"
#include "ScreenshotStage.h"

#include "app/gui/DatasetDefinitionDlg.h"
#include "app/gui/MqttSettingsPage.h"
#include "app/gui/ProjectCommands.h"
#include "app/gui/ProjectSettingsDlg.h"
#include "model/LiveState.h"
#include "model/Project.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <memory>

using namespace dedezuviv::model;
using namespace dedezuviv::gui;

namespace {

// A project as a user has just set it up.
TProject& OpenHouseProject(TScreenshotStage& stage)
{
    auto project = std::make_unique<TProject>();
    project->SetFileName((stage.Dir / "Haus.p-p").string());
    project->SetName("Haus Müller ✓");
    project->SetComment("Heizung mit Solar und Warmwasser");
    project->SamplingInterval = 60;
    ReplaceCurrentProject(std::move(project));
    return *CurrentProject();
}

}  // namespace

bool ProjectSettingsPicture(const std::string& file)
{
    TScreenshotStage stage;
    OpenHouseProject(stage);
    return stage.DialogPicture(ProjectGeneralDlg(stage.Window()), nullptr,
                               stage.MenuCommand("Einstellungen", "Projekteinstellungen bearbeiten"), file);
}

bool MqttSettingsPicture(const std::string& file)
{
    TScreenshotStage stage;
    OpenHouseProject(stage);
    TProjectGeneralDlg& dialog = ProjectGeneralDlg(stage.Window());
    return stage.DialogPicture(
        dialog,
        [&dialog] {
            dialog.MqttPage->BrokerEdit->setText(QStringLiteral("localhost:1883"));
            dialog.MqttPage->TopicEdit->setText(QStringLiteral("haus/heizung"));
            dialog.MqttPage->FieldTopicsCB->setChecked(true);
            dialog.Pages->setCurrentWidget(dialog.MqttPage);
        },
        stage.MenuCommand("Einstellungen", "Projekteinstellungen bearbeiten"), file);
}

bool DatasetDefinitionPicture(const std::string& file)
{
    TScreenshotStage stage;
    TProject& project = OpenHouseProject(stage);
    project.FieldNames[ftTemperature] = {"Alt"};
    project.FieldNames[ftCounter] = {"Starts"};
    testsupport::WriteFile(stage.Dir / "regler.def", "[Version Export]\r\nMESSEINGAENGE=3\r\nRELAISAUSGAENGE=4\r\n"
                                                     "EA_Kessel=1\r\nEA_Aussen=3\r\nAR_Pumpe=2\r\n");
    stage.Files.Answers = {(stage.Dir / "regler.def").string()};
    TVarConfigDlg& dialog = VarConfigDlg(stage.Window());
    return stage.DialogPicture(
        dialog, [&dialog] { dialog.LoadDefBtn->click(); },
        stage.MenuCommand("Einstellungen", "Datensatz-Definition bearbeiten"), file);
}
