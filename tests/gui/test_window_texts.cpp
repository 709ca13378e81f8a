// The main window's texts: the standard font's colour on the field list, the table and the project
// labels, and status bar panels that show their whole texts.
#include "GuiTestSupport.h"

#include "app/gui/DataTableGrid.h"
#include "app/gui/GuiMain.h"
#include "app/gui/MainWindow.h"
#include "app/gui/StandardFont.h"
#include "base/FormatSettings.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::gui;

namespace {

struct WindowTextsTest : ::testing::Test {
    std::unique_ptr<TMainPrgForm> Window;
    guitest::ScriptedDialogs Dialogs;
    testsupport::TempDir Dir;
    int32_t SavedColor = 0;

    void SetUp() override
    {
        SetGermanFormatSettings();
        SavedColor = StandardFont().Color;
        Window = std::make_unique<TMainPrgForm>();
        ConnectWindowToCore(*Window);
        SetUserDialogs(&Dialogs);
    }

    void TearDown() override
    {
        StandardFont().Color = SavedColor;
        CloseProject();
        DisconnectWindowFromCore();
        Window.reset();
    }

    TProject& OpenProject(const std::string& port)
    {
        auto project = std::make_unique<TProject>();
        project->SetFileName((Dir / "Heizungsanlage Hauptgebäude Nordflügel.p-p").string());
        project->Port.Name = port;
        project->RecordingToFile = true;
        ReplaceCurrentProject(std::move(project));
        Window->RefreshDisplay();
        return *CurrentProject();
    }
};

QColor TextColor(const QWidget* widget) { return widget->palette().color(QPalette::Text); }
QColor LabelColor(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }

}  // namespace

TEST_F(WindowTextsTest, StandardFontColourReachesFieldListTableAndLabels)
{
    OpenProject("/dev/ttyUSB0");
    StandardFont().Color = 0x0000C0;  // $00BBGGRR: dark red
    Window->RefreshDisplay();
    const QColor red(0xC0, 0, 0);
    EXPECT_EQ(TextColor(Window->FieldList), red);
    EXPECT_EQ(TextColor(Window->DataTable), red);
    for (const QLabel* label : {Window->NameLabel, Window->CommentLabel, Window->DirectoryLabel})
        EXPECT_EQ(LabelColor(label), red);

    // A system colour as older settings files hold it (clWindowText): the palette's text colour.
    StandardFont().Color = static_cast<int32_t>(0xFF000008u);
    Window->RefreshDisplay();
    EXPECT_EQ(TextColor(Window->FieldList), QApplication::palette().color(QPalette::WindowText));
    EXPECT_EQ(ColorFromValue(static_cast<int32_t>(0xFF000005u)), QApplication::palette().color(QPalette::Base));
}

TEST_F(WindowTextsTest, StatusPanelsShowLongPortPathsWhole)
{
    const std::string port = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    OpenProject(port);
    Window->resize(1500, 600);
    Window->show();
    const QString state = Window->StatusPanel0->text();
    const QString file = Window->StatusPanel1->text();
    ASSERT_TRUE(state.contains(QString::fromStdString(port)));
    const auto fits = [](const QLabel* panel) {
        return panel->width() >= panel->fontMetrics().horizontalAdvance(panel->text());
    };
    EXPECT_TRUE(guitest::WaitUntil([&] { return fits(Window->StatusPanel0) && fits(Window->StatusPanel1); }, 5000))
        << Window->StatusPanel0->width() << " < " << Window->StatusPanel0->fontMetrics().horizontalAdvance(state)
        << " or " << Window->StatusPanel1->width() << " < "
        << Window->StatusPanel1->fontMetrics().horizontalAdvance(file);
    // Never narrower than designed, and the whole texts are at hand as tool tips.
    Window->resize(800, 600);
    guitest::WaitUntil([&] { return Window->StatusPanel0->width() < 1000; }, 5000);
    EXPECT_GE(Window->StatusPanel0->width(), 400);
    EXPECT_GE(Window->StatusPanel1->width(), 200);
    EXPECT_EQ(Window->StatusPanel0->toolTip(), state);
    EXPECT_EQ(Window->StatusPanel1->toolTip(), file);
    Window->hide();
}
