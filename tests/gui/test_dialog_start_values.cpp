// The start values the project file gives a dialog control without a value (a project saved by the
// command-line tool, whose dialogs were never built) are the values the window's dialogs start with.
#include "GuiTestSupport.h"

#include "app/gui/GuiMain.h"
#include "app/gui/MainWindow.h"
#include "model/ProjectFile.h"

#include <gtest/gtest.h>

using namespace dedezuviv::model;
using namespace dedezuviv::gui;

TEST(DialogStartValues, AreTheValuesTheWindowsDialogsStartWith)
{
    MainView().Dialogs.Clear();
    {
        TMainPrgForm window;
        InstallWindowCommands(window);
        for (const TControlStates* dialog : MainView().Dialogs.All())
            for (const TControlState& control : dialog->Controls()) {
                SCOPED_TRACE(dialog->Section() + "." + control.Name);
                ASSERT_TRUE(control.HasValue);
                // Pickers start at the current time, which the start values leave to the moment of saving.
                if (control.Kind != TControlKind::DateTimePicker) {
                    EXPECT_EQ(control.Value, control.StartValue);
                }
            }
    }
    MainView().Dialogs.Clear();
}
