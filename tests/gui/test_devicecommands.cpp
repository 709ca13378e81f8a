// The window's device commands (automatic detection from the menu and from the logging start, the port
// settings dialog) against the simulator on pty "ports", offscreen with scripted answers.
#include "GuiTestSupport.h"

#include "app/core/DeviceSearch.h"
#include "app/gui/CardImportCommands.h"
#include "app/gui/DeviceCommands.h"
#include "app/gui/GuiMain.h"
#include "app/gui/MainWindow.h"
#include "app/gui/ProjectCommands.h"
#include "app/gui/SerialPortConfigDlg.h"
#include "base/FormatSettings.h"
#include "device/CommPortList.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::device;
using namespace dedezuviv::model;
using namespace dedezuviv::app;
using namespace dedezuviv::gui;

using guitest::ScriptedDialogs;
using testsupport::BackgroundProgram;

namespace {

const std::string MenuQuestion =
    "Automatische Erkennung angeschlossener Geräte jetzt starten (bitte Gerät anschliessen)? ";

struct DeviceCommandsTest : ::testing::Test {
    std::unique_ptr<TMainPrgForm> Window;
    ScriptedDialogs Dialogs;
    testsupport::TempDir Dir;
    testsupport::PtyPair Pty;
    std::vector<std::string> Ports;

    void SetUp() override
    {
        SetGermanFormatSettings();
        Window = std::make_unique<TMainPrgForm>();
        ConnectWindowToCore(*Window);
        InstallDeviceCommands(*Window);
        InstallCardImportCommands(*Window);
        InstallProjectCommands(*Window);
        SetUserDialogs(&Dialogs);
        ASSERT_TRUE(Pty.Start());
        Ports = {Pty.EndA()};
        SetSerialPortNamesSource([this] { return Ports; });
        DeviceSearchListeningTimeMs = 1500;
    }

    void TearDown() override
    {
        DeviceSearchListeningTimeMs = DefaultDeviceSearchListeningTimeMs;
        SetSerialPortNamesSource(nullptr);
        CloseProject();
        ClearCurrentRecord();
        DisconnectWindowFromCore();
        Window.reset();
    }

    TProject& OpenProject(const std::string& port)
    {
        auto project = std::make_unique<TProject>();
        project->SetFileName((Dir / "Haus.p-p").string());
        project->Port.Name = port;
        project->SetModified(false);
        ReplaceCurrentProject(std::move(project));
        return *CurrentProject();
    }

    // The search started from the menu entry, with the menu question answered Yes.
    void DetectFromMenu(std::deque<TDialogAnswer> laterAnswers)
    {
        Dialogs.Answers = {TDialogAnswer::Yes};
        Dialogs.Answers.insert(Dialogs.Answers.end(), laterAnswers.begin(), laterAnswers.end());
        Window->MenuEntry(QStringLiteral("Angeschlossenes Gerät automatisch erkennen"))->trigger();
    }
};

TEST_F(DeviceCommandsTest, TheMenuEntryAsksFirstAndSearchesOnTheTerminalPage)
{
    OpenProject("/dev/ttyS0");
    Window->Pages->setCurrentIndex(1);
    Ports.clear();

    // No to the first question: nothing is searched.
    Dialogs.Answers = {TDialogAnswer::No};
    Window->MenuEntry(QStringLiteral("Angeschlossenes Gerät automatisch erkennen"))->trigger();
    ASSERT_EQ(Dialogs.Shown.size(), 1u);
    EXPECT_EQ(Dialogs.Shown[0].Text, MenuQuestion);
    EXPECT_EQ(Window->Pages->currentIndex(), 1);

    Dialogs.Shown.clear();
    DetectFromMenu({});
    EXPECT_EQ(Window->Pages->currentWidget(), Window->TerminalTab);
    EXPECT_EQ(Dialogs.Shown, (std::vector<ScriptedDialogs::Entry>{{"ask", MenuQuestion}, {"error", "Es wurde kein Gerät erkannt!"}}));
}

TEST_F(DeviceCommandsTest, StartWithoutPortSearchesAndLogsOnThePortFound)
{
    TProject& project = OpenProject("");
    BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, Pty.EndB(), {"--interval", "0.3"}));

    // The start command's own question, then the port question of the search.
    Dialogs.Answers = {TDialogAnswer::Yes, TDialogAnswer::Yes};
    Window->Start1Click();
    EXPECT_EQ(Dialogs.Count("ask"), 2);
    EXPECT_EQ(project.Port.Name, Pty.EndA());
    EXPECT_TRUE(LoggingActive());
    FreeRunningDataSource();
}

TEST_F(DeviceCommandsTest, PortDialogKeepsEarlierNamesSortsAndSetsThePortOnOk)
{
    TProject& project = OpenProject("/dev/ttyUSB0");
    Ports = {"/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyS2"};
    TSerialPortConfigDlg& dialog = SerialPortConfigDlg(*Window);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Serielle Schnittstelle");

    // Abbruch: nothing changes.
    QTimer::singleShot(0, [&dialog] { dialog.CancelButton->click(); });
    SerialPortConfiguration1Click(*Window);
    EXPECT_EQ(dialog.PortNames(), (std::vector<std::string>{"/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0"}));
    EXPECT_EQ(project.Port.Name, "/dev/ttyUSB0");
    EXPECT_FALSE(project.Modified);

    // The adapter is gone now; its name stays in the list. The current port is preselected.
    Ports = {"/dev/ttyS2", "/dev/ttyACM0"};
    std::string preselected;
    QTimer::singleShot(0, [&] {
        preselected = dialog.CBPort->currentText().toStdString();
        dialog.CBPort->setCurrentIndex(dialog.CBPort->findText(QStringLiteral("/dev/ttyACM0")));
        dialog.OKButton->click();
    });
    SerialPortConfiguration1Click(*Window);
    EXPECT_EQ(preselected, "/dev/ttyUSB0");
    EXPECT_EQ(dialog.PortNames(),
              (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0"}));
    EXPECT_EQ(project.Port.Name, "/dev/ttyACM0");
    EXPECT_TRUE(project.Modified);

    // A typed name is taken as it stands.
    QTimer::singleShot(0, [&] {
        dialog.CBPort->setEditText(QStringLiteral(" /dev/serial/by-id/usb-Regler "));
        dialog.OKButton->click();
    });
    SerialPortConfiguration1Click(*Window);
    EXPECT_EQ(project.Port.Name, "/dev/serial/by-id/usb-Regler");
}

}  // namespace
