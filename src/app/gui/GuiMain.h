// The window program: creates the main window and its dialogs, shows the splash while the command line
// is evaluated, then runs the event loop.
#pragma once

#include "app/core/Startup.h"
#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

class TMainPrgForm;

// The start-up's view of the window.
class TWindowStartupHost : public IStartupHost {
public:
    explicit TWindowStartupHost(TMainPrgForm& window) : Window(window) {}
    void ShowHelp(const std::string& text) override;
    void AddStartupLine(const std::string& text) override;
    TAppSettings CurrentSettings() override;
    void ApplySettings(const TAppSettings& settings) override;
    std::string SearchDevicePort() override;
    void ShowTerminalPage() override;
    void StartNetworkServer(const std::string& port) override;

private:
    TMainPrgForm& Window;
};

// Installs every commands unit in the window, then checks that each menu entry of the window's
// layout has its row (throws std::logic_error otherwise: the program does not start).
void InstallWindowCommands(TMainPrgForm& window);

// Installs the window as the receiver of the core's log lines, records, messages and worker events.
void ConnectWindowToCore(TMainPrgForm& window);
void DisconnectWindowFromCore();

int RunWindowProgram(int argc, char** argv);

}  // namespace dedezuviv::gui
