#include "ScreenshotStage.h"

#include "app/gui/GuiMain.h"
#include "base/AppGlobals.h"
#include "base/FormatSettings.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"

#include <QAction>
#include <QDialog>
#include <QWidget>

#include <cstdlib>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::gui;

TScreenshotStage::TScreenshotStage() : SavedPlaces(AutostartPlaces()), SavedAppDataDir(AppDataDir)
{
    SetGermanFormatSettings();
    // No exportdef.cfg, settings file or autostart entry of the user running the program.
    setenv("XDG_CONFIG_HOME", (Dir / "config").string().c_str(), 1);
    AppDataDir = (Dir / "config").string();
    AutostartPlaces().UserFolder = (Dir / "config/autostart").string();
    AutostartPlaces().AllUsersFolder = (Dir / "etc/xdg/autostart").string();
    AutostartPlaces().SystemdUserFolder = (Dir / "config/systemd/user").string();
    MainView().Dialogs.Clear();
    MainWindow = std::make_unique<TMainPrgForm>();
    ConnectWindowToCore(*MainWindow);
    InstallWindowCommands(*MainWindow);
    SetUserDialogs(&Dialogs);
    SetFileChooser(&Files);
}

TScreenshotStage::~TScreenshotStage()
{
    CloseProject();
    ClearCurrentRecord();
    DisconnectWindowFromCore();
    MainWindow.reset();
    MainView().Dialogs.Clear();
    AutostartPlaces() = SavedPlaces;
    AppDataDir = SavedAppDataDir;
}

std::function<void()> TScreenshotStage::MenuCommand(const char* menu, const char* caption)
{
    return [this, menu, caption] {
        if (QAction* entry = MainWindow->MenuEntry(QString::fromUtf8(menu), QString::fromUtf8(caption)))
            entry->trigger();
    };
}

bool TScreenshotStage::DialogPicture(QDialog& dialog, const std::function<void()>& fill,
                                     const std::function<void()>& command, const std::string& file)
{
    bool saved = false;
    const bool shown = guitest::WithDialog(
        dialog,
        [&] {
            if (fill)
                fill();
            saved = SaveScreenshot(dialog, file);
        },
        command);
    return shown && saved;
}

bool SaveScreenshot(QWidget& widget, const std::string& file)
{
    // Without a blinking text cursor caught in one of its phases.
    if (QWidget* focused = widget.focusWidget())
        focused->clearFocus();
    return widget.grab().save(QString::fromStdString(file));
}
