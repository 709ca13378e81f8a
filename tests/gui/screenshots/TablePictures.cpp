#include "Pictures.h"
#include "ScreenshotStage.h"

#include "app/gui/AutoStartDlg.h"
#include "app/gui/AutostartCommands.h"
#include "app/gui/CellContentDlg.h"
#include "app/gui/DataTableGrid.h"
#include "app/gui/TableCommands.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "protocol/RecordDecoder.h"

#include <QApplication>
#include <QComboBox>
#include <QTabWidget>

#include <memory>

using namespace dedezuviv::protocol;
using namespace dedezuviv::model;
using namespace dedezuviv::gui;

namespace {

// The demo project on the page "Tabelle", showing a record as the simulator sends it (boiler above
// its range, hot water below), with a data folder as on a user's machine rather than the source tree.
bool ShowDemoTable(TScreenshotStage& stage)
{
    int result = -1;
    std::string error;
    LoadProjectFile(testsupport::SourcePath("data/demo/Demo.p-p").string(), result, error);
    if (result != 0)
        return false;
    CurrentProject()->Root = "/home/anna/Heizung/Demo";
    auto record = std::make_unique<TDecodedRecord>();
    if (!TOrvaProtocol::DecodeRecordText("MD/p100013/v0102/t+003,20/t+066,40/t+044,10/t+036,20/t+047,30"
                                         "/n1234,5/n2345/d0,85/i1001/m12/o1101/xFF/y08.12.26/z14:26:40",
                                         *record))
        return false;
    TMainPrgForm& window = stage.Window();
    window.resize(820, 520);
    window.Pages->setCurrentIndex(2);
    window.show();
    window.ShowRecord(*record);
    QApplication::processEvents();
    return true;
}

}  // namespace

bool TablePagePicture(const std::string& file)
{
    TScreenshotStage stage;
    return ShowDemoTable(stage) && SaveScreenshot(stage.Window(), file);
}

bool CellDialogPicture(const std::string& file)
{
    TScreenshotStage stage;
    if (!ShowDemoTable(stage))
        return false;
    TMainPrgForm& window = stage.Window();
    window.DataTable->setCurrentCell(2, 0);  // "Kessel"
    return stage.DialogPicture(CellContentDlg(window), nullptr, [&window] { EditDataField(window); }, file);
}

bool AutostartDialogPicture(const std::string& file)
{
    TScreenshotStage stage;
    auto project = std::make_unique<TProject>();
    project->SetFileName((stage.Dir / "Anlagen/Haus 1.p-p").string());
    ReplaceCurrentProject(std::move(project));
    TAutoStartDlg& dialog = AutoStartDlg(stage.Window());
    return stage.DialogPicture(
        dialog, [&dialog] { dialog.ParameterComboBox->setCurrentIndex(1); },
        stage.MenuCommand("Werkzeuge", "Autostart-Eintrag anlegen"), file);
}
