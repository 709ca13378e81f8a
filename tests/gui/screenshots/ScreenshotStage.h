// One picture's stage: a fresh main window with every commands unit, scripted message boxes and file
// dialogs, German formats, and settings and autostart folders of its own, so the pictures look the
// same on every machine and nothing of the user's is read or written.
#pragma once

#include "GuiTestSupport.h"
#include "app/core/Autostart.h"
#include "app/gui/MainWindow.h"
#include "support/TestSupport.h"

#include <functional>
#include <memory>
#include <string>

using namespace dedezuviv::app;
using namespace dedezuviv::gui;

class QDialog;
class QWidget;

class TScreenshotStage {
public:
    TScreenshotStage();
    ~TScreenshotStage();
    TScreenshotStage(const TScreenshotStage&) = delete;
    TScreenshotStage& operator=(const TScreenshotStage&) = delete;

    TMainPrgForm& Window() { return *MainWindow; }
    // Triggers a menu entry of the window.
    std::function<void()> MenuCommand(const char* menu, const char* caption);
    // Runs Command; once Dialog is shown, Fill sets its controls and the dialog is saved as File,
    // then cancelled. False when it did not come up or the file could not be written.
    bool DialogPicture(QDialog& dialog, const std::function<void()>& fill, const std::function<void()>& command,
                       const std::string& file);

    testsupport::TempDir Dir;
    guitest::ScriptedDialogs Dialogs;
    guitest::ScriptedFiles Files;

private:
    TAutostartPlaces SavedPlaces;
    std::string SavedAppDataDir;
    std::unique_ptr<TMainPrgForm> MainWindow;
};

// Saves the widget as it is drawn now, without keyboard focus; false when the file could not be
// written.
bool SaveScreenshot(QWidget& widget, const std::string& file);
